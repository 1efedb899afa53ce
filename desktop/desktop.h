// The snapshot window: captures the whole desktop, previews it scaled to the window, saves or copies it.
#pragma once

#include <QPixmap>
#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;
class QResizeEvent;
class QThread;

class desktop : public QWidget
{
    Q_OBJECT
public:
    // Builds the window and takes a first capture of the desktop as it looks before the window shows.
    explicit desktop(QWidget *parent = nullptr);
    // Waits for a save that is still being written, so that the file is complete.
    ~desktop() override;

    // Hide the window while capturing, so that it stays out of its own picture. Ticked at first.
    QCheckBox *autoHide;
    // The capture fitted to the window, or words saying that the desktop could not be captured.
    QLabel *preview;
    // The last capture at the desktop's full resolution; null when the platform gave no picture.
    QPixmap snapshot;

public slots:
    void showmain();
    void take();
    void resizeEvent(QResizeEvent *event) override;
    void save();
    void copy();

private:
    void showPreview();
    void saveInBackground(const QString &path);

    bool m_taking = false;
    QPushButton *m_saveButton = nullptr;
    // The write of a save under way, or null.
    QThread *m_saving = nullptr;
};

// The snapshot window: captures the whole desktop, a part of it or one window, previews the picture
// scaled to the window, saves or copies it.
#pragma once

#include "brivo_core_export.h"

#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QWidget>

class QCheckBox;
class QCloseEvent;
class QLabel;
class QPushButton;
class QResizeEvent;
class QSpinBox;
class QThread;
class QTimer;
class RegionPicker;

namespace brivo {
struct DesktopPicture;
class PortalScreenshot;
} // namespace brivo

class BRIVO_CORE_EXPORT desktop : public QWidget
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

    // What the window last said below its buttons: a countdown, the name a picture was saved under.
    QString statusText() const { return m_statusText; }

public slots:
    void showmain();
    // Captures the whole desktop, after the delay and with the window out of the way if so chosen.
    void take();
    void resizeEvent(QResizeEvent *event) override;
    void save();
    void copy();
    // Captures the desktop, then lets the user drag out the part to keep.
    void takeRegion();
    // Captures the desktop, then lets the user click the window to keep.
    void takeWindow();
    // Saves into the user's Pictures folder under a name made from the time, without asking.
    void quickSave();
    // Stops a capture that is counting down or waiting for the window system.
    void cancelCapture();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Kind
    {
        Whole,
        Region,
        Window,
    };

    void startCapture(Kind kind);
    void countDown();
    void stepAside();
    void capture();
    void useCapture(const brivo::DesktopPicture &picture);
    void regionChosen(const QRect &pixels);
    void endCapture();
    void stopWaiting();
    void setCapturing(bool capturing);
    void setStatus(const QString &text);
    void showStatus();
    void showPreview();
    // False, after saying why where there is something to say, while a save is being written or when
    // there is no picture.
    bool readyToSave();
    void saveInBackground(const QString &path, bool nameReserved);

    bool m_capturing = false;
    Kind m_kind = Kind::Whole;
    int m_secondsLeft = 0;
    QTimer *m_countdown = nullptr;
    QTimer *m_hideWait = nullptr;
    // Where the window stood when it stepped aside for a capture; it comes back there.
    QRect m_placeBeforeHiding;
    QPointer<QWidget> m_focusBeforeCapture;
    RegionPicker *m_picker = nullptr;
    // The desktop portal's answer awaited, or null.
    brivo::PortalScreenshot *m_portal = nullptr;
    QString m_statusText;

    QSpinBox *m_delay = nullptr;
    QLabel *m_status = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QList<QWidget *> m_captureControls;
    QList<QPushButton *> m_saveButtons;
    // The write of a save under way, or null.
    QThread *m_saving = nullptr;
};

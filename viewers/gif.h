// The GIF viewer: plays one animation, with a pause/play button and the home button.
#pragma once

#include "brivo_core_export.h"

#include <QString>
#include <QWidget>

class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QMovie;
class QPushButton;

class BRIVO_CORE_EXPORT gif : public QWidget
{
    Q_OBJECT
public:
    explicit gif(QWidget *parent = nullptr);
    ~gif() override;

    QLabel *movieLabel = nullptr;
    // Created by init() without a parent; the window deletes it.
    QMovie *movie = nullptr;
    QPushButton *playButton = nullptr;
    // Cycles the playing speed through half, normal and double.
    QPushButton *speedButton = nullptr;

    // Resize events seen by all GIF viewers of the process. The first three leave the animation at its
    // own size; from then on it is stretched to the window.
    static int resizeCount;

public slots:
    // Pauses a running animation and resumes a paused one, showing on the button what a click will do.
    void click();
    // Builds the window for the animation at `path` (empty: no animation) and starts it.
    void init(QString path);
    void showhome();
    // While paused: shows the next frame (`delta` 1) or the one before (-1), going round at either end.
    void stepFrame(int delta);
    // Half, normal and double speed in turn.
    void nextSpeed();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
};

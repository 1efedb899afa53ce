// The media player: plays one audio or video file, with play/pause, stop, 6-second jumps, a position
// slider, a volume slider, full screen and a small audio-only layout.
#pragma once

#include "brivo_av_export.h"

#include <QString>
#include <QUrl>
#include <QWidget>

class QAudioOutput;
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QKeyEvent;
class QLabel;
class QMediaPlayer;
class QMouseEvent;
class QPushButton;
class QVideoWidget;

namespace brivo {
class SeekSlider;
class VolumeSlider;
} // namespace brivo

class BRIVO_AV_EXPORT av : public QWidget
{
    Q_OBJECT
public:
    explicit av(QWidget *parent = nullptr);
    ~av() override;

    // Opens the file at `path` and starts playing it; a missing file is reported in a box.
    void openFile(QString path);
    // The small layout for audio files: 300 x 70, no video area, no full screen.
    void setAudioOnly();
    // The full layout with its video area, as the window is built.
    void setVideoLayout();

    // The button row and the seek slider; hidden in full screen.
    QWidget *controlBar;
    QAudioOutput *audioOutput;
    // Hidden in the audio-only layout.
    QVideoWidget *videoWidget;
    // The player; the window owns it and it lives as long as the window.
    QMediaPlayer *mediaObject;
    brivo::VolumeSlider *volumeSlider;
    brivo::SeekSlider *seekSlider;
    // Play/pause; its icon shows what its next press does.
    QPushButton *pauseButton;
    bool audioOnly;
    // Elapsed and total time, beside the seek slider.
    QLabel *timeLabel;
    // After the Part's controls: the previous and next file of the folder, and whether the next one
    // starts when a file ends.
    QPushButton *previousButton;
    QPushButton *nextButton;
    QPushButton *autoNextButton;

    // The media file `delta` places after the one playing (-1: before it) in the folder's listing, among
    // the files this window plays (sound alone in the audio-only layout); empty when there is none.
    QString neighbourFile(int delta) const;
    // Plays that file in this window; false when there is none.
    bool stepFile(int delta);

public slots:
    void showhome();
    void pause();
    void rewind();
    void fwind();
    void stop();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void jump(qint64 offsetMs);
    void stepVolume(double step);
    void enterFullScreen();
    void leaveFullScreen();
    void showPlaybackState();
    void reportPlaybackError(const QString &reason);
    void showTime();
    // Once the media says whether it holds a picture, takes the layout that shows what it holds.
    void fitLayoutToContent();
    // A file longer than five minutes reopens where it was left: the place is kept in the state folder
    // when another file starts or the window closes, and taken up once the new file can seek.
    void rememberPosition();
    void resumePosition();

    // The file being played, for the error box and for a new attempt after a failure.
    QString m_path;
    QUrl m_source;
    // Set when the current attempt to play has failed. The backend sends several errors for one failure
    // and the user needs one box; a press of play then loads the file afresh.
    bool m_failed = false;
    // Set while the layout of the file the window opened with is still to follow its content: all but an
    // mp3, which keeps the small layout whatever it holds.
    bool m_layoutFromContent = false;
    // Set while a remembered place waits for the file to become seekable.
    bool m_resumePending = false;
};

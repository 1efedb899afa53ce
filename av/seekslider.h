// The player's position slider: shows where playback is and asks for a seek when the user moves it.
#pragma once

#include "brivo_av_export.h"

#include <QWidget>

class QSlider;

namespace brivo {

// Knows nothing of the player: the window feeds it position, duration and seekability through the
// setters and acts on seekRequested(). Disabled while the media cannot seek or has no known length.
class BRIVO_AV_EXPORT SeekSlider : public QWidget
{
    Q_OBJECT
public:
    explicit SeekSlider(QWidget *parent = nullptr);

    void setDuration(qint64 ms);
    void setPosition(qint64 ms);
    void setSeekable(bool seekable);

    qint64 duration() const { return m_duration; }
    qint64 position() const;
    bool isSeekable() const { return m_seekable; }

signals:
    // The user dragged or clicked the slider to `ms`.
    void seekRequested(qint64 ms);

private:
    void updateEnabled();

    QSlider *m_slider;
    qint64 m_duration = 0;
    bool m_seekable = false;
    // True while a setter moves the slider, so that only the user's moves ask for a seek.
    bool m_updating = false;
};

} // namespace brivo

// The player's volume control: a mute button beside a slider from silent to full volume.
#pragma once

#include "brivo_av_export.h"

#include <QWidget>

class QSlider;
class QToolButton;

namespace brivo {

// Knows nothing of the audio output: the window feeds it the volume (0 to 1) and the muted state through
// the setters and acts on its signals.
class BRIVO_AV_EXPORT VolumeSlider : public QWidget
{
    Q_OBJECT
public:
    explicit VolumeSlider(QWidget *parent = nullptr);

    void setVolume(float volume);
    void setMuted(bool muted);

    float volume() const;
    bool isMuted() const { return m_muted; }

signals:
    // The user moved the slider to `volume`, between 0 and 1.
    void volumeRequested(float volume);
    // The user pressed the mute button; `muted` is the state asked for.
    void muteRequested(bool muted);

private:
    void showState();

    QToolButton *m_muteButton;
    QSlider *m_slider;
    bool m_muted = false;
    // True while a setter moves the slider, so that only the user's moves ask for a change.
    bool m_updating = false;
};

} // namespace brivo

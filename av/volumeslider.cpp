#include "av/volumeslider.h"

#include <QHBoxLayout>
#include <QSlider>
#include <QStyle>
#include <QToolButton>

#include <cmath>

namespace brivo {

VolumeSlider::VolumeSlider(QWidget *parent)
    : QWidget(parent), m_muteButton(new QToolButton), m_slider(new QSlider(Qt::Horizontal))
{
    m_muteButton->setObjectName(QStringLiteral("muteButton"));
    m_muteButton->setAutoRaise(true);
    m_slider->setObjectName(QStringLiteral("volumeLevel"));
    m_slider->setRange(0, 100);
    m_slider->setPageStep(10);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_muteButton);
    layout->addWidget(m_slider);

    connect(m_slider, &QSlider::valueChanged, this, [this](int percent) {
        if (!m_updating)
            emit volumeRequested(float(percent) / 100.0f);
    });
    connect(m_muteButton, &QToolButton::clicked, this, [this] { emit muteRequested(!m_muted); });

    setVolume(1.0f);
}

void VolumeSlider::setVolume(float volume)
{
    m_updating = true;
    m_slider->setValue(int(std::lround(qBound(0.0f, volume, 1.0f) * 100.0f)));
    m_updating = false;
    showState();
}

void VolumeSlider::setMuted(bool muted)
{
    m_muted = muted;
    showState();
}

float VolumeSlider::volume() const
{
    return float(m_slider->value()) / 100.0f;
}

void VolumeSlider::showState()
{
    m_muteButton->setIcon(
        style()->standardIcon(m_muted ? QStyle::SP_MediaVolumeMuted : QStyle::SP_MediaVolume));
    const QString level = QStringLiteral("Volume: %1%").arg(m_slider->value());
    m_slider->setToolTip(level);
    m_muteButton->setToolTip(m_muted ? QStringLiteral("Unmute") : QStringLiteral("Mute"));
}

} // namespace brivo

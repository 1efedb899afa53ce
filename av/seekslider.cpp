#include "av/seekslider.h"

#include "av/mediasteps.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>

#include <limits>

namespace brivo {

namespace {

// QSlider counts in int; milliseconds beyond that (some 24 days) are shown at the end.
int toSliderValue(qint64 ms)
{
    return int(qBound(qint64(0), ms, qint64(std::numeric_limits<int>::max())));
}

// A press on the groove first puts the handle under the pointer, so a click jumps to the point clicked
// (not a page toward it) and the same press goes on to drag the handle from there.
class JumpSlider : public QSlider
{
public:
    JumpSlider() : QSlider(Qt::Horizontal) {}

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton && maximum() > minimum()) {
            QStyleOptionSlider option;
            initStyleOption(&option);
            const QRect groove =
                style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
            const QRect handle =
                style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
            const QPoint at = event->position().toPoint();
            if (!handle.contains(at)) {
                const int x = at.x() - groove.x() - handle.width() / 2;
                setValue(QStyle::sliderValueFromPosition(minimum(), maximum(), x,
                                                         groove.width() - handle.width(), option.upsideDown));
            }
        }
        QSlider::mousePressEvent(event);
    }
};

} // namespace

SeekSlider::SeekSlider(QWidget *parent) : QWidget(parent), m_slider(new JumpSlider)
{
    m_slider->setObjectName(QStringLiteral("seekPosition"));
    m_slider->setRange(0, 0);
    // Page Up and Page Down on the slider jump as far as the jump buttons do.
    m_slider->setPageStep(int(kJumpMs));
    m_slider->setSingleStep(1000);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_slider);

    connect(m_slider, &QSlider::valueChanged, this, [this](int value) {
        if (!m_updating)
            emit seekRequested(value);
    });
    updateEnabled();
}

void SeekSlider::setDuration(qint64 ms)
{
    m_duration = qMax<qint64>(0, ms);
    m_updating = true;
    m_slider->setMaximum(toSliderValue(m_duration));
    m_updating = false;
    updateEnabled();
}

void SeekSlider::setPosition(qint64 ms)
{
    // While the user holds the handle the slider shows where they are going, not where playback is.
    if (m_slider->isSliderDown())
        return;
    m_updating = true;
    m_slider->setValue(toSliderValue(ms));
    m_updating = false;
}

void SeekSlider::setSeekable(bool seekable)
{
    m_seekable = seekable;
    updateEnabled();
}

qint64 SeekSlider::position() const
{
    return m_slider->value();
}

void SeekSlider::updateEnabled()
{
    m_slider->setEnabled(m_seekable && m_duration > 0);
}

} // namespace brivo

// The GUI thread's longest stall as the user feels it: how long past its interval a 5 ms timer waited.
#pragma once

#include <QElapsedTimer>
#include <QTimer>

namespace brivo::bench {

// Measures from its construction on, while the event loop runs.
class StallProbe
{
public:
    StallProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_longest = qMax(m_longest, now - m_last);
            m_last = now;
        });
        m_clock.start();
        m_last = m_clock.nsecsElapsed();
        m_timer.start();
    }
    double longestMs() const { return m_longest / 1e6 - m_timer.interval(); }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

} // namespace brivo::bench

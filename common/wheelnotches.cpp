#include "common/wheelnotches.h"

#include <QWheelEvent>

namespace brivo {

int WheelNotches::add(int delta)
{
    if (delta == 0)
        return 0;
    if ((delta > 0) != (m_rest > 0))
        m_rest = 0;
    // In 64 bits: the rest and a turn near the int limit must not overflow when added.
    const qint64 total = qint64(m_rest) + delta;
    const qint64 notches = total / QWheelEvent::DefaultDeltasPerStep;
    m_rest = int(total - notches * QWheelEvent::DefaultDeltasPerStep);
    return int(notches);
}

} // namespace brivo

// Adds up a mouse wheel's turns into whole notches.
#pragma once

#include "brivo_core_export.h"

namespace brivo {

// Touchpads and fine-grained wheels send a notch in several small parts; an action that is meant to happen
// once a notch (a zoom step, a page turn) counts only whole notches. A turn the other way starts afresh, so
// that a reversal is never cancelled out by what was left over from before.
class BRIVO_CORE_EXPORT WheelNotches
{
public:
    // Adds a turn of `delta` (QWheelEvent::angleDelta units, eighths of a degree; positive away from the
    // user) and gives the whole notches it completes: positive away from the user, negative towards.
    int add(int delta);

private:
    int m_rest = 0;
};

} // namespace brivo

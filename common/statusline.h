// The editors' status line: one coloured label in the status bar, replaced by a new one on every change.
#pragma once

#include "brivo_core_export.h"

#include <QString>

class QLabel;
class QStatusBar;

namespace brivo {

namespace statusstyle {
inline constexpr char opened[] = "color:blue;"; // a new document, or a file just opened
inline constexpr char saved[] = "color:green;"; // the file was saved
inline constexpr char changed[] = "color:red;"; // the text changed since
} // namespace statusstyle

// Takes `current` out of `bar` (and frees it), adds a new label with `text` and `styleSheet` (no style when
// empty) as an ordinary item with stretch 0, and returns it. `current` may be null.
BRIVO_CORE_EXPORT QLabel *replaceStatusLabel(QStatusBar *bar, QLabel *current, const QString &text,
                                             const QString &styleSheet = QString());

} // namespace brivo

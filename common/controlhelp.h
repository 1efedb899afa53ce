// Names and tooltips for a window's controls, kept in one table beside the code that makes them: a
// control that shows only an icon still tells a pointer user (tooltip) and a screen reader (accessible
// name) what it does.
#pragma once

#include "brivo_core_export.h"

#include <QKeySequence>
#include <QList>

#include <initializer_list>

class QWidget;

namespace brivo {

struct ControlHelp
{
    // The control, found by object name anywhere below the window.
    const char *objectName;
    // What a screen reader calls it ("Next page").
    const char *name;
    // What hovering shows; null keeps the control's own tooltip (one that changes with its state).
    const char *tip = nullptr;
    // The keys that do the same, named in the tooltip after the words: "Next page (Right)".
    QList<QKeySequence> keys = {};
};

// The tooltip text for `tip` with `keys`: the words alone when no key is given.
BRIVO_CORE_EXPORT QString tipWithKeys(const QString &tip, const QList<QKeySequence> &keys);

// Gives every control in `table` its accessible name and tooltip, and `window` its accessible
// description. A row whose control is missing is reported on the debug output and skipped, so that a
// control renamed without its row shows up in the tests rather than crashing a window.
BRIVO_CORE_EXPORT void describeControls(QWidget *window, const char *description,
                                        std::initializer_list<ControlHelp> table);

} // namespace brivo

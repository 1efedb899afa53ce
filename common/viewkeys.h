// Keeps a viewer's keys on its document: clicking a button or a slider never takes the keyboard from the
// view, while keyboard users still reach every control with Tab.
#pragma once

#include "brivo_core_export.h"

#include <QList>

class QWidget;

namespace brivo {

// The buttons and sliders among `controls` and their descendants take the keyboard only from Tab, and any
// mouse click on one of them gives the keyboard back to `view` (the window itself when the window handles
// the keys). So after a click the arrows, Return and Escape act on the document as before, instead of
// moving between buttons; a control reached with Tab keeps the keys until the user leaves it. Text fields
// are left alone: they need a click to be typed into. Gives `view` the keyboard now as well, so that the
// window opens with its keys on the document rather than on its first button.
BRIVO_CORE_EXPORT void keepKeysOnView(QWidget *view, const QList<QWidget *> &controls);

} // namespace brivo

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
// are left alone: they need a click to be typed into. The window opens with its keys on `view` (see
// focusOnOpen).
BRIVO_CORE_EXPORT void keepKeysOnView(QWidget *view, const QList<QWidget *> &controls);

// Gives `view` the keyboard when its window is shown and again when the window system first makes the
// window active, so that the window's keys work from the first moment, without a click. What happens
// between construction and showing (a window disabled while it opens its file passes the focus on to its
// first control) does not decide where the keys go.
BRIVO_CORE_EXPORT void focusOnOpen(QWidget *view);

} // namespace brivo

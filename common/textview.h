// The few calls the editors' shared tools make on a text area, whether it is a QTextEdit or a
// QPlainTextEdit: the two have the same calls but no common base that declares them.
#pragma once

#include <QTextCursor>

class QAbstractScrollArea;
class QTextDocument;

namespace brivo::textview {

// Null, or a null cursor, for anything else.
QTextDocument *document(QAbstractScrollArea *view);
QTextCursor cursor(QAbstractScrollArea *view);
// Sets the cursor and scrolls it into view.
void showCursor(QAbstractScrollArea *view, const QTextCursor &cursor);
bool isReadOnly(QAbstractScrollArea *view);

} // namespace brivo::textview

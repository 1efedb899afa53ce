#include "common/textview.h"

#include <QPlainTextEdit>
#include <QTextEdit>

namespace brivo::textview {

QTextDocument *document(QAbstractScrollArea *view)
{
    if (auto *edit = qobject_cast<QTextEdit *>(view))
        return edit->document();
    if (auto *edit = qobject_cast<QPlainTextEdit *>(view))
        return edit->document();
    return nullptr;
}

QTextCursor cursor(QAbstractScrollArea *view)
{
    if (auto *edit = qobject_cast<QTextEdit *>(view))
        return edit->textCursor();
    if (auto *edit = qobject_cast<QPlainTextEdit *>(view))
        return edit->textCursor();
    return {};
}

void showCursor(QAbstractScrollArea *view, const QTextCursor &cursor)
{
    if (auto *edit = qobject_cast<QTextEdit *>(view)) {
        edit->setTextCursor(cursor);
        edit->ensureCursorVisible();
    } else if (auto *edit = qobject_cast<QPlainTextEdit *>(view)) {
        edit->setTextCursor(cursor);
        edit->ensureCursorVisible();
    }
}

bool isReadOnly(QAbstractScrollArea *view)
{
    if (auto *edit = qobject_cast<QTextEdit *>(view))
        return edit->isReadOnly();
    if (auto *edit = qobject_cast<QPlainTextEdit *>(view))
        return edit->isReadOnly();
    return true;
}

} // namespace brivo::textview

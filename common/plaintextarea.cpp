#include "common/plaintextarea.h"

#include <QMimeData>
#include <QTextCursor>

namespace brivo {

PlainTextArea::PlainTextArea(QWidget *parent) : QPlainTextEdit(parent) {}

QMimeData *PlainTextArea::createMimeDataFromSelection() const
{
    QString text = textCursor().selectedText();
    // A selection across lines holds the document's paragraph separator where each line ends.
    text.replace(QChar::ParagraphSeparator, u'\n');
    auto *data = new QMimeData;
    data->setText(text);
    return data;
}

} // namespace brivo

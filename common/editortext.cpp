#include "common/editortext.h"

#include <QTextDocument>

namespace brivo {

QString documentPlainText(const QTextDocument *document)
{
    QString text = document->toRawText();
    for (QChar &c : text) {
        switch (c.unicode()) {
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
        case 0xfdd0: // start of a frame (a pasted table, for instance)
        case 0xfdd1: // end of a frame
            c = QLatin1Char('\n');
            break;
        default:
            break;
        }
    }
    return text;
}

} // namespace brivo

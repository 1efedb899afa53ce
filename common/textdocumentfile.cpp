#include "common/textdocumentfile.h"

#include <QFileInfo>
#include <QFont>
#include <QTextDocument>
#include <QThread>

namespace brivo {

void DeleteLater::operator()(QObject *object) const
{
    object->deleteLater();
}

LoadedDocument loadTextDocument(const QString &path, const QFont &font, QThread *documentThread)
{
    LoadedDocument loaded;
    QString text;
    if (QFileInfo::exists(path)) {
        if (!readTextFile(path, &text, &loaded.format, &loaded.error))
            return loaded;
        loaded.existed = true;
    }
    loaded.document.reset(new QTextDocument);
    loaded.document->setDefaultFont(font);
    loaded.document->setPlainText(text);
    loaded.document->moveToThread(documentThread);
    return loaded;
}

QString documentText(const QTextDocument *document, LineSeparators separators)
{
    QString text = document->toRawText();
    for (QChar &c : text) {
        switch (c.unicode()) {
        case QChar::ParagraphSeparator:
        case 0xfdd0: // start of a frame (a pasted table, for instance)
        case 0xfdd1: // end of a frame
            c = QLatin1Char('\n');
            break;
        case QChar::LineSeparator:
            if (separators == LineSeparators::AsLineBreaks)
                c = QLatin1Char('\n');
            break;
        default:
            break;
        }
    }
    return text;
}

} // namespace brivo

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

QString documentText(const QTextDocument *document)
{
    // The raw text separates paragraphs with U+2029; a plain-text document has no frames or objects.
    QString text = document->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

} // namespace brivo

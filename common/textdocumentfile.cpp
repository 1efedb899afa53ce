#include "common/textdocumentfile.h"

#include <QFileInfo>
#include <QFont>
#include <QPlainTextDocumentLayout>
#include <QTextBlock>
#include <QTextDocument>
#include <QThread>
#include <QVariant>

namespace brivo {

namespace {

// Set on a document some of whose lines carry a LineEndBefore: only those are walked block by block.
constexpr char kMarkedProperty[] = "brivoLineEndsMarked";

} // namespace

void DeleteLater::operator()(QObject *object) const
{
    object->deleteLater();
}

void setDocumentText(QTextDocument *document, const QString &text, const LineEndExceptions &exceptions)
{
    document->setPlainText(text);
    markLineEnds(document, exceptions);
}

void markLineEnds(QTextDocument *document, const LineEndExceptions &exceptions)
{
    // Each line break of the text is one block separator at the same position in the document.
    for (const LineEndAt &end : exceptions) {
        QTextBlock after = document->findBlock(int(end.position) + 1);
        if (after.isValid() && after.position() == end.position + 1)
            after.setUserData(new LineEndBefore(end.lineEnd));
    }
    document->setProperty(kMarkedProperty, !exceptions.isEmpty());
}

LoadedDocument loadTextDocument(const QString &path, const QFont &font, QThread *documentThread)
{
    LoadedDocument loaded;
    QString text;
    LineEndExceptions exceptions;
    if (QFileInfo::exists(path)) {
        if (!readTextFile(path, &text, &loaded.format, &loaded.error, &exceptions))
            return loaded;
        loaded.existed = true;
    }
    loaded.document = newTextDocument(text, exceptions, font, documentThread);
    return loaded;
}

std::unique_ptr<QTextDocument, DeleteLater> newTextDocument(const QString &text,
                                                            const LineEndExceptions &exceptions,
                                                            const QFont &font, QThread *documentThread)
{
    std::unique_ptr<QTextDocument, DeleteLater> document(new QTextDocument);
    // The editors show it in a QPlainTextEdit, which takes only documents with this layout. It must be in
    // place before the text: set later, it would be handed every line of a large text again.
    document->setDocumentLayout(new QPlainTextDocumentLayout(document.get()));
    document->setDefaultFont(font);
    setDocumentText(document.get(), text, exceptions);
    document->moveToThread(documentThread);
    return document;
}

LineEndExceptions documentLineEnds(const QTextDocument *document)
{
    LineEndExceptions ends;
    if (!document->property(kMarkedProperty).toBool())
        return ends;
    for (QTextBlock block = document->begin().next(); block.isValid(); block = block.next()) {
        if (const auto *before = dynamic_cast<const LineEndBefore *>(block.userData()))
            ends.append({block.position() - 1, before->lineEnd});
    }
    return ends;
}

CapturedText captureDocument(const QTextDocument *document)
{
    return {document->toRawText(), documentLineEnds(document)};
}

QByteArray capturedBytes(const CapturedText &text, TextFormat *format, LineSeparators separators)
{
    return encodeText(text.raw, format, text.lineEnds, separators == LineSeparators::AsLineBreaks);
}

QString documentText(const QTextDocument *document, LineSeparators separators)
{
    QString text = document->toRawText();
    for (QChar &c : text) {
        if (isLineBreak(c, separators == LineSeparators::AsLineBreaks))
            c = u'\n';
    }
    return text;
}

} // namespace brivo

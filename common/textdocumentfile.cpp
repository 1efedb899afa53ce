#include "common/textdocumentfile.h"

#include <QFileInfo>
#include <QFont>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QThread>
#include <QVariant>

namespace brivo {

namespace {

// Set on a document some of whose lines carry a LineEndBefore: only those are walked block by block.
constexpr char kMarkedProperty[] = "brivoLineEndsMarked";

// How much text goes into a document at a time (see setDocumentText()).
constexpr qsizetype kSliceCharacters = 1 << 20;

// Documents of more lines than this get the vertical scroll bar before they are shown (see showDocument()).
constexpr int kManyLines = 2000;

} // namespace

void DeleteLater::operator()(QObject *object) const
{
    object->deleteLater();
}

void setDocumentText(QTextDocument *document, QString text, const LineEndExceptions &exceptions)
{
    // Put in a slice at a time from the end, each slice in front of the ones before it, so that the text
    // given up can be freed as the document grows: the whole text and the whole document are never held at
    // once. Each slice starts after a line break, so no line is split between two of them. Filling the
    // piece table this way is also faster than QTextDocument::setPlainText() in one go.
    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    document->clear();
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    while (!text.isEmpty()) {
        qsizetype from = qMax<qsizetype>(0, text.size() - kSliceCharacters);
        if (from > 0) {
            const qsizetype lineBreak = text.lastIndexOf(u'\n', from);
            from = lineBreak < 0 ? 0 : lineBreak + 1;
        }
        cursor.setPosition(0);
        cursor.insertText(QStringView(text).sliced(from).toString());
        text.truncate(from);
        text.squeeze();
    }
    cursor.endEditBlock();
    document->setUndoRedoEnabled(undo);
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

LoadedDocument loadTextDocument(const QString &path, const QFont &font, QThread *documentThread,
                                const TextEncoding *as)
{
    LoadedDocument loaded;
    QString text;
    LineEndExceptions exceptions;
    if (QFileInfo::exists(path)) {
        if (!readTextFile(path, &text, &loaded.format, &loaded.error, &exceptions, as))
            return loaded;
        loaded.existed = true;
    }
    loaded.document = newTextDocument(std::move(text), exceptions, font, documentThread);
    return loaded;
}

std::unique_ptr<QTextDocument, DeleteLater> newTextDocument(QString text, const LineEndExceptions &exceptions,
                                                            const QFont &font, QThread *documentThread)
{
    std::unique_ptr<QTextDocument, DeleteLater> document(new QTextDocument);
    // The editors show it in a QPlainTextEdit, which takes only documents with this layout. It must be in
    // place before the text: set later, it would be handed every line of a large text again.
    document->setDocumentLayout(new QPlainTextDocumentLayout(document.get()));
    document->setDefaultFont(font);
    setDocumentText(document.get(), std::move(text), exceptions);
    // A text area walks all the lines of a document it is given and makes each its line layout; made
    // here, where the document is built, that work is not done on the thread that shows the document.
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        block.layout();
    document->moveToThread(documentThread);
    return document;
}

void showDocument(QPlainTextEdit *edit, QTextDocument *document)
{
    QTextDocument *previous = edit->document();
    // The text area frees the document it made itself; the ones handed to it are freed here.
    const bool previousIsOurs = previous->parent() == edit;
    document->setParent(edit);
    // A text area lays out every line again when its width changes: a scroll bar that appears after a
    // long text is shown would have it do that twice.
    const bool manyLines = document->blockCount() > kManyLines;
    const Qt::ScrollBarPolicy policy = edit->verticalScrollBarPolicy();
    if (manyLines)
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setDocument(document);
    if (manyLines)
        edit->setVerticalScrollBarPolicy(policy);
    if (previousIsOurs && previous != document)
        delete previous;
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

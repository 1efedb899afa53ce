// A text file as an editor holds it: read into a text document, and the document's text written back.
#pragma once

#include "brivo_core_export.h"

#include "common/textfile.h"

#include <QString>
#include <QTextBlockUserData>

#include <memory>

class QFont;
class QObject;
class QPlainTextEdit;
class QTextDocument;
class QThread;

namespace brivo {

// Frees a document through the event loop of the thread it belongs to, whichever thread drops it.
struct BRIVO_CORE_EXPORT DeleteLater
{
    void operator()(QObject *object) const;
};

// What reading a file into a document gave.
struct LoadedDocument
{
    // The file's text as plain text; null when the file could not be read.
    std::unique_ptr<QTextDocument, DeleteLater> document;
    TextFormat format;    // how the file stores its text, for saving it back the same way
    bool existed = false; // false when nothing was at the path: the document is then empty
    QString error;        // why the file could not be read
};

// Reads the file at `path` (in the encoding `as` when one is given) into a new plain-text document set in
// `font`, which then belongs to `documentThread`. A path with nothing at it gives an empty document. Building
// the document is the slow part of opening a large file, and a document nobody else touches may be built on
// any thread, so this can run on a worker thread while the window stays responsive.
BRIVO_CORE_EXPORT LoadedDocument loadTextDocument(const QString &path, const QFont &font,
                                                  QThread *documentThread, const TextEncoding *as = nullptr);

// A new plain-text document in `font` holding `text` (see setDocumentText()), laid out as a QPlainTextEdit
// lays out its text, handed to `documentThread`.
std::unique_ptr<QTextDocument, DeleteLater> newTextDocument(QString text, const LineEndExceptions &exceptions,
                                                            const QFont &font, QThread *documentThread);

// Puts `text` (LF line ends) into `document` as plain text, with the line ends `exceptions` names kept on
// the lines they end.
void setDocumentText(QTextDocument *document, QString text, const LineEndExceptions &exceptions);

// Shows `document` (built by newTextDocument()) in `edit`, which takes it over, and frees the document
// shown before when it was handed over the same way.
void showDocument(QPlainTextEdit *edit, QTextDocument *document);

// Marks the line ends `exceptions` names on a document that holds the text they were found in.
void markLineEnds(QTextDocument *document, const LineEndExceptions &exceptions);

// A line end of the document that differs from its most common one. It sits on the block after it, so that
// the line end stays where it was when the line before it is split (the new break takes the common style)
// and goes when the two lines are joined. A block holds one user data object at a time: a syntax highlighter
// that sets its own would take the mark away (the line end then takes the common style).
class LineEndBefore : public QTextBlockUserData
{
public:
    explicit LineEndBefore(LineEnd end) : lineEnd(end) {}
    const LineEnd lineEnd;
};

// The document's line ends that differ from its most common one, by the position of their separator in
// QTextDocument::toRawText().
LineEndExceptions documentLineEnds(const QTextDocument *document);

// A document's text at one moment: its raw characters (block separators and all) and the line ends that
// differ from the most common one.
struct CapturedText
{
    QString raw;
    LineEndExceptions lineEnds;
};

// The whole document's text, at once.
BRIVO_CORE_EXPORT CapturedText captureDocument(const QTextDocument *document);

// What documentText() and documentBytes() make of line separators (U+2028).
enum class LineSeparators
{
    Keep,         // a plain-text document holds one only where its file did
    AsLineBreaks, // an editor that takes pasted rich text gets one for every pasted line break
};

// The bytes of a captured text in `format`, each line end as the file had it and added lines in the
// format's line end (see encodeText(), which may change `format`).
BRIVO_CORE_EXPORT QByteArray capturedBytes(const CapturedText &text, TextFormat *format,
                                           LineSeparators separators);

// The document's text with its paragraphs ending in LF. Unlike QTextDocument::toPlainText(), which turns
// no-break spaces into spaces and line separators into line breaks, it changes nothing else, so a file
// saved unchanged stays as it was. The boundaries of pasted tables and frames become line breaks.
QString documentText(const QTextDocument *document, LineSeparators separators = LineSeparators::Keep);

} // namespace brivo

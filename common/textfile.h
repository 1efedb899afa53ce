// Reading and writing the editors' text files so that an unchanged file saves back byte for byte.
#pragma once

#include "brivo_core_export.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

#include <functional>

namespace brivo {

enum class TextEncoding
{
    Utf8,        // valid UTF-8 without a byte-order mark
    Utf8WithBom, // valid UTF-8 that starts with a byte-order mark
    EightBit,    // anything else: the system's 8-bit code page, Latin-1 where there is none (every Unix)
    // Never guessed, only chosen: read with a byte-order mark or without, written with one.
    Utf16Le,
    Utf16Be,
};

// Every encoding, in the order the editors' encoding menus list them.
inline constexpr TextEncoding allTextEncodings[] = {TextEncoding::Utf8, TextEncoding::Utf8WithBom,
                                                    TextEncoding::Utf16Le, TextEncoding::Utf16Be,
                                                    TextEncoding::EightBit};

// The encoding's name as the editors show it ("UTF-8", "UTF-16 LE", "ISO-8859-1").
BRIVO_CORE_EXPORT QString textEncodingName(TextEncoding encoding);

enum class LineEnd
{
    Lf,
    CrLf,
    Cr,
};

// The platform's own line end: what a new document starts with.
#ifdef Q_OS_WIN
inline constexpr LineEnd nativeLineEnd = LineEnd::CrLf;
#else
inline constexpr LineEnd nativeLineEnd = LineEnd::Lf;
#endif

// How a file's text is stored: its encoding and its most common line end, which lines the user adds take.
struct TextFormat
{
    TextEncoding encoding = TextEncoding::Utf8;
    LineEnd lineEnd = nativeLineEnd;
};

// A line end that differs from the text's most common one, at `position`: the index of the line break
// character that stands for it in the text held in memory.
struct LineEndAt
{
    qsizetype position = 0;
    LineEnd lineEnd = LineEnd::Lf;
    bool operator==(const LineEndAt &other) const
    {
        return position == other.position && lineEnd == other.lineEnd;
    }
};
// Sorted by position.
using LineEndExceptions = QList<LineEndAt>;

// The characters that end a line in text held in memory: a line feed, and the block separators of a text
// document (QTextDocument::toRawText()). With `lineSeparatorBreaks`, U+2028 (what a pasted <br> becomes)
// ends a line too.
bool isLineBreak(QChar c, bool lineSeparatorBreaks = false);

// The bytes of `end`.
BRIVO_CORE_EXPORT QByteArray lineEndBytes(LineEnd end);

// Decodes a file's bytes: UTF-8 when they are valid UTF-8 (a leading byte-order mark is noted and
// dropped), else 8-bit. Every line end (CR LF, LF or a lone CR) becomes one LF; `format` receives the
// encoding and the most common line end, `exceptions` (when given) the line ends that differ from it, so
// that encodeText() writes the same bytes back.
QString decodeText(const QByteArray &bytes, TextFormat *format, LineEndExceptions *exceptions = nullptr);
// The same in the encoding `as`, whatever the bytes look like; a byte-order mark of that encoding is
// dropped (for UTF-8 it makes the format UTF-8 with BOM).
BRIVO_CORE_EXPORT QString decodeTextAs(const QByteArray &bytes, TextEncoding as, TextFormat *format,
                                       LineEndExceptions *exceptions = nullptr);

// Turns every line end of `text` (CR LF, LF or a lone CR) into one LF and returns the most common one, or
// `lineEnd` when that is given; `exceptions` (when given) receives the line ends that differ from it.
LineEnd unifyLineEnds(QString *text, LineEndExceptions *exceptions = nullptr,
                      const LineEnd *lineEnd = nullptr);

// Whether `text` survives being stored in `encoding`: encoded and decoded again, it comes back the same.
// `lost` (when given) receives the first few characters that do not.
BRIVO_CORE_EXPORT bool encodingHolds(QStringView text, TextEncoding encoding, QString *lost = nullptr);

// Encodes `text` as `format` says: every line break (isLineBreak()) becomes the format's line end, or the
// one `exceptions` gives for its position. Text that the 8-bit code page cannot hold is written as UTF-8
// instead, and `format` is updated to say so: losing characters would be worse than changing the encoding.
// The editors ask the user before it comes to that (encodingHolds()).
QByteArray encodeText(QStringView text, TextFormat *format, const LineEndExceptions &exceptions = {},
                      bool lineSeparatorBreaks = false);

// Reads the whole file at `path`, in the encoding `as` when one is given. False, with the reason in
// `error`, when it cannot be read.
BRIVO_CORE_EXPORT bool readTextFile(const QString &path, QString *text, TextFormat *format, QString *error,
                                    LineEndExceptions *exceptions = nullptr,
                                    const TextEncoding *as = nullptr);

// Writes `text` to `path` in one piece: the old file stays intact until the new one is complete, so a
// crash or a full disk never leaves half a file. False, with the reason in `error`, when it fails.
BRIVO_CORE_EXPORT bool writeTextFile(const QString &path, const QString &text, TextFormat *format,
                                     QString *error, const LineEndExceptions &exceptions = {});

// Writes `bytes` to `path` in one piece, as writeTextFile() does. Where the folder cannot hold a
// temporary file but the file itself is writable, the file is written in place.
bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error);

// What writeFileKeepingOldContent() did.
struct SaveOutcome
{
    bool written = false;
    QString error;    // why it was not written
    QString keptCopy; // where the old content is kept, when an in-place write failed
};

// Keeps a copy of a file's old content somewhere safe before the file is written in place. Returns the
// copy's path, or an empty string (with the reason in `error`) when no copy could be made; `discard` then
// later removes a copy that is no longer needed.
struct OldContentKeeper
{
    std::function<QString(const QString &path, const QByteArray &oldContent, QString *error)> keep;
    std::function<void(const QString &copy)> discard;
};

// Writes `bytes` to `path` in one piece. Where the folder cannot hold a temporary file (a writable file in
// a read-only folder), the file can only be written in place, which a crash could cut in half: its old
// content is handed to `keeper` first, and that copy is discarded only once the new content is written
// and flushed to the disk. A failed in-place write leaves the copy and names it in the outcome.
BRIVO_CORE_EXPORT SaveOutcome writeFileKeepingOldContent(const QString &path, const QByteArray &bytes,
                                                         const OldContentKeeper &keeper);

} // namespace brivo

// Reading and writing the editors' text files so that an unchanged file saves back byte for byte.
#pragma once

#include <QByteArray>
#include <QString>

namespace brivo {

enum class TextEncoding
{
    Utf8,        // valid UTF-8 without a byte-order mark
    Utf8WithBom, // valid UTF-8 that starts with a byte-order mark
    EightBit,    // anything else: the system's 8-bit code page, Latin-1 where there is none (every Unix)
};

// How a file's text is stored: its encoding and its line ends.
struct TextFormat
{
    TextEncoding encoding = TextEncoding::Utf8;
    // CR LF line ends on disk (LF in memory). New documents take the platform's convention.
#ifdef Q_OS_WIN
    bool crlf = true;
#else
    bool crlf = false;
#endif
};

// Decodes a file's bytes: UTF-8 when they are valid UTF-8 (a leading byte-order mark is noted and
// dropped), else 8-bit. CR LF pairs become LF when they are the file's line ends. `format` receives what
// was found, so that encodeText() writes the same bytes back.
QString decodeText(const QByteArray &bytes, TextFormat *format);

// Encodes `text` as `format` says. Text that the 8-bit code page cannot hold is written as UTF-8 instead,
// and `format` is updated to say so: losing characters would be worse than changing the encoding.
QByteArray encodeText(const QString &text, TextFormat *format);

// Reads the whole file at `path`. False, with the reason in `error`, when it cannot be read.
bool readTextFile(const QString &path, QString *text, TextFormat *format, QString *error);

// Writes `text` to `path` in one piece: the old file stays intact until the new one is complete, so a
// crash or a full disk never leaves half a file. False, with the reason in `error`, when it fails.
bool writeTextFile(const QString &path, const QString &text, TextFormat *format, QString *error);

// Writes `bytes` to `path` in one piece, as writeTextFile() does.
bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error);

} // namespace brivo

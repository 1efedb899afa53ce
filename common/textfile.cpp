#include "common/textfile.h"

#include "common/filestamp.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace brivo {

namespace {

const QByteArray kBom("\xEF\xBB\xBF");
const QByteArray kBomLe("\xFF\xFE");
const QByteArray kBomBe("\xFE\xFF");

QStringConverter::Encoding eightBitEncoding()
{
#ifdef Q_OS_WIN
    return QStringConverter::System;
#else
    // Unix systems have no 8-bit code page (their locale is UTF-8); Latin-1 maps every byte to a character
    // and back, so nothing is lost.
    return QStringConverter::Latin1;
#endif
}

QStringConverter::Encoding converterEncoding(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::EightBit:
        return eightBitEncoding();
    case TextEncoding::Utf16Le:
        return QStringConverter::Utf16LE;
    case TextEncoding::Utf16Be:
        return QStringConverter::Utf16BE;
    case TextEncoding::Utf8:
    case TextEncoding::Utf8WithBom:
        break;
    }
    return QStringConverter::Utf8;
}

// The byte-order mark a file in `encoding` starts with; none for UTF-8 without one and 8-bit.
QByteArray byteOrderMark(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8WithBom:
        return kBom;
    case TextEncoding::Utf16Le:
        return kBomLe;
    case TextEncoding::Utf16Be:
        return kBomBe;
    case TextEncoding::Utf8:
    case TextEncoding::EightBit:
        break;
    }
    return {};
}

// The most common of the three line ends; a tie goes to the platform's own, then LF, CR LF, CR. Text with
// no line end at all takes the platform's.
LineEnd mostCommonLineEnd(qsizetype lf, qsizetype crlf, qsizetype cr)
{
    const qsizetype counts[] = {lf, crlf, cr};
    const LineEnd order[] = {nativeLineEnd, LineEnd::Lf, LineEnd::CrLf, LineEnd::Cr};
    LineEnd best = nativeLineEnd;
    for (LineEnd candidate : order) {
        if (counts[int(candidate)] > counts[int(best)])
            best = candidate;
    }
    return best;
}

// Splits `text` into pieces of about `size` characters, never between the two halves of a surrogate pair.
template <typename Piece> bool forEachPiece(QStringView text, qsizetype size, Piece piece)
{
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = qMin(text.size(), start + size);
        if (end < text.size() && text[end - 1].isHighSurrogate())
            ++end;
        if (!piece(text.sliced(start, end - start)))
            return false;
        start = end;
    }
    return true;
}

} // namespace

bool isLineBreak(QChar c, bool lineSeparatorBreaks)
{
    switch (c.unicode()) {
    case u'\n':
    case QChar::ParagraphSeparator: // between the blocks of a text document
    case 0xfdd0:                    // start of a frame (a pasted table, for instance)
    case 0xfdd1:                    // end of a frame
        return true;
    case QChar::LineSeparator:
        return lineSeparatorBreaks;
    default:
        return false;
    }
}

QByteArray lineEndBytes(LineEnd end)
{
    switch (end) {
    case LineEnd::CrLf:
        return QByteArrayLiteral("\r\n");
    case LineEnd::Cr:
        return QByteArrayLiteral("\r");
    case LineEnd::Lf:
        break;
    }
    return QByteArrayLiteral("\n");
}

QString decodeText(const QByteArray &bytes, TextFormat *format, LineEndExceptions *exceptions)
{
    const bool bom = bytes.startsWith(kBom);
    const QByteArrayView body = bom ? QByteArrayView(bytes).sliced(kBom.size()) : QByteArrayView(bytes);

    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(body);
    if (!utf8.hasError()) {
        format->encoding = bom ? TextEncoding::Utf8WithBom : TextEncoding::Utf8;
    } else {
        QStringDecoder eightBit(eightBitEncoding(), QStringConverter::Flag::Stateless);
        text = eightBit.decode(bytes);
        format->encoding = TextEncoding::EightBit;
    }
    format->lineEnd = unifyLineEnds(&text, exceptions);
    return text;
}

QString decodeTextAs(const QByteArray &bytes, TextEncoding as, TextFormat *format,
                     LineEndExceptions *exceptions)
{
    if (as == TextEncoding::Utf8 && bytes.startsWith(kBom))
        as = TextEncoding::Utf8WithBom;
    const QByteArray mark = byteOrderMark(as);
    const QByteArrayView body =
        !mark.isEmpty() && bytes.startsWith(mark) ? QByteArrayView(bytes).sliced(mark.size()) : bytes;
    QStringDecoder decoder(converterEncoding(as), QStringConverter::Flag::Stateless);
    QString text = decoder.decode(body);
    format->encoding = as;
    format->lineEnd = unifyLineEnds(&text, exceptions);
    return text;
}

QString textEncodingName(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8:
        return QStringLiteral("UTF-8");
    case TextEncoding::Utf8WithBom:
        return QStringLiteral("UTF-8 BOM");
    case TextEncoding::Utf16Le:
        return QStringLiteral("UTF-16 LE");
    case TextEncoding::Utf16Be:
        return QStringLiteral("UTF-16 BE");
    case TextEncoding::EightBit:
        break;
    }
#ifdef Q_OS_WIN
    return QStringLiteral("ANSI");
#else
    return QStringLiteral("ISO-8859-1");
#endif
}

LineEnd unifyLineEnds(QString *text, LineEndExceptions *exceptions, const LineEnd *lineEnd)
{
    if (exceptions)
        exceptions->clear();
    qsizetype lf = 0, crlf = 0, cr = 0;
    for (qsizetype i = 0, n = text->size(); i < n; ++i) {
        const QChar c = text->at(i);
        if (c == u'\n') {
            ++lf;
        } else if (c == u'\r') {
            if (i + 1 < n && text->at(i + 1) == u'\n') {
                ++crlf;
                ++i;
            } else {
                ++cr;
            }
        }
    }
    const LineEnd common = lineEnd ? *lineEnd : mostCommonLineEnd(lf, crlf, cr);
    if (crlf == 0 && cr == 0 && (lf == 0 || common == LineEnd::Lf))
        return common; // nothing to change: by far the most common case

    // Every line end becomes one LF, in place: the text only gets shorter.
    QChar *data = text->data();
    qsizetype out = 0;
    for (qsizetype in = 0, n = text->size(); in < n; ++in) {
        const QChar c = data[in];
        if (c != u'\n' && c != u'\r') {
            data[out++] = c;
            continue;
        }
        LineEnd end = LineEnd::Lf;
        if (c == u'\r') {
            end = in + 1 < n && data[in + 1] == u'\n' ? LineEnd::CrLf : LineEnd::Cr;
            if (end == LineEnd::CrLf)
                ++in;
        }
        if (end != common && exceptions)
            exceptions->append({out, end});
        data[out++] = u'\n';
    }
    text->truncate(out);
    return common;
}

bool encodingHolds(QStringView text, TextEncoding encoding, QString *lost)
{
    if (encoding != TextEncoding::EightBit)
        return true; // UTF-8 holds every character
    const QStringConverter::Encoding converter = eightBitEncoding();
    QString piece;
    auto holds = [converter](QStringView part) {
        QStringEncoder encoder(converter, QStringConverter::Flag::Stateless);
        QStringDecoder decoder(converter, QStringConverter::Flag::Stateless);
        const QByteArray bytes = encoder.encode(part);
        const QString back = decoder.decode(bytes);
        return !encoder.hasError() && back == part;
    };
    return forEachPiece(text, 64 * 1024, [&](QStringView part) {
        // Line breaks are written as line ends, whatever character stands for them in memory.
        piece = part.toString();
        for (QChar &c : piece) {
            if (isLineBreak(c, true))
                c = u'\n';
        }
        if (holds(piece))
            return true;
        if (lost) {
            // Name the first few characters that do not survive, each once.
            lost->clear();
            for (qsizetype i = 0, count = 0; i < piece.size() && count < 5; ++i) {
                const qsizetype length = piece[i].isHighSurrogate() && i + 1 < piece.size() ? 2 : 1;
                const QStringView character = QStringView(piece).sliced(i, length);
                if (!holds(character) && !lost->contains(character)) {
                    lost->append(character);
                    ++count;
                }
                i += length - 1;
            }
        }
        return false;
    });
}

QByteArray encodeText(QStringView text, TextFormat *format, const LineEndExceptions &exceptions,
                      bool lineSeparatorBreaks)
{
    if (!encodingHolds(text, format->encoding))
        format->encoding = TextEncoding::Utf8;

    QStringEncoder encoder(converterEncoding(format->encoding), QStringConverter::Flag::Stateless);
    QByteArray bytes = byteOrderMark(format->encoding);
    // Line ends in the file's encoding: two bytes a character in UTF-16.
    QByteArray endBytes[3];
    for (const LineEnd end : {LineEnd::Lf, LineEnd::CrLf, LineEnd::Cr})
        endBytes[int(end)] = encoder.encode(QString::fromLatin1(lineEndBytes(end)));
    // Each line goes straight into the result; its line end is written after it as the file had it.
    auto append = [&](QStringView line) {
        const qsizetype size = bytes.size();
        bytes.resize(size + encoder.requiredSpace(line.size()));
        char *end = encoder.appendToBuffer(bytes.data() + size, line);
        bytes.resize(end - bytes.constData());
    };
    auto exception = exceptions.cbegin();
    qsizetype start = 0;
    for (qsizetype i = 0, n = text.size(); i < n; ++i) {
        if (!isLineBreak(text[i], lineSeparatorBreaks))
            continue;
        append(text.sliced(start, i - start));
        while (exception != exceptions.cend() && exception->position < i)
            ++exception;
        const bool differs = exception != exceptions.cend() && exception->position == i;
        bytes += endBytes[int(differs ? exception->lineEnd : format->lineEnd)];
        start = i + 1;
    }
    append(text.sliced(start));
    return bytes;
}

bool readTextFile(const QString &path, QString *text, TextFormat *format, QString *error,
                  LineEndExceptions *exceptions, const TextEncoding *as)
{
    if (const QString special = notRegularFile(path); !special.isEmpty()) {
        *error = special;
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    if (QFileInfo(path).isDir()) {
        *error = QStringLiteral("It is a folder, not a file.");
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        return false;
    }
    *text = as ? decodeTextAs(bytes, *as, format, exceptions) : decodeText(bytes, format, exceptions);
    return true;
}

bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    // Where the folder cannot hold a temporary file but the file itself is writable, write in place.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool writeTextFile(const QString &path, const QString &text, TextFormat *format, QString *error,
                   const LineEndExceptions &exceptions)
{
    TextFormat used = *format;
    if (!writeFileAtomically(path, encodeText(text, &used, exceptions), error))
        return false;
    *format = used;
    return true;
}

SaveOutcome writeFileKeepingOldContent(const QString &path, const QByteArray &bytes,
                                       const OldContentKeeper &keeper)
{
    SaveOutcome outcome;
    {
        QSaveFile file(path);
        if (file.open(QIODevice::WriteOnly)) {
            if (file.write(bytes) == bytes.size() && file.commit()) {
                outcome.written = true;
            } else {
                outcome.error = file.errorString();
                file.cancelWriting();
            }
            return outcome;
        }
        outcome.error = file.errorString();
    }

    // No temporary file beside it: only a writable file that is already there can be written, in place.
    QFile target(path);
    if (!QFileInfo(path).isFile() || !target.open(QIODevice::ReadWrite))
        return outcome;
    const QByteArray old = target.readAll();
    if (target.error() != QFileDevice::NoError) {
        outcome.error = target.errorString();
        return outcome;
    }
    QString keepError;
    const QString copy = keeper.keep ? keeper.keep(path, old, &keepError) : QString();
    if (copy.isEmpty()) {
        outcome.error = QStringLiteral("Its folder allows no temporary file, so it could only be written in "
                                       "place, and no copy of its old content could be kept first: %1")
                            .arg(keepError);
        return outcome;
    }

    bool written = target.seek(0) && target.write(bytes) == bytes.size() && target.resize(bytes.size()) &&
                   target.flush();
#ifndef Q_OS_WIN
    // Only content that reached the disk makes the kept copy unnecessary. (Qt opens files on Windows with
    // the native API and offers no way to sync them; there QFile::flush() is as far as it goes.)
    if (written)
        written = ::fsync(target.handle()) == 0;
#endif
    if (!written) {
        outcome.error = target.error() != QFileDevice::NoError
                            ? target.errorString()
                            : QStringLiteral("It could not be flushed to the disk.");
        outcome.keptCopy = copy;
        return outcome;
    }
    target.close();
    if (keeper.discard)
        keeper.discard(copy);
    outcome.written = true;
    outcome.error.clear();
    return outcome;
}

} // namespace brivo

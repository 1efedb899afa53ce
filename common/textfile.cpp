#include "common/textfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace brivo {

namespace {

const QByteArray kBom("\xEF\xBB\xBF");

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

// CR LF counts as the file's line end when most line ends are CR LF.
bool usesCrLf(const QByteArray &bytes)
{
    if (!bytes.contains('\r'))
        return false;
    const qsizetype pairs = bytes.count("\r\n");
    const qsizetype feeds = bytes.count('\n');
    return pairs > 0 && pairs * 2 >= feeds;
}

} // namespace

QString decodeText(const QByteArray &bytes, TextFormat *format)
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

    format->crlf = usesCrLf(bytes);
    if (format->crlf)
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

QByteArray encodeText(const QString &text, TextFormat *format)
{
    const QString onDisk =
        format->crlf ? QString(text).replace(QLatin1Char('\n'), QStringLiteral("\r\n")) : text;

    if (format->encoding == TextEncoding::EightBit) {
        QStringEncoder eightBit(eightBitEncoding(), QStringConverter::Flag::Stateless);
        QByteArray bytes = eightBit.encode(onDisk);
        if (!eightBit.hasError() &&
            (eightBitEncoding() != QStringConverter::Latin1 ||
             std::all_of(onDisk.cbegin(), onDisk.cend(), [](QChar c) { return c.unicode() <= 0xff; })))
            return bytes;
        format->encoding = TextEncoding::Utf8;
    }

    QByteArray bytes = onDisk.toUtf8();
    if (format->encoding == TextEncoding::Utf8WithBom)
        bytes.prepend(kBom);
    return bytes;
}

bool readTextFile(const QString &path, QString *text, TextFormat *format, QString *error)
{
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
    *text = decodeText(bytes, format);
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

bool writeTextFile(const QString &path, const QString &text, TextFormat *format, QString *error)
{
    TextFormat used = *format;
    if (!writeFileAtomically(path, encodeText(text, &used), error))
        return false;
    *format = used;
    return true;
}

} // namespace brivo

#include "zip/archiveroutputreader.h"

#include <QRegularExpression>

namespace brivo::zip {

namespace {

QString decode(const QByteArray &bytes)
{
    // 7z is told to write UTF-8 (-sccUTF-8) on every system.
    return QString::fromUtf8(bytes);
}

QString decodeLine(QByteArray line)
{
#ifdef Q_OS_WIN
    // A console program's text-mode output ends its lines with CR LF there; no Windows name holds a CR.
    if (line.endsWith('\r'))
        line.chop(1);
#endif
    return decode(line);
}

bool needsEscape(char32_t c)
{
    return c < 0x20 || (c >= 0xd800 && c <= 0xdfff) || (c >= 0x7f && c <= 0x9f) || c == 0x2028 ||
           c == 0x2029 || c == 0x200e || c == 0x200f || (c >= 0x202a && c <= 0x202e) ||
           (c >= 0x2066 && c <= 0x2069);
}

// Not QString::fromUcs4(), which drops a U+FEFF as a byte-order mark.
void appendCodePoint(QString &text, char32_t c)
{
    if (QChar::requiresSurrogates(c)) {
        text += QChar(QChar::highSurrogate(c));
        text += QChar(QChar::lowSurrogate(c));
    } else {
        text += QChar(char16_t(c));
    }
}

// What is left of a line once the blanks that erased longer progress reports are gone.
QByteArray withoutTrailingBlanks(QByteArray line)
{
    while (!line.isEmpty() && line.back() == ' ')
        line.chop(1);
    return line;
}

} // namespace

QStringList LineReader::feed(const QByteArray &bytes)
{
    QStringList lines;
    qsizetype from = 0;
    for (qsizetype end = bytes.indexOf('\n'); end >= 0; end = bytes.indexOf('\n', from)) {
        m_line.append(bytes.constData() + from, end - from);
        lines.append(decodeLine(m_line));
        m_line.clear();
        from = end + 1;
    }
    m_line.append(bytes.constData() + from, bytes.size() - from);
    return lines;
}

QString LineReader::finish()
{
    const QString rest = m_line.isEmpty() ? QString() : decodeLine(m_line);
    m_line.clear();
    return rest;
}

QString escapedForDisplay(const QString &text)
{
    // Code points one by one; a lone surrogate is a byte of a name that is not valid UTF-8 (rawName()).
    QList<char32_t> codes;
    bool escapes = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), text.at(++i).unicode());
        escapes = escapes || needsEscape(c);
        codes.append(c);
    }
    if (!escapes)
        return text;
    QString shown;
    for (const char32_t c : std::as_const(codes)) {
        if (!needsEscape(c)) {
            appendCodePoint(shown, c);
            continue;
        }
        switch (c) {
        case '\a':
            shown += QStringLiteral("\\a");
            break;
        case '\b':
            shown += QStringLiteral("\\b");
            break;
        case '\t':
            shown += QStringLiteral("\\t");
            break;
        case '\n':
            shown += QStringLiteral("\\n");
            break;
        case '\v':
            shown += QStringLiteral("\\v");
            break;
        case '\f':
            shown += QStringLiteral("\\f");
            break;
        case '\r':
            shown += QStringLiteral("\\r");
            break;
        default:
            if (c >= 0xdc80 && c <= 0xdcff)
                shown += QStringLiteral("\\x%1").arg(uint(c - 0xdc00), 2, 16, QLatin1Char('0'));
            else
                shown += c <= 0xff ? QStringLiteral("\\x%1").arg(uint(c), 2, 16, QLatin1Char('0'))
                                   : QStringLiteral("\\u{%1}").arg(uint(c), 4, 16, QLatin1Char('0'));
        }
    }
    return shown;
}

QString rawName(const QByteArray &bytes)
{
    // Nearly every name is valid UTF-8, which the toolkit's decoder reads faster.
    if (QString decoded = QString::fromUtf8(bytes);
        !decoded.contains(QChar::ReplacementCharacter) && decoded.toUtf8() == bytes)
        return decoded;
    QString name;
    name.reserve(bytes.size());
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        const uchar lead = data[i];
        int length = lead < 0x80             ? 1
                     : (lead & 0xe0) == 0xc0 ? 2
                     : (lead & 0xf0) == 0xe0 ? 3
                     : (lead & 0xf8) == 0xf0 ? 4
                                             : 0;
        char32_t c = length == 1 ? lead : length == 2 ? lead & 0x1f : length == 3 ? lead & 0x0f : lead & 0x07;
        bool valid = length > 0 && i + length <= size;
        for (int k = 1; valid && k < length; ++k) {
            valid = (data[i + k] & 0xc0) == 0x80;
            c = (c << 6) | (data[i + k] & 0x3f);
        }
        // Overlong forms, surrogates and code points above U+10FFFF are not UTF-8 either.
        static const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        valid = valid && c >= smallest[length] && c <= 0x10ffff && (c < 0xd800 || c > 0xdfff);
        if (!valid) {
            name += QChar(char16_t(0xdc00 + lead));
            ++i;
            continue;
        }
        appendCodePoint(name, c);
        i += length;
    }
    return name;
}

QByteArray rawBytes(const QString &name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype from = 0;
    for (qsizetype i = 0; i <= name.size(); ++i) {
        const bool escapedByte = i < name.size() && name.at(i).unicode() >= 0xdc80 &&
                                 name.at(i).unicode() <= 0xdcff &&
                                 (i == 0 || !name.at(i - 1).isHighSurrogate());
        if (!escapedByte && i < name.size())
            continue;
        bytes += QStringView(name).sliced(from, i - from).toUtf8();
        if (escapedByte)
            bytes += char(name.at(i).unicode() - 0xdc00);
        from = i + 1;
    }
    return bytes;
}

std::optional<ArchiverProgress> parseProgress(const QString &text)
{
    // "NN%", then an optional count of finished files, then an optional action sign and file name.
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(\\d{1,3})%(?:\\s+(\\d+))?(?:\\s+(\\S)\\s+(.+?))?\\s*$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    ArchiverProgress progress;
    progress.percent = qMin(match.captured(1).toInt(), 100);
    if (match.hasCaptured(2))
        progress.filesDone = match.captured(2).toInt();
    if (match.hasCaptured(3)) {
        progress.action = match.captured(3).at(0);
        progress.file = match.captured(4);
    }
    return progress;
}

ArchiverOutputReader::Result ArchiverOutputReader::feed(const QByteArray &bytes)
{
    Result result;
    const char *const end = bytes.constEnd();
    const char *at = bytes.constBegin();
    while (at < end) {
        // Plain text up to the next control character is written in one piece (listings run to megabytes).
        const char *plainEnd = at;
        while (plainEnd < end && *plainEnd != '\b' && *plainEnd != '\n' && *plainEnd != '\r')
            ++plainEnd;
        if (plainEnd > at) {
            const qsizetype length = plainEnd - at;
            m_line.replace(m_cursor, qMin(length, m_line.size() - m_cursor), at, length);
            m_cursor += length;
            m_lastWasBackspace = false;
            at = plainEnd;
            continue;
        }
        const char c = *at++;
        if (c == '\b') {
            // The first backspace of a run starts erasing what was just written: that was a progress
            // report, complete at this moment.
            if (!m_lastWasBackspace)
                noteProgress(result);
            m_lastWasBackspace = true;
            m_cursor = qMax<qsizetype>(0, m_cursor - 1);
            continue;
        }
        m_lastWasBackspace = false;
        if (c == '\n') {
            result.lines.append(decode(withoutTrailingBlanks(m_line)));
            m_line.clear();
        }
        m_cursor = 0; // '\n' and '\r' alike go back to the start of the line
    }
    return result;
}

QString ArchiverOutputReader::finish()
{
    const QByteArray line = withoutTrailingBlanks(m_line);
    const QString rest = line.trimmed().isEmpty() ? QString() : decode(line);
    m_line.clear();
    m_cursor = 0;
    m_lastWasBackspace = false;
    return rest;
}

void ArchiverOutputReader::noteProgress(Result &result) const
{
    if (auto progress = parseProgress(decode(m_line.left(m_cursor))))
        result.progress = progress;
}

} // namespace brivo::zip

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
    return c < 0x20 || (c >= 0x7f && c <= 0x9f) || c == 0x2028 || c == 0x2029 || c == 0x200e || c == 0x200f ||
           (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069);
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
    const QList<uint> codes = text.toUcs4();
    if (std::none_of(codes.begin(), codes.end(), [](uint c) { return needsEscape(c); }))
        return text;
    QString shown;
    for (const uint c : codes) {
        if (!needsEscape(c)) {
            shown += QString::fromUcs4(reinterpret_cast<const char32_t *>(&c), 1);
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
            shown += c <= 0xff ? QStringLiteral("\\x%1").arg(c, 2, 16, QLatin1Char('0'))
                               : QStringLiteral("\\u{%1}").arg(c, 4, 16, QLatin1Char('0'));
        }
    }
    return shown;
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

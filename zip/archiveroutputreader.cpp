#include "zip/archiveroutputreader.h"

#include <QRegularExpression>

namespace brivo::zip {

namespace {

QString decode(const QByteArray &bytes)
{
    // The archiver writes file names in the system's encoding (UTF-8 here).
    return QString::fromLocal8Bit(bytes);
}

// What is left of a line once the blanks that erased longer progress reports are gone.
QByteArray withoutTrailingBlanks(QByteArray line)
{
    while (!line.isEmpty() && line.back() == ' ')
        line.chop(1);
    return line;
}

} // namespace

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

// Reads what 7z writes to its pipes: plain lines of messages, the progress line that 7z keeps rewriting in
// place with backspaces, and names made safe to show.
#pragma once

#include "brivo_core_export.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace brivo::zip {

// One progress report of 7z, such as " 42% 3 + docs/report.pdf".
struct ArchiverProgress
{
    int percent = 0;
    int filesDone = -1; // the count 7z shows once a file is finished; -1 before that
    QChar action;       // '+' adding, '-' extracting, 'U' updating, ...; null when no file is named
    QString file;       // the file being worked on; empty when none is named

    bool operator==(const ArchiverProgress &other) const
    {
        return percent == other.percent && filesDone == other.filesDone && action == other.action &&
               file == other.file;
    }
};

// Reads one progress text ("  7% + a.txt", "100%"); nothing when the text is not a progress report.
BRIVO_CORE_EXPORT std::optional<ArchiverProgress> parseProgress(const QString &text);

// Splits 7z's messages into lines at line breaks only: a carriage return, backspace or escape inside a
// line is part of a name and stays in it (escapedForDisplay() shows it).
class BRIVO_CORE_EXPORT LineReader
{
public:
    QStringList feed(const QByteArray &bytes);
    // The unfinished last line, when the program ends without a line break; empty when there is none.
    QString finish();

private:
    QByteArray m_line;
};

// Shows a name as text that cannot rewrite the screen: control characters (C0, DEL and C1), line and
// paragraph separators and the marks that reverse the direction of text are written as escapes ("\r",
// "\b", "\x1b", "\u{202e}"), and so are the bytes of a name that is not valid UTF-8 ("\xff", see rawName());
// everything else stays as it is.
BRIVO_CORE_EXPORT QString escapedForDisplay(const QString &text);

// A file name as the file system holds it (bytes) and back, without loss: what is valid UTF-8 is read as
// such, and each byte that is not is kept as the lone code unit U+DC80 to U+DCFF. A name that the toolkit
// would read with U+FFFD in it (and so name no entry at all) thus names the same entry again.
BRIVO_CORE_EXPORT QString rawName(const QByteArray &bytes);
BRIVO_CORE_EXPORT QByteArray rawBytes(const QString &name);

// Turns the bytes of 7z's progress stream into what a terminal would show: each line as it ends, with the
// progress reports that were written and erased on it taken out and handed over separately. 7z counts its
// backspaces in bytes, so the line is kept as bytes and decoded once it is complete.
class BRIVO_CORE_EXPORT ArchiverOutputReader
{
public:
    struct Result
    {
        QStringList lines;                        // lines completed by this piece of output
        std::optional<ArchiverProgress> progress; // the newest progress report in it
    };

    Result feed(const QByteArray &bytes);

    // The unfinished last line, when the program ends without a line break; empty when there is none.
    QString finish();

private:
    void noteProgress(Result &result) const;

    QByteArray m_line;
    qsizetype m_cursor = 0;
    bool m_lastWasBackspace = false;
};

} // namespace brivo::zip

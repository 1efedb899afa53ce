// What a run of 7z over an archive came to, read from its messages and exit code, and said in words.
#pragma once

#include "brivo_core_export.h"

#include <QString>
#include <QStringList>

namespace brivo::zip {

enum class Verdict
{
    Ok,
    NeedsPassword, // encrypted, and no password was given
    WrongPassword,
    Missing,         // the archive is not there
    Truncated,       // it ends too early
    NotArchive,      // no format 7z knows
    Damaged,         // checksums or headers fail
    NothingSelected, // none of the entries asked for is in the archive
    Warnings,        // exit code 1: done, with warnings
    Failed,          // any other failure
    NoSpace,         // the disk written to is full
    ReadOnly,        // the folder written to cannot be written (a read-only disk, or no permission)
    Refused,         // extraction refused what 7z wrote (a link leading out, a device, ...)
    Cancelled,
};

// Reads 7z's messages (standard output and standard error, as lines) and exit code. `passwordGiven` says
// whether a password was on 7z's input: without one, 7z's question for it means the archive needs one.
BRIVO_CORE_EXPORT Verdict verdictOf(const QStringList &lines, int exitCode, bool passwordGiven);

// The verdict as a sentence about `archive` (a name as it may be shown, see escapedForDisplay()). For Ok,
// `done` is the sentence; for Failed, the exit code is named.
QString verdictText(Verdict verdict, const QString &archive, const QString &done, int exitCode);

// The verdict in a few words, for the line each archive of a run gets ("OK", "wrong password", ...).
BRIVO_CORE_EXPORT QString verdictWords(Verdict verdict);

// Whether 7z's message line reports an error or a warning (shown in the error colour).
BRIVO_CORE_EXPORT bool isProblemLine(const QString &line);

// 7z's own question for a password, which nobody sees answered: left out of what the pane shows.
BRIVO_CORE_EXPORT bool isPasswordQuestion(const QString &line);

} // namespace brivo::zip

// Extraction checked on disk: 7z writes into a private folder first; what it actually wrote there is
// inspected (a name that 7z's listing shows one way can be written another), and only then moved into
// the destination, without following any link that already stands there.
#pragma once

#include "brivo_core_export.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <atomic>
#include <functional>
#include <optional>

namespace brivo::zip {

struct ExtractionProblem
{
    QString entry;  // the entry's path below the folder, '/'-separated
    QString reason; // why it is refused, in words
};

// A file of the destination that an extracted entry would replace, and what it is replaced with.
struct ReplacedFile
{
    QString entry; // the entry's path below the folder, '/'-separated
    qint64 archiveSize = 0;
    QDateTime archiveTime;
    qint64 existingSize = 0;
    QDateTime existingTime;
};

// Where the link at `linkPath` (below a folder, '/'-separated) leads when its target `target` is followed
// through the links of that folder, which `readLink` gives (the target of the link at a path below the
// folder, or nothing when that path is not a link). False when it leads out of the folder: an absolute
// target, ".." above the folder, or a link on the way that does; and when the links go round in a circle.
BRIVO_CORE_EXPORT bool
linkStaysInside(const QString &linkPath, const QString &target,
                const std::function<std::optional<QString>(const QString &)> &readLink);

// Walks everything below `privateFolder` without following links and names what may not be moved into
// `destination`: a symbolic link that leads out of the folder (seen together with what `destination`
// already holds, which it joins), a device, fifo or socket, a file that shares its data with a file
// outside (a hard link). Stops early, returning what it found so far, once `stop` is set.
BRIVO_CORE_EXPORT QList<ExtractionProblem> inspectExtracted(const QString &privateFolder,
                                                            const QString &destination,
                                                            const std::atomic_bool *stop = nullptr);

// What moving everything below `privateFolder` into `destination` would run into, without moving
// anything: a folder of the archive where the destination holds a link (extracting through it would
// write elsewhere) or a file, a file where it holds a folder. Files and links of the destination are
// replaced, as 7z replaces them; folders are merged.
BRIVO_CORE_EXPORT QList<ExtractionProblem> moveConflicts(const QString &privateFolder,
                                                         const QString &destination);

// Moves everything below `privateFolder` into `destination` as moveConflicts() plans it. No link in the
// destination is followed, also when it changed after the plan: such an entry then fails instead.
// Returns the number of entries moved; `error` says what failed (empty when nothing did).
BRIVO_CORE_EXPORT int moveIntoPlace(const QString &privateFolder, const QString &destination, QString *error);

// The files of `destination` whose content moving everything below `privateFolder` into it would change:
// a file whose extracted counterpart differs in its bytes (or is not a file). Identical files are left out;
// folders merge, so only files are named.
BRIVO_CORE_EXPORT QList<ReplacedFile> replacedFiles(const QString &privateFolder, const QString &destination);

// Removes the extracted entry `entry` (not a folder) from `privateFolder`, so that the destination keeps
// its own file of that name.
BRIVO_CORE_EXPORT bool leaveOut(const QString &privateFolder, const QString &entry);

// The name 7z lists for an entry written to disk as `path`: 7z writes a line break in a name as "_", and
// a leading "./" of a tar entry is not part of the name on disk.
BRIVO_CORE_EXPORT QString listedName(const QString &path);

// The names an entry that 7z lists as `listed` may have in the archive: each "_" stands for itself or for
// a line break. Nothing when there are too many to ask 7z for (more than `most`), or when the name is not
// UTF-8 (7z takes its arguments in UTF-8).
BRIVO_CORE_EXPORT QStringList namesListedAs(const QString &listed, int most = 64);

// Removes from `privateFolder` every entry that is neither one of `listed` (names as 7z lists them) nor
// below one: what a run that extracted the whole archive wrote beyond the selection. Returns how many of
// the wanted entries are there.
BRIVO_CORE_EXPORT int keepOnlyListed(const QString &privateFolder, const QStringList &listed);

// Removes a folder and everything below it, read-only folders included, without following links.
BRIVO_CORE_EXPORT bool removeTree(const QString &folder);

} // namespace brivo::zip

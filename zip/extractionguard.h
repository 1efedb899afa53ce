// Extraction checked on disk: 7z writes into a private folder first; what it actually wrote there is
// inspected (a name that 7z's listing shows one way can be written another), and only then moved into
// the destination, without following any link that already stands there.
#pragma once

#include "brivo_core_export.h"

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

// Removes a folder and everything below it, read-only folders included, without following links.
BRIVO_CORE_EXPORT bool removeTree(const QString &folder);

} // namespace brivo::zip

// An archive's entries arranged as the folders they lie in. Archives often list a folder only through the
// paths below it (a zip made from a list of files holds no folder entries): such a folder is made up from
// the paths, so that every entry has its place.
#pragma once

#include "brivo_core_export.h"

#include "zip/archivelisting.h"

#include <QList>
#include <QString>

namespace brivo::zip {

struct ArchiveNode
{
    QString name;    // the last part of the path, as stored
    QString path;    // the path to ask 7z for: the entry's own, or the stored folder part of a path below
    int parent = -1; // -1 at the top
    int entry = -1;  // the entry the node shows; -1 for a folder only implied by the paths below it
    int row = 0;     // its place among its parent's children
    bool isFolder = false;
    qint64 size = 0; // a folder's is the sum of what it holds
    QList<int> children;
};

struct ArchiveTree
{
    QList<ArchiveNode> nodes;
    QList<int> top; // the nodes at the top, in the order shown
};

// Arranges `entries` by their paths ('/' between folders; "." parts and doubled slashes are no folders).
// Children are ordered folders first, then by name ignoring case. A path listed twice shows once, as the
// later entry, which is the one extracting writes last.
BRIVO_CORE_EXPORT ArchiveTree buildArchiveTree(const QList<ArchiveEntry> &entries);

} // namespace brivo::zip

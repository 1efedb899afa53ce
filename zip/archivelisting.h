// What an archive holds, read from 7z's detailed listing, and the check that keeps an extraction inside
// its folder.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace brivo::zip {

struct ArchiveEntry
{
    QString path; // as stored in the archive
    bool isFolder = false;
    bool isSymLink = false;
    QString linkTarget; // a symbolic link's target, when the listing shows it (tar does; zip and 7z do not)
    QString hardLinkTarget;
};

// Reads the lines of "7z l -slt": the entries follow a line of dashes, one "Key = value" line per property
// and a blank line between entries. A line without " = " continues the value above it, so a name with a
// line break in it is read whole.
QList<ArchiveEntry> parseListing(const QStringList &lines);

// Why extracting `entries` into `folder` could write outside it; empty when it cannot. An entry may not be
// absolute or climb with "..", may not lie below a symbolic link of the same archive, and may not pass
// through a folder that already exists in `folder` but leads elsewhere (a link on disk). Hard links must
// point inside the archive. Links that merely point outside are left to 7z: creating one writes nothing
// outside.
QStringList extractionProblems(const QList<ArchiveEntry> &entries, const QString &folder);

} // namespace brivo::zip

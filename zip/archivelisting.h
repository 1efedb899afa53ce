// What an archive holds, read from 7z's detailed listing ("7z l -slt").
#pragma once

#include "brivo_core_export.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace brivo::zip {

struct ArchiveEntry
{
    QString path;           // as stored in the archive
    qint64 size = -1;       // unpacked size in bytes; -1 when the listing gives none
    qint64 packedSize = -1; // -1 when the listing gives none (entries of a solid block but the first)
    QString modified;       // "YYYY-MM-DD hh:mm:ss", as 7z shows it; empty when unknown
    bool isFolder = false;
    bool isSymLink = false;
    bool encrypted = false;
    QString linkTarget; // a symbolic link's target, when the listing shows it (tar does; zip and 7z do not)
};

// Reads the lines of "7z l -slt" one at a time: the entries follow a line of dashes, one "Key = value"
// line per property and a blank line between entries. A line without " = " continues the value above
// it, so a name with a line break in it is read whole.
class BRIVO_CORE_EXPORT ListingParser
{
public:
    void addLine(QByteArrayView line);
    // Ends the last entry; the entries read so far are then complete.
    void finish();
    QList<ArchiveEntry> takeEntries();

private:
    // The properties read; the others are skipped without a copy (a listing runs to millions of lines).
    enum class Key
    {
        None,
        Other,
        Path,
        Size,
        PackedSize,
        Modified,
        Folder,
        Encrypted,
        Mode,
        Attributes,
        SymbolicLink
    };

    void apply(Key key, QByteArrayView value);
    void finishEntry();

    QList<ArchiveEntry> m_entries;
    ArchiveEntry m_entry;
    Key m_lastKey = Key::None;
    QByteArray m_lastValue; // kept for the values that may go on over several lines
    bool m_inEntries = false;
    bool m_inEntry = false;
};

BRIVO_CORE_EXPORT QList<ArchiveEntry> parseListing(const QStringList &lines);

} // namespace brivo::zip

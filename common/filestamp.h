// What tells a file's contents apart without reading them.
#pragma once

#include "brivo_core_export.h"

#include <QString>
#include <QtGlobal>

namespace brivo {

// A file as the file system describes it. Two stamps of one path differ when the file was replaced
// (renamed over: another file number), rewritten (another modification or status-change time, to the
// nanosecond where the system keeps them) or resized. Fields the system does not give stay 0.
struct FileStamp
{
    bool exists = false;
    quint64 device = 0;
    quint64 fileNumber = 0;
    qint64 size = -1;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;

    bool operator==(const FileStamp &other) const
    {
        return exists == other.exists && device == other.device && fileNumber == other.fileNumber &&
               size == other.size && modifiedNs == other.modifiedNs && changedNs == other.changedNs;
    }
    bool operator!=(const FileStamp &other) const { return !(*this == other); }
};

// The stamp of the file at `path`, following links; `exists` is false when there is none.
BRIVO_CORE_EXPORT FileStamp fileStamp(const QString &path);

// The words a tool shows for a path it must not open: "<name> is not a regular file" when `path` (links
// followed) is a named pipe, a socket or a device, whose opening can wait for a writer that never comes or
// whose reading never ends. Empty for a file, a folder or nothing at all, which each tool reports its own
// way. Tools ask before they open what they were given.
BRIVO_CORE_EXPORT QString notRegularFile(const QString &path);

} // namespace brivo

// Case-insensitive file names on a case-sensitive file system.
#pragma once

#include "brivo_core_export.h"

#include <QString>

namespace brivo {

// Resolves `path` the way a case-insensitive file system would: each component that does not exist under
// its exact name is replaced by an existing entry of the same folder whose name differs only in case (the
// first such entry in name order). Components that match nothing are kept as written, so the result also
// serves as the path of a file about to be created in existing folders. A relative path resolves against
// the process's current directory and stays relative. Forward slashes in, forward slashes out.
BRIVO_CORE_EXPORT QString resolveCaseInsensitive(const QString &path);

// True when a folder exists at `path`, compared case-insensitively ("IDE/PERL" finds "Ide/Perl").
BRIVO_CORE_EXPORT bool folderExists(const QString &path);

} // namespace brivo

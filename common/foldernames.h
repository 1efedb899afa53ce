// The order in which the viewers and the player go through the files of a folder.
#pragma once

#include "brivo_core_export.h"

#include <QStringList>

namespace brivo {

// Sorts file names as the folder steps show them: ignoring case, and names that differ only in case
// case-sensitively, so that the order never depends on the order the file system hands them out in.
BRIVO_CORE_EXPORT void sortFolderNames(QStringList &names);

} // namespace brivo

// Where the code editor's toolchains live: the tool root that stands for C:/Brivo.
#pragma once

#include <QString>

namespace brivo {

// The folder that stands for C:/Brivo: C:/Brivo itself on Windows; elsewhere $BRIVO_ROOT when it is set
// and not empty, otherwise the folder "Brivo" in the user's home. No trailing slash.
QString toolRoot();

// Maps a path under C:/Brivo (any case of the drive letter and of "Brivo") to the same path under the
// tool root, then resolves the result case-insensitively. Other paths come back unchanged.
QString mapToolRootPath(const QString &path);

} // namespace brivo

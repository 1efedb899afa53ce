// Where the code editor's toolchains live: the tool root that stands for C:/Brivo.
#pragma once

#include "brivo_core_export.h"

#include <QString>

namespace brivo {

// The tool root for the given environment: `override` ($BRIVO_ROOT) when it is not empty, with native
// separators turned into forward slashes and trailing slashes dropped (a drive's or the file system's root
// keeps its own); otherwise "C:/Brivo" on Windows and `home` + "/Brivo" elsewhere.
BRIVO_CORE_EXPORT QString toolRootFor(const QString &override, bool windows, const QString &home);

// The tool root of this process: $BRIVO_ROOT when it is set and not empty, on every platform (tests point
// it at a temporary folder), else C:/Brivo on Windows and the folder "Brivo" in the user's home elsewhere.
BRIVO_CORE_EXPORT QString toolRoot();

// Maps a path under C:/Brivo (any case of the drive letter and of "Brivo") to the same path under the
// tool root, then resolves the result case-insensitively. Other paths come back unchanged.
BRIVO_CORE_EXPORT QString mapToolRootPath(const QString &path);

// True when the folder `relative` ("IDE/CCPP") exists in the current directory or, failing that, in the
// tool root; both compared ignoring case. A start in the tool root finds it in the first place, a start
// anywhere else in the second.
BRIVO_CORE_EXPORT bool toolFolderExists(const QString &relative);

} // namespace brivo

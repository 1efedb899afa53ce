// Where the 7z archiver is: on Windows where its installer puts it, elsewhere on the search path.
#pragma once

#include "brivo_core_export.h"

#include <QString>

#include <functional>

namespace brivo::zip {

// What the search looks at, gathered by sevenZipExecutable() on the running system and given by hand in
// tests, so that the Windows rules can be checked anywhere.
struct SevenZipPlaces
{
    bool windows = false;
    QString registryPath;    // the installer's "Path" value under HKLM\SOFTWARE\7-Zip (a folder)
    QString programFiles;    // %ProgramFiles%
    QString programW6432;    // %ProgramW6432%: the 64-bit Program Files, as a 32-bit process sees it
    QString programFilesX86; // %ProgramFiles(x86)%
    std::function<bool(const QString &)> isExecutable;        // a file that exists and can be run
    std::function<QString(const QString &)> findOnSearchPath; // a program name on PATH, or ""
};

// The 7z to run. On Windows: 7z.exe in the folder the registry names, then in the 7-Zip folder of each
// Program Files, then "7z" on the search path. Elsewhere: "7z", then "7zz" (7-Zip's own Linux build)
// on the search path. With none found, the bare name "7z", so that a failed start names it.
BRIVO_CORE_EXPORT QString locateSevenZip(const SevenZipPlaces &places);

// locateSevenZip() over this system's registry, environment and search path.
QString sevenZipExecutable();

} // namespace brivo::zip

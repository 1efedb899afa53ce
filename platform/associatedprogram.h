// Opening a file with the program the desktop associates with its type.
#pragma once

#include <QString>

namespace brivo {

// Hands `path` to the desktop's associated program (the shell's "open" on Windows, xdg-open here).
// Returns false when the desktop reports that it could not.
bool openWithAssociatedProgram(const QString &path);

} // namespace brivo

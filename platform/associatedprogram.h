// Opening a file with the program the desktop associates with its type.
#pragma once

#include "brivo_core_export.h"

#include <QString>

class QUrl;

namespace brivo {

// Hands `path` to the desktop's associated program (the shell's "open" on Windows, xdg-open here).
// Returns false when the desktop reports that it could not.
bool openWithAssociatedProgram(const QString &path);

// Opens a web or mail address (http, https, mailto) in the desktop's browser or mail program. Any other
// scheme is refused with false: an address taken from a document must not start a local file or program.
BRIVO_CORE_EXPORT bool openWebAddress(const QUrl &address);

} // namespace brivo

// Opening a file with the program the desktop associates with its type.
#pragma once

#include "brivo_core_export.h"

#include <QString>

#include <functional>

class QUrl;

namespace brivo {

// Hands `path` to the desktop's associated program (the shell's "open" on Windows, xdg-open here).
// Returns false when the desktop reports that it could not.
bool openWithAssociatedProgram(const QString &path);

// Opens a web or mail address (http, https, mailto) in the desktop's browser or mail program. Any other
// scheme is refused with false: an address taken from a document must not start a local file or program.
// A mail address is handed over as mailAddressOnly() leaves it. When the desktop turns out to have no
// program for the address (at once, or once its opener has ended in failure), `notOpened` is called with
// it, on this thread.
BRIVO_CORE_EXPORT bool openWebAddress(const QUrl &address,
                                      const std::function<void(const QUrl &)> &notOpened = {});

// A mailto address cut down to its recipients and the subject and body: a document's link must not ask the
// mail program to attach a file (attach=), copy someone in, or pass anything else along. Recipients that
// hide a query of their own (an escaped '?' or '&') are dropped.
BRIVO_CORE_EXPORT QUrl mailAddressOnly(const QUrl &address);

} // namespace brivo

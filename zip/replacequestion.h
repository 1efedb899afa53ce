// The question an extraction asks before it replaces a file of the destination whose content differs from
// the archive's: one file at a time, with answers for this file and for all that follow.
#pragma once

#include "brivo_core_export.h"

#include "zip/extractionguard.h"

#include <QStringList>

#include <optional>

class QWidget;

namespace brivo::zip {

// Asks about each of `files` (extracted into `destination`) in turn, naming the file with both sizes and
// dates: "Replace" (QMessageBox::Yes), "Keep the existing one" (No, the default), "Replace all"
// (YesToAll), "Keep all" (NoToAll) or "Cancel" (also Escape). Returns the entries whose existing file stays,
// or nothing when the user cancelled: then nothing is to be extracted at all.
BRIVO_CORE_EXPORT std::optional<QStringList> askAboutReplacing(QWidget *parent, const QString &destination,
                                                               const QList<ReplacedFile> &files);

} // namespace brivo::zip

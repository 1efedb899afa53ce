// Saving an editor's document: the question when its encoding cannot hold the text, the write that keeps
// the old content when it cannot be atomic, and the error box when it fails.
#pragma once

#include "common/textdocumentfile.h"

class QTextDocument;
class QWidget;

namespace brivo {

// Saves `document` to `path` in `format` (each line end as the file had it). When the format's 8-bit code
// page cannot hold some of the text, asks (parented to `parent`) whether to save as UTF-8 instead; Cancel
// saves nothing. A file in a folder that allows no temporary file is written in place, after its old
// content was kept as a recovery copy of `tool`. True when the file was written; `format` then says how.
// Otherwise the user cancelled or was told why in an "Error" box, and nothing changed.
bool saveTextDocument(QWidget *parent, const QTextDocument *document, const QString &path, TextFormat *format,
                      LineSeparators separators, const QString &tool);

} // namespace brivo

// How a tool tells the user that an operation failed.
#pragma once

#include "brivo_core_export.h"

#include "common/tooltable.h"

class QString;
class QWidget;

namespace brivo {

// A modal box titled "Error" with `text` shown as plain text (a file name may hold "<") and one OK button.
void showErrorBox(QWidget *parent, const QString &text);

enum class LoadErrorBox
{
    // The box shows whatever the file holds.
    Always,
    // The box shows only when another tool reads the file; the tool says the rest in its own window.
    OnlyWithOffer,
};

// Tells the user that `reader`, whose window is `parent`, cannot read the file at `path`: a modal warning
// titled "Error" that says `text`. When the file's content says another tool reads it (a PDF saved as
// "invoice.jpg"), the box adds what the file is ("invoice.jpg is a PDF document.") and offers
// "Open in <tool>" beside OK, which closes `parent` and opens the file in that tool. Returns true when
// the box was shown.
BRIVO_CORE_EXPORT bool showLoadErrorBox(QWidget *parent, const QString &text, const QString &path,
                                        Tool reader, LoadErrorBox when = LoadErrorBox::Always);

} // namespace brivo

// Printing an editor's document, on paper or into a PDF file.
#pragma once

#include "brivo_core_export.h"

#include <QString>

class QPlainTextEdit;
class QWidget;

namespace brivo {

// Shows a print dialog titled `dialogTitle` for a high-resolution printer, offering "selection only" when
// `edit` has a selection, and prints `edit`'s document (or its selection) when the dialog is accepted.
void printWithDialog(QPlainTextEdit *edit, QWidget *parent, const QString &dialogTitle);

// Prints `edit`'s document as a PDF file at `path` (used as given; no suffix is added). The file is
// written in one piece. False, with the reason in `error`, when it cannot be written.
BRIVO_CORE_EXPORT bool printToPdfFile(QPlainTextEdit *edit, const QString &path, QString *error);

} // namespace brivo

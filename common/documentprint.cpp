#include "common/documentprint.h"

#include <QPdfWriter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>

namespace brivo {

void printWithDialog(QPlainTextEdit *edit, QWidget *parent, const QString &dialogTitle)
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, parent);
    if (edit->textCursor().hasSelection())
        dialog.setOption(QAbstractPrintDialog::PrintSelection, true);
    dialog.setWindowTitle(dialogTitle);
    if (dialog.exec() == QDialog::Accepted)
        edit->print(&printer);
}

bool printToPdfFile(QPlainTextEdit *edit, const QString &path, QString *error)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    {
        // The same page as a high-resolution printer producing PDF would use.
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        QPdfWriter writer(&file);
        writer.setResolution(printer.resolution());
        writer.setPageLayout(printer.pageLayout());
        writer.setCreator(QStringLiteral("Brivo"));
        edit->print(&writer);
    }
    if (file.error() != QFileDevice::NoError || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace brivo

#include "common/savequestion.h"

namespace brivo {

QMessageBox::StandardButton askToSaveChanges(QWidget *parent)
{
    QMessageBox box(parent);
    box.setText(QStringLiteral("The document has been modified."));
    box.setInformativeText(QStringLiteral("Do you want to save your changes?"));
    box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace brivo

// The question an editor asks before its modified text would be lost.
#pragma once

#include <QMessageBox>

namespace brivo {

// "The document has been modified." / "Do you want to save your changes?" with Save, Discard and Cancel;
// Save is the default, Escape answers Cancel. Runs modally and returns the answer.
QMessageBox::StandardButton askToSaveChanges(QWidget *parent = nullptr);

} // namespace brivo

// The question an editor asks before its modified text would be lost.
#pragma once

#include "brivo_core_export.h"

#include <QMessageBox>

namespace brivo {

// "The document has been modified." / "Do you want to save your changes?" with Save, Discard and Cancel;
// Save is the default, Escape answers Cancel. Runs modally and returns the answer.
BRIVO_CORE_EXPORT QMessageBox::StandardButton askToSaveChanges(QWidget *parent = nullptr);

} // namespace brivo

// How a tool tells the user that an operation failed.
#pragma once

class QString;
class QWidget;

namespace brivo {

// A modal box titled "Error" with `text` shown as plain text (a file name may hold "<") and one OK button.
void showErrorBox(QWidget *parent, const QString &text);

} // namespace brivo

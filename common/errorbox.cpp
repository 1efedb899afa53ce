#include "common/errorbox.h"

#include <QMessageBox>

namespace brivo {

void showErrorBox(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("Error"), text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace brivo

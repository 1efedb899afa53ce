#include "common/statusline.h"

#include <QLabel>
#include <QStatusBar>

namespace brivo {

QLabel *replaceStatusLabel(QStatusBar *bar, QLabel *current, const QString &text, const QString &styleSheet)
{
    if (current) {
        bar->removeWidget(current);
        current->deleteLater();
    }
    auto *label = new QLabel(text);
    // The text holds file names, which may hold "<": never read it as markup.
    label->setTextFormat(Qt::PlainText);
    if (!styleSheet.isEmpty())
        label->setStyleSheet(styleSheet);
    bar->addWidget(label, 0);
    // removeWidget() hides a label; a new one added to a visible bar must be shown.
    label->show();
    return label;
}

} // namespace brivo

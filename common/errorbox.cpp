#include "common/errorbox.h"

#include "common/contenttype.h"
#include "common/homeactions.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace brivo {

void showErrorBox(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("Error"), text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool showLoadErrorBox(QWidget *parent, const QString &text, const QString &path, Tool reader,
                      LoadErrorBox when)
{
    std::optional<ContentReader> other = readerOfContent(path);
    if (other && other->tool == reader)
        other.reset();
    if (!other && when == LoadErrorBox::OnlyWithOffer)
        return false;

    QMessageBox box(QMessageBox::Warning, QStringLiteral("Error"), text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    QPushButton *offer = nullptr;
    if (other) {
        box.setText(
            text + QStringLiteral("\n\n") +
            QStringLiteral("%1 is %2.").arg(QFileInfo(path).fileName(), withArticle(other->description)));
        offer =
            box.addButton(QStringLiteral("Open in %1").arg(toolName(other->tool)), QMessageBox::AcceptRole);
        box.setDefaultButton(offer);
        box.setEscapeButton(QMessageBox::Ok);
    }
    box.exec();
    if (offer && box.clickedButton() == offer)
        closeAndOpen(parent, {path}, other->tool);
    return true;
}

} // namespace brivo

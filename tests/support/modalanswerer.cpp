#include "tests/support/modalanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace brivo::test {

ModalAnswerer::ModalAnswerer(QObject *parent) : QObject(parent)
{
    m_timer.setInterval(10);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal != m_handled && modal->isVisible()) {
            m_handled = modal;
            answer(modal);
        }
    });
    m_timer.start();
}

void ModalAnswerer::press(QMessageBox::StandardButton button)
{
    m_answers.append([button](QWidget *modal) {
        if (auto *box = qobject_cast<QMessageBox *>(modal); box && box->button(button))
            box->button(button)->click();
        else
            dismiss(modal);
    });
}

void ModalAnswerer::chooseFile(const QString &path, const QString &filter)
{
    m_answers.append([path, filter](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        if (!dialog)
            return dismiss(modal);
        dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
        if (!filter.isEmpty())
            dialog->selectNameFilter(filter);
        // selectFile() leaves the name field alone while it has the keyboard focus, which it gets as soon
        // as the dialog is activated, and the dialog would then answer with its folder: put the name in
        // the field as a user types it, too.
        dialog->selectFile(path);
        if (auto *nameField = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            nameField->setText(path);
        // accept() and done() are public on QDialog and run the file dialog's own versions.
        static_cast<QDialog *>(dialog)->accept();
        // A name the dialog's own checks refuse is handed back all the same.
        if (dialog->isVisible())
            static_cast<QDialog *>(dialog)->done(QDialog::Accepted);
    });
}

bool ModalAnswerer::waitUntilAnswered(int ms)
{
    return QTest::qWaitFor([this] { return m_answers.isEmpty() && !QApplication::activeModalWidget(); }, ms);
}

void ModalAnswerer::answer(QWidget *modal)
{
    Seen seen;
    seen.className = QString::fromLatin1(modal->metaObject()->className());
    seen.title = modal->windowTitle();
    seen.hasParent = modal->parentWidget() != nullptr;
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        seen.text = box->text();
        seen.informativeText = box->informativeText();
        seen.icon = box->icon();
        seen.buttons = box->standardButtons();
        seen.defaultButton =
            box->defaultButton() ? box->standardButton(box->defaultButton()) : QMessageBox::NoButton;
    } else if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
        seen.text = dialog->nameFilters().join(QStringLiteral(";;"));
        seen.informativeText = dialog->directory().absolutePath();
    }
    m_seen.append(seen);

    if (m_answers.isEmpty()) {
        ++m_unexpected;
        dismiss(modal);
        return;
    }
    m_answers.takeFirst()(modal);
}

void ModalAnswerer::dismiss(QWidget *modal)
{
    // A message box's Escape button, else its default one, else its first.
    auto *box = qobject_cast<QMessageBox *>(modal);
    QAbstractButton *button = box ? box->escapeButton() : nullptr;
    if (box && !button)
        button = box->defaultButton() ? box->defaultButton() : box->buttons().value(0);
    if (button)
        button->click();
    else if (auto *dialog = qobject_cast<QDialog *>(modal))
        dialog->reject();
    else
        modal->close();
}

} // namespace brivo::test

#include "tests/support/modalanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace brivo::test {

ModalAnswerer::ModalAnswerer(QObject *parent) : QObject(parent)
{
    m_timer.setInterval(10);
    connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::poll);
    m_timer.start();
}

void ModalAnswerer::press(QMessageBox::StandardButton button)
{
    m_answers.append([button](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QAbstractButton *target = box ? box->button(button) : nullptr;
        if (target)
            target->click();
        else
            dismiss(modal);
    });
}

void ModalAnswerer::chooseFile(const QString &path, const QString &filter)
{
    m_answers.append([path, filter](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        if (!dialog) {
            dismiss(modal);
            return;
        }
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
        QDialog *asDialog = dialog;
        asDialog->accept();
        // A name the dialog's own checks refuse is handed back all the same.
        if (asDialog->isVisible())
            asDialog->done(QDialog::Accepted);
    });
}

void ModalAnswerer::cancel()
{
    m_answers.append(&ModalAnswerer::dismiss);
}

void ModalAnswerer::act(std::function<void(QWidget *)> action)
{
    m_answers.append(std::move(action));
}

bool ModalAnswerer::waitUntilAnswered(int ms)
{
    return QTest::qWaitFor([this] { return m_answers.isEmpty() && !QApplication::activeModalWidget(); }, ms);
}

void ModalAnswerer::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || modal == m_handled || !modal->isVisible())
        return;
    m_handled = modal;
    answer(modal);
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
        seen.defaultButton = box->defaultButton() ? box->standardButton(box->defaultButton()) : QMessageBox::NoButton;
        seen.escapeButton = box->escapeButton() ? box->standardButton(box->escapeButton()) : QMessageBox::NoButton;
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
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        if (QAbstractButton *escape = box->escapeButton()) {
            escape->click();
            return;
        }
        if (QAbstractButton *fallback = box->defaultButton()) {
            fallback->click();
            return;
        }
        const QList<QAbstractButton *> buttons = box->buttons();
        if (!buttons.isEmpty()) {
            buttons.first()->click();
            return;
        }
    }
    if (auto *dialog = qobject_cast<QDialog *>(modal))
        dialog->reject();
    else
        modal->close();
}

} // namespace brivo::test

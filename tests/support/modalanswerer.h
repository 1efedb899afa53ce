// Answers the modal boxes and dialogs that the code under test opens, so that tests run without a person.
#pragma once

#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <functional>

namespace brivo::test {

// Watches for modal widgets while it exists. Each one that shows is recorded and answered with the next
// queued answer; with none queued it is dismissed (Escape for a message box, Cancel for a dialog) and
// counted as unexpected.
class ModalAnswerer : public QObject
{
    Q_OBJECT
public:
    struct Seen
    {
        QString className;       // "QMessageBox", "QFileDialog", ...
        QString title;           // window title (a file dialog's caption)
        QString text;            // message text; a file dialog's name filters joined by ";;"
        QString informativeText; // message box informative text; a file dialog's start directory
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        bool hasParent = false;
    };

    explicit ModalAnswerer(QObject *parent = nullptr);

    // Queued answers, used in order.
    void press(QMessageBox::StandardButton button); // a message box's standard button
    // A file dialog: pick the name filter `filter` when one is given, select `path` and accept.
    void chooseFile(const QString &path, const QString &filter = {});
    void cancel() { m_answers.append(&ModalAnswerer::dismiss); } // reject a dialog, or Escape a message box
    // Anything else; the action must close the widget.
    void act(std::function<void(QWidget *)> action) { m_answers.append(std::move(action)); }

    const QList<Seen> &seen() const { return m_seen; }
    Seen last() const { return m_seen.isEmpty() ? Seen() : m_seen.last(); }
    int unexpected() const { return m_unexpected; }

    // Waits until every queued answer has been used (or `ms` passed). True when all were used.
    bool waitUntilAnswered(int ms = 5000);

private:
    void answer(QWidget *modal);
    static void dismiss(QWidget *modal);

    QTimer m_timer;
    QList<std::function<void(QWidget *)>> m_answers;
    QList<Seen> m_seen;
    QPointer<QWidget> m_handled;
    int m_unexpected = 0;
};

} // namespace brivo::test

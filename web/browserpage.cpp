#include "web/browserpage.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <QWebEngineView>

namespace {

// Dialogs this close together are a loop rather than a page talking to its reader.
constexpr qint64 kDialogBurstMs = 5000;
constexpr int kDialogsBeforeOffer = 2;

} // namespace

BrowserPage::BrowserPage(QObject *parent) : QWebEnginePage(parent)
{
    m_clock.start();
}

void BrowserPage::end()
{
    m_dialogsStopped = true;
    if (m_open) {
        // The engine is inside the dialog's call: the page ends once that call has returned, and outlives
        // its window until then.
        m_endAfterDialog = true;
        setParent(nullptr);
        m_open->reject();
        return;
    }
    discard();
}

void BrowserPage::discard()
{
    setVisible(false);
    setLifecycleState(QWebEnginePage::LifecycleState::Discarded);
}

void BrowserPage::javaScriptAlert(const QUrl &, const QString &message)
{
    ask(Kind::Alert, message, {}, nullptr);
}

// The engine names what it refused in its console messages, which go to the program's log. A local page's
// pictures and scripts come from a loopback address whose secret part must not reach the log: it is written
// as the file's own address.
void BrowserPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                           int lineNumber, const QString &sourceID)
{
    static const QRegularExpression served(QStringLiteral("http://127\\.0\\.0\\.1:\\d+/[0-9a-f]{32}(?=/)"));
    QString text = message, source = sourceID;
    text.replace(served, QStringLiteral("file://"));
    source.replace(served, QStringLiteral("file://"));
    QWebEnginePage::javaScriptConsoleMessage(level, text, lineNumber, source);
}

bool BrowserPage::javaScriptConfirm(const QUrl &, const QString &message)
{
    return ask(Kind::Confirm, message, {}, nullptr);
}

bool BrowserPage::javaScriptPrompt(const QUrl &, const QString &message, const QString &defaultValue,
                                   QString *result)
{
    return ask(Kind::Prompt, message, defaultValue, result);
}

bool BrowserPage::ask(Kind kind, const QString &message, const QString &defaultValue, QString *result)
{
    if (m_dialogsStopped)
        return false;
    const qint64 now = m_clock.elapsed();
    m_recent.removeIf([now](qint64 shown) { return now - shown > kDialogBurstMs; });
    m_recent.append(now);

    // Not a child of the window, which may be closed and deleted while the dialog shows.
    QDialog dialog;
    dialog.setWindowTitle(url().host().isEmpty() ? tr("The page says") : tr("%1 says").arg(url().host()));
    auto *column = new QVBoxLayout(&dialog);
    auto *text = new QLabel(message);
    text->setTextFormat(Qt::PlainText);
    text->setWordWrap(true);
    column->addWidget(text);
    QLineEdit *answer = nullptr;
    if (kind == Kind::Prompt) {
        answer = new QLineEdit(defaultValue);
        column->addWidget(answer);
    }
    QCheckBox *stop = nullptr;
    if (m_recent.size() > kDialogsBeforeOffer) {
        stop = new QCheckBox(tr("Stop this page's dialogs"));
        stop->setObjectName(QStringLiteral("stopDialogsBox"));
        column->addWidget(stop);
    }
    auto *buttons = new QDialogButtonBox(
        kind == Kind::Alert ? QDialogButtonBox::Ok : QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    column->addWidget(buttons);

    // Not modal: a modal dialog would hold the window, and a page that shows one after another could not
    // be closed. The engine waits for the answer all the same.
    QEventLoop loop;
    QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
    m_open = &dialog;
    if (QWidget *view = QWebEngineView::forPage(this)) {
        dialog.adjustSize();
        dialog.move(view->window()->geometry().center() - dialog.rect().center());
    }
    dialog.show();
    loop.exec();
    m_open = nullptr;

    if (stop && stop->isChecked())
        m_dialogsStopped = true;
    if (m_endAfterDialog) {
        // Not from inside the engine's call, which goes on with the page once this returns.
        QMetaObject::invokeMethod(
            this,
            [this] {
                discard();
                deleteLater();
            },
            Qt::QueuedConnection);
        return false;
    }
    const bool accepted = dialog.result() == QDialog::Accepted;
    if (accepted && answer && result)
        *result = answer->text();
    return accepted;
}

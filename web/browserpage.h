// The page of a browser window: its script dialogs, which a page cannot use to hold the window, and its
// end when the window closes.
#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QPointer>
#include <QWebEnginePage>

class QDialog;

class BrowserPage : public QWebEnginePage
{
    Q_OBJECT
public:
    explicit BrowserPage(QObject *parent = nullptr);

    // Ends the page: no script, timer or sound of it runs on, and it shows no more dialogs. A dialog it
    // shows now is closed as if cancelled, and the page ends (and deletes itself, whatever its parent)
    // once that dialog has returned to it.
    void end();

protected:
    void javaScriptAlert(const QUrl &origin, const QString &message) override;
    bool javaScriptConfirm(const QUrl &origin, const QString &message) override;
    bool javaScriptPrompt(const QUrl &origin, const QString &message, const QString &defaultValue,
                          QString *result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message, int lineNumber,
                                  const QString &sourceID) override;

private:
    enum class Kind
    {
        Alert,
        Confirm,
        Prompt
    };
    // Shows one dialog of the page and returns whether it was accepted (with the typed text in `result`
    // for a prompt). From the third dialog within a few seconds on, the dialog offers to stop the page's
    // dialogs. The dialog holds no other window: the user can close the browser window while it shows.
    bool ask(Kind kind, const QString &message, const QString &defaultValue, QString *result);
    void discard();

    bool m_dialogsStopped = false;
    bool m_endAfterDialog = false;
    QPointer<QDialog> m_open;
    QElapsedTimer m_clock;
    QList<qint64> m_recent; // when the recent dialogs were shown, by m_clock
};

// The code editor's run output: what a language run prints, how it ended, and a line for its input.
#pragma once

#include "brivo_core_export.h"

#include <QStringDecoder>
#include <QWidget>

class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTextCharFormat;

namespace brivo {
class CommandProcess;

// A place in a file named by a compiler or interpreter message: "file:line:column:", "file:line:" or
// Python's 'File "file", line N'. start and length give the stretch of the line that names it.
struct OutputLocation
{
    int start;
    int length;
    QString file;
    int line;
    int column; // 1 when the message gives none
};

// The places named in one line of output, in order.
BRIVO_CORE_EXPORT QList<OutputLocation> findOutputLocations(QStringView line);

} // namespace brivo

// A GUI program has no console, so the output of a toolchain's command would be lost without this pane.
// It shows standard output and standard error as they arrive, then the exit code and the time taken;
// lines typed into its input line go to the command's standard input; Stop ends the command. A run is
// driven by the command's own signals: nothing waits for it, so any number of panes run side by side.
class BRIVO_CORE_EXPORT RunOutputPane : public QWidget
{
    Q_OBJECT
public:
    explicit RunOutputPane(QWidget *parent = nullptr);
    ~RunOutputPane() override;

    // Clears the pane, shows `heading` and starts `commandLine` through the command processor from the
    // current directory; returns at once. finished() tells the end. Refuses (false) while a run goes on.
    bool start(const QString &heading, const QString &commandLine);

    bool isRunning() const;
    // Ends the running command and whatever it started.
    void stop();

    // Everything the pane shows, as plain text.
    QString text() const;

signals:
    void runningChanged(bool running);
    // The run has ended and its closing note is shown: the exit code, or -1 when the command could not
    // start, crashed or was stopped.
    void finished(int exitCode);
    // A place named in the output was clicked.
    void locationActivated(const QString &file, int line, int column);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void append(const QString &text, const QTextCharFormat &format);
    // Turns the places named in the last `lineCount` lines into links.
    void linkLocations(int lineCount);
    void sendInput();
    void endInput();
    void setRunning(bool running);
    void onFinished(int exitCode, bool crashed);
    void onFailedToStart(const QString &reason);
    void closeOutput(const QString &note, const QTextCharFormat &format, int result);

    brivo::CommandProcess *m_process;
    QPlainTextEdit *m_output;
    QLineEdit *m_input;
    QPushButton *m_stop;
    QProgressBar *m_busy;
    QStringDecoder m_outputDecoder;
    QStringDecoder m_errorDecoder;
    bool m_running = false;
    bool m_stopRequested = false;
};

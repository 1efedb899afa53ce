// The code editor's run output: what a language run prints, how it ended, and a line for its input.
#pragma once

#include <QStringDecoder>
#include <QWidget>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTextCharFormat;

namespace brivo {
class CommandProcess;
}

// A GUI program has no console, so the output of a toolchain's command would be lost without this pane.
// It shows standard output and standard error as they arrive, then the exit code and the time taken;
// lines typed into its input line go to the command's standard input; Stop ends the command.
class RunOutputPane : public QWidget
{
    Q_OBJECT
public:
    explicit RunOutputPane(QWidget *parent = nullptr);
    ~RunOutputPane() override;

    // Clears the pane, shows `heading`, runs `commandLine` through the command processor from the current
    // directory and returns when it has ended; the event loop keeps going meanwhile, so windows repaint.
    // Returns the exit code, or -1 when the command could not start, crashed or was stopped. Refuses (-1)
    // while another run is going on.
    int run(const QString &heading, const QString &commandLine);

    bool isRunning() const;
    // Ends the running command and whatever it started.
    void stop();

    // Everything the pane shows, as plain text.
    QString text() const;

signals:
    void runningChanged(bool running);

private:
    void append(const QString &text, const QTextCharFormat &format);
    void sendInput();
    void endInput();
    void setRunning(bool running);

    brivo::CommandProcess *m_process;
    QPlainTextEdit *m_output;
    QLineEdit *m_input;
    QPushButton *m_stop;
    QStringDecoder m_outputDecoder;
    QStringDecoder m_errorDecoder;
    bool m_stopRequested = false;
};

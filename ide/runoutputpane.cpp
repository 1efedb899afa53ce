#include "ide/runoutputpane.h"

#include "common/controlhelp.h"
#include "platform/commandprocess.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// A runaway program must not fill the memory: only the newest lines are kept.
constexpr int kMaxLines = 20000;
// ...and no line grows past this: output without line breaks would otherwise grow one line for ever.
constexpr int kMaxLineLength = 4096;

// `text` with line breaks added wherever a line would grow past kMaxLineLength, the pane's last line
// already holding `column` characters.
QString withLongLinesBroken(const QString &text, int column)
{
    QString broken;
    broken.reserve(text.size() + text.size() / kMaxLineLength + 1);
    for (const QChar c : text) {
        if (c == QLatin1Char('\n')) {
            column = 0;
        } else {
            if (column >= kMaxLineLength) {
                broken += QLatin1Char('\n');
                column = 0;
            }
            ++column;
        }
        broken += c;
    }
    return broken;
}

QTextCharFormat formatIn(const QColor &colour, bool italic = false)
{
    QTextCharFormat format;
    format.setForeground(colour);
    format.setFontItalic(italic);
    return format;
}

const QTextCharFormat &outputFormat()
{
    static const QTextCharFormat format;
    return format;
}

const QTextCharFormat &errorFormat()
{
    static const QTextCharFormat format = formatIn(QColor(0xb0, 0x00, 0x20));
    return format;
}

const QTextCharFormat &noteFormat()
{
    static const QTextCharFormat format = formatIn(QColor(0x60, 0x60, 0x60), true);
    return format;
}

const QTextCharFormat &inputFormat()
{
    static const QTextCharFormat format = formatIn(QColor(0x00, 0x40, 0xc0));
    return format;
}

// A link's target, read back by the click: "line:column:file".
QString locationHref(const brivo::OutputLocation &location)
{
    return QStringLiteral("%1:%2:%3").arg(location.line).arg(location.column).arg(location.file);
}

QString seconds(qint64 milliseconds)
{
    return QString::number(double(milliseconds) / 1000.0, 'f', 2) + QStringLiteral(" s");
}

} // namespace

QList<brivo::OutputLocation> brivo::findOutputLocations(QStringView line)
{
    // A file name holds no blank and no colon, but may start with a drive ("C:/src/a.c"); it must hold
    // more than digits, so that a time of day ("12:30:45") is no place.
    static const QRegularExpression compiler(
        QStringLiteral("(?:^|(?<=[\\s(]))((?:[A-Za-z]:[/\\\\])?[^\\s:\"'()]*[^\\s:\"'()0-9][^\\s:\"'()]*)"
                       ":(\\d+):(?:(\\d+):)?"));
    static const QRegularExpression python(QStringLiteral("File \"([^\"]+)\", line (\\d+)"));
    QList<OutputLocation> found;
    for (const QRegularExpression *pattern : {&compiler, &python}) {
        auto matches = pattern->globalMatch(line);
        while (matches.hasNext()) {
            const QRegularExpressionMatch match = matches.next();
            const int number = match.captured(2).toInt();
            if (number <= 0)
                continue;
            const int column = match.captured(3).toInt();
            found.append({int(match.capturedStart(0)), int(match.capturedLength(0)), match.captured(1),
                          number, column > 0 ? column : 1});
        }
    }
    std::sort(found.begin(), found.end(),
              [](const OutputLocation &a, const OutputLocation &b) { return a.start < b.start; });
    return found;
}

RunOutputPane::RunOutputPane(QWidget *parent)
    : QWidget(parent), m_process(new brivo::CommandProcess(this)), m_output(new QPlainTextEdit),
      m_input(new QLineEdit), m_stop(new QPushButton(QStringLiteral("Stop"))), m_busy(new QProgressBar),
      m_outputDecoder(QStringConverter::System), m_errorDecoder(QStringConverter::System)
{
    setObjectName(QStringLiteral("outputPane"));
    m_output->setObjectName(QStringLiteral("outputText"));
    m_output->setReadOnly(true);
    m_output->setMaximumBlockCount(kMaxLines);
    m_output->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_output->setLineWrapMode(QPlainTextEdit::WidgetWidth);

    m_input->setObjectName(QStringLiteral("outputInput"));
    m_input->setPlaceholderText(
        QStringLiteral("Input for the running program: Enter sends a line, Ctrl+D ends the input"));
    m_input->setEnabled(false);
    m_stop->setObjectName(QStringLiteral("outputStop"));
    m_stop->setToolTip(QStringLiteral("End the running program and everything it started"));
    m_stop->setEnabled(false);
    // Moving while a program runs, hidden otherwise.
    m_busy->setObjectName(QStringLiteral("outputBusy"));
    m_busy->setRange(0, 0);
    m_busy->setTextVisible(false);
    m_busy->setMaximumWidth(120);
    m_busy->setToolTip(QStringLiteral("A program is running"));
    m_busy->hide();

    auto *inputRow = new QHBoxLayout;
    inputRow->setContentsMargins(0, 0, 0, 0);
    inputRow->addWidget(m_input, 1);
    inputRow->addWidget(m_busy);
    inputRow->addWidget(m_stop);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_output, 1);
    layout->addLayout(inputRow);

    // Places named in the output are links: the pointer shows a hand over them, a click reports them.
    m_output->viewport()->setMouseTracking(true);
    m_output->viewport()->installEventFilter(this);

    brivo::describeControls(this, "What the running program prints, and a line to type its input into",
                            {{"outputText", "Program output"},
                             {"outputInput", "Program input",
                              "A line for the running program: Enter sends it, Ctrl+D ends the input"}});
    connect(m_input, &QLineEdit::returnPressed, this, &RunOutputPane::sendInput);
    auto *endOfInput = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_D), m_input);
    endOfInput->setContext(Qt::WidgetShortcut);
    connect(endOfInput, &QShortcut::activated, this, &RunOutputPane::endInput);
    connect(m_stop, &QPushButton::clicked, this, &RunOutputPane::stop);

    connect(m_process, &brivo::CommandProcess::outputReceived, this,
            [this](const QByteArray &data) { append(m_outputDecoder.decode(data), outputFormat()); });
    connect(m_process, &brivo::CommandProcess::errorReceived, this,
            [this](const QByteArray &data) { append(m_errorDecoder.decode(data), errorFormat()); });
    connect(m_process, &brivo::CommandProcess::finished, this, &RunOutputPane::onFinished);
    connect(m_process, &brivo::CommandProcess::failedToStart, this, &RunOutputPane::onFailedToStart);
}

RunOutputPane::~RunOutputPane() = default;

bool RunOutputPane::start(const QString &heading, const QString &commandLine)
{
    if (isRunning())
        return false;
    m_output->clear();
    m_outputDecoder.resetState();
    m_errorDecoder.resetState();
    m_stopRequested = false;
    append(heading + QLatin1Char('\n'), noteFormat());
    setRunning(true);
    m_process->start(commandLine);
    return true;
}

void RunOutputPane::onFinished(int exitCode, bool crashed)
{
    const QString elapsed = seconds(m_process->elapsedMilliseconds());
    if (m_stopRequested)
        closeOutput(QStringLiteral("Stopped after ") + elapsed, noteFormat(), -1);
    else if (crashed)
        closeOutput(QStringLiteral("Ended abnormally after ") + elapsed, errorFormat(), -1);
    else
        closeOutput(QStringLiteral("Ended with exit code %1 after %2").arg(exitCode).arg(elapsed),
                    noteFormat(), exitCode);
}

void RunOutputPane::onFailedToStart(const QString &reason)
{
    closeOutput(QStringLiteral("Could not start: ") + reason, errorFormat(), -1);
}

void RunOutputPane::closeOutput(const QString &note, const QTextCharFormat &format, int result)
{
    if (!m_running)
        return;
    // A line the command left unfinished is closed before the closing note.
    if (!m_output->document()->lastBlock().text().isEmpty())
        append(QStringLiteral("\n"), outputFormat());
    append(note, format);
    setRunning(false);
    emit finished(result);
}

bool RunOutputPane::isRunning() const
{
    return m_running;
}

void RunOutputPane::stop()
{
    if (!isRunning())
        return;
    m_stopRequested = true;
    m_process->stop();
}

QString RunOutputPane::text() const
{
    return m_output->toPlainText();
}

void RunOutputPane::append(const QString &text, const QTextCharFormat &format)
{
    // CR LF from Windows-style programs would otherwise show as two line breaks.
    QString shown = text;
    shown.remove(QLatin1Char('\r'));
    if (shown.isEmpty())
        return;
    QScrollBar *scroll = m_output->verticalScrollBar();
    const bool following = scroll->value() == scroll->maximum();
    QTextCursor cursor(m_output->document());
    cursor.movePosition(QTextCursor::End);
    const QString broken = withLongLinesBroken(shown, m_output->document()->lastBlock().length() - 1);
    cursor.insertText(broken, format);
    linkLocations(int(broken.count(QLatin1Char('\n'))) + 1);
    if (following)
        scroll->setValue(scroll->maximum());
}

void RunOutputPane::linkLocations(int lineCount)
{
    // The last line may be unfinished: it is looked at again when the rest arrives.
    QTextBlock block = m_output->document()->lastBlock();
    for (int i = 0; i < lineCount && block.isValid(); ++i, block = block.previous()) {
        for (const brivo::OutputLocation &location : brivo::findOutputLocations(block.text())) {
            QTextCursor cursor(block);
            cursor.setPosition(block.position() + location.start);
            cursor.setPosition(block.position() + location.start + location.length, QTextCursor::KeepAnchor);
            QTextCharFormat link;
            link.setAnchor(true);
            link.setAnchorHref(locationHref(location));
            link.setFontUnderline(true);
            cursor.mergeCharFormat(link);
        }
    }
}

bool RunOutputPane::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_output->viewport())
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::MouseMove) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const bool overLink = !m_output->anchorAt(mouse->position().toPoint()).isEmpty();
        m_output->viewport()->setCursor(overLink ? Qt::PointingHandCursor : Qt::IBeamCursor);
    } else if (event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        // A drag that selected text is no click.
        const QString href = m_output->anchorAt(mouse->position().toPoint());
        if (mouse->button() == Qt::LeftButton && !href.isEmpty() && !m_output->textCursor().hasSelection())
            emit locationActivated(href.section(QLatin1Char(':'), 2),
                                   href.section(QLatin1Char(':'), 0, 0).toInt(),
                                   href.section(QLatin1Char(':'), 1, 1).toInt());
    }
    return QWidget::eventFilter(watched, event);
}

void RunOutputPane::sendInput()
{
    if (!isRunning())
        return;
    const QString line = m_input->text();
    m_input->clear();
    // A terminal echoes what is typed; the pane does the same so that the dialogue reads in order.
    append(line + QLatin1Char('\n'), inputFormat());
    m_process->writeInput((line + QLatin1Char('\n')).toLocal8Bit());
}

void RunOutputPane::endInput()
{
    if (!isRunning())
        return;
    m_process->closeInput();
    m_input->setEnabled(false);
    append(QStringLiteral("[end of input]\n"), noteFormat());
}

void RunOutputPane::setRunning(bool running)
{
    m_input->setEnabled(running);
    m_stop->setEnabled(running);
    m_running = running;
    m_busy->setVisible(running);
    if (running)
        m_input->setFocus();
    emit runningChanged(running);
}

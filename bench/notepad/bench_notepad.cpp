// Opening a 50 MB text file in the notepad, against QTextEdit::setPlainText of the same text alone (the
// text already in memory), in time and in peak memory; and typing at the end of that document, against
// typing in a bare QTextEdit holding the same text. Each run is a child process of its own, so that its
// peak memory is its own; the two kinds alternate in the same session.
#include "bench/common/benchreport.h"
#include "bench/common/childprocess.h"
#include "txtedit/txtedit.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTextEdit>

#include <cstdio>

namespace {

constexpr qint64 kFileBytes = 50 * 1000 * 1000;

// Lines of mixed length with some accented words, as a long log or a book would have.
QByteArray sampleText()
{
    static const char *const words[] = {"notepad",      "line", "text", "brivo", "window",  "caf\xc3\xa9",
                                        "na\xc3\xafve", "file", "save", "a",     "document"};
    QByteArray text;
    text.reserve(kFileBytes + 200);
    quint32 seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7fff; };
    while (text.size() < kFileBytes) {
        const quint32 count = 2 + next() % 14;
        for (quint32 i = 0; i < count; ++i) {
            if (i)
                text += ' ';
            text += words[next() % (sizeof words / sizeof *words)];
        }
        text += '\n';
    }
    return text;
}

void settle()
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

// Keys typed at the end of the loaded document: the median time per key, with what it repaints. The whole
// document is laid out first, which both kinds of window pay once before the keys are timed.
double typeAtTheEnd(QTextEdit *edit)
{
    edit->document()->documentLayout()->documentSize();
    QTextCursor end = edit->textCursor();
    end.movePosition(QTextCursor::End);
    edit->setTextCursor(end);
    edit->setFocus();
    settle();
    QList<double> perKey;
    for (int i = 0; i < 40; ++i) {
        QElapsedTimer clock;
        clock.start();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QApplication::sendEvent(edit, &press);
        QApplication::sendEvent(edit, &release);
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        perKey.append(clock.nsecsElapsed() / 1e6);
    }
    return brivo::bench::median(perKey);
}

// The measured part of one child run, in milliseconds: the load, or with `typing` the time per key.
double inNotepad(const QString &path, bool typing)
{
    txtedit window;
    window.show();
    settle();
    auto *edit = window.findChild<QTextEdit *>(QStringLiteral("textEdit"));
    QElapsedTimer clock;
    clock.start();
    window.openFile(path);
    while (window.isLoading())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    edit->viewport()->repaint();
    const double loadMs = clock.nsecsElapsed() / 1e6;
    return typing ? typeAtTheEnd(edit) : loadMs;
}

double inBareTextEdit(const QString &path, bool typing)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QString text = QString::fromUtf8(file.readAll());
    file.close();
    QTextEdit edit;
    edit.resize(950, 367);
    // Loading is compared in the notepad's 14-point font. Typing is compared in the default font: in 14
    // points this text is taller than QTextEdit's scroll range arithmetic allows, and a bare QTextEdit
    // then lays the whole document out again on every key, which the notepad guards against.
    if (!typing) {
        QFont font;
        font.setPointSize(14);
        edit.setFont(font);
    }
    edit.show();
    settle();
    QElapsedTimer clock;
    clock.start();
    edit.setPlainText(text);
    edit.viewport()->repaint();
    const double loadMs = clock.nsecsElapsed() / 1e6;
    return typing ? typeAtTheEnd(&edit) : loadMs;
}

int runChild(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString mode = QString::fromLocal8Bit(argv[2]);
    const QString path = QString::fromLocal8Bit(argv[3]);
    const bool typing = mode.endsWith(QLatin1String("-typing"));
    const double ms =
        mode.startsWith(QLatin1String("notepad")) ? inNotepad(path, typing) : inBareTextEdit(path, typing);
    QFile result(QString::fromLocal8Bit(argv[4]));
    if (ms < 0 || !result.open(QIODevice::WriteOnly))
        return 1;
    result.write(QByteArray::number(ms));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 5 && qstrcmp(argv[1], "--child") == 0)
        return runChild(argc, argv);

    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("large.txt"));
    const QString resultPath = dir.filePath(QStringLiteral("result"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(sampleText()) < kFileBytes) {
            std::fprintf(stderr, "bench_notepad: cannot write %s\n", qPrintable(path));
            return 2;
        }
    }

    const QString self = QCoreApplication::applicationFilePath();
    auto run = [&](const char *mode, QList<double> *ms, QList<double> *mib) {
        QFile::remove(resultPath);
        const auto cost =
            brivo::bench::runChild(self, {QStringLiteral("--child"), QLatin1String(mode), path, resultPath});
        QFile result(resultPath);
        if (cost.exitCode != 0 || !result.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "bench_notepad: the %s run failed (exit %d)\n", mode, cost.exitCode);
            return false;
        }
        ms->append(result.readAll().toDouble());
        if (mib)
            mib->append(cost.peakMiB);
        return true;
    };

    const int asked = qEnvironmentVariableIntValue("BRIVO_BENCH_ROUNDS");
    const int rounds = asked > 0 ? asked : 3;
    QList<double> notepadMs, plainMs, notepadMiB, plainMiB, notepadKeyMs, plainKeyMs;
    for (int i = 0; i < rounds; ++i) {
        if (!run("plain", &plainMs, &plainMiB) || !run("notepad", &notepadMs, &notepadMiB))
            return 2;
    }
    // Laying out all 50 MB before the first key takes long, so typing is measured once; its 40 keys give the
    // median.
    if (!run("plain-typing", &plainKeyMs, nullptr) || !run("notepad-typing", &notepadKeyMs, nullptr))
        return 2;

    using brivo::bench::median;
    const QString against = QStringLiteral("QTextEdit::setPlainText");
    bool holds = brivo::bench::reportRatio(QStringLiteral("notepad opens 50 MB (time)"), median(notepadMs),
                                           median(plainMs), against, 1.3, QStringLiteral("ms"));
    holds &=
        brivo::bench::reportRatio(QStringLiteral("notepad opens 50 MB (peak memory)"), median(notepadMiB),
                                  median(plainMiB), against, 1.3, QStringLiteral("MiB"));
    holds &= brivo::bench::reportRatio(QStringLiteral("typing at the end of 50 MB (per key)"),
                                       median(notepadKeyMs), median(plainKeyMs),
                                       QStringLiteral("bare QTextEdit"), 1.3, QStringLiteral("ms"));
    return holds ? 0 : 1;
}

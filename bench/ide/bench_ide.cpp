// The code editor's own cost on top of Qt's: opening and saving a large source file, and a run of a
// command that does nothing, each against the plain Qt calls that do the same work.
#include "bench/common/benchreport.h"
#include "ide/ide.h"
#include "ide/runoutputpane.h"
#include "platform/commandprocess.h"
#include "platform/toolroot.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>

namespace {

// About 20 MB of C source with some non-ASCII text, as one file.
QByteArray largeSource()
{
    QByteArray line("    total += values[i] * 3; // Größe ändern, später prüfen\n");
    QByteArray text;
    text.reserve(20 * 1024 * 1024);
    while (text.size() < 20 * 1024 * 1024)
        text += line;
    return text;
}

template <typename F> double milliseconds(F &&work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    return double(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    if (brivo::bench::listFigures(
            argc, argv,
            {"code editor open 20 MB", "code editor save 20 MB", "code editor run (empty batch)"}))
        return 0;
    QApplication app(argc, argv);
    QTemporaryDir root;
    QDir(root.path()).mkpath(QStringLiteral("Ide/batch"));
    QDir::setCurrent(root.path());
    qputenv("BRIVO_ROOT", QFile::encodeName(root.path()));
    qputenv("BRIVO_STATE_DIR", QFile::encodeName(root.filePath(QStringLiteral("state"))));

    const QString file = root.filePath(QStringLiteral("large.c"));
    const QByteArray bytes = largeSource();
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
        return 2;
    out.close();
    const int rounds = 5;

    QList<double> openMs, plainOpenMs, saveMs, plainSaveMs;
    for (int i = 0; i < rounds; ++i) {
        ide editor;
        openMs << milliseconds([&] {
            editor.openFile(file);
            while (editor.isLoading())
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        });
        saveMs << milliseconds([&] { editor.on_actionSave_triggered(); });

        QPlainTextEdit plain;
        plainOpenMs << milliseconds([&] {
            QFile in(file);
            in.open(QIODevice::ReadOnly);
            plain.setPlainText(QString::fromUtf8(in.readAll()));
        });
        plainSaveMs << milliseconds([&] {
            QFile to(file);
            to.open(QIODevice::WriteOnly);
            to.write(plain.toPlainText().toUtf8());
        });
    }

    // A run of an empty batch file (writing the source, the status, the pane, the command processor)
    // from the menu entry to the pane's closing note, against the same command line started and awaited
    // with QProcess alone.
    QList<double> runMs, plainRunMs;
    ide editor;
    const auto runToEnd = [&editor] {
        QEventLoop loop;
        QObject::connect(editor.outputPane(), &RunOutputPane::finished, &loop, &QEventLoop::quit);
        editor.on_actionBatch_triggered();
        if (editor.outputPane()->isRunning())
            loop.exec();
    };
    runToEnd();
    const QString commandLine =
        brivo::commandLineForProgram(brivo::mapToolRootPath(QStringLiteral("C:/Brivo/Ide/batch/batch.bat")));
    for (int i = 0; i < 5 * rounds; ++i) {
        runMs << milliseconds(runToEnd);
        plainRunMs << milliseconds([&] {
            QProcess process;
            process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), commandLine});
            process.waitForFinished(-1);
        });
    }

    using brivo::bench::median;
    bool holds = brivo::bench::reportRatio(QStringLiteral("code editor open 20 MB"), median(openMs),
                                           median(plainOpenMs), QStringLiteral("read + setPlainText"), 1.3,
                                           QStringLiteral("ms"));
    holds &= brivo::bench::reportRatio(QStringLiteral("code editor save 20 MB"), median(saveMs),
                                       median(plainSaveMs), QStringLiteral("toPlainText + write"), 1.5,
                                       QStringLiteral("ms"));
    holds &= brivo::bench::reportRatio(QStringLiteral("code editor run (empty batch)"), median(runMs),
                                       median(plainRunMs), QStringLiteral("same command, QProcess"), 1.5,
                                       QStringLiteral("ms"));
    return holds ? 0 : 1;
}

// The archive window's contents table: from selecting an archive of 100,000 entries to the table filled
// and painted, against 7z listing the same archive alone (the same detailed listing the window reads,
// drained from a pipe as the window drains it). The plain "7z l", which prints less, is shown beside it.
// The archives are made once and kept in the build folder (making them takes a minute).
#include "bench/common/benchreport.h"
#include "zip/widget.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

constexpr int entryCount = 100000;
constexpr int rounds = 5;

// 100,000 small files in 100 folders, packed by 7z in the format of `archive`'s suffix.
bool makeArchive(const QString &archive)
{
    if (QFile::exists(archive))
        return true;
    std::fprintf(stderr, "making %s ...\n", qPrintable(archive));
    std::fflush(stdout);
    QTemporaryDir files;
    for (int i = 0; i < entryCount; ++i) {
        const QString folder =
            files.filePath(QStringLiteral("data/folder %1").arg(i / 1000, 3, 10, QLatin1Char('0')));
        if (i % 1000 == 0 && !QDir().mkpath(folder))
            return false;
        QFile file(folder + QStringLiteral("/file %1.txt").arg(i, 6, 10, QLatin1Char('0')));
        if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray::number(i)) < 0)
            return false;
    }
    QProcess sevenZip;
    sevenZip.setWorkingDirectory(files.path());
    sevenZip.start(QStringLiteral("7z"),
                   {QStringLiteral("a"), QStringLiteral("-bd"), archive, QStringLiteral("data")});
    return sevenZip.waitForFinished(-1) && sevenZip.exitCode() == 0;
}

// 7z listing `archive` into a pipe that is read to its end.
double sevenZipListing(const QStringList &switches, const QString &archive)
{
    QElapsedTimer timer;
    timer.start();
    QProcess sevenZip;
    sevenZip.start(QStringLiteral("7z"), switches + QStringList{QStringLiteral("--"), archive});
    qint64 read = 0;
    while (sevenZip.waitForReadyRead(-1))
        read += sevenZip.readAllStandardOutput().size();
    sevenZip.waitForFinished(-1);
    read += sevenZip.readAllStandardOutput().size();
    return read > 0 ? timer.nsecsElapsed() / 1e6 : 0;
}

// From handing the window the archive to the table filled and painted.
double windowListing(Widget &window, const QString &archive)
{
    auto *table = window.findChild<QTableView *>(QStringLiteral("contents"));
    auto *status = window.findChild<QLabel *>(QStringLiteral("contentsStatus"));
    QTimer wake; // the event loop below looks at the table at least this often
    wake.start(20);
    QElapsedTimer timer;
    timer.start();
    window.setf(archive);
    // The files and the folders that hold them.
    while (table->model()->rowCount() < entryCount && timer.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    table->viewport()->repaint();
    const double ms = timer.nsecsElapsed() / 1e6;
    const bool complete =
        table->model()->rowCount() >= entryCount && status->text().contains(QLatin1String("entries"));
    window.dela();
    QCoreApplication::processEvents();
    return complete ? ms : 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (brivo::bench::listFigures(argc, argv,
                                  {"archive contents, 100k .7z", "archive contents, 100k .7z (time)",
                                   "archive contents, 100k .7z, plain listing", "archive contents, 100k .zip",
                                   "archive contents, 100k .zip (time)",
                                   "archive contents, 100k .zip, plain listing"}))
        return 0;
    QApplication app(argc, argv);
    const QString data = QCoreApplication::applicationDirPath() + QStringLiteral("/../bench-data");
    QDir().mkpath(data);
    Widget window;
    window.resize(1000, 700);
    window.show();
    QCoreApplication::processEvents();

    bool holds = true;
    const QStringList detailed = {QStringLiteral("l"),     QStringLiteral("-slt"),
                                  QStringLiteral("-spd"),  QStringLiteral("-bsp2"),
                                  QStringLiteral("-bse1"), QStringLiteral("-sccUTF-8")};
    const QStringList plain = {QStringLiteral("l"), QStringLiteral("-spd"), QStringLiteral("-sccUTF-8")};
    for (const char *format : {"7z", "zip"}) {
        const QString archive = data + QStringLiteral("/contents-100k.") + QLatin1String(format);
        if (!makeArchive(archive)) {
            std::fprintf(stderr, "bench_archive: could not make %s\n", qPrintable(archive));
            return 2;
        }
        QList<double> brivo, sevenZip, sevenZipPlain;
        for (int i = 0; i < rounds; ++i) {
            sevenZip << sevenZipListing(detailed, archive);
            brivo << windowListing(window, archive);
            sevenZipPlain << sevenZipListing(plain, archive);
        }
        const double ours = brivo::bench::median(brivo);
        if (brivo.contains(0.0)) {
            std::fprintf(stderr, "bench_archive: the window did not show the %d entries of %s\n", entryCount,
                         qPrintable(archive));
            return 2;
        }
        const QString name = QStringLiteral("archive contents, 100k .%1").arg(QLatin1String(format));
        holds &= brivo::bench::reportRatio(name, ours, brivo::bench::median(sevenZip),
                                           QStringLiteral("7z l -slt alone"), 1.3, QStringLiteral("ms"));
        holds &= brivo::bench::reportRatio(name + QStringLiteral(" (time)"), ours, 2000,
                                           QStringLiteral("2 s"), 1.0, QStringLiteral("ms"));
        brivo::bench::reportRatio(name + QStringLiteral(", plain listing"), ours,
                                  brivo::bench::median(sevenZipPlain), QStringLiteral("plain \"7z l\" alone"),
                                  brivo::bench::kNoTarget, QStringLiteral("ms"));
    }
    return holds ? 0 : 1;
}

#include "zip/archivecontents.h"

#include "zip/archiveroutputreader.h"
#include "zip/sevenzipcommand.h"
#include "zip/sevenziplocator.h"

#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QtConcurrent/QtConcurrentRun>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace brivo::zip {

namespace {

// How often a reading that has nothing to read looks whether it should stop.
constexpr int stopCheckMs = 50;

void stripLineEnd(QByteArrayView &line)
{
#ifdef Q_OS_WIN
    if (line.endsWith('\r'))
        line.chop(1);
#else
    Q_UNUSED(line)
#endif
}

} // namespace

ContentsResult readArchiveContents(const QString &program, const QString &archive, const QByteArray &input,
                                   const std::atomic_bool &stop)
{
    ContentsResult result;
    QProcess process;
#ifdef Q_OS_UNIX
    process.setChildProcessModifier([] { ::setsid(); });
#endif
    process.start(program, listArguments(archive));
    if (!process.waitForStarted(-1)) {
        result.failedToStart = true;
        result.errorString = process.errorString();
        return result;
    }
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();

    // The listing runs to tens of megabytes: it is read and parsed as it comes, a line at a time, split at
    // line breaks only (a name may hold any other control character).
    ListingParser parser;
    QByteArray pending;
    bool inListing = false;
    const auto take = [&](const QByteArray &bytes) {
        pending += bytes;
        qsizetype from = 0;
        const QByteArrayView text(pending);
        for (qsizetype end = text.indexOf('\n'); end >= 0; end = text.indexOf('\n', from)) {
            QByteArrayView line = text.sliced(from, end - from);
            stripLineEnd(line);
            // What comes before the entries is 7z's own talk: kept for the verdict.
            if (!inListing) {
                inListing = line.startsWith("----------");
                if (!inListing)
                    result.messages << QString::fromUtf8(line);
            }
            parser.addLine(line);
            from = end + 1;
        }
        pending.remove(0, from);
    };
    while (process.state() != QProcess::NotRunning || process.bytesAvailable() > 0) {
        if (stop.load()) {
            process.kill();
            process.waitForFinished(-1);
            result.stopped = true;
            return result;
        }
        if (process.bytesAvailable() == 0)
            process.waitForReadyRead(stopCheckMs);
        take(process.readAllStandardOutput());
    }
    take(process.readAllStandardOutput() + '\n');
    parser.finish();
    result.entries = parser.takeEntries();
    // A compressed single file (.gz, .xz) stores no name; 7z extracts it under the archive's own name
    // without its last suffix.
    for (ArchiveEntry &entry : result.entries)
        if (entry.path.isEmpty())
            entry.path = QFileInfo(archive).completeBaseName();
    for (const QByteArray &line : process.readAllStandardError().split('\n')) {
        if (!line.trimmed().isEmpty())
            result.messages << QString::fromUtf8(line);
    }
    result.exitCode = process.exitCode();
    result.crashed = process.exitStatus() == QProcess::CrashExit;
    return result;
}

ArchiveContents::ArchiveContents(QObject *parent) : QAbstractTableModel(parent)
{
    connect(&m_watcher, &QFutureWatcher<ContentsResult>::finished, this, &ArchiveContents::readingEnded);
}

ArchiveContents::~ArchiveContents()
{
    stopReading();
    m_watcher.waitForFinished();
}

void ArchiveContents::read(const QString &archive, const QString &password)
{
    stopReading();
    clear();
    m_archive = archive;
    m_passwordGiven = !password.isEmpty();
    m_stop = std::make_shared<std::atomic_bool>(false);
    m_reading = true;
    m_watcher.setFuture(
        QtConcurrent::run([program = sevenZipExecutable(), archive, input = passwordInput(password),
                           stop = m_stop] { return readArchiveContents(program, archive, input, *stop); }));
}

void ArchiveContents::clear()
{
    stopReading();
    m_archive.clear();
    beginResetModel();
    m_entries.clear();
    m_totalSize = 0;
    endResetModel();
}

void ArchiveContents::stopReading()
{
    // The worker ends on its own once told; whatever it still reports is no longer wanted.
    m_reading = false;
    if (m_stop)
        m_stop->store(true);
}

void ArchiveContents::readingEnded()
{
    if (!m_reading)
        return;
    m_reading = false;
    ContentsResult result = m_watcher.result();
    if (result.stopped)
        return;
    beginResetModel();
    m_entries = std::exchange(result.entries, {});
    m_totalSize = 0;
    for (const ArchiveEntry &entry : std::as_const(m_entries))
        m_totalSize += qMax<qint64>(entry.size, 0);
    endResetModel();
    emit ready(result, m_passwordGiven);
}

int ArchiveContents::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

int ArchiveContents::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ArchiveContents::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size())
        return {};
    const ArchiveEntry &entry = m_entries.at(index.row());
    if (role == Qt::TextAlignmentRole && (index.column() == Size || index.column() == PackedSize))
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    switch (index.column()) {
    case Name:
        // A name may hold control characters: shown escaped, so that it reads as what it is.
        return escapedForDisplay(entry.path) + (entry.isFolder ? QStringLiteral("/") : QString());
    case Size:
        return entry.size < 0 || entry.isFolder ? QString() : QLocale().toString(entry.size);
    case PackedSize:
        return entry.packedSize < 0 || entry.isFolder ? QString() : QLocale().toString(entry.packedSize);
    case Modified:
        return entry.modified;
    case Encrypted:
        return entry.encrypted ? QStringLiteral("yes") : QString();
    default:
        return {};
    }
}

QVariant ArchiveContents::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Name:
        return QStringLiteral("Name");
    case Size:
        return QStringLiteral("Size");
    case PackedSize:
        return QStringLiteral("Packed");
    case Modified:
        return QStringLiteral("Modified");
    case Encrypted:
        return QStringLiteral("Encrypted");
    default:
        return {};
    }
}

} // namespace brivo::zip

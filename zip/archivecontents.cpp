#include "zip/archivecontents.h"

#include "zip/archiveroutputreader.h"
#include "zip/sevenzipcommand.h"
#include "zip/sevenziplocator.h"

#include <QApplication>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QStyle>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

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

ArchiveContents::ArchiveContents(QObject *parent) : QAbstractItemModel(parent)
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
    m_watcher.setFuture(QtConcurrent::run(
        [program = sevenZipExecutable(), archive, input = passwordInput(password), stop = m_stop] {
            ContentsResult result = readArchiveContents(program, archive, input, *stop);
            if (!result.stopped)
                result.tree = buildArchiveTree(result.entries);
            return result;
        }));
}

void ArchiveContents::clear()
{
    stopReading();
    m_archive.clear();
    beginResetModel();
    m_entries.clear();
    m_tree = {};
    m_totalSize = 0;
    endResetModel();
}

void ArchiveContents::setFlat(bool flat)
{
    if (flat == m_flat)
        return;
    beginResetModel();
    m_flat = flat;
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
    m_tree = std::exchange(result.tree, {});
    m_totalSize = 0;
    for (const ArchiveEntry &entry : std::as_const(m_entries))
        m_totalSize += qMax<qint64>(entry.size, 0);
    endResetModel();
    emit ready(result, m_passwordGiven);
}

QModelIndex ArchiveContents::index(int row, int column, const QModelIndex &parent) const
{
    if (row < 0 || column < 0 || column >= ColumnCount)
        return {};
    // A flat row's id is its entry; a tree row's id is its node.
    if (m_flat)
        return parent.isValid() || row >= m_entries.size() ? QModelIndex()
                                                           : createIndex(row, column, quintptr(row));
    const QList<int> &rows =
        parent.isValid() ? m_tree.nodes.at(qsizetype(parent.internalId())).children : m_tree.top;
    return row < rows.size() ? createIndex(row, column, quintptr(rows.at(row))) : QModelIndex();
}

QModelIndex ArchiveContents::parent(const QModelIndex &child) const
{
    if (m_flat || !child.isValid())
        return {};
    const int parent = m_tree.nodes.at(qsizetype(child.internalId())).parent;
    return parent < 0 ? QModelIndex() : createIndex(m_tree.nodes.at(parent).row, 0, quintptr(parent));
}

int ArchiveContents::rowCount(const QModelIndex &parent) const
{
    if (m_flat)
        return parent.isValid() ? 0 : int(m_entries.size());
    if (!parent.isValid())
        return int(m_tree.top.size());
    return parent.column() == 0 ? int(m_tree.nodes.at(qsizetype(parent.internalId())).children.size()) : 0;
}

int ArchiveContents::columnCount(const QModelIndex &) const
{
    return ColumnCount;
}

const ArchiveEntry *ArchiveContents::entryAt(const QModelIndex &index) const
{
    if (!index.isValid())
        return nullptr;
    const qsizetype id = qsizetype(index.internalId());
    const int entry = m_flat ? int(id) : m_tree.nodes.at(id).entry;
    return entry < 0 ? nullptr : &m_entries.at(entry);
}

bool ArchiveContents::isFolder(const QModelIndex &index) const
{
    if (!index.isValid())
        return false;
    return m_flat ? m_entries.at(qsizetype(index.internalId())).isFolder
                  : m_tree.nodes.at(qsizetype(index.internalId())).isFolder;
}

QString ArchiveContents::folderAt(const QModelIndex &index) const
{
    if (m_flat || !index.isValid())
        return {};
    int node = int(index.internalId());
    if (!m_tree.nodes.at(node).isFolder)
        node = m_tree.nodes.at(node).parent;
    QStringList names;
    for (; node >= 0; node = m_tree.nodes.at(node).parent) {
        const QString &name = m_tree.nodes.at(node).name;
        if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
            return {};
        names.prepend(name);
    }
    return names.join(QLatin1Char('/'));
}

bool ArchiveContents::holds(const QString &path) const
{
    const QString below = path + QLatin1Char('/');
    return std::any_of(m_entries.begin(), m_entries.end(), [&](const ArchiveEntry &entry) {
        return entry.path == path || entry.path.startsWith(below);
    });
}

QString ArchiveContents::smallestEncryptedFile() const
{
    const ArchiveEntry *smallest = nullptr;
    for (const ArchiveEntry &entry : m_entries)
        if (entry.encrypted && !entry.isFolder && (!smallest || entry.size < smallest->size))
            smallest = &entry;
    return smallest ? smallest->path : QString();
}

QStringList ArchiveContents::pathsOf(const QModelIndexList &indexes) const
{
    QStringList paths;
    for (const QModelIndex &index : indexes) {
        if (!index.isValid())
            continue;
        const qsizetype id = qsizetype(index.internalId());
        paths << (m_flat ? m_entries.at(id).path : m_tree.nodes.at(id).path);
    }
    return paths;
}

QVariant ArchiveContents::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const qsizetype id = qsizetype(index.internalId());
    const ArchiveEntry *entry = entryAt(index);
    const bool folder = isFolder(index);
    if (role == Qt::TextAlignmentRole && (index.column() == Size || index.column() == PackedSize))
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::DecorationRole && index.column() == Name && !m_flat)
        return QApplication::style()->standardIcon(folder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    const auto dataSize = [](qint64 size) {
        return size < 0 ? QString() : QLocale().formattedDataSize(size);
    };
    switch (index.column()) {
    case Name:
        // A name may hold control characters: shown escaped, so that it reads as what it is. The tooltip
        // gives the whole path.
        if (!m_flat && role == Qt::DisplayRole)
            return escapedForDisplay(m_tree.nodes.at(id).name);
        return escapedForDisplay(m_flat ? entry->path : m_tree.nodes.at(id).path) +
               (folder ? QStringLiteral("/") : QString());
    case Size:
        if (!m_flat && folder)
            return dataSize(m_tree.nodes.at(id).size);
        return !entry || folder ? QString() : dataSize(entry->size);
    case PackedSize:
        return !entry || folder ? QString() : dataSize(entry->packedSize);
    case Modified:
        return entry ? entry->modified : QString();
    case Encrypted:
        return entry && entry->encrypted ? QStringLiteral("yes") : QString();
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

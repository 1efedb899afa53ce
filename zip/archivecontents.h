// An archive's contents as a tree of its folders, or as a flat list of its paths: read with 7z's detailed
// listing and arranged on a worker thread, so that an archive of a hundred thousand entries never holds up
// the window.
#pragma once

#include "zip/archivelisting.h"
#include "zip/archivetree.h"

#include <QAbstractItemModel>
#include <QFutureWatcher>

#include <atomic>
#include <memory>

namespace brivo::zip {

struct ContentsResult
{
    QList<ArchiveEntry> entries;
    ArchiveTree tree;
    QStringList messages; // what 7z wrote besides the listing
    int exitCode = -1;
    bool crashed = false;
    bool failedToStart = false;
    bool stopped = false;
    QString errorString;
};

// Runs "7z l -slt" on `archive` with `input` on its standard input and reads the entries as they arrive.
// Blocks until 7z ends, so it runs on a worker thread; returns early (stopped) once `stop` is set.
ContentsResult readArchiveContents(const QString &program, const QString &archive, const QByteArray &input,
                                   const std::atomic_bool &stop);

class ArchiveContents : public QAbstractItemModel
{
    Q_OBJECT
public:
    enum Column
    {
        Name,
        Size,
        PackedSize,
        Modified,
        Encrypted,
        ColumnCount
    };

    explicit ArchiveContents(QObject *parent = nullptr);
    ~ArchiveContents() override;

    // Reads `archive` in the background; ready() follows. A reading still under way is abandoned.
    void read(const QString &archive, const QString &password);
    void clear();

    QString archive() const { return m_archive; }
    bool isReading() const { return m_reading; }
    // The entry an index shows; nullptr for a folder that only the paths below it imply.
    const ArchiveEntry *entryAt(const QModelIndex &index) const;
    // The paths to ask 7z for to extract what `indexes` show (a folder brings what it holds).
    QStringList pathsOf(const QModelIndexList &indexes) const;
    bool isFolder(const QModelIndex &index) const;
    // The folder files dropped at `index` go into: a folder's own path, or the folder holding an entry,
    // its names joined by '/'. Empty for the top, for the flat list, and for a folder whose path holds
    // "." or ".." (an archive may say anything), where dropped files go to the top.
    QString folderAt(const QModelIndex &index) const;
    // Whether an entry has `path`, or lies below it.
    bool holds(const QString &path) const;
    // The smallest encrypted file of the archive, to try a password on; empty when none is encrypted.
    QString smallestEncryptedFile() const;

    // Flat: one row per entry, its whole path as its name. Otherwise the folders of the archive.
    void setFlat(bool flat);
    bool isFlat() const { return m_flat; }
    // The unpacked size of every entry together.
    qint64 totalSize() const { return m_totalSize; }

    // The number of entries, whatever the view.
    qsizetype entryCount() const { return m_entries.size(); }

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    // The reading of archive() ended; `result` holds 7z's messages and exit code, its entries are now
    // the model's rows.
    void ready(const brivo::zip::ContentsResult &result, bool passwordGiven);

private:
    void readingEnded();
    void stopReading();

    QString m_archive;
    bool m_passwordGiven = false;
    bool m_reading = false;
    QList<ArchiveEntry> m_entries;
    ArchiveTree m_tree;
    bool m_flat = false;
    qint64 m_totalSize = 0;
    std::shared_ptr<std::atomic_bool> m_stop;
    QFutureWatcher<ContentsResult> m_watcher;
};

} // namespace brivo::zip

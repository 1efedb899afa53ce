// An archive's contents as a table: read with 7z's detailed listing on a worker thread, so that an
// archive of a hundred thousand entries never holds up the window.
#pragma once

#include "zip/archivelisting.h"

#include <QAbstractTableModel>
#include <QFutureWatcher>

#include <atomic>
#include <memory>

namespace brivo::zip {

struct ContentsResult
{
    QList<ArchiveEntry> entries;
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

class ArchiveContents : public QAbstractTableModel
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
    const ArchiveEntry &entry(int row) const { return m_entries.at(row); }
    // The unpacked size of every entry together.
    qint64 totalSize() const { return m_totalSize; }

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
    qint64 m_totalSize = 0;
    std::shared_ptr<std::atomic_bool> m_stop;
    QFutureWatcher<ContentsResult> m_watcher;
};

} // namespace brivo::zip

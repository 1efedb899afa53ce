// Extracting an archive (or some of its entries) into the folder that holds it, checked on disk: 7z
// writes into a private folder inside the destination, what it wrote is inspected, and only an archive
// with nothing to refuse is moved into place. A refused or failed archive leaves the destination as it
// was.
#pragma once

#include "zip/archivejob.h"
#include "zip/extractionguard.h"

#include <QFutureWatcher>

#include <atomic>
#include <memory>

namespace brivo::zip {

class ExtractJob : public ArchiveJob
{
    Q_OBJECT
public:
    // `entries` empty: the whole archive.
    ExtractJob(const QString &archive, const QString &password, const QStringList &entries = {},
               QObject *parent = nullptr);
    ~ExtractJob() override;

    void start() override;
    void cancel() override;
    void endNow() override;

    struct Placing
    {
        QList<ExtractionProblem> refused;
        QString error;
        int moved = 0;
        bool stopped = false;
    };

private:
    void extracted();
    void placed();
    void removePrivateFolder();

    QString m_archive;
    QString m_password;
    QStringList m_entries;
    QString m_destination;
    QString m_privateFolder;
    std::shared_ptr<std::atomic_bool> m_stop = std::make_shared<std::atomic_bool>(false);
    QFutureWatcher<Placing> m_placing;
    bool m_warnings = false;
};

} // namespace brivo::zip

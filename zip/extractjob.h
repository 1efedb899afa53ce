// Extracting an archive (or some of its entries) into the folder that holds it or another, checked on
// disk: 7z writes into a private folder inside the destination, what it wrote is inspected, and only an
// archive with nothing to refuse is moved into place. A file of the destination whose content would change
// is replaced only when the replace question says so. A refused, failed or cancelled archive leaves the
// destination as it was.
#pragma once

#include "zip/archivejob.h"
#include "zip/extractionguard.h"

#include <QFutureWatcher>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace brivo::zip {

class ExtractJob : public ArchiveJob
{
    Q_OBJECT
public:
    // `entries` empty: the whole archive. `destination` empty: the folder that holds the archive.
    ExtractJob(const QString &archive, const QString &password, const QStringList &entries = {},
               const QString &destination = {}, QObject *parent = nullptr);

    // Asked, with the destination and the files whose content would change, before anything moves: the
    // entries whose existing file stays, or nothing to extract nothing. Without one every such file stays.
    using ReplaceQuestion =
        std::function<std::optional<QStringList>(const QString &destination, const QList<ReplacedFile> &)>;
    void setReplaceQuestion(ReplaceQuestion question) { m_question = std::move(question); }
    ~ExtractJob() override;

    void start() override;
    void cancel() override;
    void endNow() override;

    struct Placing
    {
        QList<ExtractionProblem> refused;
        QList<ReplacedFile> replacing; // to ask about; nothing moved yet
        bool noneFound = false;        // none of the selected entries was in the archive
        QString error;
        int moved = 0;
        bool stopped = false;
    };

private:
    void extracted();
    void placed();
    void askAndPlace(const QList<ReplacedFile> &replacing);
    void removePrivateFolder();

    QString m_archive;
    QString m_password;
    QStringList m_entries;
    QStringList m_keepOnly; // the selection, when 7z extracted the whole archive for it
    QString m_destination;
    QString m_privateFolder;
    std::shared_ptr<std::atomic_bool> m_stop = std::make_shared<std::atomic_bool>(false);
    QFutureWatcher<Placing> m_placing;
    bool m_warnings = false;
    ReplaceQuestion m_question;
    qsizetype m_kept = 0;
};

} // namespace brivo::zip

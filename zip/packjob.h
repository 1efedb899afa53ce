// Packing a list of files into a new archive. 7z writes into a private folder beside the archive's
// place; only a complete archive is moved there, in one step, so that an archive chosen for replacing is
// either replaced by the new one or left exactly as it was.
#pragma once

#include "zip/archivejob.h"
#include "zip/sevenzipcommand.h"

#include <QTemporaryDir>

#include <memory>

namespace brivo::zip {

class PackJob : public ArchiveJob
{
    Q_OBJECT
public:
    PackJob(const QString &archive, const PackFormat &format, const QStringList &entries,
            const QString &password, QObject *parent = nullptr);
    ~PackJob() override;

    void start() override;
    void endNow() override;

private:
    void packed();
    bool failed(); // says so when 7z did not succeed; true then

    QString m_archive; // where the archive goes (a link's target when the chosen name is a link)
    PackFormat m_format;
    QStringList m_entries;
    QString m_password;
    std::unique_ptr<QTemporaryDir> m_folder;
};

// Puts `from` in the place of `to` in one step, replacing a file that stands there. False, with the
// reason in `error`, when it cannot.
bool replaceFile(const QString &from, const QString &to, QString *error);

} // namespace brivo::zip

// Packing a list of files into a new archive, or adding them to an existing one. 7z writes into a private
// folder beside the archive's place (adding works on a copy of the archive there); only a complete archive
// is moved there, in one step, so that the archive is either replaced by the new one or left exactly as it
// was.
#pragma once

#include "zip/archivejob.h"
#include "zip/sevenzipcommand.h"

#include <QFutureWatcher>
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

    // Adds to the archive instead of replacing it. With `passwordCheck` (an encrypted entry of the
    // archive), the password is first tried on that entry: new entries never get a password that differs
    // from the old ones'.
    void setAddingTo(const QString &passwordCheck = {});
    // Adds into `folder` of the archive (a path of folder names) instead of at its top.
    void setAddingInto(const QString &folder) { m_into = folder; }

    void start() override;
    void endNow() override;

private:
    void pack();
    void copied();
    void packInto(const QString &made);
    void moveIntoFolder(const QString &made);
    void checkMoved(const QString &made, const QStringList &stored);
    void packed();
    bool failed(); // says so when 7z did not succeed; true then

    QString m_archive; // where the archive goes (a link's target when the chosen name is a link)
    PackFormat m_format;
    QStringList m_entries;
    QString m_password;
    bool m_adding = false;
    QString m_passwordCheck;
    QString m_into;
    std::unique_ptr<QTemporaryDir> m_folder;
    QFutureWatcher<QString> m_copying;
};

// Puts `from` in the place of `to` in one step, replacing a file that stands there. False, with the
// reason in `error`, when it cannot.
bool replaceFile(const QString &from, const QString &to, QString *error);

} // namespace brivo::zip

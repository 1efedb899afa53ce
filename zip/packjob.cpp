#include "zip/packjob.h"

#include "zip/archiveroutputreader.h"
#include "zip/archiververdict.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <cerrno>
#include <cstdio>
#include <cstring>
#endif

namespace brivo::zip {

namespace {

QString shown(const QString &path)
{
    return QLatin1Char('"') + escapedForDisplay(path) + QLatin1Char('"');
}

} // namespace

PackJob::PackJob(const QString &archive, const PackFormat &format, const QStringList &entries,
                 const QString &password, QObject *parent)
    : ArchiveJob(parent), m_archive(archive), m_format(format), m_entries(entries), m_password(password)
{
    setArchive(archive);
    // A chosen name that is a link to an archive replaces the archive, and the link stays, as a save does.
    const QFileInfo info(m_archive);
    if (info.isSymLink() && info.exists())
        m_archive = info.canonicalFilePath();
    connect(&m_copying, &QFutureWatcher<QString>::finished, this, &PackJob::copied);
    // However the job ends, the private folder and any half-made archive in it go.
    connect(this, &ArchiveJob::finished, this, [this] { m_folder.reset(); });
}

PackJob::~PackJob()
{
    endNow();
}

void PackJob::setAddingTo(const QString &passwordCheck)
{
    m_adding = true;
    m_passwordCheck = passwordCheck;
}

void PackJob::start()
{
    if (!m_adding || m_passwordCheck.isEmpty() || m_password.isEmpty()) {
        pack();
        return;
    }
    runArchiver(testArguments(m_archive) << m_passwordCheck, passwordInput(m_password), [this] {
        const Verdict verdict = verdictOf(runLines(), crashed() ? -1 : exitCode(), true);
        if (verdict == Verdict::Ok) {
            pack();
            return;
        }
        emit message(verdictText(verdict, shown(m_archive), QString(), exitCode()) +
                         QStringLiteral(" Nothing was added."),
                     true);
        setVerdict(verdict);
        finish(Result::Failed);
    });
}

void PackJob::pack()
{
    const QFileInfo target(m_archive);
    m_folder = std::make_unique<QTemporaryDir>(target.absolutePath() + QStringLiteral("/.brivo-pack-XXXXXX"));
    if (!m_folder->isValid()) {
        emit message(QStringLiteral("Cannot write in %1: %2")
                         .arg(shown(target.absolutePath()), m_folder->errorString()),
                     true);
        setVerdict(writeVerdict(m_folder->errorString()));
        finish(Result::Failed);
        return;
    }
    const QString made = m_folder->filePath(target.fileName());
    // 7z updates a copy; the archive itself is not touched until the copy is complete. An archive of
    // gigabytes takes a while to copy: not on the window's thread.
    if (m_adding) {
        m_copying.setFuture(QtConcurrent::run([from = m_archive, made] {
            QFile original(from);
            return original.copy(made) ? QString() : original.errorString();
        }));
        return;
    }
    packInto(made);
}

void PackJob::copied()
{
    const QString error = m_copying.result();
    if (!m_folder || isCancelled()) {
        emit message(QStringLiteral("Cancelled."), true);
        finish(Result::Stop);
        return;
    }
    if (!error.isEmpty()) {
        emit message(QStringLiteral("Cannot add to %1: %2").arg(shown(m_archive), error), true);
        setVerdict(writeVerdict(error));
        m_folder.reset();
        finish(Result::Failed);
        return;
    }
    packInto(m_folder->filePath(QFileInfo(m_archive).fileName()));
}

void PackJob::packInto(const QString &made)
{
    // The private folder may lie inside a folder being packed; it is no part of what was chosen.
    const QString privateName = QFileInfo(m_folder->path()).fileName();
    if (!m_format.twoSteps()) {
        // Adding to an archive whose names are encrypted takes the password twice: to open it, and for
        // what is added.
        QByteArray input = passwordInput(m_password);
        if (m_adding)
            input += input;
        // Into a folder of the archive: 7z stores the files under their whole paths, which no entry of an
        // archive has, and they are then renamed into the folder, all in the copy.
        const bool intoFolder = m_adding && !m_into.isEmpty();
        runArchiver(
            packArguments(made, m_format.type, m_entries, !m_password.isEmpty(), privateName, intoFolder),
            input, [this, made, intoFolder] {
                if (intoFolder && !failed())
                    moveIntoFolder(made);
                else
                    packed();
            });
        return;
    }
    // A compressed tar: the tar first, then that tar compressed on its own.
    const QString tar = m_folder->filePath(m_format.tarName);
    runArchiver(packArguments(tar, QStringLiteral("tar"), m_entries, false, privateName), {},
                [this, made, tar] {
                    if (failed())
                        return;
                    runArchiver(packArguments(made, m_format.type, {tar}, false), {}, [this] { packed(); });
                });
}

void PackJob::endNow()
{
    ArchiveJob::endNow();
    m_copying.waitForFinished();
    m_folder.reset();
}

void PackJob::moveIntoFolder(const QString &made)
{
    // The whole paths 7z stored the files under, and the folder's paths they get.
    QStringList stored;
    QList<std::pair<QString, QString>> renames;
    for (const QString &entry : std::as_const(m_entries)) {
        const QFileInfo info(entry);
        stored << info.absoluteFilePath();
        renames.append({stored.last(), m_into + QLatin1Char('/') + info.fileName()});
    }
    QByteArray input = passwordInput(m_password);
    input += input;
    runArchiver(renameArguments(made, renames, !m_password.isEmpty()), input, [this, made, stored] {
        if (!failed())
            checkMoved(made, stored);
    });
}

void PackJob::checkMoved(const QString &made, const QStringList &stored)
{
    // 7z renames nothing, and says nothing, when a name differs from the one it stored: the copy is asked
    // for the whole paths, and one entry still listed under them keeps the archive as it was.
    runArchiver(listArguments(made) << stored, passwordInput(m_password), [this] {
        if (failed())
            return;
        const QStringList &lines = runLines();
        const qsizetype separator = lines.indexOf(QStringLiteral("----------"));
        const bool left =
            separator < 0 || std::any_of(lines.begin() + separator, lines.end(), [](const QString &line) {
                return line.startsWith(QLatin1String("Path = "));
            });
        if (!left) {
            packed();
            return;
        }
        emit message(QStringLiteral("The files could not be put into the folder %1. %2 was left as it was.")
                         .arg(shown(m_into), shown(m_archive)),
                     true);
        setVerdict(Verdict::Failed);
        m_folder.reset();
        finish(Result::Failed);
    });
}

bool PackJob::failed()
{
    if (exitCode() == 0 && !crashed())
        return false;
    const QString kept = m_adding || QFileInfo::exists(m_archive)
                             ? QStringLiteral("%1 was left as it was.").arg(shown(m_archive))
                             : QStringLiteral("Nothing was written.");
    emit message(QStringLiteral("7z could not pack everything (exit code %1). %2").arg(exitCode()).arg(kept),
                 true);
    // Warnings end a packing too: the archive is not written. A file to pack that is not there (7z's
    // output names it) is no missing archive.
    const Verdict verdict = verdictOf(runLines(), crashed() ? -1 : exitCode(), !m_password.isEmpty());
    const bool failedOnly =
        verdict == Verdict::Warnings || verdict == Verdict::Ok || verdict == Verdict::Missing;
    setVerdict(failedOnly ? Verdict::Failed : verdict);
    m_folder.reset();
    finish(Result::Failed);
    return true;
}

void PackJob::packed()
{
    if (failed())
        return;
    QString error;
    if (!replaceFile(m_folder->filePath(QFileInfo(m_archive).fileName()), m_archive, &error)) {
        emit message(QStringLiteral("The new archive could not be put in place of %1: %2")
                         .arg(shown(m_archive), error),
                     true);
        setVerdict(writeVerdict(error));
        m_folder.reset();
        finish(Result::Failed);
        return;
    }
    emit message(
        (m_adding ? QStringLiteral("Added to %1.") : QStringLiteral("Packed into %1.")).arg(shown(m_archive)),
        false);
    m_folder.reset();
    finish(Result::Done);
}

bool replaceFile(const QString &from, const QString &to, QString *error)
{
#ifdef Q_OS_WIN
    if (MoveFileExW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(from).utf16()),
                    reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(to).utf16()),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    *error = qt_error_string(int(GetLastError()));
    return false;
#else
    // rename() replaces the file at `to` in one step: readers see the old archive or the new one.
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    *error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
#endif
}

} // namespace brivo::zip

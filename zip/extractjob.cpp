#include "zip/extractjob.h"

#include "zip/archiveroutputreader.h"
#include "zip/archiververdict.h"
#include "zip/sevenzipcommand.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTemporaryDir>
#include <QtConcurrent/QtConcurrentRun>

namespace brivo::zip {

namespace {

// Refused entries named one by one before the rest are only counted.
constexpr int problemsShown = 20;

QString shown(const QString &path)
{
    return QLatin1Char('"') + escapedForDisplay(path) + QLatin1Char('"');
}

// With `ask`, files whose content would change are named instead of moved, for the question.
// With `keepOnly`, the whole archive was extracted and only those entries (as 7z lists them) stay.
ExtractJob::Placing checkAndPlace(const QString &privateFolder, const QString &destination,
                                  std::shared_ptr<std::atomic_bool> stop, bool ask,
                                  const QStringList &keepOnly)
{
    ExtractJob::Placing placing;
    if (!keepOnly.isEmpty() && keepOnlyListed(privateFolder, keepOnly) == 0) {
        placing.noneFound = true;
        return placing;
    }
    placing.refused = inspectExtracted(privateFolder, destination, stop.get());
    if (placing.refused.isEmpty())
        placing.refused = moveConflicts(privateFolder, destination);
    // Stopping is possible up to here; once entries move, they all do.
    if (stop->load()) {
        placing.stopped = true;
        return placing;
    }
    if (!placing.refused.isEmpty())
        return placing;
    if (ask)
        placing.replacing = replacedFiles(privateFolder, destination);
    if (placing.replacing.isEmpty())
        placing.moved = moveIntoPlace(privateFolder, destination, &placing.error);
    return placing;
}

} // namespace

ExtractJob::ExtractJob(const QString &archive, const QString &password, const QStringList &entries,
                       const QString &destination, QObject *parent)
    : ArchiveJob(parent), m_archive(archive), m_password(password), m_entries(entries),
      m_destination(destination)
{
    setArchive(archive);
    connect(&m_placing, &QFutureWatcher<Placing>::finished, this, &ExtractJob::placed);
    // However the job ends, what 7z wrote in private goes.
    connect(this, &ArchiveJob::finished, this, &ExtractJob::removePrivateFolder);
}

ExtractJob::~ExtractJob()
{
    endNow();
}

void ExtractJob::start()
{
    m_destination = m_destination.isEmpty() ? QFileInfo(m_archive).absoluteDir().absolutePath()
                                            : QFileInfo(m_destination).absoluteFilePath();
    // Inside the destination, so on its file system: the moves into place are renames. Only this user
    // may enter it while 7z writes there.
    QTemporaryDir folder(m_destination + QStringLiteral("/.brivo-extract-XXXXXX"));
    if (!folder.isValid()) {
        emit message(QStringLiteral("Cannot extract %1 into %2: %3")
                         .arg(shown(m_archive), shown(m_destination), folder.errorString()),
                     true);
        setVerdict(writeVerdict(folder.errorString()));
        finish(Result::Failed);
        return;
    }
    folder.setAutoRemove(false);
    m_privateFolder = folder.path();
    // 7z lists a line break in a name as "_", and finds no entry by that name: it is asked for every name
    // the entry may have. One with too many of them is taken from the whole archive, by the names 7z lists.
    QStringList names;
    for (const QString &entry : std::as_const(m_entries)) {
        const QStringList possible = namesListedAs(entry);
        if (possible.isEmpty()) {
            m_keepOnly = m_entries;
            names.clear();
            break;
        }
        names << possible;
    }
    runArchiver(extractArguments(m_archive, m_privateFolder, names), passwordInput(m_password),
                [this] { extracted(); });
}

void ExtractJob::cancel()
{
    m_stop->store(true);
    ArchiveJob::cancel();
}

void ExtractJob::endNow()
{
    m_stop->store(true);
    ArchiveJob::endNow();
    m_placing.waitForFinished();
    removePrivateFolder();
}

void ExtractJob::extracted()
{
    const int code = crashed() ? -1 : exitCode();
    const Verdict verdict = verdictOf(runLines(), code, !m_password.isEmpty());
    if (crashed() || code >= 2 || (verdict != Verdict::Ok && verdict != Verdict::Warnings)) {
        emit message(verdictText(verdict, shown(m_archive), QString(), code) +
                         QStringLiteral(" Nothing was extracted."),
                     true);
        removePrivateFolder();
        setVerdict(verdict);
        finish(Result::Failed);
        return;
    }
    m_warnings = verdict == Verdict::Warnings;
    setVerdict(verdict);
    // Walking and moving what may be a hundred thousand entries is no work for the window's thread.
    m_placing.setFuture(
        QtConcurrent::run(checkAndPlace, m_privateFolder, m_destination, m_stop, true, m_keepOnly));
}

void ExtractJob::placed()
{
    const Placing placing = m_placing.result();
    if (placing.stopped || isCancelled()) {
        removePrivateFolder();
        emit message(QStringLiteral("Cancelled. Nothing was extracted."), true);
        finish(Result::Stop);
        return;
    }
    if (placing.noneFound) {
        removePrivateFolder();
        emit message(verdictText(Verdict::NothingSelected, shown(m_archive), QString(), 0) +
                         QStringLiteral(" Nothing was extracted."),
                     true);
        setVerdict(Verdict::NothingSelected);
        finish(Result::Failed);
        return;
    }
    if (!placing.refused.isEmpty()) {
        QStringList text = {QStringLiteral("Not extracted: %1 was refused.").arg(shown(m_archive))};
        for (qsizetype i = 0; i < placing.refused.size() && i < problemsShown; ++i) {
            const ExtractionProblem &problem = placing.refused.at(i);
            text << QStringLiteral("  %1 %2").arg(shown(problem.entry), problem.reason);
        }
        if (placing.refused.size() > problemsShown)
            text << QStringLiteral("  ... and %1 more").arg(placing.refused.size() - problemsShown);
        text << QStringLiteral("The folder %1 was left as it was.").arg(shown(m_destination));
        emit message(text.join(QLatin1Char('\n')), true);
        removePrivateFolder();
        setVerdict(Verdict::Refused);
        finish(Result::Failed);
        return;
    }
    if (!placing.replacing.isEmpty()) {
        askAndPlace(placing.replacing);
        return;
    }
    removePrivateFolder();
    if (!placing.error.isEmpty()) {
        emit message(
            QStringLiteral("Extracting %1 stopped half-way: %2").arg(shown(m_archive), placing.error), true);
        setVerdict(writeVerdict(placing.error));
        finish(Result::Failed);
        return;
    }
    const QString kept =
        m_kept == 0 ? QString() : QStringLiteral(", keeping %1 existing file(s) of that folder").arg(m_kept);
    emit message(QStringLiteral("Extracted %1 into %2%3%4.")
                     .arg(shown(m_archive), shown(m_destination), kept,
                          m_warnings ? QStringLiteral(", with warnings (see above)") : QString()),
                 m_warnings);
    finish(Result::Done);
}

void ExtractJob::askAndPlace(const QList<ReplacedFile> &replacing)
{
    std::optional<QStringList> kept;
    if (m_question) {
        // The question waits for the user; the job may be ended meanwhile, so nothing of it is used after.
        const QPointer<ExtractJob> alive(this);
        const ReplaceQuestion question = m_question;
        const QString destination = m_destination;
        kept = question(destination, replacing);
        if (!alive)
            return;
    } else {
        kept = QStringList();
        for (const ReplacedFile &file : replacing)
            *kept << file.entry;
    }
    if (!kept || isCancelled() || m_privateFolder.isEmpty()) {
        removePrivateFolder();
        emit message(QStringLiteral("Cancelled. Nothing was extracted; %1 was left as it was.")
                         .arg(shown(m_destination)),
                     true);
        setVerdict(Verdict::Cancelled);
        finish(Result::Stop);
        return;
    }
    for (const QString &entry : std::as_const(*kept))
        leaveOut(m_privateFolder, entry);
    m_kept = kept->size();
    m_placing.setFuture(
        QtConcurrent::run(checkAndPlace, m_privateFolder, m_destination, m_stop, false, QStringList()));
}

void ExtractJob::removePrivateFolder()
{
    if (m_privateFolder.isEmpty())
        return;
    removeTree(m_privateFolder);
    m_privateFolder.clear();
}

} // namespace brivo::zip

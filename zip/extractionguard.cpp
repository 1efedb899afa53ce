#include "zip/extractionguard.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace brivo::zip {

namespace {

// Links may go round in circles; the system gives up after 40 as well.
constexpr int maxLinkHops = 40;

QStringList pathParts(const QString &path)
{
#ifdef Q_OS_WIN
    static const QRegularExpression separators(QStringLiteral("[/\\\\]"));
    return path.split(separators, Qt::SkipEmptyParts);
#else
    return path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
#endif
}

bool isAbsoluteTarget(const QString &target)
{
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:"));
    return target.startsWith(QLatin1Char('/')) || target.startsWith(QLatin1Char('\\')) ||
           drive.match(target).hasMatch();
}

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// What stands at an entry's name in the destination.
enum class Standing
{
    Nothing,
    Folder,
    Link,
    File // or anything else that is not a folder or a link
};

enum class Step
{
    Move,  // nothing there, or a file or link that the entry replaces
    Merge, // a folder of the archive into a folder of the destination
    Refuse
};

// How an entry of the archive goes into the destination, and why not when it cannot.
Step stepFor(bool sourceIsFolder, Standing target, QString *reason)
{
    if (target == Standing::Nothing || (!sourceIsFolder && target != Standing::Folder))
        return Step::Move;
    if (sourceIsFolder && target == Standing::Folder)
        return Step::Merge;
    if (target == Standing::Link)
        *reason =
            QStringLiteral("would be written through a link of that name that is already in the folder, "
                           "which may lead elsewhere");
    else if (sourceIsFolder)
        *reason = QStringLiteral("is a folder, and a file of that name is already there");
    else
        *reason = QStringLiteral("is a file, and a folder of that name is already there");
    return Step::Refuse;
}

// What both ways of moving share: the plan's findings, and what moved.
struct MoveState
{
    bool execute = false;
    QString privateName; // the private folder's own name, which no entry of the top level may take
    QList<ExtractionProblem> conflicts;
    QString error;
    int moved = 0;

    // The entry's path, or nothing when the entry may not go anywhere.
    std::optional<QString> entryFor(const QString &relative, const QString &name)
    {
        const QString entry = relative.isEmpty() ? name : relative + QLatin1Char('/') + name;
        if (relative.isEmpty() && name == privateName) {
            conflicts << ExtractionProblem{entry,
                                           QStringLiteral("has the name of the folder it is unpacked in")};
            return std::nullopt;
        }
        return entry;
    }

    // The step for an entry; a refusal is noted.
    Step step(const QString &entry, bool sourceIsFolder, Standing target)
    {
        QString reason;
        const Step step = stepFor(sourceIsFolder, target, &reason);
        if (step == Step::Refuse)
            conflicts << ExtractionProblem{entry, reason};
        return step;
    }
};

#ifdef Q_OS_UNIX

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

std::optional<QString> symLinkTarget(const QString &path)
{
    struct stat info;
    if (::lstat(encoded(path).constData(), &info) != 0 || !S_ISLNK(info.st_mode))
        return std::nullopt;
    QByteArray target(qMax<qsizetype>(info.st_size, 255) + 1, '\0');
    const ssize_t length = ::readlink(encoded(path).constData(), target.data(), target.size());
    if (length < 0)
        return std::nullopt;
    target.truncate(length);
    return QFile::decodeName(target);
}

bool exists(const QString &path)
{
    struct stat info;
    return ::lstat(encoded(path).constData(), &info) == 0;
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// A folder opened for the moves: never a link, whatever stands at its name now.
int openFolderAt(int parent, const char *name)
{
    return ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

class Mover : public MoveState
{
public:
    void moveFolder(int from, int to, const QString &relative)
    {
        for (const QByteArray &name : names(from)) {
            if (!error.isEmpty())
                return;
            const std::optional<QString> entry = entryFor(relative, QFile::decodeName(name));
            if (!entry)
                continue;
            struct stat source;
            struct stat target;
            if (::fstatat(from, name.constData(), &source, AT_SYMLINK_NOFOLLOW) != 0) {
                error = QStringLiteral("%1: %2").arg(*entry, systemError(errno));
                return;
            }
            Standing standing = Standing::Nothing;
            if (::fstatat(to, name.constData(), &target, AT_SYMLINK_NOFOLLOW) == 0)
                standing = S_ISDIR(target.st_mode)   ? Standing::Folder
                           : S_ISLNK(target.st_mode) ? Standing::Link
                                                     : Standing::File;
            const Step next = step(*entry, S_ISDIR(source.st_mode), standing);
            if (next == Step::Merge) {
                descend(from, to, name, *entry);
            } else if (next == Step::Move && execute) {
                // A file or link of the destination is replaced itself; renameat never follows a link.
                if (::renameat(from, name.constData(), to, name.constData()) != 0) {
                    error = QStringLiteral("%1 could not be moved into place: %2")
                                .arg(*entry, systemError(errno));
                    return;
                }
                ++moved;
            }
        }
    }

private:
    void descend(int from, int to, const QByteArray &name, const QString &entry)
    {
        const int subFrom = openFolderAt(from, name.constData());
        const int subTo = openFolderAt(to, name.constData());
        if (subFrom >= 0 && subTo >= 0) {
            moveFolder(subFrom, subTo, entry);
        } else if (execute) {
            // The destination's folder became a link (or vanished) after the plan: do not go through it.
            error = QStringLiteral("%1 could not be moved into place: %2").arg(entry, systemError(errno));
        }
        if (subFrom >= 0)
            ::close(subFrom);
        if (subTo >= 0)
            ::close(subTo);
    }

    static QList<QByteArray> names(int folder)
    {
        // Read first, then moved: a folder's listing is not changed while it is being read.
        QList<QByteArray> found;
        const int copy = ::dup(folder);
        DIR *dir = copy >= 0 ? ::fdopendir(copy) : nullptr;
        if (!dir) {
            if (copy >= 0)
                ::close(copy);
            return found;
        }
        while (const dirent *entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != "..")
                found.append(name);
        }
        ::closedir(dir);
        return found;
    }
};

int runMover(Mover &mover, const QString &privateFolder, const QString &destination)
{
    const int from =
        ::open(encoded(privateFolder).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const int to = ::open(encoded(destination).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (from < 0 || to < 0)
        mover.error =
            QStringLiteral("%1: %2").arg(from < 0 ? privateFolder : destination, systemError(errno));
    else
        mover.moveFolder(from, to, QString());
    if (from >= 0)
        ::close(from);
    if (to >= 0)
        ::close(to);
    return mover.moved;
}

#else // not Q_OS_UNIX

std::optional<QString> symLinkTarget(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return std::nullopt;
    return info.symLinkTarget();
}

bool exists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// Without the POSIX calls the moves go by name; links are looked at before each step.
class Mover : public MoveState
{
public:
    void moveFolder(const QString &from, const QString &to, const QString &relative)
    {
        const QFileInfoList found =
            QDir(from).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QFileInfo &source : found) {
            if (!error.isEmpty())
                return;
            const std::optional<QString> entry = entryFor(relative, source.fileName());
            if (!entry)
                continue;
            const QFileInfo target(to + QLatin1Char('/') + source.fileName());
            Standing standing = Standing::Nothing;
            if (target.isSymLink() || target.isJunction())
                standing = Standing::Link;
            else if (target.exists())
                standing = target.isDir() ? Standing::Folder : Standing::File;
            const Step next = step(*entry, source.isDir() && !source.isSymLink(), standing);
            if (next == Step::Merge) {
                moveFolder(source.filePath(), target.filePath(), *entry);
            } else if (next == Step::Move && execute) {
                if (standing != Standing::Nothing)
                    QFile::remove(target.filePath());
                if (!QFile::rename(source.filePath(), target.filePath())) {
                    error = QStringLiteral("%1 could not be moved into place").arg(*entry);
                    return;
                }
                ++moved;
            }
        }
    }
};

int runMover(Mover &mover, const QString &privateFolder, const QString &destination)
{
    mover.moveFolder(privateFolder, destination, QString());
    return mover.moved;
}

#endif

QString problemForType(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat info;
    if (::lstat(encoded(path).constData(), &info) != 0)
        return QStringLiteral("cannot be examined: %1").arg(systemError(errno));
    if (S_ISREG(info.st_mode) || S_ISDIR(info.st_mode) || S_ISLNK(info.st_mode))
        return {};
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode))
        return QStringLiteral("is a device");
    if (S_ISFIFO(info.st_mode))
        return QStringLiteral("is a fifo (a named pipe)");
    if (S_ISSOCK(info.st_mode))
        return QStringLiteral("is a socket");
    return QStringLiteral("is not a file, folder or link");
#else
    const QFileInfo info(path);
    return info.isFile() || info.isDir() || info.isSymLink()
               ? QString()
               : QStringLiteral("is not a file, folder or link");
#endif
}

} // namespace

bool linkStaysInside(const QString &linkPath, const QString &target,
                     const std::function<std::optional<QString>(const QString &)> &readLink)
{
    if (isAbsoluteTarget(target))
        return false;
    QStringList resolved = pathParts(linkPath);
    if (!resolved.isEmpty())
        resolved.removeLast(); // a relative target starts from the link's own folder
    QStringList pending = pathParts(target);
    int hops = 0;
    while (!pending.isEmpty()) {
        const QString part = pending.takeFirst();
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (resolved.isEmpty())
                return false;
            resolved.removeLast();
            continue;
        }
        resolved.append(part);
        const std::optional<QString> next = readLink(resolved.join(QLatin1Char('/')));
        if (!next)
            continue;
        if (++hops > maxLinkHops || isAbsoluteTarget(*next))
            return false;
        resolved.removeLast();
        pending = pathParts(*next) + pending;
    }
    return true;
}

QList<ExtractionProblem> inspectExtracted(const QString &privateFolder, const QString &destination,
                                          const std::atomic_bool *stop)
{
    // What stands at a path once the extracted entries have joined the destination: the extracted entry
    // when there is one, else what the destination already holds.
    const auto readLink = [&](const QString &relative) -> std::optional<QString> {
        const QString extracted = privateFolder + QLatin1Char('/') + relative;
        if (exists(extracted))
            return symLinkTarget(extracted);
        return symLinkTarget(destination + QLatin1Char('/') + relative);
    };

    QList<ExtractionProblem> problems;
#ifdef Q_OS_UNIX
    struct Shared
    {
        QString firstPath;
        nlink_t links = 0;
        nlink_t seen = 0;
    };
    QHash<QPair<quint64, quint64>, Shared> sharedFiles;
#endif
    QDirIterator it(privateFolder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        if (stop && stop->load())
            break;
        const QString path = it.next();
        const QString relative = path.mid(privateFolder.size() + 1);
        if (const std::optional<QString> target = symLinkTarget(path)) {
            if (!linkStaysInside(relative, *target, readLink)) {
                problems << ExtractionProblem{
                    relative,
                    QStringLiteral("is a link to %1, which leads out of the folder").arg(quoted(*target))};
            }
            continue;
        }
        if (const QString problem = problemForType(path); !problem.isEmpty()) {
            problems << ExtractionProblem{relative, problem};
            continue;
        }
#ifdef Q_OS_UNIX
        struct stat info;
        if (::lstat(encoded(path).constData(), &info) != 0)
            continue;
        // A folder that cannot be listed hides what is in it, and would be moved with it unchecked.
        if (S_ISDIR(info.st_mode) && ::access(encoded(path).constData(), R_OK | X_OK) != 0) {
            problems << ExtractionProblem{relative,
                                          QStringLiteral("is a folder that cannot be read, so what it "
                                                         "holds cannot be checked")};
        }
        if (S_ISREG(info.st_mode) && info.st_nlink > 1) {
            Shared &shared = sharedFiles[{quint64(info.st_dev), quint64(info.st_ino)}];
            if (shared.seen++ == 0)
                shared.firstPath = relative;
            shared.links = info.st_nlink;
        }
#endif
    }
#ifdef Q_OS_UNIX
    // Hard links among the archive's own files are fine; a file with more names than the folder holds
    // shares its data with a file elsewhere, which writing to it would change.
    for (const Shared &shared : std::as_const(sharedFiles)) {
        if (shared.seen < shared.links) {
            problems << ExtractionProblem{shared.firstPath,
                                          QStringLiteral("is a hard link to a file outside the folder")};
        }
    }
#endif
    return problems;
}

QList<ExtractionProblem> moveConflicts(const QString &privateFolder, const QString &destination)
{
    Mover mover;
    mover.privateName = QFileInfo(privateFolder).fileName();
    runMover(mover, privateFolder, destination);
    if (!mover.error.isEmpty())
        mover.conflicts << ExtractionProblem{QString(), mover.error};
    return mover.conflicts;
}

int moveIntoPlace(const QString &privateFolder, const QString &destination, QString *error)
{
    // Planned first, so that nothing moves when something is in the way.
    const QList<ExtractionProblem> conflicts = moveConflicts(privateFolder, destination);
    Mover mover;
    mover.execute = true;
    mover.privateName = QFileInfo(privateFolder).fileName();
    int moved = 0;
    if (conflicts.isEmpty())
        moved = runMover(mover, privateFolder, destination);
    else
        mover.conflicts = conflicts;
    if (mover.error.isEmpty() && !mover.conflicts.isEmpty()) {
        const ExtractionProblem &first = mover.conflicts.constFirst();
        mover.error = quoted(first.entry) + QLatin1Char(' ') + first.reason;
    }
    if (error)
        *error = mover.error;
    return moved;
}

bool removeTree(const QString &folder)
{
#ifdef Q_OS_UNIX
    // A read-only folder of the archive keeps its entries until it may be written again.
    QDirIterator it(folder, QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    QStringList folders = {folder};
    while (it.hasNext())
        folders << it.next();
    for (const QString &path : std::as_const(folders)) {
        struct stat info;
        if (::lstat(encoded(path).constData(), &info) == 0 && S_ISDIR(info.st_mode))
            ::chmod(encoded(path).constData(), (info.st_mode & 07777) | S_IRWXU);
    }
#endif
    return QDir(folder).removeRecursively();
}

} // namespace brivo::zip

#include "zip/extractionguard.h"

#include "zip/archiveroutputreader.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

#include <algorithm>
#include <functional>

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
    bool collectReplaced = false; // while planning: note the files of the destination that would change
    QList<ReplacedFile> replaced;
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

// Paths here hold names as rawName() reads them, so that a name that is not valid UTF-8 still names its
// entry.
QByteArray encoded(const QString &path)
{
    return rawBytes(path);
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
    return rawName(target);
}

bool exists(const QString &path)
{
    struct stat info;
    return ::lstat(encoded(path).constData(), &info) == 0;
}

bool isFolder(const QString &path)
{
    struct stat info;
    return ::lstat(encoded(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
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

// The names in an open folder, as bytes; "." and ".." left out. Read first, then acted on: a folder's
// listing is not changed while it is being read.
QList<QByteArray> namesIn(int folder)
{
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

QList<QByteArray> namesIn(const QByteArray &path)
{
    const int folder = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0)
        return {};
    QList<QByteArray> names = namesIn(folder);
    ::close(folder);
    return names;
}

QDateTime modified(const struct stat &info)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(info.st_mtim.tv_sec) * 1000 +
                                          info.st_mtim.tv_nsec / 1000000);
}

// Whether the regular files `name` in the folders `a` and `b` hold the same bytes.
bool sameContent(int a, int b, const char *name, qint64 size)
{
    const int fileA = ::openat(a, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    const int fileB = ::openat(b, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    bool same = fileA >= 0 && fileB >= 0;
    QByteArray bufferA(64 * 1024, Qt::Uninitialized);
    QByteArray bufferB(64 * 1024, Qt::Uninitialized);
    for (qint64 left = size; same && left > 0;) {
        const ssize_t readA = ::read(fileA, bufferA.data(), size_t(qMin<qint64>(left, bufferA.size())));
        const ssize_t readB = readA > 0 ? ::read(fileB, bufferB.data(), size_t(readA)) : -1;
        same = readA > 0 && readB == readA &&
               std::memcmp(bufferA.constData(), bufferB.constData(), size_t(readA)) == 0;
        left -= readA;
    }
    for (const int file : {fileA, fileB}) {
        if (file >= 0)
            ::close(file);
    }
    return same;
}

class Mover : public MoveState
{
public:
    void moveFolder(int from, int to, const QString &relative)
    {
        for (const QByteArray &name : namesIn(from)) {
            if (!error.isEmpty())
                return;
            const std::optional<QString> entry = entryFor(relative, rawName(name));
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
            if (next == Step::Move && collectReplaced && standing == Standing::File &&
                S_ISREG(target.st_mode) &&
                !(S_ISREG(source.st_mode) && source.st_size == target.st_size &&
                  sameContent(from, to, name.constData(), source.st_size))) {
                replaced << ReplacedFile{*entry, qint64(source.st_size), modified(source),
                                         qint64(target.st_size), modified(target)};
            }
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

bool isFolder(const QString &path)
{
    const QFileInfo info(path);
    return info.isDir() && !info.isSymLink() && !info.isJunction();
}

bool sameContent(const QString &a, const QString &b)
{
    QFile fileA(a);
    QFile fileB(b);
    if (!fileA.open(QIODevice::ReadOnly) || !fileB.open(QIODevice::ReadOnly))
        return false;
    while (!fileA.atEnd()) {
        if (fileA.read(64 * 1024) != fileB.read(64 * 1024))
            return false;
    }
    return fileB.atEnd();
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
            if (next == Step::Move && collectReplaced && standing == Standing::File && target.isFile() &&
                !(source.isFile() && !source.isSymLink() && source.size() == target.size() &&
                  sameContent(source.filePath(), target.filePath()))) {
                replaced << ReplacedFile{*entry, source.size(), source.lastModified(), target.size(),
                                         target.lastModified()};
            }
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

// Calls `visit` with the path below `folder` of every entry there, folders before what they hold, without
// following links; stops when `visit` returns false. Names are read as the file system holds them, so that
// no entry is left out (a name that is not valid UTF-8 included).
bool walkBelow(const QString &folder, const QString &relative,
               const std::function<bool(const QString &)> &visit)
{
    const QString path = relative.isEmpty() ? folder : folder + QLatin1Char('/') + relative;
#ifdef Q_OS_UNIX
    for (const QByteArray &bytes : namesIn(encoded(path))) {
        const QString name = rawName(bytes);
#else
    for (const QString &name :
         QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
#endif
        const QString entry = relative.isEmpty() ? name : relative + QLatin1Char('/') + name;
        if (!visit(entry))
            return false;
        const QString entryPath = folder + QLatin1Char('/') + entry;
        if (isFolder(entryPath) && !walkBelow(folder, entry, visit))
            return false;
    }
    return true;
}

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
    walkBelow(privateFolder, QString(), [&](const QString &relative) {
        if (stop && stop->load())
            return false;
        const QString path = privateFolder + QLatin1Char('/') + relative;
        if (const std::optional<QString> target = symLinkTarget(path)) {
            if (!linkStaysInside(relative, *target, readLink)) {
                problems << ExtractionProblem{
                    relative,
                    QStringLiteral("is a link to %1, which leads out of the folder").arg(quoted(*target))};
            }
            return true;
        }
        if (const QString problem = problemForType(path); !problem.isEmpty()) {
            problems << ExtractionProblem{relative, problem};
            return true;
        }
#ifdef Q_OS_UNIX
        struct stat info;
        if (::lstat(encoded(path).constData(), &info) != 0)
            return true;
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
        return true;
    });
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

QList<ReplacedFile> replacedFiles(const QString &privateFolder, const QString &destination)
{
    Mover mover;
    mover.collectReplaced = true;
    mover.privateName = QFileInfo(privateFolder).fileName();
    runMover(mover, privateFolder, destination);
    // Asked about in the order a person reads a listing.
    std::sort(mover.replaced.begin(), mover.replaced.end(),
              [](const ReplacedFile &a, const ReplacedFile &b) { return a.entry < b.entry; });
    return mover.replaced;
}

bool leaveOut(const QString &privateFolder, const QString &entry)
{
    const QString path = privateFolder + QLatin1Char('/') + entry;
#ifdef Q_OS_UNIX
    return ::unlink(encoded(path).constData()) == 0;
#else
    return QFile::remove(path);
#endif
}

QString listedName(const QString &path)
{
    QString name = path;
    name.replace(QLatin1Char('\n'), QLatin1Char('_'));
    while (name.startsWith(QLatin1String("./")))
        name.remove(0, 2);
    return name;
}

QStringList namesListedAs(const QString &listed, int most)
{
    // A name that is not UTF-8 (rawName()) cannot be handed to 7z as an argument at all.
    if (rawBytes(listed) != listed.toUtf8())
        return {};
    QList<qsizetype> blanks;
    for (qsizetype i = listed.indexOf(QLatin1Char('_')); i >= 0; i = listed.indexOf(QLatin1Char('_'), i + 1))
        blanks.append(i);
    if (blanks.size() > 30 || (qint64(1) << blanks.size()) > most)
        return {};
    QStringList names;
    for (quint32 pattern = 0; pattern < (quint32(1) << blanks.size()); ++pattern) {
        QString name = listed;
        for (qsizetype bit = 0; bit < blanks.size(); ++bit) {
            if (pattern & (quint32(1) << bit))
                name[blanks.at(bit)] = QLatin1Char('\n');
        }
        names.append(name);
    }
    return names;
}

int keepOnlyListed(const QString &privateFolder, const QStringList &listed)
{
    QSet<QString> wanted;
    for (const QString &name : listed)
        wanted.insert(listedName(name));
    // Folders on the way to a wanted entry are kept, and walked into.
    QSet<QString> onTheWay;
    for (const QString &name : std::as_const(wanted)) {
        for (qsizetype slash = name.indexOf(QLatin1Char('/')); slash > 0;
             slash = name.indexOf(QLatin1Char('/'), slash + 1))
            onTheWay.insert(name.left(slash));
    }
    int found = 0;
    QStringList unwanted;
    walkBelow(privateFolder, QString(), [&](const QString &relative) {
        const QString name = listedName(relative);
        for (qsizetype slash = name.size(); slash > 0;
             slash = name.lastIndexOf(QLatin1Char('/'), slash - 1)) {
            if (wanted.contains(name.left(slash))) {
                found += slash == name.size() ? 1 : 0;
                return true;
            }
        }
        if (!onTheWay.contains(name))
            unwanted << relative;
        return true;
    });
    // Deepest first, so that a folder is removed after what it holds.
    std::sort(unwanted.begin(), unwanted.end(), std::greater<>());
    for (const QString &relative : std::as_const(unwanted)) {
        const QString path = privateFolder + QLatin1Char('/') + relative;
        if (isFolder(path))
            removeTree(path);
        else
            leaveOut(privateFolder, relative);
    }
    return found;
}

#ifdef Q_OS_UNIX
namespace {
bool removeRaw(const QByteArray &path)
{
    struct stat info;
    if (::lstat(path.constData(), &info) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(info.st_mode))
        return ::unlink(path.constData()) == 0;
    // A read-only folder of the archive keeps its entries until it may be written again.
    ::chmod(path.constData(), (info.st_mode & 07777) | S_IRWXU);
    bool removed = true;
    for (const QByteArray &name : namesIn(path))
        removed = removeRaw(path + '/' + name) && removed;
    return ::rmdir(path.constData()) == 0 && removed;
}
} // namespace
#endif

bool removeTree(const QString &folder)
{
#ifdef Q_OS_UNIX
    // By the names' bytes: a name the toolkit cannot read back would keep its folder from going.
    return removeRaw(encoded(folder));
#else
    return QDir(folder).removeRecursively();
#endif
}

} // namespace brivo::zip

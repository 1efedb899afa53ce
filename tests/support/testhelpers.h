// Small helpers the tests share: drops, temporary tool roots, finding windows.
#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWidget>

#include <optional>

// QTRY_VERIFY and QTRY_COMPARE give up after five seconds unless told otherwise. A shared CI machine has
// run whole test programs ten times slower than a desk machine, and a wait ends as soon as its state
// holds: thirty seconds costs nothing while the code works and keeps a slow machine from failing it.
#undef QTRY_VERIFY
#define QTRY_VERIFY(expr) QTRY_VERIFY_WITH_TIMEOUT((expr), 30000)
#undef QTRY_COMPARE
#define QTRY_COMPARE(expr, expected) QTRY_COMPARE_WITH_TIMEOUT((expr), (expected), 30000)

class QMimeData;

namespace brivo::test {

// Delivers a drop of `data` to `target` as the window system would after a drag, entering first.
// Returns whether the drop was accepted.
bool sendDrop(QWidget *target, QMimeData *data, std::optional<QPoint> at = {});
bool sendDropUrls(QWidget *target, const QList<QUrl> &urls, std::optional<QPoint> at = {});

// Visible top-level windows of type T (by qobject_cast), oldest first.
template <typename T> QList<T *> visibleWindows()
{
    QList<T *> found;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *t = qobject_cast<T *>(w); t && t->isVisible())
            found.append(t);
    return found;
}

// Deletes every kept window and hides every other top-level widget, so that tests start clean.
void closeAllWindows();

// Writes `bytes` to `path`, creating folders; false when it cannot.
bool writeFile(const QString &path, const QByteArray &bytes);
QByteArray readFile(const QString &path);

// Sets the environment variable `name` while it exists, and puts back what it was before.
class ScopedEnvironmentVariable
{
public:
    ScopedEnvironmentVariable(const char *name, const QByteArray &value) : m_name(name)
    {
        qputenv(name, value);
    }
    ~ScopedEnvironmentVariable() { m_hadPrevious ? qputenv(m_name, m_previous) : qunsetenv(m_name); }
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable &) = delete;
    ScopedEnvironmentVariable &operator=(const ScopedEnvironmentVariable &) = delete;

private:
    const char *m_name;
    QByteArray m_previous = qgetenv(m_name);
    bool m_hadPrevious = qEnvironmentVariableIsSet(m_name);
};
// Waits up to `ms` for the process `pid` to be gone; true when it is.
bool waitForProcessEnd(qint64 pid, int ms);

// A temporary folder that stands as the tool root ($BRIVO_ROOT) while it exists.
class TemporaryToolRoot
{
public:
    QString path() const { return m_dir.path(); }
    // Creates a folder (and its parents) below the root.
    QString makeFolder(const QString &relative) const
    {
        QDir().mkpath(m_dir.filePath(relative));
        return m_dir.filePath(relative);
    }

private:
    QTemporaryDir m_dir;
    ScopedEnvironmentVariable m_root{"BRIVO_ROOT", QFile::encodeName(m_dir.path())};
};

// Changes the process's current directory while it exists.
class CurrentDirectory
{
public:
    explicit CurrentDirectory(const QString &path) : m_previous(QDir::currentPath())
    {
        QDir::setCurrent(path);
    }
    ~CurrentDirectory() { QDir::setCurrent(m_previous); }

private:
    QString m_previous;
};

// Points the state folder ($BRIVO_STATE_DIR) at a temporary folder while it exists.
class TemporaryStateFolder
{
public:
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    ScopedEnvironmentVariable m_state{"BRIVO_STATE_DIR", QFile::encodeName(m_dir.path())};
};

// Folder permissions do not stop root. While this exists, a process that runs as root acts as the user
// "nobody" (its effective user and group), so that a read-only folder is read-only to it; folders it
// must write to need write permission for others. Other processes are left as they are.
class ActAsNobody
{
public:
    ActAsNobody();
    ~ActAsNobody();

private:
    bool m_switched = false;
};

// Makes `folder` and everything in it open to every user, as files that ActAsNobody must reach need.
void openToEveryone(const QString &folder);

// Writes to files fail beyond `bytes` while it exists (the process's file size limit), as on a full disk.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();

private:
    qint64 m_previous = -1;
};

// A PDF with one page for each size (in points) and colour given ("1 0 0" is red), filled with the colour
// and with a black half-inch square in its top left corner (blank without a colour), with a correct
// cross-reference table.
QByteArray makePdf(const QList<std::pair<QSize, QByteArray>> &pages);
// A PDF file of the given objects, numbered from 1 in order; object 1 is the catalogue.
QByteArray pdfFromObjects(const QList<QByteArray> &objects);

// A mono 16-bit PCM WAV file holding `ms` milliseconds of silence.
QByteArray wavBytes(int ms);

// A GIF of `frames` 1 x 1 frames, red, green, blue and again, 20 ms each; looping forever when `loop`.
QByteArray gifAnimation(int frames, bool loop);

} // namespace brivo::test

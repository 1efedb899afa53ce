// Small helpers the tests share: drops, temporary tool roots, finding windows.
#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>

class QMimeData;

namespace brivo::test {

// Delivers a drop of `data` to `target` as the window system would after a drag, entering first.
// Returns whether the drop was accepted.
bool sendDrop(QWidget *target, QMimeData *data);
bool sendDropUrls(QWidget *target, const QList<QUrl> &urls);

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

// Waits up to `ms` for the process `pid` to be gone; true when it is.
bool waitForProcessEnd(qint64 pid, int ms);

// A temporary folder that stands as the tool root ($BRIVO_ROOT) while it exists.
class TemporaryToolRoot
{
public:
    TemporaryToolRoot() { qputenv("BRIVO_ROOT", QFile::encodeName(m_dir.path())); }
    ~TemporaryToolRoot() { m_hadPrevious ? qputenv("BRIVO_ROOT", m_previous) : qunsetenv("BRIVO_ROOT"); }
    QString path() const { return m_dir.path(); }
    // Creates a folder (and its parents) below the root.
    QString makeFolder(const QString &relative) const
    {
        QDir().mkpath(m_dir.filePath(relative));
        return m_dir.filePath(relative);
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_previous = qgetenv("BRIVO_ROOT");
    bool m_hadPrevious = qEnvironmentVariableIsSet("BRIVO_ROOT");
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

// A PDF with one page for each size (in points) and colour given ("1 0 0" is red), filled with the colour
// and with a black half-inch square in its top left corner (blank without a colour), with a correct
// cross-reference table.
QByteArray makePdf(const QList<std::pair<QSize, QByteArray>> &pages);

// A mono 16-bit PCM WAV file holding `ms` milliseconds of silence.
QByteArray wavBytes(int ms);

} // namespace brivo::test

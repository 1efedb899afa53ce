// Recovery copies: the unsaved text of the editors, kept in the user's state folder so that a crash loses at
// most the last moments of typing, and offered back at the next start.
#pragma once

#include "brivo_core_export.h"

#include "common/textdocumentfile.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <functional>
#include <memory>
#include <vector>

class QLockFile;

namespace brivo {

// What a recovery copy records besides its text.
struct RecoveryCopy
{
    QString tool;            // the tool that holds the document: "notepad" or "ide"
    QString path;            // the document's file; empty for a document never saved
    TextFormat format;       // how that file stores its text, for saving it back the same way
    int cursor = 0;          // the text cursor's position
    QDateTime time;          // when the copy was taken
    bool beforeSave = false; // the content a file had before a save that could only be made in place
    bool damaged = false;    // its description could not be read: a text of unknown file, read as a file is
    // Set by the store.
    QString id;       // the copy's name in the folder of the process that keeps it
    QString textPath; // the file that holds the text
    qint64 size = 0;  // that file's size in bytes
};

// <state folder>/recovery. Each running Brivo process keeps its copies in a folder of its own there, and
// holds a lock file beside it for as long as it runs.
BRIVO_CORE_EXPORT QString recoveryFolder();

// The text of a copy as an editor takes it: LF line ends, the ones that differ from the most common one
// in `exceptions`, and the format to save it in. False, with the reason in `error`, when it cannot be read.
bool readRecoveredText(const RecoveryCopy &copy, QString *text, TextFormat *format,
                       LineEndExceptions *exceptions, QString *error);

// readRecoveredText() into a new plain-text document, as loadTextDocument() reads a file.
LoadedDocument loadRecoveredDocument(const RecoveryCopy &copy, const QFont &font, QThread *documentThread);

// This process's recovery copies. Writes and removals run one after another, in the order asked for, on a
// worker thread: the GUI thread never waits for the disk for them.
class BRIVO_CORE_EXPORT RecoveryStore : public QObject
{
    Q_OBJECT
public:
    // The process's store, made on first use and freed with the application object.
    static RecoveryStore *instance();
    ~RecoveryStore() override;

    // A name for a new copy, unique in this process.
    QString newId();

    // Writes the copy `copy.id` (replacing what was there) with `text` as its text, in UTF-8 with every line
    // end as the document has it. `done` runs afterwards on the GUI thread, unless `context` is gone by then.
    void write(const RecoveryCopy &copy, CapturedText text, LineSeparators separators, QObject *context,
               std::function<void(bool written)> done);

    // Removes the copy `id`, after every write asked for before.
    void remove(const QString &id);

    // Keeps `content`, the content of the file at `path` (made absolute) before it is written in place, as a
    // copy of its own (offered back after a crash like any other), at once. Returns the file that holds it,
    // or an empty string with the reason in `error`.
    QString keepBeforeSave(const QString &path, const QByteArray &content, const QString &tool,
                           QString *error);
    // Removes such a copy, by the file keepBeforeSave() returned.
    void discardKept(const QString &textPath);
    // Removes every such copy of the file at `path`: once it is saved, its old content is not wanted back.
    void discardKeptOf(const QString &path);

    // Makes `copy` (of a process that ended) one of this process's copies; `copy` then names it anew.
    bool adopt(RecoveryCopy *copy, QString *error);

    // Waits until every write and removal asked for is done.
    void waitForWrites();

    // This process's folder; it exists from the first copy on.
    QString folder() const;
    // This process's copies as they stand on the disk, in no particular order.
    QList<RecoveryCopy> copies() const;

private:
    RecoveryStore();
    bool ensureSession(QString *error);
    bool writeCopyFiles(const RecoveryCopy &copy, const QByteArray &text, QString *error);
    void removeCopyFiles(const QString &id);
    void warnOnce(const QString &error);

    QThreadPool m_worker;
    mutable QMutex m_mutex; // the session: made by whichever thread writes first
    QString m_session;
    std::unique_ptr<QLockFile> m_lock;
    QAtomicInt m_nextId;
    bool m_warned = false;
};

// The copies left by Brivo processes that no longer run. Finding them takes those processes' locks, so that
// no other Brivo process offers the same copies at the same time; a process whose lock is held is running,
// and its copies are never touched. Letting go without Restore or Discard keeps the copies for the next
// start (Later).
class BRIVO_CORE_EXPORT OrphanedCopies
{
public:
    OrphanedCopies();
    ~OrphanedCopies();
    OrphanedCopies(const OrphanedCopies &) = delete;
    OrphanedCopies &operator=(const OrphanedCopies &) = delete;

    // Oldest first.
    const QList<RecoveryCopy> &copies() const { return m_copies; }

    // Moves every copy into this process's store and returns them as they are named there. A copy that
    // cannot be moved stays where it was, for the next start.
    QList<RecoveryCopy> adoptAll();
    // Deletes every copy.
    void discardAll();

private:
    struct Session
    {
        QString folder;
        std::unique_ptr<QLockFile> lock;
    };
    std::vector<Session> m_sessions;
    QList<RecoveryCopy> m_copies;
};

} // namespace brivo

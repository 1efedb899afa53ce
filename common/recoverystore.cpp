#include "common/recoverystore.h"

#include "common/statefolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QPointer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QStringDecoder>
#include <QTextDocument>
#include <QThread>

#include <algorithm>

namespace brivo {

namespace {

// A copy is two files in its process's folder: "<id>.json" says what the copy is and names the other,
// "<id>-<file name>" holds the text (UTF-8 with every line end as the document has it, so that a person
// can read it too), or a file's old content byte for byte.
constexpr char kMetaSuffix[] = ".json";

const char *const kEncodings[] = {"utf-8", "utf-8-bom", "8-bit", "utf-16le", "utf-16be"};
const char *const kLineEnds[] = {"lf", "crlf", "cr"};

template <typename Enum, std::size_t N> Enum fromName(const char *const (&names)[N], const QString &name)
{
    for (std::size_t i = 0; i < N; ++i) {
        if (name == QLatin1String(names[i]))
            return Enum(i);
    }
    return Enum(0);
}

QJsonObject toJson(const RecoveryCopy &copy, const QString &textName)
{
    return {{QStringLiteral("tool"), copy.tool},
            {QStringLiteral("path"), copy.path},
            {QStringLiteral("encoding"), QLatin1String(kEncodings[int(copy.format.encoding)])},
            {QStringLiteral("lineEnd"), QLatin1String(kLineEnds[int(copy.format.lineEnd)])},
            {QStringLiteral("cursor"), copy.cursor},
            {QStringLiteral("time"), copy.time.toUTC().toString(Qt::ISODateWithMs)},
            {QStringLiteral("beforeSave"), copy.beforeSave},
            {QStringLiteral("damaged"), copy.damaged},
            {QStringLiteral("text"), textName}};
}

// The copy that `metaPath` describes; false when it is not one (broken, or its text is missing).
bool readCopy(const QString &metaPath, RecoveryCopy *copy)
{
    QFile file(metaPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
    const QString textName = json.value(QStringLiteral("text")).toString();
    // The text lives beside its description, whatever the name says.
    if (textName.isEmpty() || textName.contains(QLatin1Char('/')) || textName.contains(QLatin1Char('\\')))
        return false;
    const QFileInfo text(QFileInfo(metaPath).dir(), textName);
    if (!text.isFile())
        return false;
    copy->tool = json.value(QStringLiteral("tool")).toString();
    copy->path = json.value(QStringLiteral("path")).toString();
    copy->format.encoding =
        fromName<TextEncoding>(kEncodings, json.value(QStringLiteral("encoding")).toString());
    copy->format.lineEnd = fromName<LineEnd>(kLineEnds, json.value(QStringLiteral("lineEnd")).toString());
    copy->cursor = json.value(QStringLiteral("cursor")).toInt();
    copy->time = QDateTime::fromString(json.value(QStringLiteral("time")).toString(), Qt::ISODateWithMs);
    copy->beforeSave = json.value(QStringLiteral("beforeSave")).toBool();
    copy->damaged = json.value(QStringLiteral("damaged")).toBool();
    copy->id = QFileInfo(metaPath).completeBaseName();
    copy->textPath = text.absoluteFilePath();
    copy->size = text.size();
    return true;
}

// The copies in `folder`. A text whose description cannot be read (cut short, or edited by hand) is offered
// all the same, as an untitled document: deleting it with the description would lose the only copy of text
// that nothing else holds.
QList<RecoveryCopy> copiesIn(const QString &folder)
{
    QList<RecoveryCopy> found;
    QSet<QString> described;
    const QDir dir(folder);
    for (const QString &meta :
         dir.entryList({QStringLiteral("*") + QLatin1String(kMetaSuffix)}, QDir::Files | QDir::Hidden)) {
        RecoveryCopy copy;
        if (readCopy(folder + QLatin1Char('/') + meta, &copy)) {
            found.append(copy);
            described.insert(copy.id);
        }
    }
    static const QRegularExpression textName(QStringLiteral("^([0-9]+)-"));
    for (const QFileInfo &text : dir.entryInfoList(QDir::Files | QDir::Hidden)) {
        const QRegularExpressionMatch match = textName.match(text.fileName());
        if (!match.hasMatch() || described.contains(match.captured(1)))
            continue;
        RecoveryCopy copy;
        copy.tool = QStringLiteral("notepad");
        copy.time = text.lastModified();
        copy.damaged = true;
        copy.id = match.captured(1);
        copy.textPath = text.absoluteFilePath();
        copy.size = text.size();
        described.insert(copy.id);
        found.append(copy);
    }
    return found;
}

// The text file's name: the copy's id and the document's file name, which a person looking into the folder
// recognises. Control characters and separators become "_"; very long names are cut.
QString textFileName(const QString &id, const QString &documentPath)
{
    QString name =
        documentPath.isEmpty() ? QStringLiteral("Untitled.txt") : QFileInfo(documentPath).fileName();
    for (QChar &c : name) {
        if (c.unicode() < 0x20 || c == u'/' || c == u'\\' || c == u':' || c.unicode() == 0x7f)
            c = u'_';
    }
    return id + QLatin1Char('-') + name.left(80);
}

bool writeWhole(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    *error = QStringLiteral("%1: %2").arg(path, file.errorString());
    file.cancelWriting();
    return false;
}

std::unique_ptr<QLockFile> takeLock(const QString &path)
{
    auto lock = std::make_unique<QLockFile>(path);
    // A lock counts as abandoned only when its process is gone, however old it is.
    lock->setStaleLockTime(0);
    return lock->tryLock(0) ? std::move(lock) : nullptr;
}

} // namespace

QString recoveryFolder()
{
    return statePath(QStringLiteral("recovery"));
}

bool readRecoveredText(const RecoveryCopy &copy, QString *text, TextFormat *format,
                       LineEndExceptions *exceptions, QString *error)
{
    QFile file(copy.textPath);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        return false;
    }
    if (copy.beforeSave || copy.damaged) {
        // A file's old content, byte for byte, or a text whose format is not known: read like a file.
        *text = decodeText(bytes, format, exceptions);
        return true;
    }
    // A character U+FEFF at the start is the document's own, not a byte-order mark.
    QStringDecoder utf8(QStringConverter::Utf8,
                        QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    *text = utf8.decode(bytes);
    *format = copy.format;
    unifyLineEnds(text, exceptions, &copy.format.lineEnd);
    return true;
}

LoadedDocument loadRecoveredDocument(const RecoveryCopy &copy, const QFont &font, QThread *documentThread)
{
    LoadedDocument loaded;
    QString text;
    LineEndExceptions exceptions;
    if (!readRecoveredText(copy, &text, &loaded.format, &exceptions, &loaded.error))
        return loaded;
    loaded.existed = true;
    loaded.document = newTextDocument(std::move(text), exceptions, font, documentThread);
    return loaded;
}

// ---- This process's copies ---------------------------------------------------------------------------

RecoveryStore::RecoveryStore() : QObject(QCoreApplication::instance())
{
    // One thread: writes and removals of a copy happen in the order they were asked for.
    m_worker.setMaxThreadCount(1);
    m_worker.setExpiryTimeout(-1);
}

RecoveryStore *RecoveryStore::instance()
{
    static QPointer<RecoveryStore> store;
    if (!store)
        store = new RecoveryStore;
    return store;
}

RecoveryStore::~RecoveryStore()
{
    m_worker.waitForDone();
    QMutexLocker locker(&m_mutex);
    // Copies still here belong to documents that were never saved or discarded; once the lock goes they are
    // offered at the next start.
    if (m_lock)
        QDir().rmdir(m_session);
    m_lock.reset();
}

QString RecoveryStore::newId()
{
    return QString::number(m_nextId.fetchAndAddRelaxed(1) + 1);
}

QString RecoveryStore::folder() const
{
    QMutexLocker locker(&m_mutex);
    return m_session;
}

QList<RecoveryCopy> RecoveryStore::copies() const
{
    const QString folder = this->folder();
    return folder.isEmpty() ? QList<RecoveryCopy>() : copiesIn(folder);
}

bool RecoveryStore::ensureSession(QString *error)
{
    QMutexLocker locker(&m_mutex);
    if (m_lock)
        return true;
    const QString root = recoveryFolder();
    if (!makePrivateFolder(root)) {
        *error = QStringLiteral("The folder %1 could not be made.").arg(root);
        return false;
    }
    const QString name = QStringLiteral("%1-%2")
                             .arg(QCoreApplication::applicationPid())
                             .arg(QRandomGenerator::global()->generate64() & 0xffffffffffffULL, 0, 36);
    // The lock comes first: a folder without a held lock is taken for one whose process has ended.
    auto lock = takeLock(root + QLatin1Char('/') + name + QStringLiteral(".lock"));
    if (!lock) {
        *error = QStringLiteral("The lock file in %1 could not be made.").arg(root);
        return false;
    }
    const QString folder = root + QLatin1Char('/') + name;
    if (!QDir().mkdir(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)) {
        *error = QStringLiteral("The folder %1 could not be made.").arg(folder);
        return false;
    }
    m_session = folder;
    m_lock = std::move(lock);
    return true;
}

bool RecoveryStore::writeCopyFiles(const RecoveryCopy &copy, const QByteArray &text, QString *error)
{
    if (!ensureSession(error))
        return false;
    const QString folder = this->folder();
    const QString textName = textFileName(copy.id, copy.path);
    // The text first: a description always names a complete text.
    return writeWhole(folder + QLatin1Char('/') + textName, text, error) &&
           writeWhole(folder + QLatin1Char('/') + copy.id + QLatin1String(kMetaSuffix),
                      QJsonDocument(toJson(copy, textName)).toJson(QJsonDocument::Compact), error);
}

void RecoveryStore::removeCopyFiles(const QString &id)
{
    const QString folder = this->folder();
    if (folder.isEmpty())
        return;
    QDir dir(folder);
    // The description first: without it the text is no copy any more.
    dir.remove(id + QLatin1String(kMetaSuffix));
    for (const QString &name : dir.entryList({id + QStringLiteral("-*")}, QDir::Files | QDir::Hidden))
        dir.remove(name);
}

void RecoveryStore::warnOnce(const QString &error)
{
    if (std::exchange(m_warned, true))
        return;
    qWarning("Brivo: recovery copies cannot be kept: %s", qPrintable(error));
}

void RecoveryStore::write(const RecoveryCopy &copy, CapturedText text, LineSeparators separators,
                          QObject *context, std::function<void(bool written)> done)
{
    QPointer<QObject> receiver(context);
    m_worker.start(
        [this, copy, text = std::move(text), separators, receiver, done = std::move(done)]() mutable {
            TextFormat utf8{TextEncoding::Utf8, copy.format.lineEnd};
            const QByteArray bytes = capturedBytes(text, &utf8, separators);
            text = {};
            QString error;
            const bool written = writeCopyFiles(copy, bytes, &error);
            QMetaObject::invokeMethod(
                this,
                [this, written, error, receiver, done] {
                    if (!written)
                        warnOnce(error);
                    if (receiver && done)
                        done(written);
                },
                Qt::QueuedConnection);
        });
}

void RecoveryStore::remove(const QString &id)
{
    m_worker.start([this, id] { removeCopyFiles(id); });
}

QString RecoveryStore::keepBeforeSave(const QString &path, const QByteArray &content, const QString &tool,
                                      QString *error)
{
    RecoveryCopy copy;
    copy.tool = tool;
    copy.path = QFileInfo(path).absoluteFilePath();
    copy.time = QDateTime::currentDateTime();
    copy.beforeSave = true;
    copy.id = newId();
    if (!writeCopyFiles(copy, content, error))
        return QString();
    return folder() + QLatin1Char('/') + textFileName(copy.id, copy.path);
}

void RecoveryStore::discardKept(const QString &textPath)
{
    const QString name = QFileInfo(textPath).fileName();
    removeCopyFiles(name.left(name.indexOf(QLatin1Char('-'))));
}

void RecoveryStore::discardKeptOf(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    for (const RecoveryCopy &copy : copies()) {
        if (copy.beforeSave && copy.path == absolute)
            removeCopyFiles(copy.id);
    }
}

bool RecoveryStore::adopt(RecoveryCopy *copy, QString *error)
{
    if (!ensureSession(error))
        return false;
    const QFileInfo oldText(copy->textPath);
    const QString oldMeta = oldText.absolutePath() + QLatin1Char('/') + copy->id + QLatin1String(kMetaSuffix);
    const QString id = newId();
    const QString oldName = oldText.fileName();
    const QString textName = id + oldName.mid(oldName.indexOf(QLatin1Char('-')));
    const QString folder = this->folder();
    const QString meta = folder + QLatin1Char('/') + id + QLatin1String(kMetaSuffix);
    // Described here first, then moved, then no longer described there: at every step one of the two
    // folders holds a complete copy.
    if (!writeWhole(meta, QJsonDocument(toJson(*copy, textName)).toJson(QJsonDocument::Compact), error))
        return false;
    if (!QFile::rename(copy->textPath, folder + QLatin1Char('/') + textName)) {
        *error = QStringLiteral("%1 could not be moved to %2.").arg(copy->textPath, folder);
        QFile::remove(meta);
        return false;
    }
    QFile::remove(oldMeta);
    copy->id = id;
    copy->textPath = folder + QLatin1Char('/') + textName;
    return true;
}

void RecoveryStore::waitForWrites()
{
    m_worker.waitForDone();
}

// ---- Copies of processes that ended -------------------------------------------------------------------

OrphanedCopies::OrphanedCopies()
{
    const QString root = recoveryFolder();
    const QString own = RecoveryStore::instance()->folder();
    QDir dir(root);
    for (const QString &name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
        const QString folder = root + QLatin1Char('/') + name;
        if (folder == own)
            continue;
        auto lock = takeLock(folder + QStringLiteral(".lock"));
        if (!lock)
            continue; // its process runs
        const QList<RecoveryCopy> found = copiesIn(folder);
        if (found.isEmpty()) {
            // Nothing to offer: a process that ended with every document saved, or half-written leftovers.
            QDir(folder).removeRecursively();
            continue;
        }
        m_copies += found;
        m_sessions.push_back({folder, std::move(lock)});
    }
    // Locks whose folder is gone (a process that ended before it wrote anything) are removed by taking them.
    for (const QString &name : dir.entryList({QStringLiteral("*.lock")}, QDir::Files | QDir::Hidden)) {
        if (!QFileInfo(root + QLatin1Char('/') + QFileInfo(name).completeBaseName()).exists())
            takeLock(root + QLatin1Char('/') + name);
    }
    std::stable_sort(m_copies.begin(), m_copies.end(),
                     [](const RecoveryCopy &a, const RecoveryCopy &b) { return a.time < b.time; });
}

OrphanedCopies::~OrphanedCopies() = default;

QList<RecoveryCopy> OrphanedCopies::adoptAll()
{
    QList<RecoveryCopy> adopted;
    QStringList keep;
    for (RecoveryCopy copy : std::as_const(m_copies)) {
        const QString folder = QFileInfo(copy.textPath).absolutePath();
        QString error;
        if (RecoveryStore::instance()->adopt(&copy, &error))
            adopted.append(copy);
        else
            keep.append(folder);
    }
    for (Session &session : m_sessions) {
        if (!keep.contains(session.folder))
            QDir(session.folder).removeRecursively();
    }
    m_sessions.clear();
    m_copies.clear();
    return adopted;
}

void OrphanedCopies::discardAll()
{
    for (Session &session : m_sessions)
        QDir(session.folder).removeRecursively();
    m_sessions.clear();
    m_copies.clear();
}

} // namespace brivo

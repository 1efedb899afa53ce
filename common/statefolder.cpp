#include "common/statefolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>

namespace brivo {

QString stateFolder()
{
    const QString override = qEnvironmentVariable("BRIVO_STATE_DIR");
    if (!override.isEmpty())
        return QDir::cleanPath(override);
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    // The XDG base directory rules: a relative $XDG_STATE_HOME is to be ignored.
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return QDir::cleanPath(base + QStringLiteral("/brivo"));
#else
    // The generic location with a fixed name, so that the folder does not depend on the application name
    // a program or test sets.
    return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/Brivo"));
#endif
}

QString statePath(const QString &name)
{
    return stateFolder() + QLatin1Char('/') + name;
}

bool makePrivateFolder(const QString &path)
{
    if (QFileInfo(path).isDir())
        return true;
    const QString parent = QFileInfo(path).absolutePath();
    if (parent != path && !makePrivateFolder(parent))
        return false;
    return QDir().mkdir(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner) ||
           QFileInfo(path).isDir(); // another process may have made it meanwhile
}

QByteArray readStateFile(const QString &name)
{
    QFile file(statePath(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    return file.error() == QFileDevice::NoError ? bytes : QByteArray();
}

QJsonObject readStateObject(const QString &name)
{
    return QJsonDocument::fromJson(readStateFile(name)).object();
}

bool writeStateFile(const QString &name, const QByteArray &bytes, QString *error)
{
    const QString path = statePath(name);
    if (!makePrivateFolder(QFileInfo(path).absolutePath())) {
        if (error)
            *error = QStringLiteral("The folder %1 could not be made.").arg(QFileInfo(path).absolutePath());
        return false;
    }
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    file.cancelWriting();
    return false;
}

bool writeStateObject(const QString &name, const QJsonObject &object, QString *error)
{
    return writeStateFile(name, QJsonDocument(object).toJson(QJsonDocument::Compact), error);
}

} // namespace brivo

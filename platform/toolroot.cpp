#include "platform/toolroot.h"

#include "platform/casepath.h"

#include <QDir>

namespace brivo {

namespace {

// `relative` below the tool root; the root itself when it is empty.
QString underToolRoot(const QString &relative)
{
    const QString root = toolRoot();
    if (relative.isEmpty())
        return root;
    return root.endsWith(QLatin1Char('/')) ? root + relative : root + QLatin1Char('/') + relative;
}

} // namespace

QString toolRootFor(const QString &override, bool windows, const QString &home)
{
    if (override.isEmpty())
        return windows ? QStringLiteral("C:/Brivo") : home + QStringLiteral("/Brivo");
    // Backslashes separate on Windows only; elsewhere they may be part of a name.
    QString root = windows ? QString(override).replace(QLatin1Char('\\'), QLatin1Char('/')) : override;
    const bool drive = root.size() >= 2 && root.at(1) == QLatin1Char(':') && root.at(0).isLetter();
    const int keep = drive ? 3 : 1; // "C:/" and "/" are roots, not folders with a slash after them
    while (root.size() > keep && root.endsWith(QLatin1Char('/')))
        root.chop(1);
    return root;
}

QString toolRoot()
{
#ifdef Q_OS_WIN
    constexpr bool windows = true;
#else
    constexpr bool windows = false;
#endif
    return toolRootFor(qEnvironmentVariable("BRIVO_ROOT"), windows, QDir::homePath());
}

QString mapToolRootPath(const QString &path)
{
    // A path with a drive letter is a Windows path whatever the platform: its backslashes separate.
    QString clean = QDir::fromNativeSeparators(path);
    if (clean.size() >= 3 && clean.at(0).isLetter() && clean.at(1) == QLatin1Char(':') &&
        clean.at(2) == QLatin1Char('\\'))
        clean.replace(QLatin1Char('\\'), QLatin1Char('/'));
    static const QString prefix = QStringLiteral("c:/brivo");
    const bool underRoot = clean.startsWith(prefix, Qt::CaseInsensitive) &&
                           (clean.size() == prefix.size() || clean.at(prefix.size()) == QLatin1Char('/'));
    if (!underRoot)
        return clean;
    return resolveCaseInsensitive(underToolRoot(clean.mid(prefix.size() + 1)));
}

bool toolFolderExists(const QString &relative)
{
    if (relative.isEmpty())
        return false;
    return folderExists(relative) || folderExists(underToolRoot(relative));
}

} // namespace brivo

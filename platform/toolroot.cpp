#include "platform/toolroot.h"

#include "platform/casepath.h"

#include <QDir>

namespace brivo {

QString toolRoot()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:/Brivo");
#else
    const QString fromEnvironment = qEnvironmentVariable("BRIVO_ROOT");
    if (!fromEnvironment.isEmpty()) {
        QString root = QDir::fromNativeSeparators(fromEnvironment);
        while (root.size() > 1 && root.endsWith(QLatin1Char('/')))
            root.chop(1);
        return root;
    }
    return QDir::homePath() + QStringLiteral("/Brivo");
#endif
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
    return resolveCaseInsensitive(toolRoot() + clean.mid(prefix.size()));
}

} // namespace brivo

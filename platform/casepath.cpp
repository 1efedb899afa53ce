#include "platform/casepath.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace brivo {

namespace {

// The entry of `folder` whose name equals `name` ignoring case, or an empty string.
QString caseInsensitiveEntry(const QString &folder, const QString &name)
{
    const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    const QStringList entries =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return QString();
}

} // namespace

QString resolveCaseInsensitive(const QString &path)
{
    const QString clean = QDir::fromNativeSeparators(path);
    if (clean.isEmpty() || QFileInfo::exists(clean))
        return clean;

    // Split off a root ("/", "C:/", "//server/") that is never resolved itself.
    QString resolved;
    QString rest = clean;
    if (rest.startsWith(QLatin1Char('/'))) {
        resolved = QStringLiteral("/");
        rest.remove(0, 1);
    } else if (rest.size() >= 2 && rest.at(1) == QLatin1Char(':') && rest.at(0).isLetter()) {
        const int cut = rest.size() > 2 && rest.at(2) == QLatin1Char('/') ? 3 : 2;
        resolved = rest.left(cut);
        rest.remove(0, cut);
    }

    const QStringList parts = rest.split(QLatin1Char('/'));
    bool searching = true; // once a component is missing, nothing below it can exist
    for (int i = 0; i < parts.size(); ++i) {
        const QString &part = parts.at(i);
        QString chosen = part;
        if (searching && !part.isEmpty() && part != QLatin1String(".") && part != QLatin1String("..")) {
            const QString exact = resolved + part;
            if (!QFileInfo::exists(exact)) {
                const QString match = caseInsensitiveEntry(resolved, part);
                if (match.isEmpty())
                    searching = false;
                else
                    chosen = match;
            }
        }
        resolved += chosen;
        if (i + 1 < parts.size())
            resolved += QLatin1Char('/');
    }
    return resolved;
}

bool folderExists(const QString &path)
{
    return QFileInfo(resolveCaseInsensitive(path)).isDir();
}

} // namespace brivo

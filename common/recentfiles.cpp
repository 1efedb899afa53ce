#include "common/recentfiles.h"

#include "common/statefolder.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

namespace brivo {

namespace {

constexpr char kStateFile[] = "recent.json";

void storeRecentFiles(const QString &list, const QStringList &files)
{
    // Each editor keeps its own list in the one file; the others' lists stay as they are.
    QJsonObject lists = readStateObject(QLatin1String(kStateFile));
    lists.insert(list, QJsonArray::fromStringList(files));
    writeStateObject(QLatin1String(kStateFile), lists);
}

} // namespace

QStringList recentFiles(const QString &list)
{
    QStringList files;
    const QJsonArray stored = readStateObject(QLatin1String(kStateFile)).value(list).toArray();
    for (const QJsonValue &value : stored) {
        const QString path = value.toString();
        if (!path.isEmpty() && !files.contains(path) && files.size() < kRecentFileCount)
            files.append(path);
    }
    return files;
}

void addRecentFile(const QString &list, const QString &path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile())
        return;
    const QString absolute = QDir::cleanPath(info.absoluteFilePath());
    QStringList files = recentFiles(list);
    if (!files.isEmpty() && files.first() == absolute)
        return;
    files.removeAll(absolute);
    files.prepend(absolute);
    storeRecentFiles(list, files.mid(0, kRecentFileCount));
}

void clearRecentFiles(const QString &list)
{
    storeRecentFiles(list, {});
}

RecentFilesMenu::RecentFilesMenu(const QString &list, std::function<void(const QString &)> open,
                                 QWidget *parent)
    : QMenu(tr("Recent"), parent), m_list(list), m_open(std::move(open))
{
    setObjectName(QStringLiteral("menuRecent"));
    setToolTipsVisible(true);
    connect(this, &QMenu::aboutToShow, this, &RecentFilesMenu::refill);
    refill();
}

void RecentFilesMenu::refill()
{
    clear();
    const QStringList files = recentFiles(m_list);
    int number = 0;
    for (const QString &path : files) {
        ++number;
        // The number is the keyboard accelerator; a "&" in the path must show as itself.
        QString label = QFileInfo(path).fileName();
        label.replace(u'&', QStringLiteral("&&"));
        QAction *action = addAction(number < 10 ? QStringLiteral("&%1  %2").arg(number).arg(label)
                                                : QStringLiteral("%1  %2").arg(number).arg(label));
        action->setData(path);
        if (QFileInfo(path).isFile()) {
            action->setToolTip(path);
            connect(action, &QAction::triggered, this, [this, path] {
                // It may have gone since the menu opened: then it is only dropped from view.
                if (QFileInfo(path).isFile())
                    m_open(path);
            });
        } else {
            action->setEnabled(false);
            action->setToolTip(tr("%1 is no longer there").arg(path));
        }
    }
    if (files.isEmpty()) {
        addAction(tr("No recent files"))->setEnabled(false);
        return;
    }
    addSeparator();
    QAction *clearList = addAction(tr("Clear List"));
    clearList->setObjectName(QStringLiteral("actionClear_Recent"));
    clearList->setToolTip(tr("Forget the files listed here; the files themselves stay"));
    connect(clearList, &QAction::triggered, this, [this] { clearRecentFiles(m_list); });
}

} // namespace brivo

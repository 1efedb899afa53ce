// The files an editor opened or saved last, newest first, kept in the state folder between runs.
#pragma once

#include "brivo_core_export.h"

#include <QMenu>
#include <QStringList>

#include <functional>

namespace brivo {

inline constexpr int kRecentFileCount = 10;

// The recent files of the list `list` ("notepad", "ide"), newest first. A missing or broken state file
// gives an empty list.
BRIVO_CORE_EXPORT QStringList recentFiles(const QString &list);

// Puts `path` (made absolute) at the top of `list`, drops it from further down and keeps the newest
// kRecentFileCount. Nothing that is not a file is added. State is a convenience: a failed write is
// ignored.
void addRecentFile(const QString &list, const QString &path);
void clearRecentFiles(const QString &list);

// A "Recent" menu that reads `list` each time it opens. A file that is no longer there is shown disabled,
// so choosing it can never fail; `open` receives the path of the file chosen.
class BRIVO_CORE_EXPORT RecentFilesMenu : public QMenu
{
    Q_OBJECT
public:
    RecentFilesMenu(const QString &list, std::function<void(const QString &)> open,
                    QWidget *parent = nullptr);

    // Fills the menu from the list as it is now.
    void refill();

private:
    QString m_list;
    std::function<void(const QString &)> m_open;
};

} // namespace brivo

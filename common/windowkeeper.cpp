#include "common/windowkeeper.h"

#include <QApplication>
#include <QList>
#include <QPointer>
#include <QWidget>

namespace brivo {

namespace {

QList<QPointer<QWidget>> &keptWindows()
{
    static QList<QPointer<QWidget>> windows;
    return windows;
}

} // namespace

void keepUntilClosed(QWidget *window)
{
    if (!window)
        return;
    window->setAttribute(Qt::WA_DeleteOnClose);
    QList<QPointer<QWidget>> &windows = keptWindows();
    // The closed windows are gone already; only the open ones need finding at the end.
    windows.removeIf([](const QPointer<QWidget> &kept) { return kept.isNull(); });
    windows.append(window);
}

void deleteKeptWindows()
{
    QList<QPointer<QWidget>> windows;
    windows.swap(keptWindows());
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        delete it->data();
}

bool anyWindowVisible()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (const QWidget *window : windows) {
        if (window->isVisible() && window->isWindow())
            return true;
    }
    return false;
}

} // namespace brivo

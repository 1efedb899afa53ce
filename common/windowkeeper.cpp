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

void keepUntilExit(QWidget *window)
{
    if (window)
        keptWindows().append(window);
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

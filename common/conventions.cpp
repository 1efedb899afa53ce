#include "common/conventions.h"

#include <QCoreApplication>
#include <QIcon>

namespace brivo {

namespace {

QIcon *sharedHomeIcon = nullptr;

// Pictures must go while the application still exists.
void releaseHomeIcon()
{
    delete sharedHomeIcon;
    sharedHomeIcon = nullptr;
}

} // namespace

QIcon homeIconImage()
{
    if (!sharedHomeIcon) {
        sharedHomeIcon = new QIcon(QString::fromLatin1(homeIcon));
        qAddPostRoutine(releaseHomeIcon);
    }
    return *sharedHomeIcon;
}

} // namespace brivo

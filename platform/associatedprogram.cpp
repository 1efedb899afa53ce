#include "platform/associatedprogram.h"

#include <QDesktopServices>
#include <QUrl>

namespace brivo {

bool openWithAssociatedProgram(const QString &path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool openWebAddress(const QUrl &address)
{
    const QString scheme = address.scheme().toLower();
    if (!address.isValid() || (scheme != "http" && scheme != "https" && scheme != "mailto"))
        return false;
    return QDesktopServices::openUrl(address);
}

} // namespace brivo

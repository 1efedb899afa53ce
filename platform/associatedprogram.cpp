#include "platform/associatedprogram.h"

#include <QDesktopServices>
#include <QUrl>

namespace brivo {

bool openWithAssociatedProgram(const QString &path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace brivo

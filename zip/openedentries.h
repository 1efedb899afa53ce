// The private folders that entries of archives are opened from: each is removed when the last window
// showing what it holds has closed, and every one that is left when the program ends.
#pragma once

#include "brivo_core_export.h"

#include <QList>
#include <QString>

class QWidget;

namespace brivo::zip {

// Makes a private folder (readable by this user alone) for an entry to be extracted into; empty when it
// cannot be made.
QString makeOpenedEntryFolder(QString *error);

// Removes `folder` once every one of `windows` is gone (closed windows are deleted), or at once when
// there are none.
void removeWhenClosed(const QString &folder, const QList<QWidget *> &windows);

// The folders made above that still exist.
BRIVO_CORE_EXPORT QStringList openedEntryFolders();

} // namespace brivo::zip

// The image viewer's rules that need no window: which files of a folder it steps through, and the boxes a
// picture is fitted into.
#pragma once

#include "brivo_core_export.h"

#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

namespace brivo {

// The absolute folder of `imagePath`; the process's current directory when there is no path.
QString pictureFolder(const QString &imagePath);

// Names (without folder) of the entries of `folder` whose names end in .png, .jpg, .jpeg or .gif in any
// case: files and folders alike, hidden entries left out, sorted by name ignoring case.
BRIVO_CORE_EXPORT QStringList listPictureNames(const QString &folder);

// The box a picture is fitted into when nothing is zoomed: the window less the button row and margins.
QSize windowBox(const QSize &windowSize);

// Zooming moves the box by 50 pixels each way. Zooming out never brings either side to 50 pixels or
// less: a step that would do so leaves the box as it was.
QSize zoomedIn(const QSize &box);
BRIVO_CORE_EXPORT QSize zoomedOut(const QSize &box);

// The size a picture of `picture` pixels is shown at inside `box`, keeping its aspect ratio. An empty
// size when either has no area: the view then keeps what it shows.
BRIVO_CORE_EXPORT QSize fittedSize(const QSize &picture, const QSize &box);

// Positions in a list of `count` names worth decoding ahead of a step away from `current`: the next one
// first, as people mostly step forward, then the previous one.
QList<int> neighbourIndices(int current, int count);

} // namespace brivo

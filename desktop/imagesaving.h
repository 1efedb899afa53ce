// Saving a picture under a name the user typed: which formats are offered, which suffix a bare name gets,
// and the write itself.
#pragma once

#include "brivo_core_export.h"

#include <QString>
#include <QStringList>

class QDateTime;
class QImage;

namespace brivo {

// Save-dialog filters for the picture formats this system can write, one per format ("JPEG image (*.jpg
// *.jpeg)"), PNG first and JPEG second.
QStringList writableImageFilters();

// `name` as it will be saved: unchanged when it has a suffix, else with the first suffix of
// `selectedFilter` added (".png" when the filter names none). A name ending in "." takes the suffix
// without a second dot.
QString nameWithImageSuffix(const QString &name, const QString &selectedFilter);

// Writes `image` to `path` in the format its suffix names, at the format's default quality, in one piece:
// an existing file stays intact unless the new one is complete. False, with the reason in words in
// `error`, when the suffix names no format that can be written or the file cannot be written.
BRIVO_CORE_EXPORT bool writeImageFile(const QImage &image, const QString &path, QString *error);

// Creates an empty file named after `time` in `folder` ("Snapshot_2026-12-07_14-03-22.png", with "_2",
// "_3", ... added when that name is taken) and returns its path, so that a quick save never replaces a
// file and two saves never share a name. The folder is created when missing. Empty, with the reason in
// words in `error`, when no file can be created there.
BRIVO_CORE_EXPORT QString reserveQuickSaveName(const QString &folder, const QDateTime &time, QString *error);

} // namespace brivo

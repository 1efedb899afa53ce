// Decoding a picture file the way the image viewer shows it.
#pragma once

#include "brivo_core_export.h"

#include <QSize>
#include <QString>
#include <QtGlobal>

#include <functional>

class QImage;

namespace brivo {

// The largest picture the viewer decodes, in MiB of decoded pixels (counted at four bytes a pixel):
// room for panoramas and 100-megapixel scans, while a file that claims more than memory can hold is
// refused instead of exhausting it.
inline constexpr int kPictureLimitMiB = 2048;

// The most pixels a picture or a page is drawn with: about eight thousand on a side, far more than any
// screen shows at once. One larger at the zoom asked is drawn at the largest scale within it, so that a
// small file that claims a huge picture costs neither minutes nor gigabytes.
inline constexpr qint64 kPixelBudget = qint64(64) * 1000 * 1000;

// `size` scaled down, keeping its proportions, to the most pixels kPixelBudget allows; `size` itself
// when it is within.
BRIVO_CORE_EXPORT QSize withinPixelBudget(QSize size);

// The text of a decoded picture (QImage::text) that holds, as "width x height", the size of a picture
// decoded smaller than it is.
inline constexpr char kFullSizeText[] = "Brivo full size";

// Decodes the picture at `path`, turned upright as its orientation tag says (phones store pictures
// sideways and tag them), and within kPixelBudget (the full size then in kFullSizeText). A null image when
// the file is missing, is not a picture, is damaged, or is larger than kPictureLimitMiB. `stopped`, when
// given, is asked every few rows: once it says yes the decode ends early with a null image, so that a picture
// nobody waits for any more gives its processor back at once. Safe to call from any thread.
BRIVO_CORE_EXPORT QImage decodePicture(const QString &path, const std::function<bool()> &stopped = {});

// Why the picture at `path` does not decode, in a few words for the user ("not a picture the viewer can
// read"), read from the file's kind and header without decoding it.
BRIVO_CORE_EXPORT QString pictureProblem(const QString &path);

// What the decoded picture at `path` will take in memory, read from the file's header without decoding;
// -1 when the header does not say.
qint64 decodedPictureBytes(const QString &path);

} // namespace brivo

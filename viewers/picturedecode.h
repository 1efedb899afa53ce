// Decoding a picture file the way the image viewer shows it.
#pragma once

#include "brivo_core_export.h"

#include <QString>
#include <QtGlobal>

#include <functional>

class QImage;

namespace brivo {

// The largest picture the viewer decodes, in MiB of decoded pixels (counted at four bytes a pixel):
// room for panoramas and 100-megapixel scans, while a file that claims more than memory can hold is
// refused instead of exhausting it.
inline constexpr int kPictureLimitMiB = 2048;

// Decodes the picture at `path`, turned upright as its orientation tag says (phones store pictures
// sideways and tag them). A null image when the file is missing, is not a picture, is damaged, or is
// larger than kPictureLimitMiB. `stopped`, when given, is asked every few rows: once it says yes the
// decode ends early with a null image, so that a picture nobody waits for any more gives its processor
// back at once. Safe to call from any thread.
BRIVO_CORE_EXPORT QImage decodePicture(const QString &path, const std::function<bool()> &stopped = {});

// Why the picture at `path` does not decode, in a few words for the user ("not a picture the viewer can
// read"), read from the file's kind and header without decoding it.
BRIVO_CORE_EXPORT QString pictureProblem(const QString &path);

// What the decoded picture at `path` will take in memory, read from the file's header without decoding;
// -1 when the header does not say.
qint64 decodedPictureBytes(const QString &path);

} // namespace brivo

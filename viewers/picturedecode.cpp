#include "viewers/picturedecode.h"

#include <QImage>
#include <QImageReader>

namespace brivo {

namespace {

void allowLargePictures()
{
    // The reader's limit is process-wide and far below what today's cameras and scanners produce. It is
    // raised once, before the first decode, as decodes run on several threads; a limit that someone has
    // already raised further, or switched off, stays as it is.
    static const bool raised = [] {
        const int limit = QImageReader::allocationLimit();
        if (limit != 0 && limit < kPictureLimitMiB)
            QImageReader::setAllocationLimit(kPictureLimitMiB);
        return true;
    }();
    Q_UNUSED(raised);
}

} // namespace

QImage decodePicture(const QString &path)
{
    if (path.isEmpty())
        return {};
    allowLargePictures();
    QImageReader reader(path);
    reader.setAutoTransform(true);
    // The reader refuses a picture above its limit (counting at least four bytes a pixel, whatever the
    // format) with a null image, as it does a damaged one.
    return reader.read();
}

qint64 decodedPictureBytes(const QString &path)
{
    const QSize size = QImageReader(path).size();
    if (!size.isValid())
        return -1;
    return qint64(size.width()) * size.height() * 4;
}

} // namespace brivo

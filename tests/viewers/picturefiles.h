// Pictures the viewers' tests make at run time.
#pragma once

#include <QFileInfo>
#include <QImage>

namespace brivo::test {

// Saves a picture of one colour at `path`, in the format its suffix names in any case.
inline bool writePicture(const QString &path, const QSize &size, const QColor &colour)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(colour);
    return picture.save(path, QFileInfo(path).suffix().toLower().toLatin1().constData());
}

} // namespace brivo::test

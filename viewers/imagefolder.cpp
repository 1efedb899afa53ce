#include "viewers/imagefolder.h"

#include "common/foldernames.h"

#include <QDir>
#include <QFileInfo>

namespace brivo {

QString pictureFolder(const QString &imagePath)
{
    if (imagePath.isEmpty())
        return QDir::currentPath();
    return QFileInfo(imagePath).absolutePath();
}

QStringList listPictureNames(const QString &folder)
{
    // QDir matches name filters ignoring case unless told otherwise, and tests each entry once against
    // all of them, so "photo.Jpg" is listed once although both "*.jpg" and "*.JPG" are given.
    static const QStringList patterns = {
        QStringLiteral("*.png"),
        QStringLiteral("*.jpg"),
        QStringLiteral("*.gif"),
        QStringLiteral("*.jpeg"),
        QStringLiteral("*.JPG"),
        QStringLiteral("*.GIF"),
        QStringLiteral("*.PNG"),
        QStringLiteral("*.JPEG"),
        // The formats the toolkit's image plugins add, which the viewer opens as well.
        QStringLiteral("*.webp"),
        QStringLiteral("*.svg"),
        QStringLiteral("*.tga"),
    };
    QStringList names =
        QDir(folder).entryList(patterns, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort);
    brivo::sortFolderNames(names);
    return names;
}

QSize windowBox(const QSize &windowSize)
{
    return {windowSize.width() - 15, windowSize.height() - 60};
}

QSize zoomedIn(const QSize &box)
{
    return {box.width() + 50, box.height() + 50};
}

QSize zoomedOut(const QSize &box)
{
    const QSize smaller(box.width() - 50, box.height() - 50);
    if (smaller.width() <= 50 || smaller.height() <= 50)
        return box;
    return smaller;
}

QSize fittedSize(const QSize &picture, const QSize &box)
{
    if (picture.isEmpty() || box.isEmpty())
        return {};
    // A very long, thin picture still shows as a line of one pixel rather than vanishing.
    return picture.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

QList<int> neighbourIndices(int current, int count)
{
    QList<int> indices;
    if (current + 1 >= 0 && current + 1 < count)
        indices.append(current + 1);
    if (current - 1 >= 0 && current - 1 < count)
        indices.append(current - 1);
    return indices;
}

} // namespace brivo

#include "desktop/imagesaving.h"

#include "common/textfile.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QRegularExpression>

#include <algorithm>

namespace brivo {

namespace {

struct FormatName
{
    const char *description;
    QList<QByteArray> suffixes; // the first one is the one a bare name gets
};

// PNG leads: it is lossless and every viewer reads it. JPEG follows as the usual smaller choice.
const FormatName kKnownFormats[] = {
    {QT_TRANSLATE_NOOP("desktop", "PNG image"), {"png"}},
    {QT_TRANSLATE_NOOP("desktop", "JPEG image"), {"jpg", "jpeg"}},
    {QT_TRANSLATE_NOOP("desktop", "Windows bitmap"), {"bmp"}},
    {QT_TRANSLATE_NOOP("desktop", "WebP image"), {"webp"}},
    {QT_TRANSLATE_NOOP("desktop", "TIFF image"), {"tif", "tiff"}},
    {QT_TRANSLATE_NOOP("desktop", "JPEG 2000 image"), {"jp2"}},
    {QT_TRANSLATE_NOOP("desktop", "Portable pixmap"), {"ppm"}},
    {QT_TRANSLATE_NOOP("desktop", "Portable graymap"), {"pgm"}},
    {QT_TRANSLATE_NOOP("desktop", "Portable bitmap"), {"pbm"}},
    {QT_TRANSLATE_NOOP("desktop", "X11 pixmap"), {"xpm"}},
    {QT_TRANSLATE_NOOP("desktop", "X11 bitmap"), {"xbm"}},
    {QT_TRANSLATE_NOOP("desktop", "Wireless bitmap"), {"wbmp"}},
    {QT_TRANSLATE_NOOP("desktop", "Windows icon"), {"ico"}},
    {QT_TRANSLATE_NOOP("desktop", "Windows cursor"), {"cur"}},
    {QT_TRANSLATE_NOOP("desktop", "Apple icon"), {"icns"}},
};

QString filterFor(const QString &description, const QList<QByteArray> &suffixes)
{
    QStringList patterns;
    for (const QByteArray &suffix : suffixes)
        patterns.append(QStringLiteral("*.") + QString::fromLatin1(suffix));
    return QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
}

} // namespace

QStringList writableImageFilters()
{
    QList<QByteArray> writable = QImageWriter::supportedImageFormats();
    QStringList filters;
    for (const FormatName &format : kKnownFormats) {
        QList<QByteArray> offered;
        for (const QByteArray &suffix : format.suffixes) {
            if (writable.removeAll(suffix) > 0)
                offered.append(suffix);
        }
        if (!offered.isEmpty())
            filters.append(filterFor(QCoreApplication::translate("desktop", format.description), offered));
    }
    // Formats a plugin adds that the table does not know are offered too, under their own name.
    std::sort(writable.begin(), writable.end());
    for (const QByteArray &suffix : std::as_const(writable)) {
        const QString description =
            QCoreApplication::translate("desktop", "%1 image").arg(QString::fromLatin1(suffix).toUpper());
        filters.append(filterFor(description, {suffix}));
    }
    return filters;
}

QString nameWithImageSuffix(const QString &name, const QString &selectedFilter)
{
    if (name.isEmpty() || !QFileInfo(name).suffix().isEmpty())
        return name;
    static const QRegularExpression firstPattern(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
    const QRegularExpressionMatch match = firstPattern.match(selectedFilter);
    const QString suffix = match.hasMatch() ? match.captured(1) : QStringLiteral("png");
    return name.endsWith(QLatin1Char('.')) ? name + suffix : name + QLatin1Char('.') + suffix;
}

bool writeImageFile(const QImage &image, const QString &path, QString *error)
{
    const QString suffix = QFileInfo(path).suffix();
    const QByteArray format = suffix.toLower().toLatin1();
    if (format.isEmpty() || !QImageWriter::supportedImageFormats().contains(format)) {
        *error = QCoreApplication::translate(
                     "desktop", "\"%1\" is not a picture format that can be written. Give the "
                                "name one of the suffixes the list offers, such as .png or .jpg.")
                     .arg(suffix);
        return false;
    }

    // Encoded in memory first, so that a picture the encoder refuses never touches the file.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image)) {
        *error = writer.errorString();
        return false;
    }
    buffer.close();
    return writeFileAtomically(path, bytes, error);
}

QString reserveQuickSaveName(const QString &folder, const QDateTime &time, QString *error)
{
    const QDir dir(folder);
    if (!dir.mkpath(QStringLiteral("."))) {
        *error = QCoreApplication::translate("desktop", "The folder %1 cannot be created.")
                     .arg(QDir::toNativeSeparators(folder));
        return QString();
    }
    // No colons, which some file systems refuse; the name sorts by time.
    const QString stem = QStringLiteral("Snapshot_") + time.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    for (int n = 1; n <= 1000; ++n) {
        const QString name = n == 1 ? stem : stem + QLatin1Char('_') + QString::number(n);
        const QString path = dir.filePath(name + QStringLiteral(".png"));
        // Created only when no file, folder or link of that name exists, in one step: nothing that
        // appears under the name meanwhile can be overwritten or followed.
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return path;
        if (!QFileInfo(path).exists() && !QFileInfo(path).isSymLink()) {
            *error = file.errorString();
            return QString();
        }
    }
    *error = QCoreApplication::translate("desktop", "Every name for this second is taken in %1.")
                 .arg(QDir::toNativeSeparators(folder));
    return QString();
}

} // namespace brivo

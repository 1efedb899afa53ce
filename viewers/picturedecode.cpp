#include "viewers/picturedecode.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageIOHandler>
#include <QImageReader>
#include <QRegularExpression>
#include <QTransform>

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE declared first
#include <cstdlib>

#include <jpeglib.h>

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

// The largest JPEG file read into memory to be decoded; far beyond what any camera writes.
constexpr qint64 kJpegReadLimit = qint64(512) * 1024 * 1024;

bool tooLarge(qint64 width, qint64 height)
{
    return width * height * 4 > qint64(kPictureLimitMiB) * 1024 * 1024;
}

// A file that reads as failing once `stopped` says so: the decoders behind QImageReader then give up
// (PNG at once, the others at their next read).
class StoppableFile : public QFile
{
public:
    StoppableFile(const QString &path, const std::function<bool()> &stopped) : QFile(path), m_stopped(stopped)
    {}

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (m_stopped && m_stopped())
            return -1;
        return QFile::readData(data, maxSize);
    }

private:
    const std::function<bool()> &m_stopped;
};

enum class JpegOutcome
{
    Decoded,
    Stopped,
    TooLarge,
    // A colour model this decoder does not turn into pixels (CMYK), or a file libjpeg refuses: the
    // toolkit's reader has the last word on it.
    LeftToReader,
};

struct JpegErrors
{
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

extern "C" void jpegFailed(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegErrors *>(info->err)->jump, 1);
}

extern "C" void jpegMessage(j_common_ptr)
{
    // Warnings about damaged data are not printed: the picture is shown as far as it decodes.
}

// JPEG is what cameras and phones write, and the pictures big enough to take a while; QImageReader cannot
// be stopped halfway through one, so they are decoded here, row by row, with libjpeg (the library the
// toolkit's own reader uses, giving the same pixels). Objects with destructors stay out of this frame:
// libjpeg's errors jump back into it.
JpegOutcome decodeJpeg(const QByteArray &bytes, const std::function<bool()> &stopped, QImage *out)
{
    jpeg_decompress_struct info;
    JpegErrors errors;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jpegFailed;
    errors.manager.output_message = jpegMessage;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return JpegOutcome::LeftToReader;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_save_markers(&info, JPEG_APP0 + 2, 0xFFFF); // the colour profile
    jpeg_read_header(&info, TRUE);

    QImage::Format format = QImage::Format_Invalid;
    if (info.jpeg_color_space == JCS_GRAYSCALE) {
        info.out_color_space = JCS_GRAYSCALE;
        format = QImage::Format_Grayscale8;
    } else if (info.num_components == 3) {
        // Written straight into QImage's 32-bit pixels, with no pass to reorder them.
        info.out_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
        format = QImage::Format_RGB32;
    }
    if (format == QImage::Format_Invalid) {
        jpeg_destroy_decompress(&info);
        return JpegOutcome::LeftToReader;
    }
    jpeg_calc_output_dimensions(&info);
    if (tooLarge(info.output_width, info.output_height)) {
        jpeg_destroy_decompress(&info);
        return JpegOutcome::TooLarge;
    }
    *out = QImage(int(info.output_width), int(info.output_height), format);
    if (out->isNull()) {
        jpeg_destroy_decompress(&info);
        return JpegOutcome::TooLarge;
    }

    jpeg_start_decompress(&info);
    const int rowsAtOnce = 16;
    JSAMPROW rows[rowsAtOnce];
    while (info.output_scanline < info.output_height) {
        if (stopped && stopped()) {
            jpeg_destroy_decompress(&info);
            return JpegOutcome::Stopped;
        }
        int count = 0;
        for (; count < rowsAtOnce && info.output_scanline + count < info.output_height; ++count)
            rows[count] = out->scanLine(int(info.output_scanline) + count);
        jpeg_read_scanlines(&info, rows, JDIMENSION(count));
    }

    JOCTET *profile = nullptr;
    unsigned int profileLength = 0;
    if (jpeg_read_icc_profile(&info, &profile, &profileLength)) {
        out->setColorSpace(QColorSpace::fromIccProfile(
            QByteArray::fromRawData(reinterpret_cast<const char *>(profile), int(profileLength))));
        std::free(profile);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return JpegOutcome::Decoded;
}

// `image` turned as an orientation tag asks, in the toolkit's order: mirrored first, then turned.
QImage oriented(QImage image, QImageIOHandler::Transformations how)
{
    const bool mirror = how & QImageIOHandler::TransformationMirror;
    const bool flip = how & QImageIOHandler::TransformationFlip;
    if (mirror || flip)
        image = std::move(image).mirrored(mirror, flip);
    if (how & QImageIOHandler::TransformationRotate90)
        image = image.transformed(QTransform().rotate(90));
    return image;
}

QImage readWithToolkit(QIODevice *device)
{
    QImageReader reader(device);
    reader.setAutoTransform(true);
    // The reader refuses a picture above its limit (counting at least four bytes a pixel, whatever the
    // format) with a null image, as it does a damaged one.
    return reader.read();
}

// The largest SVG file read into memory; drawings are text, and far smaller.
constexpr qint64 kSvgReadLimit = qint64(64) * 1024 * 1024;

// True when the file starts like XML or SVG text (after any byte-order mark and white space).
bool looksLikeSvg(QIODevice *file)
{
    QByteArray start = file->peek(4096);
    if (start.startsWith("\xEF\xBB\xBF"))
        start.remove(0, 3);
    // No picture format the viewer reads starts with markup; searching further in would take a photo
    // whose metadata mentions "<svg" for a drawing.
    return start.trimmed().startsWith('<');
}

// An SVG drawing with every reference to another file or address turned into a reference to nothing:
// the toolkit's SVG reader would otherwise read any file the link names (a private picture, a named pipe
// that never answers) into the picture. References inside the drawing (#name) and inline data stay.
QByteArray withoutOutsideReferences(QByteArray svg)
{
    static const QRegularExpression link(
        QStringLiteral(R"re(((?:xlink:)?href\s*=\s*)(["'])\s*(?!#|data:)[^"']*\2)re"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression cssLink(
        QStringLiteral(R"re(url\(\s*(["']?)\s*(?!#|data:)[^)"']*\1\s*\))re"),
        QRegularExpression::CaseInsensitiveOption);
    QString text = QString::fromUtf8(svg);
    text.replace(link, QStringLiteral("\\1\\2#\\2"));
    text.replace(cssLink, QStringLiteral("url(#)"));
    return text.toUtf8();
}

} // namespace

QImage decodePicture(const QString &path, const std::function<bool()> &stopped)
{
    if (path.isEmpty())
        return {};
    // Only files: opening a named pipe waits for a writer that may never come, and a device (a link to
    // /dev/zero named like a picture) never ends.
    const QFileInfo info(path);
    if (!info.isFile())
        return {};
    allowLargePictures();
    StoppableFile file(path, stopped);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // A compressed SVG would reach the toolkit's SVG reader unchecked; no other picture is gzip data.
    if (file.peek(2) == QByteArrayLiteral("\x1F\x8B"))
        return {};
    if (looksLikeSvg(&file)) {
        if (file.size() > kSvgReadLimit)
            return {};
        QByteArray drawing = withoutOutsideReferences(file.readAll());
        QBuffer buffer(&drawing);
        QImageReader reader(&buffer, "svg");
        return reader.read();
    }
    // Told apart by content, not by name: a JPEG saved as ".png" is still a JPEG. One too large to be read
    // into memory at once is left to the toolkit's reader, which reads only what it needs.
    if (file.peek(3) != QByteArrayLiteral("\xFF\xD8\xFF") || file.size() > kJpegReadLimit)
        return readWithToolkit(&file);

    QByteArray bytes = file.readAll();
    if (stopped && stopped())
        return {};
    QImage image;
    switch (decodeJpeg(bytes, stopped, &image)) {
    case JpegOutcome::Decoded: {
        // The orientation tag, from the header alone.
        QBuffer header(&bytes);
        QImageReader tags(&header, "jpeg");
        return oriented(std::move(image), tags.transformation());
    }
    case JpegOutcome::Stopped:
    case JpegOutcome::TooLarge:
        return {};
    case JpegOutcome::LeftToReader:
        break;
    }
    image = QImage();
    QBuffer buffer(&bytes);
    return readWithToolkit(&buffer);
}

QString pictureProblem(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("the file is not there");
    if (info.isDir())
        return QStringLiteral("it is a folder");
    if (!info.isFile())
        return QStringLiteral("it is not a regular file");
    if (!info.isReadable())
        return QStringLiteral("it cannot be read");
    QImageReader reader(path);
    if (!reader.canRead())
        return QStringLiteral("not a picture the viewer can read");
    if (const QSize size = reader.size(); size.isValid() && tooLarge(size.width(), size.height()))
        return QStringLiteral("too large (%1 x %2 pixels)").arg(size.width()).arg(size.height());
    return QStringLiteral("the picture data is damaged");
}

qint64 decodedPictureBytes(const QString &path)
{
    const QSize size = QImageReader(path).size();
    if (!size.isValid())
        return -1;
    return qint64(size.width()) * size.height() * 4;
}

} // namespace brivo

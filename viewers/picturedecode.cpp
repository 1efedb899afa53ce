#include "viewers/picturedecode.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageIOHandler>
#include <QImageReader>
#include <QStringConverter>
#include <QTransform>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <cmath>
#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE declared first
#include <cstdlib>
#include <optional>
#include <vector>

#include <jpeglib.h>
#include <png.h>

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

// Marks `image` as the picture of `full` size drawn smaller.
QImage markedReduced(QImage image, QSize full)
{
    if (!image.isNull() && image.size() != full)
        image.setText(QLatin1String(kFullSizeText),
                      QStringLiteral("%1x%2").arg(full.width()).arg(full.height()));
    return image;
}

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
    // libjpeg decodes at an eighth, a quarter or a half as fast as it reads: the largest of them within
    // the budget, and what is still above it is scaled down after.
    const QSize full(int(qMin<JDIMENSION>(info.image_width, INT_MAX)),
                     int(qMin<JDIMENSION>(info.image_height, INT_MAX)));
    info.scale_num = 1;
    info.scale_denom = 1;
    while (info.scale_denom < 8 &&
           qint64(info.image_width / info.scale_denom) * (info.image_height / info.scale_denom) >
               kPixelBudget)
        info.scale_denom *= 2;
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
    const QSize within = withinPixelBudget(out->size());
    if (within != out->size())
        *out = out->scaled(within, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    *out = markedReduced(std::move(*out), full);
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

struct PngRead
{
    QIODevice *device;
    std::jmp_buf jump;
};

extern "C" void pngFailed(png_structp png, png_const_charp)
{
    std::longjmp(static_cast<PngRead *>(png_get_error_ptr(png))->jump, 1);
}

extern "C" void pngWarning(png_structp, png_const_charp) {}

extern "C" void pngReadBytes(png_structp png, png_bytep data, size_t length)
{
    auto *read = static_cast<PngRead *>(png_get_io_ptr(png));
    if (read->device->read(reinterpret_cast<char *>(data), qint64(length)) != qint64(length))
        png_error(png, "the file ends early");
}

// Runs `steps` with libpng's errors jumping back into this frame, which holds nothing that a jump could
// leave half made: false when libpng gave up or `steps` did. Never inlined, so that no caller's variables
// live across the jump.
Q_NEVER_INLINE bool withPngErrors(PngRead &read, const std::function<bool()> &steps)
{
    if (setjmp(read.jump))
        return false;
    return steps();
}

// A PNG above the pixel budget, read row by row and drawn into a picture of `size` as it goes (each
// pixel the average of the rows and columns it covers), so that the full picture is never held: the
// toolkit's reader holds it whole before it scales. A null image for a damaged file, an interlaced one
// (whose rows come in seven passes; the caller does not send those) or one stopped. The steps that call
// libpng make no object with a destructor: its errors jump out of them.
QImage decodeLargePng(QIODevice *device, QSize size, const std::function<bool()> &stopped)
{
    QImage out(size, QImage::Format_RGBA8888);
    if (out.isNull() || !device->seek(0))
        return {};
    std::vector<quint32> sums(size_t(size.width()) * 4);
    std::vector<quint32> counts(size_t(size.width()));
    std::vector<png_byte> row;
    std::vector<quint32> columns;
    PngRead read{device, {}};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &read, pngFailed, pngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return {};
    }
    const bool whole = withPngErrors(read, [&] {
        png_set_read_fn(png, &read, pngReadBytes);
        png_read_info(png, info);
        const png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
        if (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE || width == 0 || height == 0)
            return false;
        // Every kind of PNG as 8-bit RGBA.
        png_set_expand(png);
        png_set_strip_16(png);
        png_set_gray_to_rgb(png);
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
        png_read_update_info(png, info);
        row.resize(png_get_rowbytes(png, info));
        // The column of the picture each column of the file falls in, worked out once.
        columns.resize(width);
        for (png_uint_32 x = 0; x < width; ++x)
            columns[x] = quint32(quint64(x) * quint64(size.width()) / width);
        int target = 0;
        const auto flush = [&] {
            uchar *line = out.scanLine(target);
            for (int x = 0; x < size.width(); ++x)
                for (int c = 0; c < 4; ++c)
                    line[x * 4 + c] =
                        uchar(counts[size_t(x)] ? sums[size_t(x) * 4 + c] / counts[size_t(x)] : 0);
            std::fill(sums.begin(), sums.end(), 0);
            std::fill(counts.begin(), counts.end(), 0);
        };
        for (png_uint_32 y = 0; y < height; ++y) {
            if (stopped && stopped())
                return false;
            png_read_row(png, row.data(), nullptr);
            const int rowTarget = int(quint64(y) * quint64(size.height()) / height);
            if (rowTarget != target) {
                flush();
                target = rowTarget;
            }
            const png_byte *pixel = row.data();
            for (png_uint_32 x = 0; x < width; ++x, pixel += 4) {
                quint32 *sum = &sums[size_t(columns[x]) * 4];
                sum[0] += pixel[0];
                sum[1] += pixel[1];
                sum[2] += pixel[2];
                sum[3] += pixel[3];
                ++counts[columns[x]];
            }
        }
        flush();
        return true;
    });
    png_destroy_read_struct(&png, &info, nullptr);
    return whole ? out : QImage();
}

QImage readWithToolkit(QIODevice *device, const std::function<bool()> &stopped)
{
    QImageReader reader(device);
    // A drawing the check above did not take for one (markup after a line break in UTF-16, say) is not
    // handed to the toolkit's SVG reader unchecked.
    if (reader.format().startsWith("svg"))
        return {};
    reader.setAutoTransform(true);
    const QSize full = reader.size();
    const QSize within = withinPixelBudget(full);
    if (full.isValid() && within != full) {
        // The interlace byte of the header: an interlaced PNG's rows come in seven passes, which are not
        // read a row at a time.
        const bool interlaced =
            device->seek(0) && device->peek(29).size() == 29 && device->peek(29).at(28) != 0;
        if (reader.format() == "png" && !interlaced)
            return markedReduced(decodeLargePng(device, within, stopped), full);
        // The other readers scale as they decode where they can, and after it where they cannot.
        QImageReader scaled(device, reader.format());
        scaled.setAutoTransform(true);
        scaled.setScaledSize(within);
        return markedReduced(scaled.read(), full);
    }
    // The reader refuses a picture above its limit (counting at least four bytes a pixel, whatever the
    // format) with a null image, as it does a damaged one.
    return reader.read();
}

// The largest SVG file read into memory; drawings are text, and far smaller.
constexpr qint64 kSvgReadLimit = qint64(64) * 1024 * 1024;

// True when the file starts like markup, in any of the encodings XML allows (UTF-8, UTF-16 or UTF-32, with
// or without a byte-order mark), after any white space.
bool looksLikeSvg(QIODevice *file)
{
    const QByteArray start = file->peek(4096);
    // No picture format the viewer reads starts with markup; searching further in would take a photo
    // whose metadata mentions "<svg" for a drawing.
    const std::optional<QStringConverter::Encoding> encoding = QStringConverter::encodingForData(start, u'<');
    QStringDecoder decoder(encoding.value_or(QStringConverter::Utf8));
    const QString text = decoder.decode(start);
    return text.trimmed().startsWith(QLatin1Char('<'));
}

// Inside the drawing (#name) or carried in it (data:): the only references a drawing keeps.
bool isInsideReference(QStringView target)
{
    target = target.trimmed();
    return target.startsWith(u'#') || target.startsWith(u"data:", Qt::CaseInsensitive);
}

// `css` with every url(...) that leaves the drawing made url(#), and with no @import. Returns false for
// style text that uses escapes: a backslash can spell "url(" or "@import" in ways a reader of the plain
// text would not see, and drawings have no need of them.
bool withoutOutsideStyleReferences(QString *css)
{
    if (css->contains(QLatin1Char('\\')) || css->contains(QLatin1String("@import"), Qt::CaseInsensitive))
        return false;
    QString out;
    qsizetype at = 0;
    while (true) {
        const qsizetype open = css->indexOf(QLatin1String("url("), at, Qt::CaseInsensitive);
        if (open < 0)
            break;
        qsizetype pos = open + 4;
        while (pos < css->size() && css->at(pos).isSpace())
            ++pos;
        qsizetype targetStart = pos, targetEnd;
        if (pos < css->size() && (css->at(pos) == u'"' || css->at(pos) == u'\'')) {
            const QChar quote = css->at(pos);
            targetStart = pos + 1;
            targetEnd = css->indexOf(quote, targetStart);
            if (targetEnd < 0)
                return false;
            pos = targetEnd + 1;
        } else {
            targetEnd = css->indexOf(QLatin1Char(')'), pos);
            if (targetEnd < 0)
                return false;
            pos = targetEnd;
        }
        const qsizetype close = css->indexOf(QLatin1Char(')'), pos);
        if (close < 0)
            return false;
        out += QStringView(*css).mid(at, open - at);
        const QStringView target = QStringView(*css).mid(targetStart, targetEnd - targetStart);
        if (isInsideReference(target))
            out += QStringView(*css).mid(open, close + 1 - open);
        else
            out += QLatin1String("url(#)");
        at = close + 1;
    }
    out += QStringView(*css).mid(at);
    *css = out;
    return true;
}

QByteArray withoutOutsideReferences(const QByteArray &svg, int depth);

// A data: address as the drawing may keep it: decoded and written again as base64, so that the toolkit
// reads exactly the bytes checked here. A drawing carried inside a drawing is cleaned the same way (the
// toolkit draws it with the same reader); what cannot be read back is dropped (an empty string).
QString checkedData(const QString &address, int depth)
{
    const qsizetype comma = address.indexOf(QLatin1Char(','));
    if (comma < 0)
        return {};
    const QString header = address.left(comma).trimmed();
    const bool base64 = header.endsWith(QLatin1String(";base64"), Qt::CaseInsensitive);
    const QByteArray encoded = address.mid(comma + 1).toLatin1();
    QByteArray payload = base64 ? QByteArray::fromBase64(encoded) : QByteArray::fromPercentEncoding(encoded);
    QBuffer buffer(&payload);
    buffer.open(QIODevice::ReadOnly);
    if (payload.startsWith("\x1F\x8B"))
        return {};
    if (looksLikeSvg(&buffer)) {
        buffer.close();
        payload = withoutOutsideReferences(payload, depth + 1);
        if (payload.isEmpty())
            return {};
    }
    QString type = header.mid(5);
    if (base64)
        type.chop(7);
    return QLatin1String("data:") + type + QLatin1String(";base64,") +
           QString::fromLatin1(payload.toBase64());
}

// An SVG drawing written again with every reference to another file or address removed: the toolkit's
// SVG reader would otherwise read any file a link names (a user's private picture, a named pipe that
// never answers) into the picture. The drawing is read as XML, in whatever encoding it declares or its
// bytes show, so that no spelling of a link escapes a search of its bytes; references inside the drawing
// (#name) and inline data stay. Declarations, processing instructions and entity references that the
// reader does not resolve itself are left out. Returns UTF-8, or nothing when the drawing is not
// well-formed XML: what cannot be read cannot be checked, and is not drawn.
QByteArray withoutOutsideReferences(const QByteArray &svg, int depth)
{
    if (depth > 4)
        return {};
    QXmlStreamReader reader(svg);
    reader.setNamespaceProcessing(false);
    QByteArray out;
    QXmlStreamWriter writer(&out);
    int styleDepth = 0; // inside a <style> element: its text is a style sheet
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartDocument:
            writer.writeStartDocument();
            break;
        case QXmlStreamReader::EndDocument:
            writer.writeEndDocument();
            break;
        case QXmlStreamReader::StartElement: {
            const QStringView element = reader.qualifiedName();
            writer.writeStartElement(element.toString());
            // The toolkit knows an element by its name without a prefix.
            if (styleDepth > 0 || element.mid(element.lastIndexOf(u':') + 1).compare(u"style") == 0)
                ++styleDepth;
            for (const QXmlStreamAttribute &attribute : reader.attributes()) {
                const QStringView name = attribute.qualifiedName();
                QString value = attribute.value().toString();
                const bool link = name.compare(u"href", Qt::CaseInsensitive) == 0 ||
                                  name.endsWith(u":href", Qt::CaseInsensitive) ||
                                  name.compare(u"src", Qt::CaseInsensitive) == 0;
                if (link) {
                    if (!isInsideReference(value))
                        continue;
                    if (!value.trimmed().startsWith(u'#')) {
                        value = checkedData(value.trimmed(), depth);
                        if (value.isEmpty())
                            continue;
                    }
                } else if (!withoutOutsideStyleReferences(&value)) {
                    continue;
                }
                writer.writeAttribute(name.toString(), value);
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            if (styleDepth > 0)
                --styleDepth;
            writer.writeEndElement();
            break;
        case QXmlStreamReader::Characters: {
            QString text = reader.text().toString();
            if (styleDepth > 0 && !withoutOutsideStyleReferences(&text))
                break;
            writer.writeCharacters(text);
            break;
        }
        default: // declarations, comments, processing instructions, unresolved entities
            break;
        }
    }
    if (reader.hasError())
        return {};
    return out;
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
        QByteArray drawing = withoutOutsideReferences(file.readAll(), 0);
        if (drawing.isEmpty())
            return {};
        QBuffer buffer(&drawing);
        QImageReader reader(&buffer, "svg");
        return reader.read();
    }
    // Told apart by content, not by name: a JPEG saved as ".png" is still a JPEG. One too large to be read
    // into memory at once is left to the toolkit's reader, which reads only what it needs.
    if (file.peek(3) != QByteArrayLiteral("\xFF\xD8\xFF") || file.size() > kJpegReadLimit)
        return readWithToolkit(&file, stopped);

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
    return readWithToolkit(&buffer, stopped);
}

QSize withinPixelBudget(QSize size)
{
    const qint64 pixels = qint64(size.width()) * size.height();
    if (size.isEmpty() || pixels <= kPixelBudget)
        return size;
    const double scale = std::sqrt(double(kPixelBudget) / double(pixels));
    return {qMax(1, int(size.width() * scale)), qMax(1, int(size.height() * scale))};
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
    // Only files: the header of a named pipe under a picture's name would be waited for.
    if (!QFileInfo(path).isFile())
        return -1;
    const QSize size = withinPixelBudget(QImageReader(path).size());
    if (!size.isValid())
        return -1;
    return qint64(size.width()) * size.height() * 4;
}

} // namespace brivo

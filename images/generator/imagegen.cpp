// Draws every picture that Brivo ships: the 22 images of the resource bundle, the executable's Windows
// icon and the desktop icon. The drawings are plain geometry and one fixed font, so running the program
// again gives the same pictures. Usage: brivo_imagegen <source root>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtEndian>

#include <cstdio>
#include <functional>

namespace {

const QString kFont = QStringLiteral("DejaVu Sans");

// ---------------------------------------------------------------------------------------------- writers

void put16(QByteArray &out, quint16 v)
{
    out.append(char(v & 0xff));
    out.append(char(v >> 8));
}

void put32(QByteArray &out, quint32 v)
{
    put16(out, quint16(v & 0xffff));
    put16(out, quint16(v >> 16));
}

QByteArray pngBytes(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A 32-bit device-independent bitmap as an icon stores it: header with doubled height, BGRA rows bottom
// up, then the 1-bit AND mask (all zero: the alpha channel decides).
QByteArray dibBytes(const QImage &source)
{
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int w = image.width(), h = image.height();
    const int maskStride = ((w + 31) / 32) * 4;
    QByteArray out;
    put32(out, 40);
    put32(out, quint32(w));
    put32(out, quint32(h * 2));
    put16(out, 1);
    put16(out, 32);
    put32(out, 0);
    put32(out, quint32(w * h * 4 + maskStride * h));
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    for (int y = h - 1; y >= 0; --y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            out.append(char(qBlue(line[x])));
            out.append(char(qGreen(line[x])));
            out.append(char(qRed(line[x])));
            out.append(char(qAlpha(line[x])));
        }
    }
    out.append(QByteArray(maskStride * h, '\0'));
    return out;
}

// Windows icon file of 32-bit bitmaps; with `pngLargest` the 256-pixel image is PNG-compressed, as Windows
// executables carry it. The program's own icon stays all bitmaps: a PNG inside an icon makes Qt ask every
// picture plugin whether it reads PNG, loading them all, on every start.
bool writeIco(const QString &path, const QList<QImage> &images, bool pngLargest)
{
    QList<QByteArray> payloads;
    for (const QImage &image : images)
        payloads.append(pngLargest && image.width() >= 256 ? pngBytes(image) : dibBytes(image));
    QByteArray out;
    put16(out, 0);
    put16(out, 1);
    put16(out, quint16(images.size()));
    quint32 offset = 6 + 16 * images.size();
    for (int i = 0; i < images.size(); ++i) {
        const int w = images[i].width(), h = images[i].height();
        out.append(char(w >= 256 ? 0 : w));
        out.append(char(h >= 256 ? 0 : h));
        out.append(char(0));
        out.append(char(0));
        put16(out, 1);
        put16(out, 32);
        put32(out, quint32(payloads[i].size()));
        put32(out, offset);
        offset += payloads[i].size();
    }
    for (const QByteArray &payload : payloads)
        out.append(payload);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(out) == out.size();
}

// Writes the LZW code stream of GIF image data, least significant bit first, in sub-blocks.
class GifBitWriter
{
public:
    void write(int code, int width)
    {
        m_bits |= quint32(code) << m_count;
        m_count += width;
        while (m_count >= 8) {
            m_bytes.append(char(m_bits & 0xff));
            m_bits >>= 8;
            m_count -= 8;
        }
    }
    QByteArray finish()
    {
        if (m_count > 0)
            m_bytes.append(char(m_bits & 0xff));
        QByteArray blocks;
        for (int i = 0; i < m_bytes.size(); i += 255) {
            const QByteArray chunk = m_bytes.mid(i, 255);
            blocks.append(char(chunk.size()));
            blocks.append(chunk);
        }
        blocks.append(char(0));
        return blocks;
    }

private:
    QByteArray m_bytes;
    quint32 m_bits = 0;
    int m_count = 0;
};

// A one-frame GIF89a with a 256-colour global palette.
bool writeGif(const QString &path, const QImage &source)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB32)
                             .convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
    QList<QRgb> palette = image.colorTable();
    while (palette.size() < 256)
        palette.append(qRgb(0, 0, 0));

    QByteArray out("GIF89a");
    put16(out, quint16(image.width()));
    put16(out, quint16(image.height()));
    out.append(char(0xf7)); // global colour table of 256 entries
    out.append(char(0));
    out.append(char(0));
    for (int i = 0; i < 256; ++i) {
        out.append(char(qRed(palette[i])));
        out.append(char(qGreen(palette[i])));
        out.append(char(qBlue(palette[i])));
    }
    out.append(char(0x2c));
    put16(out, 0);
    put16(out, 0);
    put16(out, quint16(image.width()));
    put16(out, quint16(image.height()));
    out.append(char(0));
    out.append(char(8)); // minimum code size

    const int clearCode = 256, endCode = 257;
    GifBitWriter bits;
    QHash<quint32, int> table;
    int nextCode = 258, width = 9;
    bits.write(clearCode, width);
    int prefix = -1;
    for (int y = 0; y < image.height(); ++y) {
        const uchar *line = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            const int pixel = line[x];
            if (prefix < 0) {
                prefix = pixel;
                continue;
            }
            const quint32 key = (quint32(prefix) << 8) | quint32(pixel);
            const auto found = table.constFind(key);
            if (found != table.constEnd()) {
                prefix = *found;
                continue;
            }
            bits.write(prefix, width);
            if (nextCode == 4096) {
                bits.write(clearCode, width);
                table.clear();
                nextCode = 258;
                width = 9;
            } else {
                table.insert(key, nextCode);
                if (nextCode == (1 << width) && width < 12)
                    ++width;
                ++nextCode;
            }
            prefix = pixel;
        }
    }
    bits.write(prefix, width);
    bits.write(endCode, width);
    out.append(bits.finish());
    out.append(char(0x3b));
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(out) == out.size();
}

// ---------------------------------------------------------------------------------------------- drawing

using Drawing = std::function<void(QPainter &, qreal s)>;

// Draws on a transparent square of `size` pixels; the drawing works in a 256-unit space scaled by `s`.
QImage render(int width, int height, const Drawing &draw, QColor background = Qt::transparent)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(width / 256.0, height / 256.0);
    draw(p, width / 256.0);
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

QFont font(int pixelSize, bool bold = true)
{
    QFont f(kFont);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

void centredText(QPainter &p, const QRectF &box, const QString &text, const QFont &f, const QColor &color)
{
    p.setFont(f);
    p.setPen(color);
    p.drawText(box, Qt::AlignCenter, text);
}

QLinearGradient vertical(const QColor &top, const QColor &bottom, qreal y0 = 0, qreal y1 = 256)
{
    QLinearGradient g(0, y0, 0, y1);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

// A sheet of paper with a folded top-right corner.
void paper(QPainter &p, const QRectF &r, const QColor &fill)
{
    const qreal fold = r.width() * 0.28;
    QPainterPath sheet;
    sheet.moveTo(r.topLeft());
    sheet.lineTo(r.right() - fold, r.top());
    sheet.lineTo(r.right(), r.top() + fold);
    sheet.lineTo(r.bottomRight());
    sheet.lineTo(r.bottomLeft());
    sheet.closeSubpath();
    p.setPen(QPen(QColor(90, 90, 90), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
    p.drawPath(sheet);
    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    corner.closeSubpath();
    p.setBrush(QColor(200, 200, 200));
    p.drawPath(corner);
}

// A round badge with an arrow inside, pointing right (angle 0) or turned by `angle` degrees.
void arrowBadge(QPainter &p, const QColor &color, qreal angle)
{
    p.setPen(Qt::NoPen);
    p.setBrush(vertical(color.lighter(130), color.darker(120)));
    p.drawEllipse(QRectF(12, 12, 232, 232));
    p.save();
    p.translate(128, 128);
    p.rotate(angle);
    QPainterPath arrow;
    arrow.moveTo(-70, -22);
    arrow.lineTo(8, -22);
    arrow.lineTo(8, -62);
    arrow.lineTo(78, 0);
    arrow.lineTo(8, 62);
    arrow.lineTo(8, 22);
    arrow.lineTo(-70, 22);
    arrow.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(arrow);
    p.restore();
}

void magnifier(QPainter &p, bool plus)
{
    p.setPen(QPen(QColor(60, 60, 70), 26, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(168, 168), QPointF(232, 232));
    p.setPen(QPen(QColor(60, 60, 70), 16));
    p.setBrush(QColor(200, 230, 255));
    p.drawEllipse(QPointF(104, 104), 78, 78);
    p.setPen(QPen(plus ? QColor(20, 140, 40) : QColor(200, 40, 40), 22, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(64, 104), QPointF(144, 104));
    if (plus)
        p.drawLine(QPointF(104, 64), QPointF(104, 144));
}

// A three-quarter circle with an arrow head: clockwise when `clockwise`, else counter-clockwise.
void rotateArrow(QPainter &p, bool clockwise, const QColor &color)
{
    p.save();
    if (!clockwise) {
        p.translate(256, 0);
        p.scale(-1, 1);
    }
    p.setPen(QPen(color, 28, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    const QRectF ring(44, 44, 168, 168);
    p.drawArc(ring, 100 * 16, -280 * 16);
    QPainterPath head;
    head.moveTo(118, 4);
    head.lineTo(178, 44);
    head.lineTo(118, 84);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPath(head);
    p.restore();
}

QImage brivoMark(int size)
{
    return render(size, size, [](QPainter &p, qreal) {
        p.setPen(Qt::NoPen);
        QLinearGradient g(0, 0, 256, 256);
        g.setColorAt(0, QColor(255, 140, 0));
        g.setColorAt(1, QColor(200, 40, 90));
        p.setBrush(g);
        p.drawRoundedRect(QRectF(8, 8, 240, 240), 48, 48);
        centredText(p, QRectF(8, 0, 240, 256), QStringLiteral("B"), font(200), Qt::white);
    });
}

struct Output
{
    QString path;
    std::function<bool(const QString &)> write;
};

bool savePng(const QString &path, const QImage &image)
{
    return image.save(path, "PNG");
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <source root>\n", argv[0]);
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    const QString images = root.filePath(QStringLiteral("images"));

    const QList<Output> outputs = {
        {images + "/txt.png",
         [](const QString &f) {
             return savePng(f, render(256, 256, [](QPainter &p, qreal) {
                                paper(p, QRectF(40, 16, 170, 224), QColor(255, 255, 240));
                                p.setPen(QPen(QColor(70, 130, 220), 7));
                                for (int y = 84; y <= 204; y += 24)
                                    p.drawLine(QPointF(64, y), QPointF(186, y));
                                // A pencil across the page.
                                p.translate(150, 150);
                                p.rotate(-45);
                                p.setPen(QPen(QColor(60, 60, 60), 4));
                                p.setBrush(QColor(250, 200, 30));
                                p.drawRect(QRectF(-20, -90, 40, 130));
                                p.setBrush(QColor(240, 150, 150));
                                p.drawRect(QRectF(-20, -110, 40, 20));
                                QPainterPath tip;
                                tip.moveTo(-20, 40);
                                tip.lineTo(20, 40);
                                tip.lineTo(0, 84);
                                tip.closeSubpath();
                                p.setBrush(QColor(240, 210, 160));
                                p.drawPath(tip);
                            }));
         }},
        {images + "/ide.png",
         [](const QString &f) {
             return savePng(
                 f, render(128, 128, [](QPainter &p, qreal) {
                     p.setPen(QPen(QColor(40, 40, 40), 6));
                     p.setBrush(QColor(30, 34, 44));
                     p.drawRoundedRect(QRectF(8, 24, 240, 208), 24, 24);
                     p.setPen(Qt::NoPen);
                     p.setBrush(QColor(80, 90, 110));
                     p.drawRoundedRect(QRectF(8, 24, 240, 40), 20, 20);
                     p.setPen(QPen(QColor(80, 220, 120), 20, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                     p.drawPolyline(QPolygonF({QPointF(88, 104), QPointF(44, 148), QPointF(88, 192)}));
                     p.drawPolyline(QPolygonF({QPointF(168, 104), QPointF(212, 148), QPointF(168, 192)}));
                     p.setPen(QPen(QColor(90, 190, 255), 18, Qt::SolidLine, Qt::RoundCap));
                     p.drawLine(QPointF(144, 96), QPointF(112, 200));
                 }));
         }},
        {images + "/av.png",
         [](const QString &f) {
             return savePng(f, render(256, 256, [](QPainter &p, qreal) {
                                p.setPen(Qt::NoPen);
                                p.setBrush(vertical(QColor(255, 120, 40), QColor(210, 50, 20)));
                                p.drawEllipse(QRectF(12, 12, 232, 232));
                                QPainterPath play;
                                play.moveTo(96, 64);
                                play.lineTo(196, 128);
                                play.lineTo(96, 192);
                                play.closeSubpath();
                                p.setBrush(Qt::white);
                                p.drawPath(play);
                            }));
         }},
        {images + "/pdf.png",
         [](const QString &f) {
             return savePng(f, render(256, 256, [](QPainter &p, qreal) {
                                paper(p, QRectF(40, 12, 176, 232), Qt::white);
                                p.setPen(Qt::NoPen);
                                p.setBrush(QColor(210, 30, 30));
                                p.drawRoundedRect(QRectF(16, 120, 200, 84), 12, 12);
                                centredText(p, QRectF(16, 120, 200, 84), QStringLiteral("PDF"), font(64),
                                            Qt::white);
                                p.setPen(QPen(QColor(170, 170, 170), 6));
                                p.drawLine(QPointF(64, 60), QPointF(150, 60));
                                p.drawLine(QPointF(64, 88), QPointF(180, 88));
                                p.drawLine(QPointF(64, 222), QPointF(180, 222));
                            }));
         }},
        {images + "/image.png",
         [](const QString &f) {
             return savePng(f, render(256, 256, [](QPainter &p, qreal) {
                                p.setPen(QPen(QColor(120, 80, 40), 14));
                                p.setBrush(vertical(QColor(120, 190, 255), QColor(200, 235, 255), 30, 220));
                                p.drawRect(QRectF(20, 36, 216, 184));
                                p.setPen(Qt::NoPen);
                                p.setBrush(QColor(255, 210, 40));
                                p.drawEllipse(QPointF(176, 84), 24, 24);
                                QPainterPath hills;
                                hills.moveTo(27, 213);
                                hills.lineTo(92, 110);
                                hills.lineTo(140, 180);
                                hills.lineTo(170, 140);
                                hills.lineTo(229, 213);
                                hills.closeSubpath();
                                p.setBrush(QColor(40, 150, 60));
                                p.drawPath(hills);
                            }));
         }},
        {images + "/web.png",
         [](const QString &f) {
             return savePng(f, render(256, 256, [](QPainter &p, qreal) {
                                p.setPen(Qt::NoPen);
                                QRadialGradient g(100, 90, 170);
                                g.setColorAt(0, QColor(110, 190, 255));
                                g.setColorAt(1, QColor(20, 80, 180));
                                p.setBrush(g);
                                p.drawEllipse(QRectF(16, 16, 224, 224));
                                p.setPen(QPen(Qt::white, 8));
                                p.setBrush(Qt::NoBrush);
                                p.drawEllipse(QRectF(16, 16, 224, 224));
                                p.drawEllipse(QRectF(76, 16, 104, 224));
                                p.drawLine(QPointF(128, 16), QPointF(128, 240));
                                p.drawLine(QPointF(16, 128), QPointF(240, 128));
                                p.drawLine(QPointF(36, 76), QPointF(220, 76));
                                p.drawLine(QPointF(36, 180), QPointF(220, 180));
                            }));
         }},
        {images + "/about.jpg",
         [](const QString &f) {
             const QImage img = render(
                 256, 256,
                 [](QPainter &p, qreal) {
                     p.setPen(Qt::NoPen);
                     p.setBrush(QColor(30, 110, 200));
                     p.drawEllipse(QRectF(20, 20, 216, 216));
                     centredText(p, QRectF(20, 20, 216, 216), QStringLiteral("i"), font(170), Qt::white);
                 },
                 Qt::white);
             return img.convertToFormat(QImage::Format_RGB32).save(f, "JPEG", 92);
         }},
        {images + "/abtm.gif",
         [](const QString &f) {
             const QImage img = render(
                 256, 256,
                 [](QPainter &p, qreal) {
                     p.setRenderHint(QPainter::Antialiasing, false);
                     p.setPen(Qt::NoPen);
                     p.setBrush(QColor(20, 150, 140));
                     p.drawRoundedRect(QRectF(8, 8, 240, 240), 40, 40);
                     p.setBrush(Qt::white);
                     p.drawEllipse(QPointF(128, 92), 48, 48);
                     p.drawChord(QRectF(40, 150, 176, 180), 0, 180 * 16);
                 },
                 Qt::white);
             return writeGif(f, img);
         }},
        {images + "/zip.png",
         [](const QString &f) {
             return savePng(f, render(512, 512, [](QPainter &p, qreal) {
                                p.setPen(QPen(QColor(110, 70, 20), 6));
                                p.setBrush(vertical(QColor(240, 200, 90), QColor(200, 140, 40)));
                                p.drawRoundedRect(QRectF(28, 36, 200, 196), 16, 16);
                                p.setBrush(QColor(170, 110, 30));
                                p.drawRect(QRectF(28, 36, 200, 36));
                                // The zipper: teeth down the middle and a pull tab.
                                p.setPen(Qt::NoPen);
                                p.setBrush(QColor(70, 70, 80));
                                for (int y = 40; y < 200; y += 16) {
                                    p.drawRect(QRectF(116, y, 12, 8));
                                    p.drawRect(QRectF(128, y + 8, 12, 8));
                                }
                                p.setBrush(QColor(190, 190, 200));
                                p.drawRoundedRect(QRectF(110, 190, 36, 34), 6, 6);
                                p.setBrush(QColor(70, 70, 80));
                                p.drawEllipse(QPointF(128, 212), 6, 6);
                            }));
         }},
        {images + "/desktop.png",
         [](const QString &f) {
             return savePng(
                 f, render(256, 256, [](QPainter &p, qreal) {
                     p.setPen(QPen(QColor(50, 50, 60), 10));
                     p.setBrush(vertical(QColor(60, 170, 230), QColor(30, 90, 170), 24, 184));
                     p.drawRoundedRect(QRectF(16, 24, 224, 160), 12, 12);
                     p.setPen(Qt::NoPen);
                     p.setBrush(QColor(50, 50, 60));
                     p.drawRect(QRectF(108, 184, 40, 32));
                     p.drawRoundedRect(QRectF(64, 212, 128, 20), 8, 8);
                     // Crop corners of a capture.
                     p.setPen(QPen(Qt::white, 12, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
                     p.setBrush(Qt::NoBrush);
                     p.drawPolyline(QPolygonF({QPointF(56, 84), QPointF(56, 60), QPointF(84, 60)}));
                     p.drawPolyline(QPolygonF({QPointF(172, 60), QPointF(200, 60), QPointF(200, 84)}));
                     p.drawPolyline(QPolygonF({QPointF(56, 124), QPointF(56, 148), QPointF(84, 148)}));
                     p.drawPolyline(QPolygonF({QPointF(172, 148), QPointF(200, 148), QPointF(200, 124)}));
                     p.setPen(Qt::NoPen);
                     p.setBrush(QColor(255, 80, 80));
                     p.drawEllipse(QPointF(128, 104), 18, 18);
                 }));
         }},
        {images + "/gif.png",
         [](const QString &f) {
             return savePng(f, render(256, 256, [](QPainter &p, qreal) {
                                p.setPen(Qt::NoPen);
                                p.setBrush(QColor(40, 40, 50));
                                p.drawRoundedRect(QRectF(12, 40, 232, 176), 16, 16);
                                p.setBrush(Qt::white);
                                for (int x = 28; x < 236; x += 32) {
                                    p.drawRect(QRectF(x, 52, 16, 16));
                                    p.drawRect(QRectF(x, 188, 16, 16));
                                }
                                p.setBrush(QColor(150, 60, 200));
                                p.drawRect(QRectF(24, 78, 208, 100));
                                centredText(p, QRectF(24, 78, 208, 100), QStringLiteral("GIF"), font(72),
                                            Qt::white);
                            }));
         }},
        {images + "/b.png",
         [](const QString &f) {
             return savePng(
                 f, render(256, 256, [](QPainter &p, qreal) { arrowBadge(p, QColor(40, 120, 220), 180); }));
         }},
        {images + "/f.png",
         [](const QString &f) {
             return savePng(
                 f, render(256, 256, [](QPainter &p, qreal) { arrowBadge(p, QColor(40, 120, 220), 0); }));
         }},
        {images + "/in.png",
         [](const QString &f) {
             return savePng(f, render(128, 128, [](QPainter &p, qreal) { magnifier(p, true); }));
         }},
        {images + "/out.png",
         [](const QString &f) {
             return savePng(f, render(128, 128, [](QPainter &p, qreal) { magnifier(p, false); }));
         }},
        {images + "/re.png",
         [](const QString &f) {
             return savePng(f, render(128, 128, [](QPainter &p, qreal) {
                                rotateArrow(p, false, QColor(230, 120, 20));
                            }));
         }},
        {images + "/fo.png",
         [](const QString &f) {
             return savePng(
                 f, render(128, 128, [](QPainter &p, qreal) { rotateArrow(p, true, QColor(230, 120, 20)); }));
         }},
        {images + "/go.png",
         [](const QString &f) {
             return savePng(f, render(256, 256, [](QPainter &p, qreal) {
                                p.setPen(Qt::NoPen);
                                p.setBrush(vertical(QColor(90, 200, 90), QColor(30, 140, 40)));
                                p.drawRoundedRect(QRectF(12, 52, 232, 152), 40, 40);
                                centredText(p, QRectF(12, 52, 232, 152), QStringLiteral("GO"), font(104),
                                            Qt::white);
                            }));
         }},
        {images + "/full.png",
         [](const QString &f) {
             return savePng(f, render(256, 256, [](QPainter &p, qreal) {
                                p.setPen(QPen(QColor(60, 60, 70), 10));
                                p.setBrush(QColor(235, 235, 240));
                                p.drawRoundedRect(QRectF(16, 16, 224, 224), 20, 20);
                                p.setPen(Qt::NoPen);
                                p.setBrush(QColor(40, 120, 220));
                                for (int turn = 0; turn < 4; ++turn) {
                                    p.save();
                                    p.translate(128, 128);
                                    p.rotate(90 * turn);
                                    QPainterPath corner;
                                    corner.moveTo(-96, -96);
                                    corner.lineTo(-30, -96);
                                    corner.lineTo(-52, -74);
                                    corner.lineTo(-20, -42);
                                    corner.lineTo(-42, -20);
                                    corner.lineTo(-74, -52);
                                    corner.lineTo(-96, -30);
                                    corner.closeSubpath();
                                    p.drawPath(corner);
                                    p.restore();
                                }
                            }));
         }},
        {images + "/reload.png",
         [](const QString &f) {
             return savePng(
                 f, render(256, 256, [](QPainter &p, qreal) { rotateArrow(p, true, QColor(40, 150, 80)); }));
         }},
        {images + "/brivo.png",
         [](const QString &f) {
             QImage img(870, 140, QImage::Format_ARGB32_Premultiplied);
             img.fill(Qt::transparent);
             QPainter p(&img);
             p.setRenderHint(QPainter::Antialiasing);
             p.drawImage(QRectF(10, 10, 120, 120), brivoMark(240));
             QLinearGradient g(150, 0, 600, 0);
             g.setColorAt(0, QColor(255, 160, 30));
             g.setColorAt(1, QColor(240, 80, 120));
             QPainterPath word;
             word.addText(150, 104, font(104), QStringLiteral("Brivo"));
             p.setPen(Qt::NoPen);
             p.setBrush(g);
             p.drawPath(word);
             p.setFont(font(30, false));
             p.setPen(QColor(230, 230, 230));
             p.drawText(QRectF(490, 30, 370, 90), Qt::AlignLeft | Qt::AlignVCenter,
                        QStringLiteral("nine everyday tools,\none window away"));
             p.end();
             return savePng(f, img.convertToFormat(QImage::Format_ARGB32));
         }},
        {images + "/main.ico",
         [](const QString &f) {
             QList<QImage> sizes;
             for (int s : {256, 128, 96, 72, 64, 48, 32, 24, 16})
                 sizes.append(brivoMark(s));
             return writeIco(f, sizes, false);
         }},
        {root.filePath(QStringLiteral("platform/windows/brivo.ico")),
         [](const QString &f) {
             QList<QImage> sizes;
             for (int s : {256, 48, 32, 24, 16})
                 sizes.append(brivoMark(s));
             return writeIco(f, sizes, true);
         }},
        {root.filePath(QStringLiteral("packaging/brivo.png")),
         [](const QString &f) { return savePng(f, brivoMark(256)); }},
    };

    int failures = 0;
    for (const Output &output : outputs) {
        if (!output.write(output.path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(output.path));
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}

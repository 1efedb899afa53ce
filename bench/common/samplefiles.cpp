#include "bench/common/samplefiles.h"

#include <QFont>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRandomGenerator>
#include <QtMath>

namespace brivo::bench {

namespace {

// Runs GStreamer's command-line tool with `pipeline`. Empty when it succeeded, else what went wrong.
QString runGstLaunch(const QStringList &pipeline)
{
    QProcess encoder;
    encoder.setProcessChannelMode(QProcess::MergedChannels);
    encoder.start(QStringLiteral("gst-launch-1.0"), pipeline);
    if (!encoder.waitForFinished(120000))
        return QStringLiteral("gst-launch-1.0 did not finish: ") + encoder.errorString();
    if (encoder.exitStatus() != QProcess::NormalExit || encoder.exitCode() != 0)
        return QStringLiteral("gst-launch-1.0 failed: ") +
               QString::fromLocal8Bit(encoder.readAll()).trimmed();
    return {};
}

} // namespace

QByteArray sampleText(qint64 size)
{
    static const char *const words[] = {"notepad",      "line", "text", "brivo", "window",  "caf\xc3\xa9",
                                        "na\xc3\xafve", "file", "save", "a",     "document"};
    QByteArray text;
    text.reserve(size + 200);
    quint32 seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7fff; };
    while (text.size() < size) {
        const quint32 count = 2 + next() % 14;
        for (quint32 i = 0; i < count; ++i) {
            if (i)
                text += ' ';
            text += words[next() % (sizeof words / sizeof *words)];
        }
        text += '\n';
    }
    return text;
}

QByteArray sampleSource(qint64 size)
{
    QByteArray text(
        "// Generated for measuring: functions of the same shape, over and over.\n#include <cstdio>\n\n");
    text.reserve(size + 1000);
    for (int n = 0; text.size() < size; ++n) {
        const QByteArray id = QByteArray::number(n);
        text += "/* Adds up the values of table " + id + ",\n   skipping the negative ones. */\n";
        text += "static long sum" + id + "(const int *values, int count)\n{\n";
        text += "    long total = " + QByteArray::number(n % 97) + ";\n";
        text += "    for (int i = 0; i < count; ++i) {\n";
        text += "        if (values[i] < 0) // negative values count as nothing\n            continue;\n";
        text += "        total += values[i] * " + QByteArray::number(n % 13 + 2) + ";\n    }\n";
        text += "    std::printf(\"table " + id + ": %ld\\n\", total);\n    return total;\n}\n\n";
    }
    return text;
}

QImage photoLike(const QSize &size, int seed)
{
    QImage photo(size, QImage::Format_RGB32);
    QRandomGenerator noise(quint32(seed) * 7919u + 1);
    const double phase = seed * 0.7;
    for (int y = 0; y < photo.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(photo.scanLine(y));
        const double fy = double(y) / photo.height();
        for (int x = 0; x < photo.width(); ++x) {
            const double fx = double(x) / photo.width();
            const int grain = int(noise.bounded(24)) - 12;
            const int r = int(128 + 90 * qSin(6.0 * fx + phase) * qCos(4.0 * fy)) + grain;
            const int g = int(128 + 80 * qSin(9.0 * fy + 2.0 * fx + phase)) + grain;
            const int b = ((x / 250 + y / 250 + seed) % 2 ? 180 : 70) + grain;
            line[x] = qRgb(qBound(0, r, 255), qBound(0, g, 255), qBound(0, b, 255));
        }
    }
    return photo;
}

bool writeLetterPages(const QString &path, int pages,
                      const std::function<void(QPainter &, QRect, int)> &drawPage)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::Letter));
    writer.setResolution(300);
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    for (int p = 0; p < pages; ++p) {
        if (p > 0)
            writer.newPage();
        drawPage(painter, painter.viewport(), p);
    }
    return painter.end();
}

bool writeManual(const QString &path, int pages)
{
    static const char *const words[] = {"the",     "window", "opens", "file",  "a",       "tool", "and",
                                        "setting", "of",     "menu",  "press", "button",  "to",   "saves",
                                        "when",    "folder", "shows", "text",  "picture", "page", "in"};
    QFont body(QStringLiteral("DejaVu Sans"));
    body.setPointSizeF(10);
    QFont heading = body;
    heading.setPointSizeF(16);
    heading.setBold(true);
    QRandomGenerator random(20);
    return writeLetterPages(path, pages, [&](QPainter &painter, QRect page, int number) {
        const QRect area = page.adjusted(225, 225, -225, -225);
        painter.setFont(heading);
        painter.drawText(area.left(), area.top() + painter.fontMetrics().ascent(),
                         QStringLiteral("Chapter %1").arg(number / 10 + 1));
        painter.setFont(body);
        const QFontMetrics metrics = painter.fontMetrics();
        painter.drawText(area, Qt::AlignBottom | Qt::AlignHCenter, QString::number(number + 1));
        const int bottom = area.bottom() - 2 * metrics.lineSpacing();
        int y = area.top() + 3 * metrics.lineSpacing();
        while (y < bottom) {
            // A paragraph of four to nine lines, then a blank line.
            const int lines = 4 + int(random.bounded(6));
            for (int l = 0; l < lines && y < bottom; ++l) {
                QString line;
                while (metrics.horizontalAdvance(line) < area.width() - (l + 1 == lines ? 900 : 150))
                    line += QLatin1String(words[random.bounded(int(std::size(words)))]) + QLatin1Char(' ');
                painter.drawText(area.left(), y, line.trimmed());
                y += metrics.lineSpacing();
            }
            y += metrics.lineSpacing();
        }
    });
}

QString writeTone(const QString &path, int seconds)
{
    // Two channels at 44.1 kHz, encoded at a constant 192 kbit/s as music often is.
    const int buffers = seconds * 44100 / 1024;
    QStringList pipeline = {QStringLiteral("-q"),
                            QStringLiteral("audiotestsrc"),
                            QStringLiteral("wave=sine"),
                            QStringLiteral("freq=440"),
                            QStringLiteral("volume=0.3"),
                            QStringLiteral("samplesperbuffer=1024"),
                            QStringLiteral("num-buffers=%1").arg(buffers),
                            QStringLiteral("!"),
                            QStringLiteral("audio/x-raw,rate=44100,channels=2"),
                            QStringLiteral("!"),
                            QStringLiteral("audioconvert"),
                            QStringLiteral("!"),
                            QStringLiteral("lamemp3enc"),
                            QStringLiteral("target=bitrate"),
                            QStringLiteral("bitrate=192"),
                            QStringLiteral("cbr=true"),
                            QStringLiteral("!"),
                            QStringLiteral("id3v2mux"),
                            QStringLiteral("!"),
                            QStringLiteral("filesink"),
                            QStringLiteral("location=") + path};
    return runGstLaunch(pipeline);
}

QString writeVideo(const QString &path, int seconds)
{
    // 640x360 at 25 frames a second, each frame a JPEG: quick to make, and decoded frame by frame as any
    // video is.
    const QStringList pipeline = {QStringLiteral("-q"),
                                  QStringLiteral("videotestsrc"),
                                  QStringLiteral("pattern=ball"),
                                  QStringLiteral("num-buffers=%1").arg(seconds * 25),
                                  QStringLiteral("!"),
                                  QStringLiteral("video/x-raw,width=640,height=360,framerate=25/1"),
                                  QStringLiteral("!"),
                                  QStringLiteral("jpegenc"),
                                  QStringLiteral("!"),
                                  QStringLiteral("avimux"),
                                  QStringLiteral("!"),
                                  QStringLiteral("filesink"),
                                  QStringLiteral("location=") + path};
    return runGstLaunch(pipeline);
}

QByteArray animatedGif(const QSize &size, int frames)
{
    auto word = [](QByteArray &out, int value) {
        out += char(value & 0xff);
        out += char((value >> 8) & 0xff);
    };
    QByteArray gif("GIF89a");
    word(gif, size.width());
    word(gif, size.height());
    gif += char(0xf7); // a global colour table of 256 entries
    gif += char(0);
    gif += char(0);
    for (int i = 0; i < 256; ++i) {
        gif += char(i);
        gif += char(255 - i);
        gif += char((i * 7) & 0xff);
    }
    gif += QByteArray::fromHex("21ff0b") + "NETSCAPE2.0" + QByteArray::fromHex("0301000000");
    for (int frame = 0; frame < frames; ++frame) {
        gif += QByteArray::fromHex("21f904000500 0000"); // 50 ms a frame
        gif += char(0x2c);
        word(gif, 0);
        word(gif, 0);
        word(gif, size.width());
        word(gif, size.height());
        gif += char(0);
        gif += char(8); // codes of 8-bit colours: 9 bits wide, clear 256, end 257
        // Every pixel a code of its own, and a clear code before the table would grow to 10-bit codes:
        // no compression, but any decoder reads it and every frame costs it the same.
        QByteArray data;
        quint32 bits = 0;
        int count = 0;
        auto put = [&](int code) {
            bits |= quint32(code) << count;
            count += 9;
            while (count >= 8) {
                data += char(bits & 0xff);
                bits >>= 8;
                count -= 8;
            }
        };
        int sinceClear = 0;
        put(256);
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                if (sinceClear == 250) {
                    put(256);
                    sinceClear = 0;
                }
                put((x + y + frame * 16) & 0xff);
                ++sinceClear;
            }
        }
        put(257);
        if (count > 0)
            data += char(bits & 0xff);
        for (qsizetype at = 0; at < data.size(); at += 255) {
            const QByteArray block = data.mid(at, 255);
            gif += char(block.size());
            gif += block;
        }
        gif += char(0);
    }
    return gif + ';';
}

} // namespace brivo::bench

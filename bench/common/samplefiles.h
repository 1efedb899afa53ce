// The files the benchmarks open, made at run time: text, photographs, PDF documents, sound, video and
// animations.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>

class QPainter;

namespace brivo::bench {

// `size` bytes (or a line more) of UTF-8 text in lines of mixed length with some accented words, as a
// long log or a book would have. The same for the same size.
QByteArray sampleText(qint64 size);

// `size` bytes (or a function more) of C++ source: functions with comments, strings, numbers and
// indented blocks, as a large generated or amalgamated source file has. The same for the same size.
QByteArray sampleSource(qint64 size);

// A picture with the detail of a photograph: soft colour fields, edges and sensor noise, so that a JPEG
// decoder has as much to do as with a real one of this size. `seed` varies it.
QImage photoLike(const QSize &size, int seed);

// A PDF document of `pages` letter-size pages at 300 dots per inch, each drawn by `drawPage` (which gets
// the painter, the page's area and the page number, from 0). Whether it could be written.
bool writeLetterPages(const QString &path, int pages,
                      const std::function<void(QPainter &, QRect, int)> &drawPage);

// A letter-size document of `pages` pages: a heading, a page number and paragraphs of small text on
// each, as in a manual. Whether it could be written.
bool writeManual(const QString &path, int pages);

// An MP3 file of `seconds` seconds: a 440 Hz tone that sounds from its first moment to its end, made by
// GStreamer's command-line tool. Empty when written, else what went wrong.
QString writeTone(const QString &path, int seconds);

// An AVI file of `seconds` seconds of 640x360 video (a moving ball, motion JPEG, no sound), made by
// GStreamer's command-line tool. Empty when written, else what went wrong.
QString writeVideo(const QString &path, int seconds);

// An animated GIF of `frames` frames of `size`, 50 ms each, looping forever: diagonal colour bands that
// move from frame to frame.
QByteArray animatedGif(const QSize &size, int frames);

} // namespace brivo::bench

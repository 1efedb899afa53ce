// PDF documents the viewer's tests make at run time.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QSizeF>
#include <QString>

namespace brivo::test {

// Writes a PDF whose page i is `pageSize` (in inches) filled with `colours[i]`, with a black half-inch square
// in its top left corner: a rendered page tells which page it is by its colour, the resolution by its size
// in pixels and its rotation by where the square is.
bool writeColourPdf(const QString &path, const QList<QColor> &colours, QSizeF pageSize = {3, 2});

// A PDF assembled from `objects` (object i + 1 is objects[i]; object 1 is the catalog), with a correct
// cross-reference table.
QByteArray assemblePdf(const QList<QByteArray> &objects);

// The PDF at `path` locked with the user password "secret" (AES-256) by qpdf; null when qpdf is missing.
QByteArray passwordProtectedCopy(const QString &path);

} // namespace brivo::test

#include "tests/viewers/pdftestfiles.h"

#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>

namespace brivo::test {

bool writeColourPdf(const QString &path, const QList<QColor> &colours, QSizeF pageSize)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(pageSize, QPageSize::Inch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(72);
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    for (int i = 0; i < colours.size(); ++i) {
        if (i > 0)
            writer.newPage();
        painter.fillRect(QRectF(QPointF(0, 0), pageSize * 72), colours[i]);
        painter.fillRect(QRectF(0, 0, 36, 36), Qt::black);
    }
    return painter.end();
}

QByteArray assemblePdf(const QList<QByteArray> &objects)
{
    QByteArray pdf = "%PDF-1.4\n";
    QByteArray xref = "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (int i = 0; i < objects.size(); ++i) {
        xref += QByteArray::number(pdf.size()).rightJustified(10, '0') + " 00000 n \n";
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    return pdf + xref + "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(pdf.size()) + "\n%%EOF\n";
}

QByteArray passwordProtectedCopy(const QString &path)
{
    const QString qpdf = QStandardPaths::findExecutable(QStringLiteral("qpdf"));
    const QString locked = path + QStringLiteral(".locked");
    if (qpdf.isEmpty() ||
        QProcess::execute(qpdf, {"--encrypt", "secret", "owner", "256", "--", path, locked}) != 0)
        return QByteArray();
    QFile file(locked);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace brivo::test

#include "tests/zip/craftedtar.h"

#include <cstring>

namespace brivo::test {

namespace {

void putField(QByteArray &header, int offset, int width, const QByteArray &value)
{
    std::memcpy(header.data() + offset, value.constData(), qMin<qsizetype>(value.size(), width));
}

QByteArray octal(qint64 value, int digits)
{
    return QByteArray::number(value, 8).rightJustified(digits, '0');
}

} // namespace

QByteArray tarArchive(const QList<TarEntry> &entries)
{
    QByteArray archive;
    for (const TarEntry &entry : entries) {
        QByteArray header(512, '\0');
        putField(header, 0, 100, entry.name);
        putField(header, 100, 8, entry.type == '5' ? "0000755" : "0000644");
        putField(header, 108, 8, "0000000");
        putField(header, 116, 8, "0000000");
        putField(header, 124, 12, octal(entry.type == '0' ? entry.data.size() : 0, 11));
        putField(header, 136, 12, octal(1700000000, 11));
        header[156] = entry.type;
        putField(header, 157, 100, entry.link);
        putField(header, 257, 6, QByteArray("ustar", 6));
        putField(header, 263, 2, "00");
        // The checksum is taken with its own field read as blanks.
        putField(header, 148, 8, "        ");
        unsigned sum = 0;
        for (const char c : std::as_const(header))
            sum += static_cast<unsigned char>(c);
        putField(header, 148, 8, octal(sum, 6) + QByteArray("\0 ", 2));
        archive += header;
        if (entry.type == '0') {
            archive += entry.data;
            archive += QByteArray((512 - entry.data.size() % 512) % 512, '\0');
        }
    }
    archive += QByteArray(1024, '\0');
    return archive;
}

} // namespace brivo::test

// Writes tar archives by hand, so that tests can hold what no archiver writes: names that climb out with
// "..", absolute names, links.
#pragma once

#include <QByteArray>
#include <QList>

#include <cstring>

namespace brivo::test {

struct TarEntry
{
    QByteArray name;
    QByteArray data;
    char type = '0'; // '0' file, '1' hard link, '2' symbolic link, '5' folder
    QByteArray link; // a link's target
};

inline QByteArray tarArchive(const QList<TarEntry> &entries)
{
    const auto octal = [](qint64 value, int digits) {
        return QByteArray::number(value, 8).rightJustified(digits, '0');
    };
    QByteArray archive;
    for (const TarEntry &entry : entries) {
        QByteArray header(512, '\0');
        const auto put = [&header](int offset, const QByteArray &value) {
            std::memcpy(header.data() + offset, value.constData(), value.size());
        };
        const QByteArray data = entry.type == '0' ? entry.data : QByteArray();
        put(0, entry.name.left(100));
        put(100, entry.type == '5' ? "0000755" : "0000644");
        put(124, octal(data.size(), 11));
        put(136, octal(1700000000, 11));
        header[156] = entry.type;
        put(157, entry.link.left(100));
        put(257, QByteArray("ustar\0"
                            "00",
                            8));
        put(148, "        "); // the checksum counts its own field as blanks
        unsigned sum = 0;
        for (const char c : std::as_const(header))
            sum += static_cast<unsigned char>(c);
        put(148, octal(sum, 6) + QByteArray("\0 ", 2));
        archive += header + data + QByteArray((512 - data.size() % 512) % 512, '\0');
    }
    return archive + QByteArray(1024, '\0');
}

} // namespace brivo::test

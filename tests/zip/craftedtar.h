// Writes tar archives by hand, so the tests can hold entries that no archiver would write: names that
// climb out with "..", absolute names, links.
#pragma once

#include <QByteArray>
#include <QList>

namespace brivo::test {

struct TarEntry
{
    QByteArray name;
    QByteArray data;
    char type = '0'; // '0' file, '1' hard link, '2' symbolic link, '5' folder
    QByteArray link; // the target of a link
};

QByteArray tarArchive(const QList<TarEntry> &entries);

} // namespace brivo::test

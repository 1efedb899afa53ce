// Testing an archive with "7z t": every entry is unpacked in memory and checked, and the result is said
// in words.
#pragma once

#include "zip/archivejob.h"

namespace brivo::zip {

class TestJob : public ArchiveJob
{
    Q_OBJECT
public:
    TestJob(const QString &archive, const QString &password, QObject *parent = nullptr);

    void start() override;

private:
    QString m_archive;
    QString m_password;
};

} // namespace brivo::zip

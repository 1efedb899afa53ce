// The 7z argument lists of packing, extracting and listing, and the folder an archive is extracted into.
#include "zip/sevenzipcommand.h"

#include <QTest>

using namespace brivo::zip;

class tst_sevenzipcommand : public QObject
{
    Q_OBJECT
private slots:
    void packing_data()
    {
        QTest::addColumn<QString>("archive");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("expected");

        const QStringList tail = {"-spd", "-bsp1", "--"};
        QTest::newRow("two entries, no password")
            << "/out.7z" << "" << QStringList{"/a.txt", "/b.txt"}
            << (QStringList{"a", "/out.7z", "-y"} + tail + QStringList{"/a.txt", "/b.txt"});
        QTest::newRow("password glued to -p, between -y and the entries")
            << "/out.7z" << "s3cret" << QStringList{"/a.txt"}
            << (QStringList{"a", "/out.7z", "-y", "-ps3cret"} + tail + QStringList{"/a.txt"});
        QTest::newRow("blanks stay inside one argument")
            << "/my files/out.7z" << "two words" << QStringList{"/my files/a b.txt", "/c  d"}
            << (QStringList{"a", "/my files/out.7z", "-y", "-ptwo words"} + tail +
                QStringList{"/my files/a b.txt", "/c  d"});
        QTest::newRow("names that look like switches or list files follow --")
            << "/out.7z" << "" << QStringList{"-r", "@list.txt", "-pX"}
            << (QStringList{"a", "/out.7z", "-y"} + tail + QStringList{"-r", "@list.txt", "-pX"});
        QTest::newRow("a relative archive that looks like a switch is made a path")
            << "-sfx.7z" << "" << QStringList{"/a"}
            << (QStringList{"a", "./-sfx.7z", "-y"} + tail + QStringList{"/a"});
        QTest::newRow("wildcards are names")
            << "/out.7z" << "" << QStringList{"/data/*.txt", "/data/q?.bin"}
            << (QStringList{"a", "/out.7z", "-y"} + tail + QStringList{"/data/*.txt", "/data/q?.bin"});
    }
    void packing()
    {
        QFETCH(QString, archive);
        QFETCH(QString, password);
        QFETCH(QStringList, entries);
        QFETCH(QStringList, expected);
        QCOMPARE(packArguments(archive, password, entries), expected);
    }

    void extracting_data()
    {
        QTest::addColumn<QString>("archive");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("no password gives a lone -p")
            << "/data/a.7z" << "" << "/data"
            << QStringList{"x", "-y", "-p", "-o/data", "-spd", "-bsp1", "--", "/data/a.7z"};
        QTest::newRow("password and folder glued to their switches")
            << "/my data/a b.7z" << "pass word" << "/my data"
            << QStringList{"x", "-y", "-ppass word", "-o/my data", "-spd", "-bsp1", "--", "/my data/a b.7z"};
        QTest::newRow("drive root")
            << "C:/a.7z" << "" << "C:"
            << QStringList{"x", "-y", "-p", "-oC:", "-spd", "-bsp1", "--", "C:/a.7z"};
        QTest::newRow("an archive named like a switch")
            << "-a.7z" << "" << "/w" << QStringList{"x", "-y", "-p", "-o/w", "-spd", "-bsp1", "--", "-a.7z"};
    }
    void extracting()
    {
        QFETCH(QString, archive);
        QFETCH(QString, password);
        QFETCH(QString, folder);
        QFETCH(QStringList, expected);
        QCOMPARE(extractArguments(archive, password, folder), expected);
    }

    void listingNeverAsksForAPassword()
    {
        QCOMPARE(listArguments("-a b.7z", ""), (QStringList{"l", "-slt", "-p", "-spd", "--", "-a b.7z"}));
        QCOMPARE(listArguments("/a.7z", "pw"), (QStringList{"l", "-slt", "-ppw", "-spd", "--", "/a.7z"}));
    }

    void folderArgument_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("expected");
        QTest::newRow("drive root loses its slash") << "C:/" << "C:";
        QTest::newRow("lower-case drive") << "d:/" << "d:";
        QTest::newRow("sub-folder of a drive") << "C:/work" << "C:/work";
        QTest::newRow("three letters that are not a drive") << "/ab" << "/ab";
        QTest::newRow("unix root") << "/" << "/";
        QTest::newRow("folder with blanks") << "/my data/x y" << "/my data/x y";
    }
    void folderArgument()
    {
        QFETCH(QString, folder);
        QFETCH(QString, expected);
        QCOMPARE(brivo::zip::folderArgument(folder), expected);
    }

    void extractionFolderIsTheArchivesOwnFolder()
    {
        QTemporaryDir dir;
        QCOMPARE(extractionFolder(dir.path() + "/a.7z"), dir.path());
        QCOMPARE(extractionFolder(dir.path() + "/sub dir/a.7z"), dir.path() + "/sub dir");
        QCOMPARE(extractionFolder(dir.path() + "/sub/../b.zip"), dir.path());
    }
};

QTEST_GUILESS_MAIN(tst_sevenzipcommand)
#include "tst_sevenzipcommand.moc"

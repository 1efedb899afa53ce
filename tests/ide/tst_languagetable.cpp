// The Build menu's language table, the Java file-name check and the run's status text.
#include "ide/languagetable.h"

#include <QTest>

class tst_languagetable : public QObject
{
    Q_OBJECT
private slots:
    // Each row's check folder, source file and command must name the same language folder, or a run
    // would test one toolchain and write to another.
    void everyRowPointsIntoItsOwnLanguageFolder()
    {
        int count = 0;
        const brivo::LanguageRun *runs = brivo::languageRuns(&count);
        QCOMPARE(count, 11);
        for (int i = 0; i < count; ++i) {
            const brivo::LanguageRun &run = runs[i];
            QCOMPARE(&brivo::languageRun(run.language), &run);
            const QString check = QLatin1String(run.checkFolder);
            QVERIFY2(check.startsWith(QLatin1String("IDE/")), run.checkFolder);
            const QString folder = check.mid(4);
            const QString prefix = QStringLiteral("c:/brivo/ide/") + folder + QLatin1Char('/');
            QVERIFY2(QString::fromLatin1(run.sourceFile).startsWith(prefix, Qt::CaseInsensitive),
                     run.sourceFile);
            QVERIFY2(QString::fromLatin1(run.command).startsWith(prefix, Qt::CaseInsensitive), run.command);
            QVERIFY2(QByteArray(run.missingMessage).endsWith(" ") &&
                         !QByteArray(run.missingMessage).endsWith("  "),
                     run.missingMessage);
        }
        // Batch runs the text it writes; Html opens it; the others run a command of their own.
        QCOMPARE(QByteArray(brivo::languageRun(brivo::Language::Batch).command),
                 QByteArray(brivo::languageRun(brivo::Language::Batch).sourceFile));
        QVERIFY(brivo::languageRun(brivo::Language::Html).opensPage);
        QVERIFY(!brivo::languageRun(brivo::Language::CCpp).opensPage);
    }

    void javaFileNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("valid");
        QTest::newRow("class file") << "Hello.java" << true;
        QTest::newRow("no suffix, used as typed") << "Hello" << true;
        QTest::newRow("blanks and non-ASCII") << " Grüße.java " << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("parent folder") << "../Hello.java" << false;
        QTest::newRow("dot dot alone") << ".." << false;
        QTest::newRow("dot alone") << "." << false;
        QTest::newRow("sub-folder") << "src/Hello.java" << false;
        QTest::newRow("backslash") << "..\\Hello.java" << false;
        QTest::newRow("absolute") << "/etc/passwd" << false;
        QTest::newRow("line break") << "Hello\n.java" << false;
        QTest::newRow("trailing line break") << "Hello.java\n" << false;
        QTest::newRow("tab") << "Hel\tlo.java" << false;
        QTest::newRow("drive colon") << "c:Hello.java" << false;
        QTest::newRow("wildcard") << "*.java" << false;
        QTest::newRow("the name file") << "THIS.txt" << false;
        QTest::newRow("the command") << "comj.bat" << false;
    }
    void javaFileNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, valid);
        QCOMPARE(brivo::isValidJavaFileName(name), valid);
    }

    // The C library's layout: the day padded with a blank, the line feed kept.
    void lastCompiledTextHasTheCtimeLayout()
    {
        QCOMPARE(brivo::lastCompiledText(QStringLiteral("C/C++"), std::time_t(1796515639)),
                 QStringLiteral("Brivo : Last Compiled C/C++-Source on Sun Dec  6 00:07:19 2026\n"));
        QCOMPARE(brivo::lastCompiledText(QStringLiteral("Java"), std::time_t(1768482309)),
                 QStringLiteral("Brivo : Last Compiled Java-Source on Thu Jan 15 13:05:09 2026\n"));
    }
};

QTEST_GUILESS_MAIN(tst_languagetable)
#include "tst_languagetable.moc"

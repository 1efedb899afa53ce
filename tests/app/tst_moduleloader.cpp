// Tools in modules are loaded on first use; a module that is missing is reported, not fatal.
#include "app/moduleloader.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"

#include <QLabel>
#include <QLibrary>
#include <QTest>

using brivo::test::ModalAnswerer;

class tst_moduleloader : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { brivo::test::closeAllWindows(); }

    void loadsAModuleBesideTheProgramOnce()
    {
        const brivo::ModuleEntry first = brivo::loadModule(QStringLiteral("brivo_testmodule"));
        QVERIFY(first);
        QVERIFY(brivo::loadModule(QStringLiteral("brivo_testmodule")) == first);

        brivo::OpenOptions options;
        options.audioOnly = true;
        QWidget *window =
            brivo::openModuleWindow(QStringLiteral("brivo_testmodule"), QStringLiteral("/a/b.mp3"), options);
        QVERIFY(window);
        std::unique_ptr<QWidget> owner(window);
        QCOMPARE(window->objectName(), QStringLiteral("testModuleWindow"));
        QCOMPARE(qobject_cast<QLabel *>(window)->text(), QStringLiteral("test module: /a/b.mp3 (audio only)"));
        QVERIFY(!window->isVisible()); // the caller shows it
    }

    void aMissingModuleIsReportedByItsFileName()
    {
        ModalAnswerer answers;
        answers.press(QMessageBox::Ok);
        QWidget *window = brivo::openModuleWindow(QStringLiteral("brivo_nosuchmodule"), QString(), {});
        QVERIFY(!window);
        QVERIFY(answers.waitUntilAnswered());
        QCOMPARE(answers.seen().size(), 1);
        QCOMPARE(answers.last().title, QStringLiteral("Error"));
        QVERIFY2(answers.last().text.contains(brivo::moduleFileName(QStringLiteral("brivo_nosuchmodule"))),
                 qPrintable(answers.last().text));
    }

    void moduleFileNameFollowsThePlatform()
    {
#if defined(Q_OS_LINUX)
        QCOMPARE(brivo::moduleFileName(QStringLiteral("brivo_web")), QStringLiteral("libbrivo_web.so"));
#endif
        QVERIFY(QLibrary::isLibrary(brivo::moduleFileName(QStringLiteral("brivo_web"))));
    }
};

QTEST_MAIN(tst_moduleloader)
#include "tst_moduleloader.moc"

// The browser as the program opens it: a module loaded after the application exists, through the
// dispatcher and the launcher's opener, and the real executable started on an HTML file.
#include "app/doch.h"
#include "app/toolopeners.h"
#include "tests/support/testhelpers.h"

#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

namespace {

constexpr int loadTimeout = 30000;

QStringList capturedWarnings;

void captureWarnings(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        capturedWarnings.append(message);
}

QWidget *visibleBrowser()
{
    const QWidgetList all = QApplication::topLevelWidgets();
    for (QWidget *w : all) {
        if (w->isVisible() && QLatin1String(w->metaObject()->className()) == QLatin1String("web"))
            return w;
    }
    return nullptr;
}

} // namespace

class tst_webmodule : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_page = m_dir.filePath(QStringLiteral("hello.html"));
        QVERIFY(
            brivo::test::writeFile(m_page, "<html><head><title>Hello</title></head><body>hi</body></html>"));
    }

    void cleanup() { brivo::test::closeAllWindows(); }

    // The first browser loads the module and the engine, quietly: the program has made the shared
    // graphics context the engine looks for as it loads.
    void theDispatcherOpensAnHtmlFileInABrowser()
    {
        capturedWarnings.clear();
        const QtMessageHandler previous = qInstallMessageHandler(captureWarnings);
        {
            doch dispatcher;
            dispatcher.doallforshow(m_page);
        }
        QWidget *browser = visibleBrowser();
        qInstallMessageHandler(previous);
        QVERIFY(browser);
        for (const QString &warning : std::as_const(capturedWarnings))
            QVERIFY2(!warning.contains(QLatin1String("initialized from a plugin")), qPrintable(warning));

        QCOMPARE(browser->windowTitle(), QStringLiteral("Brivo : Web Browser - K.VARDEN"));
        auto *address = browser->findChild<QLineEdit *>(QStringLiteral("urlEdit"));
        auto *status = browser->findChild<QLabel *>(QStringLiteral("statusLabel"));
        QVERIFY(address && status);
        QTRY_COMPARE_WITH_TIMEOUT(status->text(), QStringLiteral("Load Finished..."), loadTimeout);
        QCOMPARE(address->text(), QUrl::fromLocalFile(m_page).toString());
    }

    void theLauncherTileOpensAnEmptyBrowser()
    {
        QWidget *browser = brivo::openTool(brivo::Tool::WebBrowser, QString());
        QVERIFY(browser);
        QVERIFY(browser->isVisible());
        QTest::qWait(500);
        QVERIFY(browser->findChild<QLineEdit *>(QStringLiteral("urlEdit"))->text().isEmpty());
        QVERIFY(browser->findChild<QLabel *>(QStringLiteral("statusLabel"))->text().isEmpty());
    }

    // The real program on an HTML file, with the sandbox left to the program: as root it turns the
    // sandbox off and says so, otherwise it says nothing. Started bare, it never prepares the engine.
    // It quits after its first paint and must end cleanly, engine and all.
    void theProgramStartsTheEngineOnlyForABrowser_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<bool>("withFile");
        QTest::newRow("launcher") << QStringLiteral("offscreen") << false;
        QTest::newRow("browser, offscreen") << QStringLiteral("offscreen") << true;
        // A real X server draws with OpenGL, which the engine shares with the window.
        QTest::newRow("browser, X server") << QStringLiteral("xcb") << true;
    }
    void theProgramStartsTheEngineOnlyForABrowser()
    {
        QFETCH(QString, platform);
        QFETCH(bool, withFile);
        QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/brivo");
        QStringList arguments;
        if (withFile)
            arguments << m_page;
        if (platform == QLatin1String("xcb")) {
            const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
            if (xvfb.isEmpty())
                QSKIP("xvfb-run is not installed");
            arguments = QStringList{QStringLiteral("-a"), QStringLiteral("-s"),
                                    QStringLiteral("-screen 0 1024x768x24"), program} +
                        arguments;
            program = xvfb;
        }

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        environment.insert(QStringLiteral("BRIVO_QUIT_AFTER_FIRST_PAINT"), QStringLiteral("1"));
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
        QVERIFY2(process.waitForFinished(60000), "the program did not end");
        const QString errors = QString::fromLocal8Bit(process.readAllStandardError());
        QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0, qPrintable(errors));

        const bool notice =
            errors.contains(QLatin1String("running as root, so the web browser's sandbox is turned off"));
#if defined(Q_OS_UNIX)
        QCOMPARE(notice, withFile && geteuid() == 0);
#endif
        QVERIFY2(!errors.contains(QLatin1String("initialized from a plugin")), qPrintable(errors));
    }

private:
    QTemporaryDir m_dir;
    QString m_page;
};

QTEST_MAIN(tst_webmodule)
#include "tst_webmodule.moc"

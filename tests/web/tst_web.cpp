// The web browser window: files shown as files, the load messages, the address line, history, typed
// addresses, new windows, downloads, find and drops.
#include "app/windowkeeper.h"
#include "localhttpserver.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"
#include "web/web.h"

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

using brivo::test::ModalAnswerer;

namespace {

constexpr int loadTimeout = 30000;

// Runs `script` in the page and waits for its value.
QVariant evaluate(QWebEngineView *view, const QString &script)
{
    QVariant result;
    bool done = false;
    view->page()->runJavaScript(script, [&](const QVariant &value) {
        result = value;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, loadTimeout))
        return QStringLiteral("(no answer from the page)");
    return result;
}

// Starts a load with `start` and waits until the view reports it finished; returns its flag.
template <typename Start> bool loadAndWait(web &window, Start start)
{
    QSignalSpy finished(window.view, &QWebEngineView::loadFinished);
    start();
    if (!finished.wait(loadTimeout))
        return false;
    return finished.last().value(0).toBool();
}

// The status label's text after each of the view's load signals, in order.
class StatusRecorder : public QObject
{
public:
    explicit StatusRecorder(web &window) : m_window(window)
    {
        // Connected after the window's own slots, so each record sees what the slot just wrote.
        auto record = [this] { texts.append(m_window.statusLabel->text()); };
        connect(window.view, &QWebEngineView::loadStarted, this, record);
        connect(window.view, &QWebEngineView::loadProgress, this, record);
        connect(window.view, &QWebEngineView::loadFinished, this, record);
    }
    QStringList texts;

private:
    web &m_window;
};

QPushButton *button(web &window, const char *name)
{
    return window.findChild<QPushButton *>(QString::fromLatin1(name));
}

} // namespace

class tst_web : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // A folder name with a blank and an accent, so that the file URL must be built, not pasted.
        m_pages = m_dir.filePath(QStringLiteral("my pages/café"));
        QVERIFY(QDir().mkpath(m_pages));
        QImage picture(60, 40, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QVERIFY(picture.save(m_pages + QStringLiteral("/pic.png")));
        QVERIFY(brivo::test::writeFile(m_pages + QStringLiteral("/style.css"), "h1 { color: #aa3300; }\n"));
        QVERIFY(brivo::test::writeFile(
            m_pages + QStringLiteral("/page.html"),
            QByteArray("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Caf\xc3\xa9</title>"
                       "<link rel=\"stylesheet\" href=\"style.css\"></head><body>"
                       "<h1>Cr\xc3\xa8me br\xc3\xbbl\xc3\xa9"
                       "e</h1><img src=\"pic.png\"><a id=\"next\" href=\"other.html\">other</a>"
                       "<p id=\"before\">before") +
                QByteArray(1, '\0') + QByteArray(" NUL</p><p id=\"after\">after NUL</p></body></html>")));
        QVERIFY(brivo::test::writeFile(m_pages + QStringLiteral("/other.html"),
                                       "<html><head><title>Other</title></head><body>"
                                       "<p>apple pear apple plum apple</p>"
                                       "<a id=\"popup\" href=\"page.html\" target=\"_blank\">new window</a>"
                                       "</body></html>"));
    }

    void cleanup() { brivo::test::closeAllWindows(); }

    void aNewWindowIsEmptyAndHasNoHistory()
    {
        web window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Brivo : Web Browser - K.VARDEN"));
        QVERIFY(window.acceptDrops());
        QVERIFY(window.urlEdit->text().isEmpty());
        QVERIFY(window.statusLabel->text().isEmpty());
        QCOMPARE(window.statusLabel->height(), 20);
        QVERIFY(window.view->url().isEmpty());
        // Back and forward on a fresh window change nothing.
        button(window, "backButton")->click();
        button(window, "forwardButton")->click();
        QTest::qWait(200);
        QVERIFY(window.view->url().isEmpty());
        QVERIFY(window.statusLabel->text().isEmpty());
        // Room to read a page in, although the window sets no size of its own.
        QVERIFY(window.width() >= 800 && window.height() >= 600);
    }

    // The file is shown through its own URL: its character set decoded, nothing cut at a NUL byte,
    // and relative pictures, style sheets and links resolved against its folder.
    void openFileShowsTheFileAsAFile()
    {
        web window;
        const QString path = m_pages + QStringLiteral("/page.html");
        QVERIFY(loadAndWait(window, [&] { window.openFile(path); }));

        QCOMPARE(window.view->title(), QString::fromUtf8("Caf\xc3\xa9"));
        QCOMPARE(evaluate(window.view, QStringLiteral("document.querySelector('h1').textContent")).toString(),
                 QString::fromUtf8("Cr\xc3\xa8me br\xc3\xbbl\xc3\xa9"
                                   "e"));
        QCOMPARE(
            evaluate(window.view, QStringLiteral("document.getElementById('after').textContent")).toString(),
            QStringLiteral("after NUL"));
        QCOMPARE(evaluate(window.view, QStringLiteral("document.querySelector('img').naturalWidth")).toInt(),
                 60);
        QCOMPARE(evaluate(window.view, QStringLiteral("getComputedStyle(document.querySelector('h1')).color"))
                     .toString(),
                 QStringLiteral("rgb(170, 51, 0)"));
        QCOMPARE(
            QUrl(evaluate(window.view, QStringLiteral("document.getElementById('next').href")).toString()),
            QUrl::fromLocalFile(m_pages + QStringLiteral("/other.html")));

        QCOMPARE(window.urlEdit->text(), QUrl::fromLocalFile(path).toString());
        QCOMPARE(window.statusLabel->text(), QStringLiteral("Load Finished..."));
    }

    void loadMessagesComeInOrder_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("succeeds");
        QTest::newRow("existing file") << QStringLiteral("page.html") << true;
        QTest::newRow("missing file") << QStringLiteral("no such page.html") << false;
    }
    void loadMessagesComeInOrder()
    {
        QFETCH(QString, file);
        QFETCH(bool, succeeds);
        web window;
        StatusRecorder recorder(window);
        QCOMPARE(loadAndWait(window, [&] { window.openFile(m_pages + QLatin1Char('/') + file); }), succeeds);

        const QStringList &texts = recorder.texts;
        QVERIFY2(texts.size() >= 2, qPrintable(texts.join(QLatin1Char('|'))));
        QCOMPARE(texts.first(), QStringLiteral("Load Started..."));
        QCOMPARE(texts.last(), QStringLiteral("Load Finished..."));
        int previous = -1;
        for (const QString &text : texts.mid(1, texts.size() - 2)) {
            QVERIFY2(text.startsWith(QLatin1String("Processing...")), qPrintable(text));
            bool isNumber = false;
            const int value = text.mid(13).toInt(&isNumber);
            QVERIFY2(isNumber && value >= previous && value <= 100, qPrintable(text));
            previous = value;
        }
        // A file that is missing shows the engine's error page, never a blank one.
        if (!succeeds) {
            const QString shown = evaluate(window.view, QStringLiteral("document.body.innerText")).toString();
            QVERIFY2(shown.contains(QLatin1String("ERR_FILE_NOT_FOUND")), qPrintable(shown));
        }
    }

    void theAddressLineFollowsALink()
    {
        web window;
        QVERIFY(loadAndWait(window, [&] { window.openFile(m_pages + QStringLiteral("/page.html")); }));
        QVERIFY(loadAndWait(window, [&] {
            window.view->page()->runJavaScript(QStringLiteral("document.getElementById('next').click()"));
        }));
        QCOMPARE(window.urlEdit->text(),
                 QUrl::fromLocalFile(m_pages + QStringLiteral("/other.html")).toString());
    }

    void backForwardAndReloadAfterTwoLoads()
    {
        web window;
        const QUrl first = QUrl::fromLocalFile(m_pages + QStringLiteral("/page.html"));
        const QUrl second = QUrl::fromLocalFile(m_pages + QStringLiteral("/other.html"));
        QVERIFY(loadAndWait(window, [&] { window.openFile(first.toLocalFile()); }));
        QVERIFY(loadAndWait(window, [&] { window.openFile(second.toLocalFile()); }));

        QVERIFY(loadAndWait(window, [&] { button(window, "backButton")->click(); }));
        QCOMPARE(window.urlEdit->text(), first.toString());
        QCOMPARE(window.view->title(), QString::fromUtf8("Caf\xc3\xa9"));
        QVERIFY(loadAndWait(window, [&] { button(window, "forwardButton")->click(); }));
        QCOMPARE(window.urlEdit->text(), second.toString());
        QCOMPARE(window.view->title(), QStringLiteral("Other"));

        StatusRecorder recorder(window);
        QVERIFY(loadAndWait(window, [&] { button(window, "reloadButton")->click(); }));
        QCOMPARE(recorder.texts.first(), QStringLiteral("Load Started..."));
        QCOMPARE(window.view->url(), second);
    }

    // What the user types is completed as browsers do, and Return loads like the go button.
    void typedAddressesLoad_data()
    {
        QTest::addColumn<bool>("pressReturn");
        QTest::newRow("go button") << false;
        QTest::newRow("Return") << true;
    }
    void typedAddressesLoad()
    {
        QFETCH(bool, pressReturn);
        LocalHttpServer server;
        QVERIFY(server.listening());
        server.serve("/served.html",
                     {"text/html; charset=utf-8",
                      "<html><head><title>Served \xc3\xa0 la carte</title></head><body>hi</body></html>",
                      {}});
        web window;
        window.show();
        auto typeAndLoad = [&](const QString &typed) {
            window.urlEdit->setText(typed);
            return loadAndWait(window, [&] {
                if (pressReturn)
                    QTest::keyClick(window.urlEdit, Qt::Key_Return);
                else
                    button(window, "goButton")->click();
            });
        };

        // No scheme: an http address.
        QVERIFY(typeAndLoad(server.hostAndPort(QStringLiteral("/served.html"))));
        QCOMPARE(window.view->url(),
                 QUrl(QStringLiteral("http://") + server.hostAndPort(QStringLiteral("/served.html"))));
        QCOMPARE(window.view->title(), QString::fromUtf8("Served \xc3\xa0 la carte"));
        QCOMPARE(window.urlEdit->text(), window.view->url().toString());
        QCOMPARE(server.requestedPaths().count("/served.html"), 1);

        // A path of an existing file, relative to the current folder: a file URL.
        {
            brivo::test::CurrentDirectory here(m_pages);
            QVERIFY(typeAndLoad(QStringLiteral("other.html")));
        }
        QCOMPARE(window.view->url(), QUrl::fromLocalFile(m_pages + QStringLiteral("/other.html")));

        // A full address with its scheme, and blanks around it.
        QVERIFY(
            typeAndLoad(QStringLiteral("  http://") + server.hostAndPort(QStringLiteral("/served.html  "))));
        QCOMPARE(window.view->url().host(), QStringLiteral("127.0.0.1"));

        // Nothing typed: nothing loads, the page stays.
        window.urlEdit->setText(QStringLiteral("   "));
        QSignalSpy started(window.view, &QWebEngineView::loadStarted);
        button(window, "goButton")->click();
        QTest::keyClick(window.urlEdit, Qt::Key_Return);
        QTest::qWait(300);
        QCOMPARE(started.size(), 0);
        QCOMPARE(window.view->url().host(), QStringLiteral("127.0.0.1"));
    }

    void aLinkToANewWindowOpensANewBrowser()
    {
        auto *window = new web;
        brivo::keepUntilExit(window);
        window->show();
        QVERIFY(loadAndWait(*window, [&] { window->openFile(m_pages + QStringLiteral("/other.html")); }));
        window->view->page()->runJavaScript(QStringLiteral("document.getElementById('popup').click()"));

        QTRY_COMPARE_WITH_TIMEOUT(brivo::test::visibleWindows<web>().size(), 2, loadTimeout);
        QList<web *> open = brivo::test::visibleWindows<web>();
        open.removeOne(window);
        web *opened = open.constFirst();
        QTRY_COMPARE_WITH_TIMEOUT(opened->urlEdit->text(),
                                  QUrl::fromLocalFile(m_pages + QStringLiteral("/page.html")).toString(),
                                  loadTimeout);
        QTRY_COMPARE_WITH_TIMEOUT(opened->statusLabel->text(), QStringLiteral("Load Finished..."),
                                  loadTimeout);
        QCOMPARE(opened->windowTitle(), window->windowTitle());
        // The first window stays where it was.
        QCOMPARE(window->view->url(), QUrl::fromLocalFile(m_pages + QStringLiteral("/other.html")));
    }

    void aDownloadAsksWhereAndIsSaved()
    {
        LocalHttpServer server;
        QVERIFY(server.listening());
        QByteArray content;
        for (int i = 0; i < 20000; ++i)
            content += QByteArray::number(i) + '\n';
        server.serve("/report.csv",
                     {"text/csv", content, "Content-Disposition: attachment; filename=\"report.csv\"\r\n"});
        server.serve("/cancelled.csv",
                     {"text/csv", "x", "Content-Disposition: attachment; filename=\"cancelled.csv\"\r\n"});

        web window;
        window.show();
        // The question starts in the profile's download folder; keep it out of the user's files.
        window.view->page()->profile()->setDownloadPath(m_dir.path());
        const QString target = m_dir.filePath(QStringLiteral("saved report.csv"));
        {
            ModalAnswerer answers;
            answers.chooseFile(target);
            window.view->load(
                QUrl(QStringLiteral("http://") + server.hostAndPort(QStringLiteral("/report.csv"))));
            QVERIFY(answers.waitUntilAnswered(loadTimeout));
            QCOMPARE(answers.last().className, QStringLiteral("QFileDialog"));
            QTRY_VERIFY_WITH_TIMEOUT(
                window.statusLabel->text().startsWith(QLatin1String("Download Finished...")), loadTimeout);
        }
        QCOMPARE(brivo::test::readFile(target), content);
        QVERIFY(window.statusLabel->text().contains(QLatin1String("saved report.csv")));

        // Cancelling the question saves nothing.
        {
            ModalAnswerer answers;
            answers.cancel();
            window.view->load(
                QUrl(QStringLiteral("http://") + server.hostAndPort(QStringLiteral("/cancelled.csv"))));
            QVERIFY(answers.waitUntilAnswered(loadTimeout));
            QTRY_COMPARE_WITH_TIMEOUT(window.statusLabel->text(), QStringLiteral("Download Cancelled..."),
                                      loadTimeout);
        }
        QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("cancelled.csv"))));
    }

    void ctrlFFindsTextInThePage()
    {
        web window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(loadAndWait(window, [&] { window.openFile(m_pages + QStringLiteral("/other.html")); }));
        auto *bar = window.findChild<QLineEdit *>(QStringLiteral("findBar"));
        QVERIFY(bar);
        QVERIFY(bar->isHidden());

        QTest::keyClick(&window, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(bar->isVisible());
        QTest::keyClicks(bar, QStringLiteral("apple"));
        QTRY_COMPARE_WITH_TIMEOUT(window.statusLabel->text(), QStringLiteral("Match 1 of 3"), loadTimeout);
        QTest::keyClick(bar, Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(window.statusLabel->text(), QStringLiteral("Match 2 of 3"), loadTimeout);
        QTest::keyClick(bar, Qt::Key_Return, Qt::ShiftModifier);
        QTRY_COMPARE_WITH_TIMEOUT(window.statusLabel->text(), QStringLiteral("Match 1 of 3"), loadTimeout);

        QTest::keyClicks(bar, QStringLiteral("x"));
        QTRY_COMPARE_WITH_TIMEOUT(window.statusLabel->text(), QStringLiteral("Not found: applex"),
                                  loadTimeout);

        QTest::keyClick(bar, Qt::Key_Escape);
        QVERIFY(bar->isHidden());
    }

    // A dropped file closes the browser and opens through the dispatcher: an HTML file in a fresh browser.
    // Drops over the page count as drops on the window.
    void aDroppedFileOpensAfresh_data()
    {
        QTest::addColumn<bool>("overThePage");
        QTest::newRow("on the window") << false;
        QTest::newRow("over the page") << true;
    }
    void aDroppedFileOpensAfresh()
    {
        QFETCH(bool, overThePage);
        auto *window = new web;
        brivo::keepUntilExit(window);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QVERIFY(loadAndWait(*window, [&] { window->openFile(m_pages + QStringLiteral("/other.html")); }));

        QWidget *target = window;
        if (overThePage) {
            // The window system hands a drop to the innermost widget under the pointer that takes drops.
            target = window->childAt(window->view->geometry().center());
            QVERIFY(target);
            while (!target->acceptDrops() && !target->isWindow())
                target = target->parentWidget();
            QCOMPARE(target, window);
        }
        const QString dropped = m_pages + QStringLiteral("/page.html");
        QVERIFY(brivo::test::sendDropUrls(target, {QUrl::fromLocalFile(dropped)}));

        QVERIFY(!window->isVisible());
        const QList<web *> open = brivo::test::visibleWindows<web>();
        QCOMPARE(open.size(), 1);
        QVERIFY(open.first() != window);
        QTRY_COMPARE_WITH_TIMEOUT(open.first()->urlEdit->text(), QUrl::fromLocalFile(dropped).toString(),
                                  loadTimeout);
    }

private:
    QTemporaryDir m_dir;
    QString m_pages;
};

QTEST_MAIN(tst_web)
#include "tst_web.moc"

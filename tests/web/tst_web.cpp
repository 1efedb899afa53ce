// The web browser window: files, load messages, navigation, typed addresses, find, new windows, downloads.
#include "app/windowkeeper.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"
#include "web/web.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

namespace {

constexpr int loadTimeout = 30000;

// The status label's text after each load signal of the last loadAndWait, each followed by "|".
QString loadMessages;

// Starts a load with `start`, waits until the view reports it finished and returns its flag.
template <typename Start> bool loadAndWait(web &window, Start start)
{
    loadMessages.clear();
    QObject recorder;
    // Connected after the window's own slots, so each record sees what the slot just wrote.
    const auto record = [&] { loadMessages += window.statusLabel->text() + QLatin1Char('|'); };
    QObject::connect(window.view, &QWebEngineView::loadStarted, &recorder, record);
    QObject::connect(window.view, &QWebEngineView::loadProgress, &recorder, record);
    QObject::connect(window.view, &QWebEngineView::loadFinished, &recorder, record);
    QSignalSpy finished(window.view, &QWebEngineView::loadFinished);
    start();
    return finished.wait(loadTimeout) && finished.last().value(0).toBool();
}

// "Load Started...", "Processing..." with the progress glued on, "Load Finished..." whatever the outcome.
const QRegularExpression loadOrder(
    QStringLiteral("^Load Started\\.\\.\\.\\|(Processing\\.\\.\\.\\d+\\|)*Load Finished\\.\\.\\.\\|$"));

// Records the addresses a page asks for and refuses them, so that nothing leaves the machine.
struct RequestRecorder : QWebEngineUrlRequestInterceptor
{
    void interceptRequest(QWebEngineUrlRequestInfo &info) override
    {
        urls.append(info.requestUrl());
        info.block(true);
    }
    QList<QUrl> urls;
};

} // namespace

class tst_web : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // A folder name with a blank and an accent, so that the file URL must be built, not pasted.
        m_pages = m_dir.filePath(QStringLiteral("my pages/café"));
        QVERIFY(m_dir.isValid() && QDir().mkpath(m_pages));
        QVERIFY(
            brivo::test::writeFile(page("pic.svg"), "<svg xmlns='http://www.w3.org/2000/svg' width='60'/>"));
        QVERIFY(brivo::test::writeFile(page("style.css"), "h1 { color: #aa3300; }"));
        // Once loaded, the page puts what it sees of itself in its title.
        static const char html[] =
            "<html><head><meta charset=\"utf-8\"><title>Caf\xc3\xa9</title>"
            "<link rel=\"stylesheet\" href=\"style.css\"><script>onload = () => {"
            " const h1 = document.querySelector('h1'); document.title = [document.title, h1.textContent,"
            " after.textContent, document.images[0].naturalWidth, getComputedStyle(h1).color].join('|'); }"
            "</script></head><body><h1>Cr\xc3\xa8me</h1><img src=\"pic.svg\"><a href=\"other.html\">next</a>"
            "before\0NUL<p id=\"after\">after NUL</p></body></html>";
        QVERIFY(brivo::test::writeFile(page("page.html"), QByteArray(html, sizeof html - 1)));
        QVERIFY(brivo::test::writeFile(
            page("other.html"),
            "<html><body>apple pear apple plum apple <a href=\"page.html\">back</a>"
            "<a id=\"popup\" href=\"page.html\" target=\"_blank\">new</a></body></html>"));
    }

    void cleanup() { brivo::test::closeAllWindows(); }

    // The file is shown through its own URL: its character set decoded, nothing cut at a NUL byte, and
    // relative pictures, style sheets and links resolved against its folder. The address line follows
    // back, forward, reload and a link; a missing file fails as a page does, with the same messages.
    void aFileIsShownAsAFileAndBrowsedFrom()
    {
        web window;
        // Empty, with room to read a page in although the engine's view asks for no size of its own.
        QVERIFY(window.urlEdit->text().isEmpty() && window.statusLabel->text().isEmpty() &&
                window.width() >= 800 && window.height() >= 600);
        QVERIFY(loadAndWait(window, [&] { window.openFile(page("page.html")); }));
        QVERIFY2(loadOrder.match(loadMessages).hasMatch(), qPrintable(loadMessages));
        QTRY_COMPARE_WITH_TIMEOUT(window.view->title(),
                                  QString::fromUtf8("Caf\xc3\xa9|Cr\xc3\xa8me|after NUL|60|rgb(170, 51, 0)"),
                                  loadTimeout);
        QCOMPARE(window.urlEdit->text(), url("page.html"));
        QVERIFY(loadAndWait(window, [&] { window.openFile(page("other.html")); }));
        const char *steps[][2] = {
            {"backButton", "page.html"}, {"forwardButton", "other.html"}, {"reloadButton", "other.html"}};
        for (const auto &step : steps) {
            const auto press = [&] { window.findChild<QPushButton *>(QLatin1String(step[0]))->click(); };
            QVERIFY2(loadAndWait(window, press), step[0]);
            QCOMPARE(window.urlEdit->text(), url(step[1]));
        }
        QVERIFY(loadAndWait(window, [&] {
            window.view->page()->runJavaScript(QStringLiteral("document.links[0].click()"));
        }));
        QCOMPARE(window.urlEdit->text(), url("page.html"));
        QVERIFY(!loadAndWait(window, [&] { window.openFile(page("no such page.html")); }));
        QVERIFY2(loadOrder.match(loadMessages).hasMatch(), qPrintable(loadMessages));
        // The engine's error page says what went wrong, rather than a blank page.
        QString shown;
        window.view->page()->toPlainText([&](const QString &text) { shown = text; });
        QTRY_VERIFY_WITH_TIMEOUT(shown.contains(QLatin1String("ERR_FILE_NOT_FOUND")), loadTimeout);
    }

    // What the user types is completed as browsers do, and Return loads like the go button: once, and
    // nothing at all for blanks.
    void typedAddressesAreCompleted()
    {
        web window;
        RequestRecorder requests;
        window.view->page()->setUrlRequestInterceptor(&requests);
        QSignalSpy started(window.view, &QWebEngineView::loadStarted);
        brivo::test::CurrentDirectory here(m_pages);
        const QList<std::pair<QString, QUrl>> cases = {
            {QStringLiteral("example.org"), QUrl(QStringLiteral("http://example.org/"))},
            {QStringLiteral("other.html"), QUrl::fromLocalFile(page("other.html"))},
            {QStringLiteral("  https://example.org/x y  "),
             QUrl(QStringLiteral("https://example.org/x%20y"))}};
        for (const bool pressReturn : {false, true}) {
            const auto press = [&] {
                pressReturn ? QTest::keyClick(window.urlEdit, Qt::Key_Return)
                            : window.findChild<QPushButton *>(QStringLiteral("goButton"))->click();
            };
            for (const auto &typed : cases) {
                requests.urls.clear();
                window.urlEdit->setText(QStringLiteral("   "));
                press();
                window.urlEdit->setText(typed.first);
                loadAndWait(window, press);
                QCOMPARE(requests.urls, QList<QUrl>{typed.second});
            }
        }
        QCOMPARE(started.size(), 2 * cases.size());
    }

    // In one browser: Ctrl+F finds text in the page; a link to a new window opens a new browser and leaves
    // this one; a download asks where to save and saves there, or nothing when the question is cancelled;
    // a file dropped anywhere, the page included, closes the browser and opens through the dispatcher.
    void findNewWindowsDownloadsAndDrops()
    {
        auto *window = new web;
        brivo::keepUntilExit(window);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QVERIFY(loadAndWait(*window, [&] { window->openFile(page("other.html")); }));
        const auto status = [window] { return window->statusLabel->text(); };
        auto *bar = window->findChild<QLineEdit *>(QStringLiteral("findBar"));
        QVERIFY(bar && bar->isHidden());
        QTest::keyClick(window, Qt::Key_F, Qt::ControlModifier); // a hidden bar would report nothing
        QTest::keyClicks(bar, QStringLiteral("apple"));
        QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("Match 1 of 3"), loadTimeout);
        QTest::keyClick(bar, Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("Match 2 of 3"), loadTimeout);
        QTest::keyClick(bar, Qt::Key_Return, Qt::ShiftModifier);
        QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("Match 1 of 3"), loadTimeout);
        QTest::keyClicks(bar, QStringLiteral("x"));
        QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("Not found: applex"), loadTimeout);
        QTest::keyClick(bar, Qt::Key_Escape);
        QVERIFY(bar->isHidden());

        const auto showing = [](const QString &address) {
            const QList<web *> open = brivo::test::visibleWindows<web>();
            return std::count_if(open.cbegin(), open.cend(),
                                 [&](web *w) { return w->urlEdit->text() == address; });
        };
        window->view->page()->runJavaScript(QStringLiteral("document.getElementById('popup').click()"));
        QTRY_COMPARE_WITH_TIMEOUT(showing(url("page.html")), 1, loadTimeout);
        QCOMPARE(window->urlEdit->text(), url("other.html"));

        const QString saved = m_dir.filePath(QStringLiteral("saved page.html"));
        // The question starts in the profile's download folder; keep it out of the user's files.
        window->view->page()->profile()->setDownloadPath(m_dir.path());
        brivo::test::ModalAnswerer answers;
        answers.chooseFile(saved);
        window->view->page()->download(QUrl::fromLocalFile(page("page.html")));
        QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("Download Finished... ") + saved, loadTimeout);
        QCOMPARE(brivo::test::readFile(saved), brivo::test::readFile(page("page.html")));
        answers.cancel();
        window->view->page()->download(QUrl::fromLocalFile(page("page.html")), QStringLiteral("no.html"));
        QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("Download Cancelled..."), loadTimeout);
        QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("no.html"))));

        // The window system hands a drop to the innermost widget under the pointer that takes drops.
        QWidget *target = window->childAt(window->view->geometry().center());
        while (target && !target->acceptDrops() && !target->isWindow())
            target = target->parentWidget();
        QCOMPARE(target, window);
        QVERIFY(brivo::test::sendDropUrls(target, {QUrl::fromLocalFile(page("other.html"))}));
        QVERIFY(!window->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(showing(url("other.html")), 1, loadTimeout);
    }

private:
    QString page(const char *name) const { return m_pages + QLatin1Char('/') + QString::fromUtf8(name); }
    QString url(const char *name) const { return QUrl::fromLocalFile(page(name)).toString(); }

    QTemporaryDir m_dir;
    QString m_pages;
};

QTEST_MAIN(tst_web)
#include "tst_web.moc"

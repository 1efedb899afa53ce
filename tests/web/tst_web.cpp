// The web browser window: files, load messages, navigation, typed addresses, find, new windows, downloads,
// and what a page may do: read local files, open windows, run on once its window is closed.
#include "common/windowkeeper.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"
#include "web/enginestart.h"
#include "web/localfileguard.h"
#include "web/localfileserver.h"
#include "web/localpages.h"
#include "web/web.h"

#include <QDir>
#include <QHostAddress>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpSocket>

#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>
#include <thread>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#endif

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

// Clicks the element with the id `id` in the window's page with the mouse, as a user does: a click the
// page itself makes through a script counts as no user's.
bool clickElement(web &window, const QString &id)
{
    QVariant box;
    window.view->page()->runJavaScript(
        QStringLiteral("(() => { const r = document.getElementById('%1').getBoundingClientRect();"
                       " return [r.x + r.width / 2, r.y + r.height / 2]; })()")
            .arg(id),
        [&](const QVariant &result) { box = result; });
    if (!QTest::qWaitFor([&] { return box.isValid(); }, loadTimeout))
        return false;
    const QVariantList centre = box.toList();
    QWidget *target = window.view->focusProxy();
    if (centre.size() != 2 || !target)
        return false;
    QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(centre[0].toInt(), centre[1].toInt()));
    return true;
}

} // namespace

class tst_web : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // As root, the program's own switch must turn the engine's sandbox off: without it no page loads.
        if (brivo::runningAsRoot())
            qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
        // A folder name with a blank and an accent, so that the file URL must be built, not pasted.
        m_pages = m_dir.filePath(QStringLiteral("my pages/café"));
        QVERIFY(m_dir.isValid() && QDir().mkpath(m_pages));
        QVERIFY(
            brivo::test::writeFile(page("pic.svg"), "<svg xmlns='http://www.w3.org/2000/svg' width='60'/>"));
        QVERIFY(brivo::test::writeFile(page("style.css"), "h1 { color: #aa3300; }"));
        // Once loaded, the page puts what it sees of itself in its title, and what its script (beside it)
        // got when it tried to read the file beside it, by a request and through a frame.
        static const char html[] =
            "<html><head><meta charset=\"utf-8\"><title>Caf\xc3\xa9</title>"
            "<link rel=\"stylesheet\" href=\"style.css\"><script src=\"page.js\"></script></head>"
            "<body><h1>Cr\xc3\xa8me</h1><img src=\"pic.svg\"><a href=\"other.html\">next</a>"
            "before\0NUL<p id=\"after\">after NUL</p></body></html>";
        QVERIFY(brivo::test::writeFile(page("secret.txt"), "secret"));
        QVERIFY(brivo::test::writeFile(
            page("page.js"),
            "const read = (done, text) => done(text === 'secret' ? 'read' : 'empty');\n"
            "onload = () => Promise.all([new Promise(done => { const r = new XMLHttpRequest();"
            " r.onload = () => read(done, r.responseText); r.onerror = () => done('refused');"
            " try { r.open('GET', 'secret.txt'); r.send(); } catch (e) { done('refused'); } }),"
            " new Promise(done => { const f = document.createElement('iframe'); f.onload = () => {"
            " try { read(done, f.contentDocument.body.textContent); } catch (e) { done('refused'); } };"
            " f.src = 'secret.txt'; document.body.appendChild(f); })]).then(reads => {"
            " const h1 = document.querySelector('h1'); document.title = [document.title, h1.textContent,"
            " after.textContent, document.images[0].naturalWidth, getComputedStyle(h1).color, ...reads]"
            ".join('|'); });\n"));
        QVERIFY(brivo::test::writeFile(page("page.html"), QByteArray(html, sizeof html - 1)));
        QVERIFY(brivo::test::writeFile(
            page("other.html"),
            "<html><body>apple pear apple plum apple <a href=\"page.html\">back</a>"
            "<a id=\"popup\" href=\"page.html\" target=\"_blank\">new</a></body></html>"));

        // Windows that a script asks for while loading, by made-up Ctrl+clicks on a link, from a click (the
        // first of which it then tries to read), and from a link the user clicks.
        QVERIFY(brivo::test::writeFile(
            page("popups.html"),
            "<html><body style=\"margin:0\"><script>for (let i = 0; i < 8; ++i) window.open('page.html');\n"
            "onload = () => { for (let i = 0; i < 5; ++i) document.getElementById('link').dispatchEvent("
            "new MouseEvent('click', {ctrlKey: true, bubbles: true, cancelable: true})); };\n"
            "function many() { let first; for (let i = 0; i < 5; ++i) { const w = window.open('secret.txt');"
            " first = first || w; }"
            " const t = setInterval(() => { let r; try { r = first.closed ? 'refused'"
            " : (first.document.body || {}).textContent; } catch (e) { r = 'refused'; } if (r) { "
            "document.title = r; clearInterval(t); } }, 20); }"
            "</script><button id=\"many\" style=\"width:200px;height:40px\" onclick=\"many()\">many</button>"
            "<a id=\"link\" href=\"other.html\" target=\"_blank\" style=\"display:block;width:200px;"
            "height:40px\">link</a></body></html>"));

        // Pages below, above, in a folder named alike, and a link beside that leads above.
        QVERIFY(brivo::test::writeFile(page("sub/inner.html"), "<p>inner"));
        QVERIFY(brivo::test::writeFile(page("../up.html"), "<p>up"));
        QVERIFY(brivo::test::writeFile(QString(m_pages + QStringLiteral("2/x.html")), "<p>alike"));
        QVERIFY(QFile::link(page("../up.html"), page("link.html")));

        // What the pages of the file-read routes reach for: files above their folder and beside them.
        const QList<std::pair<const char *, QByteArray>> secrets = {
            {".json", "{\"v\": \"SECRET\"}"},
            {".js", "export const v = 'SECRET';"},
            {".css", "p { content: 'SECRET'; }"},
            {".vtt", "WEBVTT\n\n00:00.000 --> 00:01.000\nSECRET\n"},
            {"-worker.js", "postMessage('SECRET');"},
            {".txt", "SECRET"},
            {".html", "<p>SECRET"},
        };
        QImage red(4, 4, QImage::Format_RGB32);
        red.fill(Qt::red);
        for (const QString &prefix : {QStringLiteral("../secret"), QStringLiteral("beside")}) {
            for (const auto &[suffix, bytes] : secrets)
                QVERIFY(brivo::test::writeFile(page(qPrintable(prefix + QLatin1String(suffix))), bytes));
            QVERIFY(red.save(page(qPrintable(prefix + QLatin1String(".png")))));
        }
        // What a page is made of, to be shown: a sound and a font.
        QVERIFY(brivo::test::writeFile(page("sound.wav"), brivo::test::wavBytes(200)));
        QFile::copy(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"), page("font.ttf"));

        // A page that keeps counting in its title.
        QVERIFY(brivo::test::writeFile(
            page("ticker.html"),
            "<html><body><script>let n = 0; setInterval(() => document.title = 'tick ' + ++n, 20);"
            "</script></body></html>"));
    }

    void cleanup() { brivo::test::closeAllWindows(); }

    // The file is shown through its own URL: its character set decoded, nothing cut at a NUL byte, and
    // relative pictures, style sheets, scripts and links resolved against its folder; but its script reads
    // no other local file, neither by a request nor through a frame. The address line follows
    // back, forward, reload and a link; a missing file fails as a page does, with the same messages.
    void aFileIsShownAsAFileAndBrowsedFrom()
    {
        web window;
        // Empty, with room to read a page in although the engine's view asks for no size of its own.
        QVERIFY(window.urlEdit->text().isEmpty() && window.statusLabel->text().isEmpty() &&
                window.width() >= 800 && window.height() >= 600);
        QVERIFY(loadAndWait(window, [&] { window.openFile(page("page.html")); }));
        QVERIFY2(loadOrder.match(loadMessages).hasMatch(), qPrintable(loadMessages));
        QTRY_COMPARE_WITH_TIMEOUT(
            window.view->title(),
            QString::fromUtf8("Caf\xc3\xa9|Cr\xc3\xa8me|after NUL|60|rgb(170, 51, 0)|refused|refused"),
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

        // A page from the web cannot send the user to a local page.
        const QString local = brivo::localPageUrl(QUrl::fromLocalFile(page("other.html"))).toString();
        QVERIFY(loadAndWait(window, [&] {
            window.view->setHtml(QStringLiteral("<a id=\"a\" href=\"%1\">local</a>").arg(local),
                                 QUrl(QStringLiteral("http://example.org/")));
        }));
        QVERIFY(!loadAndWait(window, [&] {
            window.view->page()->runJavaScript(QStringLiteral("document.getElementById('a').click()"));
        }));
        shown.clear();
        window.view->page()->toPlainText([&](const QString &text) { shown = text; });
        QTRY_VERIFY_WITH_TIMEOUT(!shown.isEmpty() && !shown.contains(QLatin1String("apple")), loadTimeout);
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
            {QStringLiteral("other.html"), brivo::localPageUrl(QUrl::fromLocalFile(page("other.html")))},
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
        web *window = showPage("other.html");
        QVERIFY(window);
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

        QVERIFY(clickElement(*window, QStringLiteral("popup")));
        QTRY_COMPARE_WITH_TIMEOUT(showing(url("page.html")), 1, loadTimeout);
        QCOMPARE(window->urlEdit->text(), url("other.html"));

        const QString saved = m_dir.filePath(QStringLiteral("saved page.html"));
        brivo::test::ModalAnswerer answers;
        answers.chooseFile(saved);
        window->view->page()->download(QUrl::fromLocalFile(page("page.html")));
        QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("Download Finished... ") + saved, loadTimeout);
        QCOMPARE(brivo::test::readFile(saved), brivo::test::readFile(page("page.html")));
        // A name with folders in it (a page's own choice) does not take the question to them.
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("downloads/here"))) &&
                QDir().mkpath(m_dir.filePath(QStringLiteral("autostart"))));
        window->view->page()->profile()->setDownloadPath(m_dir.filePath(QStringLiteral("downloads/here")));
        answers.cancel();
        window->view->page()->download(QUrl::fromLocalFile(page("page.html")),
                                       QStringLiteral("../../autostart/no.html"));
        QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("Download Cancelled..."), loadTimeout);
        QVERIFY2(!answers.last().informativeText.endsWith(QLatin1String("autostart")),
                 qPrintable(answers.last().informativeText));
        QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("no.html"))));

        // The window system hands a drop to the innermost widget under the pointer that takes drops.
        QWidget *target = window->childAt(window->view->geometry().center());
        while (target && !target->acceptDrops() && !target->isWindow())
            target = target->parentWidget();
        QCOMPARE(target, window);
        QVERIFY(brivo::test::sendDropUrls(target, {QUrl::fromLocalFile(page("other.html"))}));
        const QPointer<QWidget> dropTarget = window; // closed, and so deleted, once the drop is over
        QTRY_VERIFY(!dropTarget || !dropTarget->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(showing(url("other.html")), 1, loadTimeout);
    }

    // Which local files a local page may load, and as what. Frames show only pages of the page's own folder
    // tree, judged by where links point and by whole folder names.
    void localFileLoads_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("allowed");
        QTest::addColumn<QByteArray>("scheme"); // of the address asked for: the local page's unless named
        using Info = QWebEngineUrlRequestInfo;
        const QString below = QStringLiteral("sub/inner.html");
        const QString outside = QStringLiteral("../up.html");
        const QString alike = QStringLiteral("../caf\u00e92/x.html");
        const struct
        {
            const char *name;
            QString target;
            Info::ResourceType type;
            bool allowed;
            const char *scheme = "page";
        } rows[] = {
            {"picture beside", QStringLiteral("pic.svg"), Info::ResourceTypeImage, true},
            {"page as a picture", below, Info::ResourceTypeImage, false},
            {"json as a script beside", QStringLiteral("beside.json"), Info::ResourceTypeScript, false},
            {"picture above", outside, Info::ResourceTypeImage, false},
            {"script in a folder named alike", alike, Info::ResourceTypeScript, false},
            {"style sheet through a link that leaves", QStringLiteral("link.html"),
             Info::ResourceTypeStylesheet, false},
            {"request for the file beside", QStringLiteral("secret.txt"), Info::ResourceTypeXhr, false},
            {"frame of a page below", below, Info::ResourceTypeSubFrame, true},
            {"object of a page beside", QStringLiteral("other.html"), Info::ResourceTypeObject, true},
            {"frame of a text file beside", QStringLiteral("secret.txt"), Info::ResourceTypeSubFrame, false},
            {"frame of the folder itself", QStringLiteral("."), Info::ResourceTypeSubFrame, false},
            {"frame of a page above", outside, Info::ResourceTypeSubFrame, false},
            {"frame in a folder named alike", alike, Info::ResourceTypeSubFrame, false},
            {"frame through a link that leaves", QStringLiteral("link.html"), Info::ResourceTypeSubFrame,
             false},
            {"font beside, at the font address", QStringLiteral("font.ttf"), Info::ResourceTypeFontResource,
             true, "font"},
            {"font address for a request", QStringLiteral("font.ttf"), Info::ResourceTypeXhr, false, "font"},
            {"font address for a script", QStringLiteral("page.js"), Info::ResourceTypeScript, false, "font"},
            {"file: address for a picture", QStringLiteral("pic.svg"), Info::ResourceTypeImage, false,
             "file"},
            {"file: address as a new page", QStringLiteral("other.html"), Info::ResourceTypeMainFrame, true,
             "file"},
            {"web picture", QStringLiteral("pic.png"), Info::ResourceTypeImage, false, "web"},
            {"web page followed", QStringLiteral("page.html"), Info::ResourceTypeMainFrame, true, "web"},
        };
        for (const auto &row : rows)
            QTest::newRow(row.name) << row.target << int(row.type) << row.allowed << QByteArray(row.scheme);
    }
    void localFileLoads()
    {
        QFETCH(QString, target);
        QFETCH(int, type);
        QFETCH(bool, allowed);
        QFETCH(QByteArray, scheme);
        const QUrl file = QUrl::fromLocalFile(QDir::cleanPath(m_pages + QLatin1Char('/') + target));
        const QUrl address = scheme == "file"   ? file
                             : scheme == "font" ? brivo::localFontUrl(file)
                             : scheme == "web"  ? QUrl(QStringLiteral("http://example.org/") + target)
                                                : brivo::localPageUrl(file);
        QCOMPARE(brivo::localFileLoadAllowed(brivo::localPageUrl(QUrl::fromLocalFile(page("page.html"))),
                                             address, QWebEngineUrlRequestInfo::ResourceType(type)),
                 allowed);
    }

    // A local page's script reads no other local file, beside the page or above it, whatever route it takes
    // (windows it opens: scriptsOpenWindowsOnlyFromAClick); what the page is made of still shows. The page
    // puts in its title whether its script got what it asked for.
    void localPages_data()
    {
        QTest::addColumn<QByteArray>("route");
        QTest::addColumn<bool>("got");
        // Each reads the file named %1 plus a suffix.
        const std::pair<const char *, const char *> reads[] = {
            {"json module",
             "import('%1.json', {assert: {type: 'json'}})"
             ".then(m => done(JSON.stringify(m.default).includes('SECRET')), () => done(false));"},
            {"css module",
             "import('%1.css', {assert: {type: 'css'}})"
             ".then(m => done(m.default.cssRules[0].cssText.includes('SECRET')), () => done(false));"},
            {"script module",
             "import('%1.js').then(m => done(String(m.v) === 'SECRET'), () => done(false));"},
            {"style rules",
             "const l = document.createElement('link'); l.rel = 'stylesheet'; l.href = '%1.css';"
             " l.onload = () => done(l.sheet.cssRules[0].cssText.includes('SECRET'));"
             " l.onerror = () => done(false); document.head.appendChild(l);"},
            {"canvas picture", "const i = new Image(); i.onload = () => { const g = document.createElement("
                               "'canvas').getContext('2d'); g.drawImage(i, 0, 0);"
                               " done(g.getImageData(0, 0, 1, 1).data[0] === 255); };"
                               " i.onerror = () => done(false); i.src = '%1.png';"},
            {"text track", "const v = document.createElement('video'), t = document.createElement('track');"
                           " t.default = true; t.onload = () => done([...t.track.cues].some(c =>"
                           " c.text.includes('SECRET'))); t.onerror = () => done(false); t.src = '%1.vtt';"
                           " v.appendChild(t); document.body.appendChild(v);"},
            {"worker", "const w = new Worker('%1-worker.js');"
                       " w.onmessage = e => done(e.data === 'SECRET'); w.onerror = () => done(false);"},
            {"fetch",
             "fetch('%1.txt').then(r => r.text()).then(t => done(t === 'SECRET'), () => done(false));"},
            {"xhr", "const r = new XMLHttpRequest(); r.onload = () => done(r.responseText === 'SECRET');"
                    " r.onerror = () => done(false); r.open('GET', '%1.txt'); r.send();"},
            {"frame",
             "const f = document.createElement('iframe'); f.onload = () => { try {"
             " done(f.contentDocument.body.textContent.includes('SECRET')); } catch (e) { done(false); } };"
             " f.src = '%1.html'; document.body.appendChild(f);"},
        };
        for (const auto &[name, route] : reads) {
            QTest::addRow("%s beside", name) << QByteArray(route).replace("%1", "beside") << false;
            QTest::addRow("%s above", name) << QByteArray(route).replace("%1", "../secret") << false;
        }
        const std::pair<const char *, const char *> shows[] = {
            {"own picture", "const i = new Image(); i.onload = () => done(i.naturalWidth === 60);"
                            " i.onerror = () => done(false); i.src = 'pic.svg';"},
            {"own style sheet",
             "const l = document.createElement('link'); l.rel = 'stylesheet'; l.href ="
             " 'style.css'; l.onload = () => done(getComputedStyle(document.body.appendChild("
             "document.createElement('h1'))).color === 'rgb(170, 51, 0)');"
             " l.onerror = () => done(false); document.head.appendChild(l);"},
            {"own script", "const s = document.createElement('script'); s.src = 'own.js';"
                           " s.onload = () => done(window.own === 42); s.onerror = () => done(false);"
                           " document.head.appendChild(s);"},
            {"own font",
             "new FontFace('own', 'url(font.ttf)').load().then(() => done(true), () => done(false));"},
            {"own sound", "const a = new Audio('sound.wav'); a.onloadedmetadata = () => done(true);"
                          " a.onerror = () => done(false);"},
        };
        for (const auto &[name, route] : shows)
            QTest::newRow(name) << QByteArray(route) << true;
    }
    void localPages()
    {
        QFETCH(QByteArray, route);
        QFETCH(bool, got);
        if (QTest::currentDataTag() == QLatin1String("own font") && !QFileInfo::exists(page("font.ttf")))
            QSKIP("no font to show");
        const QByteArray name = "route " + QByteArray(QTest::currentDataTag()) + ".html";
        QVERIFY(brivo::test::writeFile(page("own.js"), "window.own = 42;"));
        QVERIFY(brivo::test::writeFile(
            page(name.constData()),
            // What a script is refused it is refused by an error, often inside a handler: the page says so.
            "<html><body><script>const done = got => { if (!document.title.startsWith('verdict'))"
            " document.title = 'verdict: ' + (got ? 'got' : 'nothing'); };"
            " onerror = () => done(false); setTimeout(() => done(false), 5000); try { " +
                route +
                " } catch (e) { done(false); }"
                "</script></body></html>"));
        web *window = showPage(name.constData());
        QVERIFY(window);
        QTRY_VERIFY_WITH_TIMEOUT(window->view->title().startsWith(QLatin1String("verdict")), loadTimeout);
        QCOMPARE(window->view->title(),
                 got ? QStringLiteral("verdict: got") : QStringLiteral("verdict: nothing"));
    }

    // The server of a page's own resources answers only under its secret and for files offered, with the
    // file's bytes or a range of them and no header that lets another origin read them; never from a named
    // pipe or a folder.
    void localFileServer()
    {
        brivo::LocalFileServer server;
        QVERIFY(server.isListening());
#if defined(Q_OS_UNIX)
        QVERIFY(mkfifo(QFile::encodeName(page("pipe.css")).constData(), 0600) == 0);
#endif
        const auto ask = [&](const QUrl &address, const QByteArray &headers = {}) {
            QTcpSocket socket;
            QSignalSpy closed(&socket, &QTcpSocket::disconnected);
            socket.connectToHost(QHostAddress::LocalHost, quint16(address.port()));
            socket.write("GET " + address.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority) +
                         " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers + "\r\n");
            return closed.wait(loadTimeout) ? socket.readAll() : QByteArray("no answer");
        };
        const QUrl style = server.offer(QUrl::fromLocalFile(page("style.css")));
        QCOMPARE(server.fileOf(style), QUrl::fromLocalFile(page("style.css")));
        // Served on a thread of its own: the answer comes while this thread waits and runs no events.
        QByteArray answered;
        std::thread([&] {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, quint16(style.port()));
            socket.write("GET " + style.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority) +
                         " HTTP/1.1\r\n\r\n");
            while (socket.waitForReadyRead(5000))
                answered += socket.readAll();
        }).join();
        QVERIFY2(answered.startsWith("HTTP/1.1 200 "), answered.constData());
        const QByteArray whole = ask(style);
        QVERIFY2(whole.startsWith("HTTP/1.1 200 ") && whole.contains("Content-Type: text/css\r\n") &&
                     whole.endsWith("\r\n\r\nh1 { color: #aa3300; }") && !whole.contains("Access-Control"),
                 whole.constData());
        const QByteArray part = ask(style, "Range: bytes=1-3\r\n");
        QVERIFY2(part.startsWith("HTTP/1.1 206 ") && part.contains("Content-Range: bytes 1-3/22\r\n") &&
                     part.endsWith("\r\n\r\n1 {"),
                 part.constData());
        QVERIFY(ask(style, "Range: bytes=99-\r\n").startsWith("HTTP/1.1 416 "));
        QUrl guessed = style;
        guessed.setPath(style.path().replace(1, 1, style.path().at(1) == QLatin1Char('0') ? "1" : "0"));
        QUrl unoffered = style;
        unoffered.setPath(style.path().replace(QLatin1String("style.css"), QLatin1String("page.js")));
        const QUrl refused[] = {guessed, unoffered, server.offer(QUrl::fromLocalFile(page("pipe.css"))),
                                server.offer(QUrl::fromLocalFile(m_pages))};
        for (const QUrl &address : refused)
            QVERIFY2(ask(address).startsWith("HTTP/1.1 404 "), qPrintable(address.toString()));
        QVERIFY(server.fileOf(guessed).isEmpty());
    }

    // A script opens no window by itself, and one click opens one window however many the page asks for;
    // a link with a target of its own that the user clicks opens a new browser window.
    void scriptsOpenWindowsOnlyFromAClick()
    {
        web *window = showPage("popups.html");
        QVERIFY(window);
        QVERIFY(clickElement(*window, QStringLiteral("many")));
        // The window opened is the page's no more than any other: it cannot read what it shows.
        QTRY_COMPARE_WITH_TIMEOUT(window->view->title(), QStringLiteral("refused"), loadTimeout);
        QVERIFY(clickElement(*window, QStringLiteral("link")));
        // The link's window comes after any the page asked for before it, so once it shows, all have.
        QTRY_COMPARE_WITH_TIMEOUT(showing(url("other.html")), 1, loadTimeout);
        QCOMPARE(brivo::test::visibleWindows<web>().size(), 3);
    }

    // A closed window's page stops: its timer changes nothing more, while a page that is only hidden, as
    // the closed one used to be, keeps counting. The window itself lives on with its address.
    void aClosedWindowStopsItsPage()
    {
        web closed;
        web hidden;
        for (web *w : {&closed, &hidden}) {
            w->show();
            QVERIFY(loadAndWait(*w, [&] { w->openFile(page("ticker.html")); }));
            QTRY_VERIFY_WITH_TIMEOUT(w->view->title().startsWith(QLatin1String("tick")), loadTimeout);
        }
        QSignalSpy closedTicks(closed.view->page(), &QWebEnginePage::titleChanged);
        QSignalSpy hiddenTicks(hidden.view->page(), &QWebEnginePage::titleChanged);
        closed.close();
        hidden.hide();
        QTRY_VERIFY_WITH_TIMEOUT(hiddenTicks.size() >= 2, loadTimeout);
        for (const QList<QVariant> &title : closedTicks)
            QVERIFY2(!title.value(0).toString().startsWith(QLatin1String("tick")),
                     qPrintable(title.value(0).toString()));
        QCOMPARE(closed.urlEdit->text(), url("ticker.html"));
    }

    // Running as root, the program turns the engine's sandbox off for the engine alone: the programs it
    // starts afterwards (archivers, language commands, the desktop's opener) do not inherit the switch.
    void startedProgramsKeepTheirSandbox()
    {
        if (!brivo::runningAsRoot())
            QSKIP("the sandbox is turned off only when running as root");
        web window;
        QVERIFY(loadAndWait(window, [&] { window.openFile(page("other.html")); }));
        QProcess child;
        child.start(
            QStringLiteral("/bin/sh"),
            {QStringLiteral("-c"), QStringLiteral("printf %s \"${QTWEBENGINE_DISABLE_SANDBOX-unset}\"")});
        QVERIFY(child.waitForFinished(loadTimeout));
        QCOMPARE(child.readAllStandardOutput(), QByteArray("unset"));
    }

    // The browser's keys, pressed on the page: the address line, history, reload and zoom kept per site;
    // the buttons' tooltips name them; closing the find line takes its note with it.
    void browserKeys()
    {
        web *window = showPage("page.html");
        QVERIFY(window);
        QVERIFY(loadAndWait(*window, [&] { window->openFile(page("other.html")); }));
        const auto press = [window](QKeyCombination key) {
            QWidget *page = window->view->focusProxy() ? window->view->focusProxy() : window->view;
            page->setFocus();
            QTest::keyClick(page, key.key(), key.keyboardModifiers());
        };
        for (QKeyCombination key : {Qt::CTRL | Qt::Key_L, QKeyCombination(Qt::Key_F6), Qt::ALT | Qt::Key_D}) {
            press(key);
            QVERIFY(window->urlEdit->hasFocus() &&
                    window->urlEdit->selectedText() == window->urlEdit->text());
        }
        // Each key, then the page it loads (none: it loads nothing) and the zoom.
        const std::tuple<QKeyCombination, const char *, qreal> steps[] = {
            {Qt::ALT | Qt::Key_Left, "page.html", 1.0},   {Qt::CTRL | Qt::Key_Plus, nullptr, 1.1},
            {Qt::CTRL | Qt::Key_Plus, nullptr, 1.25},     {Qt::CTRL | Qt::Key_Minus, nullptr, 1.1},
            {Qt::ALT | Qt::Key_Right, "other.html", 1.1}, {QKeyCombination(Qt::Key_F5), "other.html", 1.1},
            {Qt::CTRL | Qt::Key_R, "other.html", 1.1},    {Qt::CTRL | Qt::Key_0, nullptr, 1.0},
            {Qt::CTRL | Qt::Key_Minus, nullptr, 0.9}};
        for (const auto &[key, loads, zoom] : steps) {
            if (loads) {
                QVERIFY(loadAndWait(*window, [&] { press(key); }));
                QCOMPARE(window->urlEdit->text(), url(loads));
            } else {
                press(key);
            }
            QCOMPARE(window->view->zoomFactor(), zoom);
        }
        // Another site has its own zoom; coming back finds this one's again.
        RequestRecorder requests; // the other site's address goes nowhere
        window->view->page()->setUrlRequestInterceptor(&requests);
        loadAndWait(*window, [&] { window->view->load(QUrl(QStringLiteral("http://example.org/"))); });
        QCOMPARE(window->view->zoomFactor(), 1.0);
        window->view->page()->setUrlRequestInterceptor(nullptr);
        loadAndWait(*window, [&] { press(Qt::ALT | Qt::Key_Left); });
        QCOMPARE(window->view->zoomFactor(), 0.9);

        for (const auto &[button, keys] :
             {std::pair("backButton", "(Alt+Left)"), std::pair("forwardButton", "(Alt+Right)"),
              std::pair("reloadButton", "(F5, Ctrl+R)")})
            QVERIFY(window->findChild<QPushButton *>(button)->toolTip().endsWith(QLatin1String(keys)));

        QTest::keyClick(window, Qt::Key_F, Qt::ControlModifier);
        auto *bar = window->findChild<QLineEdit *>(QStringLiteral("findBar"));
        QTest::keyClicks(bar, QStringLiteral("apple"));
        QTRY_COMPARE_WITH_TIMEOUT(window->statusLabel->text(), QStringLiteral("Match 1 of 3"), loadTimeout);
        QTest::keyClick(bar, Qt::Key_Escape);
        QCOMPARE(window->statusLabel->text(), QString());
    }

private:
    // A new browser window, kept as the program keeps its windows, shown and showing the page `name`; null
    // when it could not.
    web *showPage(const char *name)
    {
        auto *window = new web;
        brivo::keepUntilClosed(window);
        window->show();
        if (!QTest::qWaitForWindowExposed(window) ||
            !loadAndWait(*window, [&] { window->openFile(page(name)); }))
            return nullptr;
        return window;
    }

    // How many visible browser windows show `address`.
    static int showing(const QString &address)
    {
        const QList<web *> open = brivo::test::visibleWindows<web>();
        return int(
            std::count_if(open.cbegin(), open.cend(), [&](web *w) { return w->urlEdit->text() == address; }));
    }

    QString page(const char *name) const
    {
        return m_pages + QLatin1Char('/') + QString::fromUtf8(name);
    }
    QString url(const char *name) const
    {
        return QUrl::fromLocalFile(page(name)).toString();
    }

    QTemporaryDir m_dir;
    QString m_pages;
};

QTEST_MAIN(tst_web)
#include "tst_web.moc"

// The home launcher: its tiles and window, chooser mode, the about boxes and what each tile opens.
#include "app/showmain.h"
#include "app/toolopeners.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"

#include <QCommandLinkButton>
#include <QLabel>
#include <QTest>

using brivo::Tool;
using brivo::test::ModalAnswerer;

namespace {

QList<QCommandLinkButton *> tilesOf(showmain &launcher)
{
    return launcher.findChildren<QCommandLinkButton *>(QString(), Qt::FindDirectChildrenOnly);
}

} // namespace

class tst_launcher : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_opened.clear();
        m_openerGivesWindow = true;
        m_audioOnly = false;
        brivo::setOpenerOverrideForTesting([this](Tool tool, const QString &path, const brivo::OpenOptions &o) {
            m_opened.append({tool, path});
            m_audioOnly |= o.audioOnly;
            return m_openerGivesWindow ? new QWidget : nullptr;
        });
    }
    void cleanup()
    {
        brivo::setOpenerOverrideForTesting({});
        brivo::test::closeAllWindows();
    }

    void looksAsItShould()
    {
        showmain launcher;
        launcher.buildUi();
        const QList<QPair<const char *, QRect>> expected = {
            {"Notepad", {10, 10, 180, 120}},       {"IDE", {210, 10, 180, 120}},
            {"Media\nPlayer", {10, 150, 180, 120}}, {"PDF", {210, 150, 180, 120}},
            {"Image\nViewer", {410, 10, 180, 120}}, {"Web", {410, 150, 180, 120}},
            {"About Brivo", {100, 430, 210, 120}},  {"About Me", {320, 430, 200, 120}},
            {"Zip", {410, 290, 180, 120}},          {"Snap\nShot", {210, 290, 180, 120}},
            {"Gif View", {10, 290, 180, 120}}};
        const auto tiles = tilesOf(launcher);
        QCOMPARE(tiles.size(), 11);
        for (int i = 0; i < 11; ++i) {
            QCOMPARE(tiles[i]->text(), QString::fromLatin1(expected[i].first));
            QCOMPARE(tiles[i]->geometry(), expected[i].second);
            QCOMPARE(tiles[i]->maximumSize(), tiles[i]->minimumSize());
            QCOMPARE(tiles[i]->iconSize(), QSize(100, 100));
            // Every tile has a picture, and a picture of its own.
            const QImage picture = tiles[i]->icon().pixmap(100, 100).toImage();
            QVERIFY(!picture.isNull());
            for (int j = 0; j < i; ++j)
                QVERIFY(picture != tiles[j]->icon().pixmap(100, 100).toImage());
        }

        QCOMPARE(launcher.windowTitle(), QStringLiteral("Brivo - K.VARDEN"));
        QCOMPARE(launcher.size(), QSize(600, 660));
        QCOMPARE(launcher.maximumSize(), QSize(600, 660));
        QCOMPARE(launcher.minimumSize(), QSize(0, 0));
        QVERIFY(launcher.windowIcon().availableSizes().contains(QSize(256, 256)));
        const Qt::WindowFlags flags = launcher.windowFlags();
        QVERIFY((flags & Qt::WindowMinimizeButtonHint) && (flags & Qt::WindowCloseButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(launcher.acceptDrops());
        QCOMPARE(launcher.palette().color(QPalette::Inactive, QPalette::Window), QColor(Qt::white));

        // The logo fitted into 400 x 250, on a black band that shows its top 80 pixels in the window.
        auto *logo = launcher.findChild<QLabel *>();
        QCOMPARE(logo->pixmap().size(), QSize(400, 64));
        QCOMPARE(logo->parentWidget()->geometry(), QRect(0, 580, 640, 480));
        launcher.show();
        QVERIFY(QTest::qWaitForWindowExposed(&launcher));
        const QImage shot = launcher.grab().toImage();
        QCOMPARE(shot.pixelColor(595, 300), QColor(Qt::white));
        QCOMPARE(shot.pixelColor(595, 650), QColor(Qt::black));
    }

    void tilesOpenTheirTools_data()
    {
        QTest::addColumn<int>("tile");
        QTest::addColumn<Tool>("tool");
        QTest::addColumn<bool>("chooser");
        const QList<QPair<int, Tool>> tools = {{0, Tool::Notepad},     {1, Tool::CodeEditor}, {2, Tool::MediaPlayer},
                                               {4, Tool::ImageViewer}, {5, Tool::WebBrowser}, {8, Tool::Archive},
                                               {10, Tool::GifViewer}};
        for (const auto &t : tools) {
            QTest::addRow("tile %d", t.first) << t.first << t.second << false;
            QTest::addRow("tile %d, chooser", t.first) << t.first << t.second << true;
        }
        QTest::addRow("PDF, chooser") << 3 << Tool::PdfViewer << true;
    }
    void tilesOpenTheirTools()
    {
        QFETCH(int, tile);
        QFETCH(Tool, tool);
        QFETCH(bool, chooser);
        const QString pending = QStringLiteral("/some/where/file.unknown");
        showmain launcher;
        launcher.pendingPath = chooser ? pending : QString();
        launcher.chooserMode = chooser ? 1 : 0;
        ModalAnswerer answers; // the chooser message
        launcher.buildUi();
        launcher.show();
        tilesOf(launcher)[tile]->click();
        tilesOf(launcher)[tile]->click();
        // Every press opens one more window; the launcher stays.
        const QList<QPair<Tool, QString>> twice = {{tool, chooser ? pending : QString()},
                                                   {tool, chooser ? pending : QString()}};
        QCOMPARE(m_opened, twice);
        QVERIFY(!m_audioOnly); // never the audio-only player from a tile
        QVERIFY(launcher.isVisible());
    }

    void snapShotHidesTheLauncherOnlyWhenItsWindowOpened()
    {
        showmain launcher;
        launcher.buildUi();
        launcher.show();
        m_openerGivesWindow = false;
        tilesOf(launcher)[9]->click();
        QVERIFY(launcher.isVisible());
        m_openerGivesWindow = true;
        tilesOf(launcher)[9]->click();
        QCOMPARE(m_opened.last().first, Tool::Snapshot);
        QVERIFY(!launcher.isVisible());
    }

    void pdfTileAsksForADocumentFirst()
    {
        QTemporaryDir dir;
        const QString document = dir.filePath(QStringLiteral("paper.pdf"));
        QVERIFY(brivo::test::writeFile(document, "%PDF-1.4\n"));
        brivo::test::CurrentDirectory here(dir.path());
        showmain launcher;
        launcher.buildUi();

        ModalAnswerer answers;
        answers.cancel();
        answers.chooseFile(document);
        tilesOf(launcher)[3]->click(); // cancelled: nothing opens, nothing is said
        tilesOf(launcher)[3]->click();
        QVERIFY(answers.waitUntilAnswered());
        QCOMPARE(answers.seen().size(), 2);
        QCOMPARE(answers.last().title, QStringLiteral("Open Document"));
        QCOMPARE(answers.last().text, QStringLiteral("Document files (*.pdf *.PDF);;"));
        QCOMPARE(QDir(answers.last().informativeText).canonicalPath(), QDir(dir.path()).canonicalPath());
        QCOMPARE(m_opened.size(), 1);
        QCOMPARE(m_opened.first().first, Tool::PdfViewer);
        QCOMPARE(QFileInfo(m_opened.first().second).canonicalFilePath(), QFileInfo(document).canonicalFilePath());
    }

    void messages()
    {
        showmain launcher;
        launcher.pendingPath = QStringLiteral("/tmp/a<b>c.weird");
        launcher.chooserMode = 1;
        ModalAnswerer answers;
        launcher.buildUi(); // the chooser message comes first, before the window shows
        QVERIFY(!launcher.isVisible());
        tilesOf(launcher)[6]->click();
        tilesOf(launcher)[7]->click();
        launcher.al(QStringLiteral("ignored"));
        QVERIFY(answers.waitUntilAnswered());
        const auto seen = answers.seen();
        QCOMPARE(seen.size(), 4);

        QCOMPARE(seen[0].title, QStringLiteral("Unrecognised file type "));
        QVERIFY(seen[0].text.startsWith(QStringLiteral("The file <br/><br/>/tmp/a&lt;b&gt;c.weird<br/><br/>you tried "
                                                       "to open with Brivo is unrecognizable by the engine.")));
        QCOMPARE(seen[1].title, QStringLiteral("About Brivo"));
        QVERIFY(seen[1].text.startsWith(QStringLiteral("Brivo aims to be the only software")));
        QCOMPARE(seen[2].title, QStringLiteral("Brivo : By K.VARDEN"));
        QVERIFY(seen[2].text.endsWith(QStringLiteral("<b>Please send feedback to my email.</b><br/><br/>Thank you.")));
        // The same two addresses in both about boxes.
        const QString mails = seen[2].text.section(QStringLiteral("Email: "), 1).section(QStringLiteral(" ."), 0, 0);
        QVERIFY(mails.contains(QStringLiteral(" , ")) && seen[1].text.contains(mails));
        QCOMPARE(seen[3].title, QStringLiteral("Link ok"));
        QCOMPARE(seen[3].text, QStringLiteral("Link ok"));
        QCOMPARE(seen[3].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }

private:
    QList<QPair<Tool, QString>> m_opened;
    bool m_openerGivesWindow = true;
    bool m_audioOnly = false;
};

QTEST_MAIN(tst_launcher)
#include "tst_launcher.moc"

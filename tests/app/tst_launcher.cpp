// The home launcher: its tiles, its window, chooser mode, the about boxes and what each tile opens.
#include "app/showmain.h"
#include "app/toolopeners.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"

#include <QCommandLinkButton>
#include <QLabel>
#include <QMetaMethod>
#include <QTest>

using brivo::Tool;
using brivo::test::ModalAnswerer;

class tst_launcher : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_opened.clear();
        m_openerGivesWindow = true;
        brivo::setOpenerOverrideForTesting([this](Tool tool, const QString &path, const brivo::OpenOptions &o) {
            m_opened.append({tool, path});
            m_audioOnly = o.audioOnly;
            return m_openerGivesWindow ? new QWidget : nullptr;
        });
    }
    void cleanup()
    {
        brivo::setOpenerOverrideForTesting({});
        brivo::test::closeAllWindows();
    }

    void tilesStandWhereTheyShould()
    {
        showmain launcher;
        launcher.buildUi();
        const QList<QCommandLinkButton *> tiles =
            launcher.findChildren<QCommandLinkButton *>(QString(), Qt::FindDirectChildrenOnly);
        struct Expected
        {
            const char *text;
            QRect geometry;
        };
        const Expected expected[] = {
            {"Notepad", {10, 10, 180, 120}},      {"IDE", {210, 10, 180, 120}},
            {"Media\nPlayer", {10, 150, 180, 120}}, {"PDF", {210, 150, 180, 120}},
            {"Image\nViewer", {410, 10, 180, 120}}, {"Web", {410, 150, 180, 120}},
            {"About Brivo", {100, 430, 210, 120}},  {"About Me", {320, 430, 200, 120}},
            {"Zip", {410, 290, 180, 120}},          {"Snap\nShot", {210, 290, 180, 120}},
            {"Gif View", {10, 290, 180, 120}},
        };
        QCOMPARE(tiles.size(), 11);
        for (int i = 0; i < 11; ++i) {
            QCOMPARE(tiles[i]->text(), QString::fromLatin1(expected[i].text));
            QCOMPARE(tiles[i]->geometry(), expected[i].geometry);
            QCOMPARE(tiles[i]->minimumSize(), expected[i].geometry.size());
            QCOMPARE(tiles[i]->maximumSize(), expected[i].geometry.size());
            QCOMPARE(tiles[i]->iconSize(), QSize(100, 100));
            QVERIFY2(!tiles[i]->icon().isNull(), expected[i].text);
            QVERIFY(tiles[i]->description().isEmpty());
        }
        // Every tile has a picture of its own.
        for (int i = 0; i < 11; ++i) {
            for (int j = i + 1; j < 11; ++j)
                QVERIFY(tiles[i]->icon().pixmap(100, 100).toImage() != tiles[j]->icon().pixmap(100, 100).toImage());
        }
    }

    void windowLooksAsItShould()
    {
        showmain launcher;
        launcher.buildUi();
        QCOMPARE(launcher.windowTitle(), QStringLiteral("Brivo - K.VARDEN"));
        QCOMPARE(launcher.size(), QSize(600, 660));
        QCOMPARE(launcher.maximumSize(), QSize(600, 660));
        QCOMPARE(launcher.minimumSize(), QSize(0, 0));
        QVERIFY(!launcher.windowIcon().isNull());
        QVERIFY(launcher.windowIcon().availableSizes().contains(QSize(16, 16)));
        QVERIFY(launcher.windowIcon().availableSizes().contains(QSize(256, 256)));
        const Qt::WindowFlags flags = launcher.windowFlags();
        QVERIFY(flags & Qt::WindowMinimizeButtonHint);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(launcher.acceptDrops());
        QVERIFY(!launcher.centralWidget());
        QCOMPARE(launcher.palette().color(QPalette::Active, QPalette::Window), QColor(Qt::white));
        QCOMPARE(launcher.palette().color(QPalette::Inactive, QPalette::Window), QColor(Qt::white));
        QCOMPARE(launcher.palette().color(QPalette::Disabled, QPalette::Window), QColor(Qt::white));

        // The logo band: a black strip below the tiles, 80 pixels of it inside the window.
        QWidget *strip = nullptr;
        for (QWidget *child : launcher.findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
            if (child->geometry() == QRect(0, 580, 640, 480))
                strip = child;
        }
        QVERIFY(strip);
        QCOMPARE(strip->styleSheet(), QStringLiteral("background-color:black"));
        auto *logo = strip->findChild<QLabel *>();
        QVERIFY(logo);
        QCOMPARE(logo->pixmap().size(), QSize(400, 64)); // 870 x 140 fitted into 400 x 250

        // What a user sees: white tiles area, black band at the bottom.
        launcher.show();
        QVERIFY(QTest::qWaitForWindowExposed(&launcher));
        const QImage shot = launcher.grab().toImage();
        QCOMPARE(shot.pixelColor(595, 300), QColor(Qt::white));
        QCOMPARE(shot.pixelColor(595, 650), QColor(Qt::black));
    }

    void slotsAreDeclaredInOrder()
    {
        const QStringList expected = {"txtf()", "pdff()", "imgvf()", "aboutf()", "idef()", "avf()", "abtme()",
                                      "abtafa()", "dropEvent(QDropEvent*)", "dragEnterEvent(QDragEnterEvent*)",
                                      "zipper()", "gifv()", "deskts()", "al(QString)"};
        const QMetaObject *meta = &showmain::staticMetaObject;
        QStringList found;
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i)
            found.append(QString::fromLatin1(meta->method(i).methodSignature()));
        QCOMPARE(found, expected);
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
            QTest::addRow("tile %d, normal", t.first) << t.first << t.second << false;
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
        if (chooser) {
            launcher.pendingPath = pending;
            launcher.chooserMode = 1;
        }
        ModalAnswerer answers; // the chooser message
        launcher.buildUi();
        launcher.show();

        auto tiles = launcher.findChildren<QCommandLinkButton *>(QString(), Qt::FindDirectChildrenOnly);
        tiles[tile]->click();
        tiles[tile]->click();

        QCOMPARE(m_opened.size(), 2); // every press opens one more window
        QCOMPARE(m_opened.first().first, tool);
        QCOMPARE(m_opened.first().second, chooser ? pending : QString());
        QVERIFY(!m_audioOnly);
        QVERIFY(launcher.isVisible());
    }

    void pdfTileAsksForADocumentFirst()
    {
        QTemporaryDir dir;
        const QString document = dir.filePath(QStringLiteral("paper.pdf"));
        QVERIFY(brivo::test::writeFile(document, "%PDF-1.4\n"));
        brivo::test::CurrentDirectory here(dir.path());

        showmain launcher;
        launcher.buildUi();
        auto tiles = launcher.findChildren<QCommandLinkButton *>(QString(), Qt::FindDirectChildrenOnly);

        ModalAnswerer answers;
        answers.cancel();
        tiles[3]->click();
        QVERIFY(answers.waitUntilAnswered());
        QVERIFY(m_opened.isEmpty()); // cancelled: nothing opens, nothing is said
        QCOMPARE(answers.last().className, QStringLiteral("QFileDialog"));
        QCOMPARE(answers.last().title, QStringLiteral("Open Document"));
        QCOMPARE(answers.last().text, QStringLiteral("Document files (*.pdf *.PDF);;"));
        QCOMPARE(QDir(answers.last().informativeText).canonicalPath(), QDir(dir.path()).canonicalPath());

        answers.chooseFile(document);
        tiles[3]->click();
        QVERIFY(answers.waitUntilAnswered());
        QCOMPARE(m_opened.size(), 1);
        QCOMPARE(m_opened.first().first, Tool::PdfViewer);
        QCOMPARE(QFileInfo(m_opened.first().second).canonicalFilePath(), QFileInfo(document).canonicalFilePath());
    }

    void snapShotTileHidesTheLauncherOnlyWhenTheWindowOpened()
    {
        showmain launcher;
        launcher.buildUi();
        launcher.show();
        auto tiles = launcher.findChildren<QCommandLinkButton *>(QString(), Qt::FindDirectChildrenOnly);

        m_openerGivesWindow = false;
        tiles[9]->click();
        QVERIFY(launcher.isVisible());

        m_openerGivesWindow = true;
        tiles[9]->click();
        QCOMPARE(m_opened.last().first, Tool::Snapshot);
        QVERIFY(!launcher.isVisible());
    }

    void aboutBoxes()
    {
        showmain launcher;
        launcher.buildUi();
        auto tiles = launcher.findChildren<QCommandLinkButton *>(QString(), Qt::FindDirectChildrenOnly);
        ModalAnswerer answers;
        answers.press(QMessageBox::Ok);
        answers.press(QMessageBox::Ok);
        answers.press(QMessageBox::Ok);
        tiles[6]->click();
        tiles[7]->click();
        launcher.al(QStringLiteral("ignored"));
        QVERIFY(answers.waitUntilAnswered());
        QCOMPARE(answers.seen().size(), 3);

        const auto about = answers.seen()[0];
        QCOMPARE(about.title, QStringLiteral("About Brivo"));
        QVERIFY(about.text.startsWith(QStringLiteral(
            "Brivo aims to be the only software that can do different tasks where other softwares do "
            "independently.<br><br/>For more information on Versions , Bugs , etc.. Visit our web site<br/><br/><b> ")));
        QVERIFY(about.text.contains(QStringLiteral("</b><br/><br/>Or Write to me at <br/><br/><b>")));
        QVERIFY(about.text.endsWith(QStringLiteral("</b>")));

        const auto me = answers.seen()[1];
        QCOMPARE(me.title, QStringLiteral("Brivo : By K.VARDEN"));
        QVERIFY(me.text.startsWith(QStringLiteral("Author : K.VARDEN.<br/><br/>Email: ")));
        QVERIFY(me.text.endsWith(
            QStringLiteral(" .<br/><br/><b>Please send feedback to my email.</b><br/><br/>Thank you.")));
        // The same two addresses in both boxes.
        const QString mails = me.text.section(QStringLiteral("Email: "), 1).section(QStringLiteral(" ."), 0, 0);
        QVERIFY(mails.contains(QStringLiteral(" , ")));
        QVERIFY(about.text.contains(mails));

        const auto link = answers.seen()[2];
        QCOMPARE(link.title, QStringLiteral("Link ok"));
        QCOMPARE(link.text, QStringLiteral("Link ok"));
        QCOMPARE(link.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(link.hasParent);
    }

    void chooserMessageShowsThePathAsText()
    {
        showmain launcher;
        launcher.pendingPath = QStringLiteral("/tmp/a<b>c.weird");
        launcher.chooserMode = 1;
        ModalAnswerer answers;
        answers.press(QMessageBox::Ok);
        launcher.buildUi();
        QVERIFY(answers.waitUntilAnswered());
        QVERIFY(!launcher.isVisible()); // the message comes before the window shows
        const QString text = answers.last().text;
        QVERIFY(text.contains(QStringLiteral("/tmp/a&lt;b&gt;c.weird")));
        QVERIFY(text.contains(QStringLiteral("<br/><br/>you tried to open with Brivo is unrecognizable by the "
                                             "engine.<br/><br/>You can open forcibly open by one of the "
                                             "application listed.<br/><br/>If you wish that the type of file "
                                             "wanted to add in next version of Brivo <br/>Please Write to me at ")));
        QVERIFY(text.endsWith(QLatin1Char(' ')));
    }

private:
    QList<QPair<Tool, QString>> m_opened;
    bool m_audioOnly = false;
    bool m_openerGivesWindow = true;
};

QTEST_MAIN(tst_launcher)
#include "tst_launcher.moc"

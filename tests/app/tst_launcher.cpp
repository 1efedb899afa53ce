// The home launcher and the ways in and out of it: its window and tiles, the dispatcher, the home and drop
// actions, the modules, the command line, the packaging's file types, and the tool table behind them all.
#include "app/commandline.h"
#include "app/doch.h"
#include "app/extensiongroups.h"
#include "app/moduleloader.h"
#include "app/showmain.h"
#include "app/tilegrid.h"
#include "app/toolopeners.h"
#include "common/homeactions.h"
#include "common/tooltable.h"
#include "common/windowkeeper.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"
#include "viewers/imgv.h"

#include <QAccessible>
#include <QBuffer>
#include <QCommandLinkButton>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QMimeDatabase>
#include <QOpenGLContext>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QXmlStreamReader>

#include <memory>
#include <tuple>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using brivo::Tool;
using brivo::ToolDescription;
using brivo::test::ModalAnswerer;
using brivo::test::visibleWindows;
using Opened = QList<std::tuple<Tool, QString, bool>>; // tool, path, audio only

Q_DECLARE_METATYPE(std::optional<brivo::Tool>)

namespace {

QString packagingFile(const char *name)
{
    return QStringLiteral(BRIVO_PACKAGING_DIR "/") + QLatin1String(name);
}

// The extension lists of the groups, in the order the dispatcher compares them.
QList<QStringList> groupExtensions()
{
    QList<QStringList> lists;
    for (const brivo::ExtensionGroup &group : brivo::extensionGroups())
        lists.append(group.extensions);
    return lists;
}

// The tiles' places, in the launcher's order: three rows of three and the two about tiles set off below.
const QList<QRect> places = {{10, 10, 180, 120},   {210, 10, 180, 120},  {10, 150, 180, 120},
                             {210, 150, 180, 120}, {410, 10, 180, 120},  {410, 150, 180, 120},
                             {100, 430, 210, 120}, {320, 430, 200, 120}, {410, 290, 180, 120},
                             {210, 290, 180, 120}, {10, 290, 180, 120}};

QList<QCommandLinkButton *> tilesOf(showmain &launcher)
{
    return launcher.findChildren<QCommandLinkButton *>(QString(), Qt::FindDirectChildrenOnly);
}

// A window that hands drops to the shared drop action, as the viewers do.
class DropTarget : public QWidget
{
public:
    DropTarget() { setAcceptDrops(true); }

protected:
    void dragEnterEvent(QDragEnterEvent *event) override { brivo::acceptAnyDrag(event); }
    void dropEvent(QDropEvent *event) override { brivo::dropAction(this, event); }
};

} // namespace

class tst_launcher : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_opened.clear();
        m_openerGivesWindow = true;
        brivo::setOpenerOverrideForTesting(
            [this](Tool tool, const QString &path, const brivo::OpenOptions &o) {
                m_opened.append({tool, path, o.audioOnly});
                QWidget *window = m_openerGivesWindow ? new QWidget : nullptr;
                if (window)
                    window->setObjectName(QStringLiteral("opened"));
                return window;
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
        const QStringList texts = {"Notepad",       "IDE",        "Media\nPlayer", "PDF",
                                   "Image\nViewer", "Web",        "About Brivo",   "About Me",
                                   "Zip",           "Snap\nShot", "Gif View"};
        const auto tiles = tilesOf(launcher);
        QCOMPARE(tiles.size(), 11);
        for (int i = 0; i < 11; ++i) {
            QCOMPARE(tiles[i]->text(), texts[i]);
            QCOMPARE(tiles[i]->geometry(), places[i]);
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
        const QList<QPair<int, Tool>> tools = {
            {0, Tool::Notepad},    {1, Tool::CodeEditor}, {2, Tool::MediaPlayer}, {4, Tool::ImageViewer},
            {5, Tool::WebBrowser}, {8, Tool::Archive},    {10, Tool::GifViewer}};
        for (const auto &t : tools) {
            QTest::addRow("tile %d", t.first) << t.first << t.second << false;
            QTest::addRow("tile %d, chooser", t.first) << t.first << t.second << true;
        }
        QTest::addRow("PDF, chooser") << 3 << Tool::PdfViewer << true;
        QTest::addRow("Snap Shot") << 9 << Tool::Snapshot << false;
    }
    void tilesOpenTheirTools()
    {
        QFETCH(int, tile);
        QFETCH(Tool, tool);
        QFETCH(bool, chooser);
        const QString pending = chooser ? QStringLiteral("/some/where/file.unknown") : QString();
        showmain launcher;
        launcher.pendingPath = pending;
        launcher.chooserMode = chooser ? 1 : 0;
        ModalAnswerer answers; // the chooser message
        launcher.buildUi();
        launcher.show();
        m_openerGivesWindow = false; // a tool that fails to open leaves the launcher as it was
        tilesOf(launcher)[tile]->click();
        QVERIFY(launcher.isVisible());
        m_openerGivesWindow = true;
        tilesOf(launcher)[tile]->click();
        // Every press opens one more window, never the audio-only player; only Snap Shot hides the launcher.
        QCOMPARE(m_opened, Opened({{tool, pending, false}, {tool, pending, false}}));
        QCOMPARE(launcher.isVisible(), tool != Tool::Snapshot);
    }

    void arrowsFollowTheGrid_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("to");
        QTest::newRow("right along a row") << 0 << int(Qt::Key_Right) << 1;
        QTest::newRow("right at the row's end") << 4 << int(Qt::Key_Right) << -1;
        QTest::newRow("left along a row") << 5 << int(Qt::Key_Left) << 3;
        QTest::newRow("down a column") << 0 << int(Qt::Key_Down) << 2;
        QTest::newRow("up at the top") << 1 << int(Qt::Key_Up) << -1;
        QTest::newRow("down to the nearer about tile") << 9 << int(Qt::Key_Down) << 6;
        QTest::newRow("down to the only about tile below") << 8 << int(Qt::Key_Down) << 7;
        QTest::newRow("up from an about tile to the nearest") << 7 << int(Qt::Key_Up) << 8;
        QTest::newRow("about tiles share a row") << 6 << int(Qt::Key_Right) << 7;
        QTest::newRow("no diagonal jump out of the last row") << 7 << int(Qt::Key_Right) << -1;
        QTest::newRow("a hidden tile is passed over") << 10 << int(Qt::Key_Right) << 8;
        QTest::newRow("not an arrow") << 0 << int(Qt::Key_Tab) << -1;
    }
    void arrowsFollowTheGrid()
    {
        QFETCH(int, from);
        QFETCH(int, key);
        QFETCH(int, to);
        QList<QRect> shown = places;
        if (QByteArray(QTest::currentDataTag()).contains("hidden"))
            shown[9] = QRect();
        QCOMPARE(brivo::tileInDirection(shown, from, key), to);
    }

    // The keyboard alone reaches and opens every tile, and the focused tile can be told apart.
    void keyboardWalksTheTiles()
    {
        showmain launcher;
        launcher.buildUi();
        launcher.show();
        QVERIFY(QTest::qWaitForWindowActive(&launcher));
        const auto tiles = tilesOf(launcher);
        const auto focused = [&] {
            return int(tiles.indexOf(qobject_cast<QCommandLinkButton *>(QApplication::focusWidget())));
        };
        const auto press = [](Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); };

        // Tab goes row by row, each left to right, from the first tile, which has the focus at the start.
        QCOMPARE(focused(), 0);
        QCOMPARE(QAccessible::queryAccessibleInterface(tiles[2])->text(QAccessible::Name),
                 QStringLiteral("Media Player"));
        QList<int> visited = {focused()};
        for (int i = 0; i < 10; ++i) {
            press(Qt::Key_Tab);
            visited.append(focused());
        }
        QCOMPARE(visited, QList<int>({0, 1, 4, 2, 3, 5, 10, 9, 8, 6, 7}));

        tiles[0]->setFocus();

        // The focus shows once the keyboard is in use: the same tile looks different with and without it.
        const QRect around = tiles[0]->geometry().adjusted(-5, -5, 5, 5);
        const QImage withFocus = launcher.grab(around).toImage();
        tiles[1]->setFocus();
        QVERIFY(withFocus != launcher.grab(around).toImage());

        // Where each arrow leads is the table above's business; here, that the keys move the focus.
        press(Qt::Key_Return);
        press(Qt::Key_Right);
        QCOMPARE(focused(), 4);
        press(Qt::Key_Enter);
        press(Qt::Key_Down);
        press(Qt::Key_Space);
        QCOMPARE(m_opened, Opened({{Tool::CodeEditor, QString(), false},
                                   {Tool::ImageViewer, QString(), false},
                                   {Tool::WebBrowser, QString(), false}}));
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
        QCOMPARE(std::get<0>(m_opened.first()), Tool::PdfViewer);
        QCOMPARE(QFileInfo(std::get<1>(m_opened.first())).canonicalFilePath(),
                 QFileInfo(document).canonicalFilePath());
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
        QVERIFY(seen[0].text.startsWith(
            QStringLiteral("The file <br/><br/>/tmp/a&lt;b&gt;c.weird<br/><br/>you tried "
                           "to open with Brivo is unrecognizable by the engine.")));
        QCOMPARE(seen[1].title, QStringLiteral("About Brivo"));
        QVERIFY(seen[1].text.startsWith(QStringLiteral("Brivo aims to be the only software")));
        QCOMPARE(seen[2].title, QStringLiteral("Brivo : By K.VARDEN"));
        QVERIFY(seen[2].text.endsWith(
            QStringLiteral("<b>Please send feedback to my email.</b><br/><br/>Thank you.")));
        // The same two addresses in both about boxes.
        const QString mails =
            seen[2].text.section(QStringLiteral("Email: "), 1).section(QStringLiteral(" ."), 0, 0);
        QVERIFY(mails.contains(QStringLiteral(" , ")) && seen[1].text.contains(mails));
        QCOMPARE(seen[3].title, QStringLiteral("Link ok"));
        QCOMPARE(seen[3].text, QStringLiteral("Link ok"));
        QCOMPARE(seen[3].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }

    void dispatch_data()
    {
        QTest::addColumn<QString>(
            "name"); // below a temporary folder, "/" ends a folder; "" is the empty path
        QTest::addColumn<bool>("exists");
        QTest::addColumn<std::optional<Tool>>("tool"); // none: the launcher, a chooser when the path exists
        const QList<QPair<Tool, const char *>> groups = {
            {Tool::CodeEditor,
             "cpp c go python perl asm h hpp bat java JAVA py sh bash js ts rb lua pl pm rs kt swift cs php "
             "sql pyw zsh mjs cc cxx hh hxx lisp cl scm cmd"},
            {Tool::Notepad, "txt md log csv tsv ini conf cfg json xml yaml yml toml srt"},
            {Tool::WebBrowser, "html"},
            {Tool::PdfViewer, "pdf"},
            {Tool::MediaPlayer,
             "mp3 avi wmv 3gp mpeg mp4 MP3 AVI WMV 3GP MPEG MP4 ogg oga opus flac wav m4a mkv "
             "webm mov OGG OGA OPUS FLAC WAV M4A MKV WEBM MOV"},
            {Tool::ImageViewer,
             "jpg jpeg png JPG bmp ico pbm JPEG PNG pgm BMP ICO PGM PBM tiff TIFF xbm XBM xpm XPM "
             "webp WEBP svg SVG tga TGA"},
            {Tool::Archive, "7z rar zip tar gz"},
            {Tool::GifViewer, "gif GIF"},
        };
        for (const auto &[tool, extensions] : groups) {
            for (const QString &extension : QString::fromLatin1(extensions).split(QLatin1Char(' ')))
                QTest::newRow(qPrintable(extension)) << "file." + extension << false << std::optional(tool);
        }
        const std::optional<Tool> none;
        QTest::newRow("tar.gz") << "archive.tar.gz" << false << std::optional(Tool::Archive);
        QTest::newRow("folder dots, file extension")
            << "a.b/c.d/song.MP3" << false << std::optional(Tool::MediaPlayer);
        QTest::newRow("mixed case") << "Photo.Jpg" << true << none;
        QTest::newRow("a dot in a folder name") << "my.dir/README" << true << none;
        QTest::newRow("dot file") << ".profile" << true << none;
        QTest::newRow("trailing dot") << "name." << true << none;
        QTest::newRow("upper-case source") << "script.PY" << true << none;
        QTest::newRow("over 99 characters") << "a." + QString(100, QLatin1Char('c')) << true << none;
        QTest::newRow("existing, unknown extension") << "notes.xyz" << true << none;
        QTest::newRow("existing folder") << "Windows/" << true << none;
        QTest::newRow("existing folder with a dot") << "my.dir/" << true << none;
        QTest::newRow("missing, unknown extension") << "ghost.xyz" << false << none;
        QTest::newRow("missing, no dot") << "ghost" << false << none;
        QTest::newRow("empty path, the argumentless slot") << QString() << false << none;
    }
    void dispatch()
    {
        QFETCH(QString, name);
        QFETCH(bool, exists);
        QFETCH(std::optional<Tool>, tool);
        QTemporaryDir dir;
        QString path = name.isEmpty() ? QString() : dir.filePath(name);
        if (exists)
            QVERIFY(name.endsWith(QLatin1Char('/')) ? QDir().mkpath(path)
                                                    : brivo::test::writeFile(path, "data"));
        if (path.endsWith(QLatin1Char('/')))
            path.chop(1);

        ModalAnswerer answers;
        if (exists)
            answers.press(QMessageBox::Ok);
        doch dispatcher;
        if (path.isEmpty()) // the slot dispatches its stored path, which is empty
            QVERIFY(QMetaObject::invokeMethod(&dispatcher, "doallforshow"));
        else
            dispatcher.doallforshow(path);
        QVERIFY(answers.waitUntilAnswered());
        QCOMPARE(answers.seen().size(), exists ? 1 : 0); // the chooser message
        QVERIFY(!dispatcher.isVisible());

        const QList<showmain *> launchers = visibleWindows<showmain>();
        if (tool) {
            // Audio only for ".mp3" (not ".MP3") and the later sound formats in either case.
            static const QRegularExpression sound(
                QStringLiteral(R"(\.(mp3|(?i:ogg|oga|opus|flac|wav|m4a))$)"));
            QCOMPARE(m_opened, Opened({{*tool, path, sound.match(name).hasMatch()}}));
            QVERIFY(launchers.isEmpty());
            return;
        }
        QVERIFY(m_opened.isEmpty());
        QCOMPARE(launchers.size(), 1);
        QCOMPARE(launchers.first()->chooserMode, exists ? 1 : 0);
        QCOMPARE(launchers.first()->pendingPath, exists ? path : QString());
    }

    // A file whose extension decides nothing opens the chooser, which marks the tile of the tool that
    // reads its content, names what it is, gives that tile the focus and says in every tile's tooltip
    // what a press does.
    void chooserMarksTheReader_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("tile"); // the tile marked, -1 for none
        const auto picture = [](const char *format) {
            QImage image(8, 8, QImage::Format_RGB32);
            image.fill(Qt::red);
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            return image.save(&buffer, format) ? bytes : QByteArray();
        };
        const QByteArray frame = QByteArray("\xff\xfb\x90\x64", 4) + QByteArray(413, '\0');
        QByteArray noise(4096, Qt::Uninitialized);
        QRandomGenerator(38).fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
        QTest::newRow("PDF") << "scan.dat" << QByteArray("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n1 0 obj\n") << 3;
        QTest::newRow("PNG") << "photo" << picture("PNG") << 4;
        QTest::newRow("JPEG") << "photo.Jpg" << picture("JPEG") << 4;
        QTest::newRow("GIF") << "anim.img" << QByteArray("GIF89a\x01\0\x01\0\0\0\0;", 13) << 10;
        QTest::newRow("WebP") << "pic.bin" << QByteArray("RIFF\x1a\0\0\0WEBPVP8 \x0e\0\0\0", 20) << 4;
        QTest::newRow("MP3 frames") << "song" << frame + frame + frame << 2;
        QTest::newRow("Ogg") << "track.oog"
                             << QByteArray("OggS\0\x02", 6) + QByteArray(22, '\0') + "\x01vorbis" << 2;
        QTest::newRow("MP4") << "clip.m4x"
                             << QByteArray("\0\0\0\x18"
                                           "ftypisom\0\0\0\0isomiso2",
                                           24)
                             << 2;
        QTest::newRow("HTML") << "page.htm" << QByteArray("<!DOCTYPE html>\n<html><body>hi</body></html>\n")
                              << 5;
        QTest::newRow("ZIP") << "bundle.pk" << QByteArray("PK\x03\x04\x14\0\0\0\0\0", 10) << 8;
        QTest::newRow("7z") << "backup" << QByteArray("7z\xbc\xaf\x27\x1c\0\x04", 8) + QByteArray(24, '\0')
                            << 8;
        QTest::newRow("tar.gz") << "sources.tgz" << QByteArray("\x1f\x8b\x08\0\0\0\0\0\0\x03", 10) << 8;
        QTest::newRow("UTF-8 text") << "README" << QByteArray("Grüße aus Köln\nzweite Zeile\n") << 0;
        QTest::newRow("C++ source") << "main.cc"
                                    << QByteArray("#include <vector>\nint main() { return 0; }\n") << 1;
        QTest::newRow("random bytes") << "noise.dat" << noise << -1;
        QTest::newRow("FIFO, never read") << "pipe" << QByteArray() << -1;
    }
    void chooserMarksTheReader()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(int, tile);
        const QTemporaryDir dir;
        const QString path = dir.filePath(name);
        if (!bytes.isEmpty())
            QVERIFY(brivo::test::writeFile(path, bytes));
#ifdef Q_OS_UNIX
        else // reading a FIFO would wait for a writer
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
#endif
        showmain launcher;
        launcher.pendingPath = path;
        launcher.chooserMode = 1;
        ModalAnswerer answers; // the chooser message
        launcher.buildUi();
        launcher.show();
        QVERIFY(QTest::qWaitForWindowActive(&launcher));
        const auto tiles = tilesOf(launcher);
        for (int i = 0; i < tiles.size(); ++i) {
            const bool takesFile = i != 6 && i != 7 && i != 9; // not the about tiles, not Snap Shot
            QCOMPARE(tiles[i]->toolTip().startsWith("Open " + name + " in "), takesFile);
        }
        QCOMPARE(tiles[3]->toolTip(), "Open " + name + " in PDF");
        const auto *ring = launcher.findChild<QWidget *>(QStringLiteral("markedTileRing"));
        const auto *line = launcher.findChild<QLabel *>(QStringLiteral("readerLine"));
        QCOMPARE(bool(ring), tile >= 0);
        QCOMPARE(bool(line), tile >= 0);
        if (tile < 0)
            return;
        QVERIFY(ring->isVisible() && ring->geometry().contains(places[tile]));
        QVERIFY2(line->text().startsWith(name + " looks like a"), qPrintable(line->text()));
        if (tile == 3)
            QCOMPARE(line->text(), name + " looks like a PDF document");
        QCOMPARE(QApplication::focusWidget(), tiles[tile]);
        QTest::keyClick(tiles[tile], Qt::Key_Return);
        QCOMPARE(m_opened.size(), 1);
        QCOMPARE(std::get<1>(m_opened.first()), path);
    }

    // A PDF saved as a picture: the image viewer cannot load it and offers the PDF viewer, which the
    // offer opens in its place.
    void aMisnamedFileIsOfferedToItsReader()
    {
        const QTemporaryDir dir;
        const QString invoice = dir.filePath(QStringLiteral("invoice.jpg"));
        QVERIFY(brivo::test::writeFile(invoice, "%PDF-1.4\n1 0 obj\n"));
        const QPointer<imgv> viewer = new imgv; // closed, and so deleted, once it hands the file on
        brivo::keepUntilClosed(viewer);
        ModalAnswerer answers;
        answers.act([](QWidget *box) {
            for (auto *button : box->findChildren<QPushButton *>())
                if (button->text() == QLatin1String("Open in PDF"))
                    button->click();
        });
        viewer->openFile(invoice);
        viewer->buildUi();
        viewer->show();
        QVERIFY(answers.waitUntilAnswered());
        QCOMPARE(answers.last().title, QStringLiteral("Error"));
        QCOMPARE(answers.last().text, QStringLiteral("Cannot Load Image\n\ninvoice.jpg is a PDF document."));
        QTRY_COMPARE(m_opened, Opened({{Tool::PdfViewer, invoice, false}}));
        QTRY_VERIFY(!viewer);

        // A picture that is damaged, not misnamed, offers nothing.
        QVERIFY(brivo::test::writeFile(invoice, "\xff\xd8\xff\xe0 damaged"));
        imgv damaged;
        answers.press(QMessageBox::Ok);
        damaged.openFile(invoice);
        damaged.buildUi();
        QVERIFY(answers.waitUntilAnswered());
        QCOMPARE(answers.last().text, QStringLiteral("Cannot Load Image"));
    }

    void dropAction_data()
    {
        QTest::addColumn<QList<QUrl>>("urls");
        QTest::addColumn<int>("tile"); // the launcher's tile dropped on; -1 for a viewer's window
        QTest::addColumn<Opened>("opened");
        QTest::addColumn<int>("launchers");
        const QString notes = QStringLiteral("/data/notes.txt");
        const QString other = QStringLiteral("/data/other.pdf");
        const QList<QUrl> files = {QUrl::fromLocalFile(notes), QUrl(QStringLiteral("https://example.org/")),
                                   QUrl::fromLocalFile(other)};
        const QList<QUrl> link = {QUrl(QStringLiteral("https://example.org/page.html"))};
        QTest::newRow("files: each opens in its tool")
            << files << -1 << Opened({{Tool::Notepad, notes, false}, {Tool::PdfViewer, other, false}}) << 0;
        QTest::newRow("web link: a plain launcher") << link << -1 << Opened() << 1;
        QTest::newRow("no URL: ignored") << QList<QUrl>() << -1 << Opened() << 0;
        QTest::newRow("on the PDF tile: each in the PDF viewer")
            << files << 3 << Opened({{Tool::PdfViewer, notes, false}, {Tool::PdfViewer, other, false}}) << 0;
        QTest::newRow("on an about tile: each in its tool")
            << files << 6 << Opened({{Tool::Notepad, notes, false}, {Tool::PdfViewer, other, false}}) << 0;
        QTest::newRow("web link on a tile: a plain launcher") << link << 0 << Opened() << 1;
    }
    void dropAction()
    {
        QFETCH(QList<QUrl>, urls);
        QFETCH(int, tile);
        QFETCH(Opened, opened);
        QFETCH(int, launchers);
        DropTarget viewer;
        showmain launcher;
        QWidget &target = tile < 0 ? static_cast<QWidget &>(viewer) : launcher;
        std::optional<QPoint> at;
        if (tile >= 0) {
            launcher.buildUi();
            at = places[tile].center();
        }
        target.show();
        QMimeData data;
        data.setText(QStringLiteral("/data/notes.txt"));
        if (!urls.isEmpty())
            data.setUrls(urls);
        QCOMPARE(brivo::test::sendDrop(&target, &data, at), !urls.isEmpty());
        // The window closes on every drop it takes, once the drop is over, never inside its handler.
        QVERIFY(target.isVisible());
        QTRY_COMPARE(target.isVisible(), urls.isEmpty());
        QTRY_COMPARE(m_opened, opened);
        QCOMPARE(visibleWindows<showmain>().size(), launchers);
        if (launchers)
            QCOMPARE(visibleWindows<showmain>().first()->chooserMode, 0);
    }

    // A drop on the only visible window closes it for a moment; the program must not take that moment
    // as the end of its last window.
    void aDropOnTheOnlyWindowKeepsTheProgramRunning()
    {
        QVERIFY(QGuiApplication::quitOnLastWindowClosed());
        auto *target = new DropTarget;
        target->show();
        QVERIFY(QTest::qWaitForWindowExposed(target));
        bool openedShown = false;
        QTimer::singleShot(0, target, [target] {
            brivo::test::sendDropUrls(target, {QUrl::fromLocalFile(QStringLiteral("/data/notes.txt"))});
        });
        QTimer::singleShot(500, qApp, [&openedShown] {
            for (QWidget *w : QApplication::topLevelWidgets())
                openedShown |= w->objectName() == QLatin1String("opened") && w->isVisible();
            QCoreApplication::exit(42);
        });
        QCOMPARE(QCoreApplication::exec(), 42);
        QVERIFY(openedShown);
        QVERIFY(QGuiApplication::quitOnLastWindowClosed());
        delete target;
    }

    void modulesLoadOnceAndAMissingOneIsReportedByItsFileName()
    {
        const brivo::ModuleEntry first = brivo::loadModule(QStringLiteral("brivo_testmodule"));
        QVERIFY(first);
        QVERIFY(brivo::loadModule(QStringLiteral("brivo_testmodule")) == first);
        brivo::OpenOptions options;
        options.audioOnly = true;
        std::unique_ptr<QWidget> window(
            brivo::openModuleWindow(QStringLiteral("brivo_testmodule"), QStringLiteral("/a/b.mp3"), options));
        QCOMPARE(qobject_cast<QLabel *>(window.get())->text(),
                 QStringLiteral("test module: /a/b.mp3 (audio only)"));
        QVERIFY(!window->isVisible()); // the caller shows it

        ModalAnswerer answers;
        answers.press(QMessageBox::Ok);
        QVERIFY(!brivo::openModuleWindow(QStringLiteral("brivo_nosuchmodule"), QString(), {}));
        QVERIFY(answers.waitUntilAnswered());
        QCOMPARE(answers.seen().size(), 1);
        QCOMPARE(answers.last().title, QStringLiteral("Error"));
        QVERIFY2(answers.last().text.contains(QStringLiteral("brivo_nosuchmodule.so")),
                 qPrintable(answers.last().text));
    }

    // A build without the browser (BRIVO_WITH_WEB=OFF) keeps its tile, which then says so, as does an .html
    // file; nothing is loaded and no window opens. An ordinary build is made to leave the module out here.
    void aBuildWithoutTheBrowserSaysSo()
    {
        const QStringList leftOut = brivo::modulesLeftOutOfBuild();
        const auto restore = qScopeGuard([&] { brivo::setModulesLeftOutForTesting(leftOut); });
        brivo::setModulesLeftOutForTesting({QStringLiteral("brivo_web")});
        QVERIFY(!brivo::moduleInBuild(QStringLiteral("brivo_web")));
        QVERIFY(brivo::moduleInBuild(QStringLiteral("brivo_pdf")));
        brivo::setOpenerOverrideForTesting({}); // the real openers

        showmain launcher;
        launcher.buildUi();
        launcher.show();
        ModalAnswerer answers;
        answers.press(QMessageBox::Ok);
        tilesOf(launcher)[5]->click();
        QVERIFY(answers.waitUntilAnswered());
        QCOMPARE(answers.last().title, QStringLiteral("Not in this build"));
        QCOMPARE(answers.last().text, QStringLiteral("The web browser is not part of this build of Brivo: it "
                                                     "was built without Qt WebEngine."));
        QVERIFY(launcher.isVisible());

        const QTemporaryDir dir;
        const QString page = dir.filePath(QStringLiteral("page.html"));
        QVERIFY(brivo::test::writeFile(page, "<p>hi</p>"));
        answers.press(QMessageBox::Ok);
        doch().doallforshow(page);
        QVERIFY(answers.waitUntilAnswered());
        QCOMPARE(answers.seen().size(), 2);
        QCOMPARE(answers.last().title, QStringLiteral("Not in this build"));
        QCOMPARE(visibleWindows<QWidget>().size(), 1);  // the launcher alone
        QVERIFY(!QOpenGLContext::globalShareContext()); // nothing was readied for the engine
    }

private:
    Opened m_opened;
    bool m_openerGivesWindow = true;

private slots:
    void answers_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("existing"); // "file" or "folder" of that name in the current folder
        QTest::addColumn<QString>("answer");   // "usage", "version" or "" for none
        const QList<std::tuple<const char *, const char *, const char *, const char *>> rows = {
            {"--help", "--help", "", "usage"},
            {"-h", "-h", "", "usage"},
            {"--version", "--version", "", "version"},
            {"-v", "-v", "", "version"},
            {"a file named --help", "--help", "file", ""},
            {"a folder named --version", "--version", "folder", ""},
            {"a file named -v", "-v", "file", ""},
            {"another case", "--HELP", "", ""},
            {"with a value", "--help=all", "", ""},
            {"no dashes", "help", "", ""},
            {"no argument", "", "", ""},
        };
        for (const auto &[name, argument, existing, answer] : rows)
            QTest::newRow(name) << QString(argument) << QString(existing) << QString(answer);
    }
    void answers()
    {
        QFETCH(QString, argument);
        QFETCH(QString, existing);
        QFETCH(QString, answer);
        QTemporaryDir dir;
        brivo::test::CurrentDirectory here(dir.path());
        if (existing == QLatin1String("file"))
            QVERIFY(brivo::test::writeFile(argument, "text"));
        else if (existing == QLatin1String("folder"))
            QVERIFY(QDir().mkdir(argument));

        const std::optional<QString> text = brivo::commandLineAnswer(argument);
        if (answer.isEmpty()) {
            QVERIFY2(!text, qPrintable(text.value_or(QString())));
            // Such a file is what opens.
            QCOMPARE(brivo::fileOfArgument(argument).path,
                     argument.isEmpty() ? argument : QDir::current().absoluteFilePath(argument));
        } else if (answer == QLatin1String("usage")) {
            QVERIFY(text && text->startsWith(QStringLiteral("Usage: brivo [FILE]\n")));
        } else {
            QVERIFY(text);
            QVERIFY2(QRegularExpression(QStringLiteral("^brivo \\d+\\.\\d+(\\.\\d+)?\\n$"))
                         .match(*text)
                         .hasMatch(),
                     qPrintable(*text));
        }
    }

    void toolOption_data()
    {
        QTest::addColumn<QStringList>("arguments"); // after the program's name
        QTest::addColumn<bool>("fileNamedTool");    // a file named "--tool" in the current folder
        QTest::addColumn<std::optional<Tool>>("tool");
        QTest::addColumn<QString>("error"); // a part of the message, or "" for none
        const QList<std::pair<const char *, Tool>> names = {{"notepad", Tool::Notepad},
                                                            {"ide", Tool::CodeEditor},
                                                            {"web", Tool::WebBrowser},
                                                            {"pdf", Tool::PdfViewer},
                                                            {"media-player", Tool::MediaPlayer},
                                                            {"image-viewer", Tool::ImageViewer},
                                                            {"zip", Tool::Archive},
                                                            {"gif-view", Tool::GifViewer},
                                                            {"snap-shot", Tool::Snapshot},
                                                            {"Media Player", Tool::MediaPlayer},
                                                            {"NOTEPAD", Tool::Notepad}};
        for (const auto &[name, tool] : names)
            QTest::newRow(name) << QStringList{"--tool", name, "page.html"} << false << std::optional(tool)
                                << QString();
        const std::optional<Tool> none;
        QTest::newRow("no file") << QStringList{"--tool", "zip"} << false << std::optional(Tool::Archive)
                                 << QString();
        QTest::newRow("a wrong name")
            << QStringList{"--tool", "paint", "a.png"} << false << none
            << "no tool is named \"paint\"; the tools are: ide, notepad, web, pdf, media-player, "
               "image-viewer, zip, gif-view, snap-shot";
        QTest::newRow("no name") << QStringList{"--tool"} << false << none << "needs a tool's name";
        QTest::newRow("a file named --tool") << QStringList{"--tool", "zip"} << true << none << QString();
        QTest::newRow("not first") << QStringList{"a.txt", "--tool", "zip"} << false << none << QString();
    }
    void toolOption()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, fileNamedTool);
        QFETCH(std::optional<Tool>, tool);
        QFETCH(QString, error);
        QTemporaryDir dir;
        brivo::test::CurrentDirectory here(dir.path());
        if (fileNamedTool)
            QVERIFY(brivo::test::writeFile(QStringLiteral("--tool"), "text"));
        const brivo::ToolArgument chosen = brivo::toolOfArguments(QStringList{"brivo"} + arguments);
        QCOMPARE(chosen.tool, tool);
        QVERIFY2(error.isEmpty() ? chosen.error.isEmpty() : chosen.error.contains(error),
                 qPrintable(chosen.error));
        // The file follows the tool's name.
        QCOMPARE(chosen.fileIndex, tool || !error.isEmpty() ? 3 : 1);
    }

    // The usage's table of tools is made from the tool table; what it must do besides is fit a terminal.
    void usageFitsATerminal()
    {
        const QString usage = brivo::usageText();
        for (const QString &line : usage.split(QLatin1Char('\n')))
            QVERIFY2(line.size() <= 79, qPrintable(line));
#if !defined(Q_OS_WIN)
        QVERIFY(usage.contains(QStringLiteral("\n  BRIVO_ROOT ")));
        QVERIFY(usage.contains(QStringLiteral("\n  XDG_STATE_HOME ")));
#endif
    }

    void manualPageListsEveryExtensionUnderItsTool()
    {
        // In the TOOLS section each tool is a tagged paragraph: ".TP", the name, then its extensions.
        const QStringList lines = QString::fromUtf8(brivo::test::readFile(packagingFile("brivo.1")))
                                      .section(QStringLiteral("\n.SH TOOLS\n"), 1)
                                      .section(QStringLiteral("\n.SH "), 0, 0)
                                      .split(QLatin1Char('\n'));
        QList<QStringList> listed;
        for (int i = 0; i + 2 < lines.size(); ++i) {
            if (lines[i] == QLatin1String(".TP") && !lines[i + 2].startsWith(QLatin1Char('(')))
                listed.append(lines[i + 2].split(QLatin1Char(' ')));
        }
        QCOMPARE(listed, groupExtensions());
    }

    void desktopEntryOffersEveryClaimedType()
    {
        QStringList offered;
        const QStringList entry = QString::fromUtf8(brivo::test::readFile(packagingFile("brivo.desktop.in")))
                                      .split(QLatin1Char('\n'));
        for (const QString &line : entry) {
            if (line.startsWith(QStringLiteral("MimeType=")))
                offered = line.mid(9).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        }
        QVERIFY(!offered.isEmpty());

        // The types Brivo's own file adds to the shared database, by glob.
        QHash<QString, QString> ownGlobs;
        QXmlStreamReader xml(brivo::test::readFile(packagingFile("brivo-mime.xml")));
        QString type;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == QLatin1String("mime-type"))
                type = xml.attributes().value(QLatin1String("type")).toString();
            else if (xml.name() == QLatin1String("glob"))
                ownGlobs.insert(xml.attributes().value(QLatin1String("pattern")).toString(), type);
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QVERIFY(!ownGlobs.isEmpty());

        QStringList names = {QStringLiteral("archive.tar.gz")};
        for (const QStringList &extensions : groupExtensions()) {
            for (const QString &extension : extensions)
                names.append(QStringLiteral("file.") + extension);
        }
        const QMimeDatabase database;
        for (const QString &name : names) {
            const QString suffix = name.section(QLatin1Char('.'), -1);
            QString mime = ownGlobs.value(QStringLiteral("*.") + suffix.toLower());
            if (mime.isEmpty()) {
                const QMimeType found = database.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
                QVERIFY2(!found.isDefault(), qPrintable(name + QStringLiteral(" has no MIME type")));
                mime = found.name();
            }
            QStringList spellings = database.mimeTypeForName(mime).aliases();
            spellings.append(mime);
            const bool listed = std::any_of(spellings.cbegin(), spellings.cend(),
                                            [&](const QString &s) { return offered.contains(s); });
            QVERIFY2(listed,
                     qPrintable(name + QStringLiteral(" is ") + mime + QStringLiteral(", not offered")));
        }
    }

    void fileOfArgument_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<bool>("exists"); // a file of exactly that name in the current folder
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("error"); // a part of the message, or "" when the file opens
        const QList<std::tuple<const char *, const char *, bool, const char *, const char *>> rows = {
            {"a path", "/tmp/notes.txt", false, "/tmp/notes.txt", ""},
            {"a relative path", "notes.txt", false, "$CWD/notes.txt", ""},
            {"a blank", "file:///tmp/my%20notes.txt", false, "/tmp/my notes.txt", ""},
            {"localhost", "file://localhost/tmp/a.pdf", false, "/tmp/a.pdf", ""},
            {"upper-case scheme", "FILE:///tmp/a.pdf", false, "/tmp/a.pdf", ""},
            {"UTF-8", "file:///tmp/caf%C3%A9.txt", false, "/tmp/caf\u00e9.txt", ""},
            {"a percent sign", "file:///tmp/100%25.txt", false, "/tmp/100%.txt", ""},
            {"a hash in the name", "file:///tmp/a%23b.pdf", false, "/tmp/a#b.pdf", ""},
            {"a fragment", "file:///tmp/a.pdf#page=2", false, "/tmp/a.pdf", ""},
            {"a web address", "http://example.org/a.html", false, "http://example.org/a.html", ""},
            {"a file named like a URL", "file:notes.txt", true, "$CWD/file:notes.txt", ""},
            {"a NUL", "file:///tmp/a%00.txt", false, "", "NUL"},
            {"no path", "file://", false, "", "names a file"},
        };
        for (const auto &[name, argument, exists, file, error] : rows)
            QTest::newRow(name) << QString::fromUtf8(argument) << exists << QString::fromUtf8(file)
                                << QString(error);
#if !defined(Q_OS_WIN)
        QTest::newRow("this computer's name")
            << "file://" + QSysInfo::machineHostName() + "/tmp/a.txt" << false << "/tmp/a.txt"
            << "";
        QTest::newRow("another computer") << "file://server/etc/passwd.txt" << false << ""
                                          << "another computer";
#endif
    }
    void fileOfArgument()
    {
        QFETCH(QString, argument);
        QFETCH(bool, exists);
        QFETCH(QString, path);
        QFETCH(QString, error);
        QTemporaryDir dir;
        brivo::test::CurrentDirectory here(dir.path());
        if (exists)
            QVERIFY(brivo::test::writeFile(argument, "text"));

        const brivo::ArgumentFile file = brivo::fileOfArgument(argument);
        QCOMPARE(file.path, QString(path).replace(QLatin1String("$CWD"), QDir::currentPath()));
        if (error.isEmpty())
            QCOMPARE(file.error, QString());
        else
            QVERIFY2(file.error.contains(error) && file.error.contains(argument), qPrintable(file.error));
    }

    // Row i describes Tool(i), so describe() finds a row by its place. An extension belongs to one group
    // only: in two, the later group would never see it. Titles keep the product's form.
    void rowsAreConsistent()
    {
        const QList<ToolDescription> &table = brivo::toolTable();
        QSet<QString> extensions;
        const QRegularExpression titleForm(
            QStringLiteral("^Brivo( : [A-Za-z][A-Za-z ]*[A-Za-z])? - K\\.VARDEN$"));
        for (int i = 0; i < table.size(); ++i) {
            const ToolDescription &row = table[i];
            QCOMPARE(int(row.tool), i);
            QCOMPARE(&brivo::describe(row.tool), &row);
            for (const QString &extension : brivo::toolExtensions(row.tool)) {
                QVERIFY2(!extensions.contains(extension), qPrintable(extension));
                QVERIFY(!extension.contains(QLatin1Char('.')) && extension.size() <= 99);
                extensions.insert(extension);
            }
            // A MIME type the database does not know would never match: the content would go unmarked.
            const QStringList types = brivo::toolMimeTypes(row.tool);
            QCOMPARE(types.isEmpty(), brivo::toolExtensions(row.tool).isEmpty());
            for (const QString &type : types)
                QVERIFY2(type.endsWith(QLatin1Char('/')) || QMimeDatabase().mimeTypeForName(type).isValid(),
                         qPrintable(type));
            // Only the archive tool's title ends in a blank.
            QString title = brivo::toolTitle(row.tool);
            if (row.tool == Tool::Archive && title.endsWith(QLatin1Char(' ')))
                title.chop(1);
            QVERIFY2(titleForm.match(title).hasMatch(), row.title);
            QVERIFY2(QFile::exists(QString::fromLatin1(row.tile.picture)), row.tile.picture);
        }
    }

    // The build adds the folders and makes the modules the table names, no more and no fewer; every module
    // is where the loader looks, and every linked tool has an opener that makes a window of that tool.
    void theBuildMakesEveryTool()
    {
        QStringList folders;
        QSet<QString> modules;
        for (const ToolDescription &row : brivo::toolTable()) {
            if (!folders.contains(QLatin1String(row.folder)))
                folders.append(QLatin1String(row.folder));
            if (row.module) {
                QVERIFY(!brivo::toolOpener(row.tool));
                if (!brivo::moduleInBuild(QLatin1String(row.module)))
                    continue; // left out of this build on purpose
                modules.insert(QLatin1String(row.module));
                const QString file = QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                                     brivo::moduleFileName(QLatin1String(row.module));
                QVERIFY2(QFile::exists(file), qPrintable(file));
                continue;
            }
            const brivo::ToolOpener opener = brivo::toolOpener(row.tool);
            QVERIFY2(opener, row.folder);
            brivo::test::ModalAnswerer answers; // the code editor misses its toolchains
            std::unique_ptr<QWidget> window(opener(QString(), {}));
            QVERIFY(window && !window->parent() && !window->isVisible());
        }
        QCOMPARE(folders.join(QLatin1Char(',')), QStringLiteral(BRIVO_TOOL_FOLDERS));
        const QStringList built = QStringLiteral(BRIVO_TOOL_MODULES).split(QLatin1Char(','));
        QCOMPARE(modules, QSet<QString>(built.begin(), built.end()));
    }
};

QTEST_MAIN(tst_launcher)
#include "tst_launcher.moc"

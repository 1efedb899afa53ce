// The dispatcher: which window a path opens in, and what that window is handed.
#include "app/doch.h"
#include "app/extensiongroups.h"
#include "app/showmain.h"
#include "app/toolopeners.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"

#include <QTemporaryDir>
#include <QTest>

using brivo::Tool;
using brivo::test::ModalAnswerer;

Q_DECLARE_METATYPE(std::optional<brivo::Tool>)

namespace {

struct Opened
{
    Tool tool;
    QString path;
    bool audioOnly;
};

} // namespace

class tst_dispatch : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_opened.clear();
        brivo::setOpenerOverrideForTesting([this](Tool tool, const QString &path, const brivo::OpenOptions &o) {
            m_opened.append({tool, path, o.audioOnly});
            return new QWidget;
        });
    }
    void cleanup()
    {
        brivo::setOpenerOverrideForTesting({});
        brivo::test::closeAllWindows();
    }

    void everyEntryOfEveryGroup_data()
    {
        QTest::addColumn<QString>("extension");
        QTest::addColumn<Tool>("tool");
        const QList<QPair<Tool, QStringList>> groups = {
            {Tool::CodeEditor, {"cpp", "c", "go", "python", "perl", "asm", "h", "hpp", "bat", "java", "JAVA"}},
            {Tool::Notepad, {"txt"}},
            {Tool::WebBrowser, {"html"}},
            {Tool::PdfViewer, {"pdf"}},
            {Tool::MediaPlayer,
             {"mp3", "avi", "wmv", "3gp", "mpeg", "mp4", "MP3", "AVI", "WMV", "3GP", "MPEG", "MP4"}},
            {Tool::ImageViewer, {"jpg", "jpeg", "png", "JPG", "bmp", "ico", "pbm", "JPEG", "PNG", "pgm", "BMP",
                                 "ICO", "PGM", "PBM", "tiff", "TIFF", "xbm", "XBM", "xpm", "XPM"}},
            {Tool::Archive, {"7z", "rar", "zip", "tar", "gz"}},
            {Tool::GifViewer, {"gif", "GIF"}},
        };
        for (const auto &group : groups) {
            for (const QString &extension : group.second)
                QTest::newRow(qPrintable(extension)) << extension << group.first;
        }
    }
    void everyEntryOfEveryGroup()
    {
        QFETCH(QString, extension);
        QFETCH(Tool, tool);
        const QString path = QStringLiteral("/no/such/folder/file.") + extension;

        doch().doallforshow(path);

        QCOMPARE(m_opened.size(), 1);
        QCOMPARE(m_opened.first().tool, tool);
        QCOMPARE(m_opened.first().path, path);
        QCOMPARE(m_opened.first().audioOnly, extension == QLatin1String("mp3"));
        QVERIFY(brivo::test::visibleWindows<showmain>().isEmpty());
    }

    void extensionRules_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<std::optional<Tool>>("tool");
        QTest::newRow("tar.gz opens the archive tool") << "C:/data/archive.tar.gz" << "gz" << std::optional(Tool::Archive);
        QTest::newRow("mixed case matches nothing") << "C:/pics/Photo.Jpg" << "Jpg" << std::optional<Tool>();
        QTest::newRow("a dot in a folder name") << "C:/my.dir/README" << "dir/README" << std::optional<Tool>();
        QTest::newRow("dot file") << "C:/data/.profile" << "profile" << std::optional<Tool>();
        QTest::newRow("trailing dot") << "C:/data/name." << "" << std::optional<Tool>();
        QTest::newRow("perl") << "script.perl" << "perl" << std::optional(Tool::CodeEditor);
        QTest::newRow("pl") << "script.pl" << "pl" << std::optional<Tool>();
        QTest::newRow("python") << "script.python" << "python" << std::optional(Tool::CodeEditor);
        QTest::newRow("py") << "script.py" << "py" << std::optional<Tool>();
        QTest::newRow("over 99 characters") << QStringLiteral("a.") + QString(100, QLatin1Char('c'))
                                            << QString(100, QLatin1Char('c')) << std::optional<Tool>();
        QTest::newRow("folder dots, file extension") << "/a.b/c.d/song.MP3" << "MP3" << std::optional(Tool::MediaPlayer);
    }
    void extensionRules()
    {
        QFETCH(QString, path);
        QFETCH(QString, extension);
        QFETCH(std::optional<Tool>, tool);
        QVERIFY(brivo::hasDot(path));
        QCOMPARE(brivo::extensionOf(path), extension);
        QCOMPARE(brivo::toolForExtension(extension), tool);
    }

    void unrecognisedPathsOpenTheLauncher_data()
    {
        QTest::addColumn<QString>("relative"); // below a temporary folder; "" for the empty path
        QTest::addColumn<bool>("create");      // make the file (or folder, when it ends in "/")
        QTest::addColumn<bool>("chooser");
        QTest::newRow("empty path") << QString() << false << false;
        QTest::newRow("existing, no dot") << "README" << true << true;
        QTest::newRow("existing, unknown extension") << "notes.xyz" << true << true;
        QTest::newRow("existing, mixed case") << "Photo.Jpg" << true << true;
        QTest::newRow("existing folder") << "Windows/" << true << true;
        QTest::newRow("existing folder with a dot") << "my.dir/" << true << true;
        QTest::newRow("missing, unknown extension") << "ghost.xyz" << false << false;
        QTest::newRow("missing, no dot") << "ghost" << false << false;
    }
    void unrecognisedPathsOpenTheLauncher()
    {
        QFETCH(QString, relative);
        QFETCH(bool, create);
        QFETCH(bool, chooser);
        QTemporaryDir dir;
        QString path;
        if (!relative.isEmpty()) {
            path = dir.filePath(relative);
            if (create && relative.endsWith(QLatin1Char('/')))
                QVERIFY(QDir().mkpath(path));
            else if (create)
                QVERIFY(brivo::test::writeFile(path, "data"));
            if (path.endsWith(QLatin1Char('/')))
                path.chop(1);
        }

        ModalAnswerer answers;
        if (chooser)
            answers.press(QMessageBox::Ok);
        doch().doallforshow(path);
        QVERIFY(answers.waitUntilAnswered());

        QVERIFY(m_opened.isEmpty());
        const QList<showmain *> launchers = brivo::test::visibleWindows<showmain>();
        QCOMPARE(launchers.size(), 1);
        QCOMPARE(launchers.first()->chooserMode, chooser ? 1 : 0);
        QCOMPARE(launchers.first()->pendingPath, chooser ? path : QString());
        QCOMPARE(answers.seen().size(), chooser ? 1 : 0);
        QCOMPARE(answers.unexpected(), 0);
        if (chooser) {
            QCOMPARE(answers.last().title, QStringLiteral("Unrecognised file type "));
            QVERIFY(answers.last().text.startsWith(QStringLiteral("The file <br/><br/>") + path.toHtmlEscaped()));
        }
    }

    void theArgumentlessSlotOpensAPlainLauncher()
    {
        doch dispatcher;
        QVERIFY(QMetaObject::invokeMethod(&dispatcher, "doallforshow"));
        QCOMPARE(brivo::test::visibleWindows<showmain>().size(), 1);
        QCOMPARE(brivo::test::visibleWindows<showmain>().first()->chooserMode, 0);
        QVERIFY(!dispatcher.isVisible());
    }

private:
    QList<Opened> m_opened;
};

QTEST_MAIN(tst_dispatch)
#include "tst_dispatch.moc"

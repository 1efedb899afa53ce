// The command line (--help, --version, a file given as a path or a file: URL), and what the installed
// files tell the desktop and the reader about file types: the desktop entry must offer Brivo for every
// type the dispatcher claims, and the manual page must list every extension under its tool.
#include "app/commandline.h"
#include "app/extensiongroups.h"
#include "tests/support/testhelpers.h"

#include <QMimeDatabase>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <tuple>

using brivo::Tool;
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

} // namespace

class tst_commandline : public QObject
{
    Q_OBJECT
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
};

QTEST_MAIN(tst_commandline)
#include "tst_commandline.moc"

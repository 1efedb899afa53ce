// The command line (--help, --version, a file given as a path or a file: URL), and what the installed
// files tell the desktop and the reader about file types: the desktop entry must offer Brivo for every
// type the dispatcher claims, and the manual page must list every extension under its tool. The tool
// table behind them, which the launcher, the windows and the build read too, agrees with the build, the
// resources and the openers.
#include "app/commandline.h"
#include "app/extensiongroups.h"
#include "app/moduleloader.h"
#include "common/tooltable.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"

#include <QMimeDatabase>
#include <QRegularExpression>
#include <QSet>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <memory>
#include <tuple>

using brivo::Tool;
using brivo::ToolDescription;

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
    void cleanup()
    {
        brivo::test::closeAllWindows();
    }
};

QTEST_MAIN(tst_commandline)
#include "tst_commandline.moc"

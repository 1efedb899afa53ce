// The toolchain set-up: what it finds, what it writes under the tool root, and that it never replaces a
// user's command without asking.
#include "ide/languagetable.h"
#include "ide/toolchainsetup.h"
#include "ide/toolchainsetupdialog.h"
#include "platform/commandprocess.h"
#include "platform/toolroot.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"

#include <QtTest>
#include <QtWidgets>

using brivo::Language;
using brivo::test::ModalAnswerer;
using brivo::test::readFile;
using brivo::test::writeFile;

namespace {

// A search path that holds exactly `programs`.
brivo::ProgramFinder findOnly(const QStringList &programs)
{
    return [programs](const QString &program) {
        return programs.contains(program) ? QStringLiteral("/opt/bin/") + program : QString();
    };
}

} // namespace

class tst_toolchainsetup : public QObject
{
    Q_OBJECT

private slots:
    void choosesTheFirstCompleteToolchain_data()
    {
        QTest::addColumn<Language>("language");
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QStringList>("programs"); // those the script names
        QTest::addColumn<QString>("package");
        QTest::newRow("g++ first") << Language::CCpp << QStringList{"clang++", "g++"} << true
                                   << QStringList{"g++"} << "g++";
        QTest::newRow("clang++ alone")
            << Language::CCpp << QStringList{"clang++"} << true << QStringList{"clang++"} << "g++";
        QTest::newRow("no compiler") << Language::CCpp << QStringList{"cc"} << false << QStringList{"g++"}
                                     << "g++";
        QTest::newRow("javac without java") << Language::Java << QStringList{"javac"} << false
                                            << QStringList{"javac", "java"} << "default-jdk";
        QTest::newRow("nasm before as") << Language::Assembly << QStringList{"nasm", "as", "ld"} << true
                                        << QStringList{"nasm", "ld"} << "nasm";
        QTest::newRow("as with ld") << Language::Assembly << QStringList{"as", "ld"} << true
                                    << QStringList{"as", "ld"} << "nasm";
        QTest::newRow("nasm alone") << Language::Assembly << QStringList{"nasm"} << false
                                    << QStringList{"nasm", "ld"} << "nasm";
        QTest::newRow("newest lua") << Language::Lua << QStringList{"luajit", "lua5.1", "lua5.3"} << true
                                    << QStringList{"lua5.3"} << "lua5.4";
        QTest::newRow("clisp") << Language::Lisp << QStringList{"clisp"} << true << QStringList{"clisp"}
                               << "sbcl";
        QTest::newRow("opener") << Language::Html << QStringList{} << false << QStringList{"xdg-open"}
                                << "xdg-utils";
    }
    void choosesTheFirstCompleteToolchain()
    {
        QFETCH(Language, language);
        QFETCH(QStringList, installed);
        QFETCH(bool, found);
        QFETCH(QStringList, programs);
        QFETCH(QString, package);
        const brivo::Toolchain toolchain = brivo::findToolchain(language, findOnly(installed));
        QCOMPARE(toolchain.found, found);
        QCOMPARE(toolchain.programs, programs);
        QCOMPARE(toolchain.debianPackage, package);
        QCOMPARE(toolchain.paths.size(), found ? programs.size() : 0);
        // The script names what it runs.
        const QByteArray script = brivo::toolchainFiles(toolchain).script;
        for (const QString &program : std::as_const(programs)) {
            const QRegularExpression named(
                QStringLiteral("(^|\\s)%1\\s").arg(QRegularExpression::escape(program)),
                QRegularExpression::MultilineOption);
            QVERIFY2(language == Language::Html || named.match(QString::fromUtf8(script)).hasMatch(),
                     script.constData());
        }
    }

    // Every script is a shell script the shell can read, stands where the runner starts its command, and
    // hands back the exit code (exec, or exit with the failing step's code).
    void everyScriptFitsItsRunner()
    {
        brivo::test::TemporaryToolRoot root;
        const QStringList everything = {"g++",    "javac", "java", "python3",  "perl", "ruby",
                                        "sbcl",   "sh",    "go",   "xdg-open", "nasm", "ld",
                                        "lua5.4", "clisp", "as",   "luajit"};
        int count = 0;
        const brivo::LanguageRun *runs = brivo::languageRuns(&count);
        QCOMPARE(count, 11);
        for (const QStringList &installed :
             {everything, QStringList{"clisp", "as", "ld", "luajit", "clang++"}}) {
            for (int i = 0; i < count; ++i) {
                const brivo::LanguageRun &run = runs[i];
                const brivo::ToolchainFiles files =
                    brivo::toolchainFiles(brivo::findToolchain(run.language, findOnly(installed)));
                QVERIFY(files.folder.startsWith(root.path() + QStringLiteral("/Ide/")));
                QVERIFY2(brivo::toolFolderExists(QLatin1String(run.checkFolder)) ||
                             brivo::commandState(files) == brivo::CommandState::NotSetUp,
                         run.checkFolder);
                QString error;
                QVERIFY2(brivo::writeToolchainFiles(files, &error), qPrintable(error));
                QVERIFY2(brivo::toolFolderExists(QLatin1String(run.checkFolder)), run.checkFolder);
                QCOMPARE(brivo::commandState(files), brivo::CommandState::SetUp);
                if (files.commandPath.isEmpty()) { // the runner runs or opens its own source file
                    QVERIFY(run.language == Language::Batch || run.language == Language::Html);
                    continue;
                }
                QCOMPARE(brivo::completeProgramPath(brivo::mapToolRootPath(QLatin1String(run.command))),
                         files.commandPath);
                QVERIFY(QFileInfo(files.commandPath).isExecutable());
                QVERIFY(files.script.startsWith("#!/bin/sh\n") && files.script.count('\n') <= 12);
                const QList<QByteArray> lines = files.script.trimmed().split('\n');
                QVERIFY2(lines.last().startsWith("exec "), files.script.constData());
                QProcess syntax;
                syntax.start(QStringLiteral("/bin/sh"), {QStringLiteral("-n"), files.commandPath});
                QVERIFY(syntax.waitForFinished(10000) && syntax.exitCode() == 0);
            }
        }
    }

    // The dialog: one row per language, ticked where a toolchain is found; Set up writes the ticked ones
    // and asks before it replaces a command that is not its own, or a link (which it never writes through).
    void dialogAsksBeforeReplacing()
    {
        brivo::test::TemporaryToolRoot root;
        ModalAnswerer modal;
        ToolchainSetupDialog dialog;
        auto *list = dialog.findChild<QTreeWidget *>(QStringLiteral("toolchainList"));
        auto *setUp = dialog.findChild<QPushButton *>(QStringLiteral("setUpButton"));
        auto *summary = dialog.findChild<QLabel *>(QStringLiteral("setupSummary"));
        QVERIFY(list->topLevelItemCount() == 11 && list->topLevelItem(2)->text(2) == "not set up");
        const auto tickOnly = [list](const QStringList &languages) {
            for (int row = 0; row < list->topLevelItemCount(); ++row)
                list->topLevelItem(row)->setCheckState(
                    0, languages.contains(list->topLevelItem(row)->text(0)) ? Qt::Checked : Qt::Unchecked);
        };
        tickOnly({"Python", "Perl", "Batch"});
        // Return in the list presses the default button, "Set up", which updates the list under the key.
        dialog.show();
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Return);
        const QString python = root.path() + QStringLiteral("/Ide/Python/pythone"),
                      perl = root.path() + QStringLiteral("/Ide/Perl/bin/perlb.bat");
        QVERIFY(QFileInfo(python).isExecutable() && QFileInfo(perl).isExecutable() &&
                QFileInfo(root.path() + QStringLiteral("/Ide/batch")).isDir());
        QVERIFY(!QFileInfo::exists(root.path() + QStringLiteral("/Ide/CCPP")));
        QCOMPARE(summary->text(), QStringLiteral("Set up: Python, Perl, Batch."));
        QCOMPARE(list->topLevelItem(2)->text(2), QStringLiteral("set up"));
        const QByteArray original = readFile(python);

        // A changed script is kept when the answer is No, replaced when it is Yes; unchanged ones are left.
        const QByteArray mine = original + "echo mine\n";
        writeFile(python, mine);
        QCOMPARE(list->topLevelItem(2)->text(2), QStringLiteral("set up")); // until the list is refreshed
        dialog.refresh();
        QCOMPARE(list->topLevelItem(2)->text(2), QStringLiteral("your own (changed)"));
        tickOnly({"Python", "Perl"});
        modal.press(QMessageBox::No);
        setUp->click();
        QVERIFY(modal.last().title == "Brivo : Replace a changed command" &&
                modal.last().text.contains(python) && modal.last().defaultButton == QMessageBox::No);
        QVERIFY(readFile(python) == mine && summary->text() == "Kept your own: Python.");
        modal.press(QMessageBox::Yes);
        setUp->click();
        QVERIFY(readFile(python) == original && summary->text() == "Set up: Python.");
        QCOMPARE(modal.seen().size(), 2);

        // The user's own "gcbat.sh" is the C/C++ command: Set up asks about it rather than writing a
        // "gcbat" that would be found first.
        const QString own = root.path() + QStringLiteral("/Ide/CCPP/bin/gcbat.sh");
        writeFile(own, "#!/bin/sh\nmake run\n");
        tickOnly({"C/C++"});
        modal.press(QMessageBox::No);
        setUp->click();
        QVERIFY(modal.last().text.contains(own) && readFile(own) == "#!/bin/sh\nmake run\n" &&
                !QFileInfo::exists(root.path() + QStringLiteral("/Ide/CCPP/bin/gcbat")));

        // A link in the command's place is replaced by the script; what it pointed to stays as it was.
        QTemporaryDir elsewhere;
        const QString target = elsewhere.filePath(QStringLiteral("profile"));
        writeFile(target, "keep me\n");
        QVERIFY(QFile::remove(perl) && QFile::link(target, perl));
        tickOnly({"Perl"});
        modal.press(QMessageBox::Yes);
        setUp->click();
        QVERIFY(readFile(target) == "keep me\n" && !QFileInfo(perl).isSymLink() &&
                readFile(perl).startsWith("#!/bin/sh\n"));
        QCOMPARE(modal.unexpected(), 0);
    }
};

QTEST_MAIN(tst_toolchainsetup)
#include "tst_toolchainsetup.moc"

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
        QTest::addColumn<QString>("installed");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("programs"); // those the script names, ' ' between
        QTest::addColumn<QString>("package");
        const QList<std::tuple<const char *, Language, const char *, bool, const char *, const char *>> rows =
            {
                {"g++ first", Language::CCpp, "clang++ g++", true, "g++", "g++"},
                {"clang++ alone", Language::CCpp, "clang++", true, "clang++", "g++"},
                {"no compiler", Language::CCpp, "cc", false, "g++", "g++"},
                {"javac without java", Language::Java, "javac", false, "javac java", "default-jdk"},
                {"nasm before as", Language::Assembly, "nasm as ld", true, "nasm ld", "nasm"},
                {"as with ld", Language::Assembly, "as ld", true, "as ld", "nasm"},
                {"nasm alone", Language::Assembly, "nasm", false, "nasm ld", "nasm"},
                {"newest lua", Language::Lua, "luajit lua5.1 lua5.3", true, "lua5.3", "lua5.4"},
                {"clisp", Language::Lisp, "clisp", true, "clisp", "sbcl"},
                {"opener", Language::Html, "", false, "xdg-open", "xdg-utils"},
            };
        for (const auto &[name, language, installed, found, programs, package] : rows)
            QTest::newRow(name) << language << QString(installed) << found << QString(programs)
                                << QString(package);
    }
    void choosesTheFirstCompleteToolchain()
    {
        QFETCH(Language, language);
        QFETCH(QString, installed);
        QFETCH(bool, found);
        QFETCH(QString, package);
        QFETCH(QString, programs);
        const QStringList named = programs.split(' ');
        const brivo::Toolchain toolchain =
            brivo::findToolchain(language, findOnly(installed.split(' ', Qt::SkipEmptyParts)));
        QCOMPARE(toolchain.found, found);
        QCOMPARE(toolchain.programs, named);
        QCOMPARE(toolchain.debianPackage, package);
        QCOMPARE(toolchain.paths.size(), found ? named.size() : 0);
        // The script names what it runs.
        const QByteArray script = brivo::toolchainFiles(toolchain).script;
        for (const QString &program : named) {
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

        // A changed script is shown so and kept on No (Yes replacing it is tests/e2e's); unchanged ones are
        // left without a question.
        writeFile(python, readFile(python) + "echo mine\n");
        dialog.refresh();
        QCOMPARE(list->topLevelItem(2)->text(2), QStringLiteral("your own (changed)"));
        tickOnly({"Python", "Perl"});
        modal.press(QMessageBox::No);
        setUp->click();
        QVERIFY(modal.last().text.contains(python) && modal.last().defaultButton == QMessageBox::No);
        QVERIFY(readFile(python).endsWith("echo mine\n") && summary->text() == "Kept your own: Python.");
        QCOMPARE(modal.seen().size(), 1);

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

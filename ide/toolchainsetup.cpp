#include "ide/toolchainsetup.h"

#include "ide/languagetable.h"
#include "platform/commandprocess.h"
#include "platform/toolroot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace brivo {

namespace {

// One way to run a language: the programs it needs, all of them, and the script that uses them.
// "{1}" and "{2}" in the script stand for the first and second program.
struct Choice
{
    QStringList programs;
    const char *script;
};

// Every script begins so: it names what wrote it and says that it is the user's to change.
constexpr char kHeader[] =
    "#!/bin/sh\n# Written by Brivo's Settings > Set up toolchains...; yours to change.\n";

// Scripts that compile first do so in their own folder, then run the program in the folder Brivo runs
// commands from; a failed compile ends the script with the compiler's exit code.
constexpr char kFolder[] = "bin=$(cd \"$(dirname \"$0\")\" && pwd) || exit\n";

QList<Choice> choicesFor(Language language)
{
    switch (language) {
    case Language::CCpp: {
        const char *script =
            "# C/C++: compiles a.cpp with the options in link.txt (Linker > C/C++ - Linker),\n"
            "# then runs the program.\n"
            "{folder}"
            "(cd \"$bin\" && {1} a.cpp -o a.out $(cat link.txt 2>/dev/null)) || exit\n"
            "exec \"$bin/a.out\"\n";
        return {{{QStringLiteral("g++")}, script}, {{QStringLiteral("clang++")}, script}};
    }
    case Language::Java:
        return {
            {{QStringLiteral("javac"), QStringLiteral("java")},
             "# Java: compiles the file named in this.txt (the name the IDE asks for) and runs its class.\n"
             "# A name without \".java\" is compiled from a copy that has it.\n"
             "{folder}"
             "name=$(cat \"$bin/this.txt\") || exit\n"
             "source=${name%.[jJ][aA][vV][aA]}.java\n"
             "[ \"$source\" = \"$name\" ] || cp \"$bin/$name\" \"$bin/$source\" || exit\n"
             "{1} -d \"$bin\" \"$bin/$source\" || exit\n"
             "exec {2} -cp \"$bin\" \"${source%.java}\"\n"}};
    case Language::Python:
        return {{{QStringLiteral("python3")},
                 "# Python: runs python.py.\n"
                 "exec {1} \"$(dirname \"$0\")/python.py\"\n"}};
    case Language::Perl:
        return {{{QStringLiteral("perl")},
                 "# Perl: runs perl.txt.\n"
                 "exec {1} \"$(dirname \"$0\")/perl.txt\"\n"}};
    case Language::Ruby:
        return {{{QStringLiteral("ruby")},
                 "# Ruby: runs ruby.txt.\n"
                 "exec {1} \"$(dirname \"$0\")/ruby.txt\"\n"}};
    case Language::Lisp:
        return {{{QStringLiteral("sbcl")},
                 "# Lisp: runs lisp.txt.\n"
                 "exec {1} --script \"$(dirname \"$0\")/lisp.txt\"\n"},
                {{QStringLiteral("clisp")},
                 "# Lisp: runs lisp.txt.\n"
                 "exec {1} \"$(dirname \"$0\")/lisp.txt\"\n"}};
    case Language::Batch:
        // The program text is the script; the shell runs it.
        return {{{QStringLiteral("sh")}, nullptr}};
    case Language::Go:
        return {{{QStringLiteral("go")},
                 "# Go: builds a.go, then runs the program.\n"
                 "{folder}"
                 "(cd \"$bin\" && {1} build -o a.out a.go) || exit\n"
                 "exec \"$bin/a.out\"\n"}};
    case Language::Html:
        // The page opens in the desktop's browser.
        return {{{QStringLiteral("xdg-open")}, nullptr}};
    case Language::Assembly:
        return {{{QStringLiteral("nasm"), QStringLiteral("ld")},
                 "# Assembly: assembles x.asm with nasm (64-bit ELF), links it with ld, then runs it.\n"
                 "{folder}"
                 "(cd \"$bin\" && {1} -f elf64 -o x.o x.asm && {2} -o x.out x.o) || exit\n"
                 "exec \"$bin/x.out\"\n"},
                {{QStringLiteral("as"), QStringLiteral("ld")},
                 "# Assembly: assembles x.asm with the GNU assembler, links it with ld, then runs it.\n"
                 "{folder}"
                 "(cd \"$bin\" && {1} -o x.o x.asm && {2} -o x.out x.o) || exit\n"
                 "exec \"$bin/x.out\"\n"}};
    case Language::Lua: {
        const char *script = "# Lua: runs lua.lua.\n"
                             "exec {1} \"$(dirname \"$0\")/lua.lua\"\n";
        QList<Choice> choices;
        for (const char *lua : {"lua5.4", "lua5.3", "lua5.2", "lua5.1", "luajit", "lua"})
            choices.append({{QLatin1String(lua)}, script});
        return choices;
    }
    }
    return {};
}

QString packageFor(Language language)
{
    switch (language) {
    case Language::CCpp:
        return QStringLiteral("g++");
    case Language::Java:
        return QStringLiteral("default-jdk");
    case Language::Python:
        return QStringLiteral("python3");
    case Language::Perl:
        return QStringLiteral("perl");
    case Language::Ruby:
        return QStringLiteral("ruby");
    case Language::Lisp:
        return QStringLiteral("sbcl");
    case Language::Batch:
        return QStringLiteral("dash");
    case Language::Go:
        return QStringLiteral("golang-go");
    case Language::Html:
        return QStringLiteral("xdg-utils");
    case Language::Assembly:
        return QStringLiteral("nasm");
    case Language::Lua:
        return QStringLiteral("lua5.4");
    }
    return QString();
}

QByteArray scriptFor(const Toolchain &toolchain)
{
    for (const Choice &choice : choicesFor(toolchain.language)) {
        if (choice.programs != toolchain.programs)
            continue;
        if (!choice.script)
            return QByteArray();
        QString text = QLatin1String(kHeader) + QString::fromUtf8(choice.script);
        text.replace(QLatin1String("{folder}"), QLatin1String(kFolder));
        for (int i = 0; i < choice.programs.size(); ++i)
            text.replace(QStringLiteral("{%1}").arg(i + 1), choice.programs.at(i));
        return text.toUtf8();
    }
    return QByteArray();
}

} // namespace

QString findOnSearchPath(const QString &program)
{
    return QStandardPaths::findExecutable(program);
}

Toolchain findToolchain(Language language, const ProgramFinder &find)
{
    Toolchain toolchain;
    toolchain.language = language;
    toolchain.debianPackage = packageFor(language);
    const QList<Choice> choices = choicesFor(language);
    for (const Choice &choice : choices) {
        QStringList paths;
        for (const QString &program : choice.programs) {
            const QString path = find(program);
            if (path.isEmpty())
                break;
            paths.append(path);
        }
        if (paths.size() == choice.programs.size()) {
            toolchain.found = true;
            toolchain.programs = choice.programs;
            toolchain.paths = paths;
            return toolchain;
        }
    }
    if (!choices.isEmpty())
        toolchain.programs = choices.first().programs;
    return toolchain;
}

ToolchainFiles toolchainFiles(const Toolchain &toolchain)
{
    const LanguageRun &run = languageRun(toolchain.language);
    ToolchainFiles files;
    // The folder of the source file; the runner's command stands beside it.
    const QString source = QLatin1String(run.sourceFile);
    files.folder = mapToolRootPath(source.left(source.lastIndexOf(QLatin1Char('/'))));
    files.script = scriptFor(toolchain);
    if (files.script.isEmpty())
        return files;
    const QString name = QString::fromLatin1(run.command).section(QLatin1Char('/'), -1);
    const QString existing = completeProgramPath(files.folder + QLatin1Char('/') + name);
    const QFileInfo info(existing);
    files.commandPath = info.isFile() || info.isSymLink() ? existing : files.folder + QLatin1Char('/') + name;
    return files;
}

CommandState commandState(const ToolchainFiles &files)
{
    if (files.commandPath.isEmpty())
        return QFileInfo(files.folder).isDir() ? CommandState::SetUp : CommandState::NotSetUp;
    const QFileInfo info(files.commandPath);
    if (info.isSymLink())
        return CommandState::Changed;
    if (!info.exists())
        return CommandState::NotSetUp;
    QFile file(files.commandPath);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return CommandState::Changed;
    // Larger than any script Set up writes: the user's own, whatever it holds.
    if (file.size() > 64 * 1024 || file.readAll() != files.script)
        return CommandState::Changed;
    return CommandState::SetUp;
}

bool writeToolchainFiles(const ToolchainFiles &files, QString *error)
{
    if (!QDir().mkpath(files.folder)) {
        *error = QStringLiteral("Could not create the folder %1.").arg(files.folder);
        return false;
    }
    if (files.commandPath.isEmpty())
        return true;
    // QSaveFile writes through a link to its target, which may lie anywhere: the link goes instead.
    if (QFileInfo(files.commandPath).isSymLink() && !QFile::remove(files.commandPath)) {
        *error = QStringLiteral("Could not replace the link %1.").arg(files.commandPath);
        return false;
    }
    QSaveFile file(files.commandPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(files.script) != files.script.size() ||
        !file.commit()) {
        *error = QStringLiteral("Could not write %1:\n%2").arg(files.commandPath, file.errorString());
        return false;
    }
    const QFileDevice::Permissions everyone =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup |
        QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther;
    if (!QFile::setPermissions(files.commandPath, everyone)) {
        *error = QStringLiteral("Could not make %1 executable.").arg(files.commandPath);
        return false;
    }
    return true;
}

} // namespace brivo

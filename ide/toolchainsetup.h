// What "Set up toolchains..." finds and writes: for each language of the Build menu, the programs that
// run it on this system, and the folder and short shell script under the tool root that hand the runner's
// source file to them.
#pragma once

#include "brivo_core_export.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace brivo {

enum class Language;

// Looks a program up on the search path: its full path, or an empty string when there is none.
using ProgramFinder = std::function<QString(const QString &program)>;
BRIVO_CORE_EXPORT QString findOnSearchPath(const QString &program);

// The toolchain a language uses on this system.
struct Toolchain
{
    Language language;
    bool found = false;
    // The programs found (for C/C++ "g++", for Java "javac" and "java"); when none was found, those of the
    // first choice, which the script names so that it works once they are installed.
    QStringList programs;
    QStringList paths;     // where the programs were found; empty when they were not
    QString debianPackage; // the package that brings the first choice
};

// The first of the language's choices whose programs are all found: g++ before clang++, sbcl before
// clisp, nasm before as (each with ld), the newest Lua before older ones and luajit.
BRIVO_CORE_EXPORT Toolchain findToolchain(Language language, const ProgramFinder &find = findOnSearchPath);

// What Set up writes for one language. Paths are under the tool root, resolved ignoring case.
struct ToolchainFiles
{
    QString folder; // the language's folder, created when it is missing
    // The command the runner starts: the file its completion finds today (a user's "gcbat.sh" stays
    // "gcbat.sh"), else the name of the runner's table. Empty where the runner runs the source file itself
    // (Batch) or opens it (Html): there the folder is all.
    QString commandPath;
    QByteArray script; // the command's text; empty with commandPath
};
BRIVO_CORE_EXPORT ToolchainFiles toolchainFiles(const Toolchain &toolchain);

enum class CommandState
{
    NotSetUp, // no folder, or no command in it
    SetUp,    // the folder holds the command exactly as Set up writes it
    Changed   // a command stands there that Set up did not write as it is (or a link): the user's own
};
BRIVO_CORE_EXPORT CommandState commandState(const ToolchainFiles &files);

// Creates the folder and writes the command atomically, executable by everyone who may read it. A link
// standing at the command's path is replaced by the file, never written through. False with the reason
// in `error` when something cannot be written.
BRIVO_CORE_EXPORT bool writeToolchainFiles(const ToolchainFiles &files, QString *error);

} // namespace brivo

// The languages of the code editor's Build menu: where each toolchain lives and how a run hands it the
// program text. One table, so that every runner follows the same protocol with its own values.
#pragma once

#include "brivo_core_export.h"

#include "common/textfile.h"

#include <QString>

#include <ctime>

namespace brivo {

enum class Language
{
    CCpp,
    Java,
    Python,
    Perl,
    Ruby,
    Lisp,
    Batch,
    Html,
    Go,
    Assembly,
    Lua
};

// One Build menu entry. Paths under "C:/Brivo" are mapped to the tool root before use; the check folder
// is relative and resolves against the current directory, both compared ignoring case.
struct LanguageRun
{
    Language language;
    const char *checkFolder;    // must exist for the language to run
    const char *missingMessage; // shown in an "Error" box when it does not
    const char *statusName;     // the language's name in the "Last Compiled" status
    const char *sourceFile;     // the editor's text is written here; for Java, the folder of the class file
    const char *command;        // run with no arguments once the source file is written
    bool opensPage;             // the source is a page handed to the desktop's browser, not run
    const char *extensions;     // the extensions of the language's files, lower case, separated by blanks
};

// The row of `language`.
const LanguageRun &languageRun(Language language);

// Every row, in Build menu order.
BRIVO_CORE_EXPORT const LanguageRun *languageRuns(int *count);

// Whether the extension of the file at `path`, in lower case, is one of `extensions` (lower case,
// separated by blanks).
bool hasListedExtension(const QString &path, const char *extensions);

// The language of the file at `path`, told by its extension (case ignored); nullptr for none.
BRIVO_CORE_EXPORT const LanguageRun *languageForFile(const QString &path);

// The Java runner's file that tells its command which class file to compile.
inline constexpr char javaNameFile[] = "c:/Brivo/Ide/jdk/bin/this.txt";

// True when `name` can be used as the Java source file's name in the JDK folder: not empty, no folder
// part ("/", "\\", ".."), no line break or other control character, none of the characters that no file
// system allows (< > : " | ? *), no name that Windows keeps for a device (CON, PRN, AUX, NUL, COM0-9,
// LPT0-9, CONIN$, CONOUT$, with any extension), no trailing dot or blank, and not the name of a file the
// runner itself uses there. The same names are refused on every platform, so that a tool root moved
// between systems keeps working.
bool isValidJavaFileName(const QString &name);

// The text of the status line after a run: "Brivo : Last Compiled " + language + "-Source on " and the
// local time `when` in the C library's ctime layout ("Sun Dec  6 00:07:19 2026" and a line feed).
QString lastCompiledText(const QString &language, std::time_t when);

// How the files handed to a toolchain are stored: the platform's own text convention (CR LF and the 8-bit
// code page on Windows, LF and UTF-8 elsewhere), so the batch files and compilers read them natively.
TextFormat toolchainTextFormat();

} // namespace brivo

#include "ide/languagetable.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <iterator>

namespace brivo {

namespace {

// In Build menu order. The paths keep the spelling the toolchains were installed with; case does not
// matter, as every path is resolved ignoring case.
const LanguageRun kRuns[] = {
    {Language::CCpp, "IDE/CCPP", "No C/C++ compiler found ", "C/C++", "c:/Brivo/Ide/CCPP/bin/a.cpp",
     "c:/Brivo/ide/CCPP/bin/gcbat", false, "c cpp cc cxx c++ h hpp hh hxx"},
    {Language::Java, "IDE/jdk", "No JDK found ", "Java", "c:/Brivo/Ide/jdk/bin/",
     "c:/Brivo/IDE/jdk/bin/comj.bat", false, "java"},
    {Language::Python, "IDE/Python", "No PYTHON found ", "Python", "C:/Brivo/Ide/Python/python.py",
     "C:/Brivo/Ide/Python/pythone", false, "py pyw python"},
    {Language::Perl, "IDE/PERL", "No PERL found ", "Perl", "C:/Brivo/Ide/Perl/bin/perl.txt",
     "C:/Brivo/Ide/Perl/bin/perlb.bat", false, "pl pm perl"},
    {Language::Ruby, "IDE/ruby", "No RUBY found ", "Ruby", "C:/Brivo/Ide/Ruby/bin/ruby.txt",
     "C:/Brivo/Ide/Ruby/bin/rubyx.bat", false, "rb"},
    {Language::Lisp, "IDE/Lisp", "No Lisp found ", "Lisp", "C:/Brivo/Ide/Lisp/lisp.txt",
     "C:/Brivo/Ide/Lisp/lispx.bat", false, "lisp lsp cl el scm"},
    // The program text is the batch file itself.
    {Language::Batch, "IDE/batch", "No Batch found ", "Batch", "C:/Brivo/Ide/batch/batch.bat",
     "C:/Brivo/Ide/batch/batch.bat", false, "bat cmd"},
    {Language::Go, "IDE/go", "No Go compilers found ", "Go", "C:/Brivo/Ide/Go/bin/a.go",
     "C:/Brivo/Ide/Go/bin/a.bat", false, "go"},
    {Language::Html, "IDE/html", "No html folder found ", "Html", "C:/Brivo/Ide/Html/html.html",
     "C:/Brivo/Ide/Html/html.html", true, "html htm"},
    {Language::Assembly, "IDE/Assembly", "No Assemblers found ", "Assembly", "C:/Brivo/Ide/Assembly/x.asm",
     "C:/Brivo/Ide/Assembly/ax.bat", false, "asm s nasm"},
    {Language::Lua, "IDE/Lua", "No compiler for LUA found ", "Lua", "C:/Brivo/Ide/lua/lua.lua",
     "C:/Brivo/Ide/lua/lua.bat", false, "lua"},
};

} // namespace

const LanguageRun &languageRun(Language language)
{
    for (const LanguageRun &run : kRuns) {
        if (run.language == language)
            return run;
    }
    Q_UNREACHABLE();
}

bool hasListedExtension(const QString &path, const char *extensions)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return !suffix.isEmpty() && QString::fromLatin1(extensions).split(QLatin1Char(' ')).contains(suffix);
}

const LanguageRun *languageForFile(const QString &path)
{
    for (const LanguageRun &run : kRuns) {
        if (hasListedExtension(path, run.extensions))
            return &run;
    }
    return nullptr;
}

const LanguageRun *languageRuns(int *count)
{
    *count = int(std::size(kRuns));
    return kRuns;
}

bool isValidJavaFileName(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name.contains(QLatin1String("..")))
        return false;
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            return false;
        if (QStringView(u"/\\<>:\"|?*").contains(c))
            return false;
    }
    // Windows gives these names to devices, with any extension and in any case ("nul.java" is the null
    // device there), and drops a trailing dot or blank: the class file would not be the file named.
    if (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
        return false;
    const QString stem = name.section(QLatin1Char('.'), 0, 0).toUpper();
    static const QRegularExpression reserved(
        QStringLiteral("^(CON|PRN|AUX|NUL|CONIN\\$|CONOUT\\$|(COM|LPT)[0-9\u00b9\u00b2\u00b3]) *$"));
    if (reserved.match(stem).hasMatch())
        return false;
    // The class file would replace the file naming it, or the command that is about to run.
    for (const char *own : {javaNameFile, languageRun(Language::Java).command}) {
        const QString ownName = QString::fromLatin1(own).section(QLatin1Char('/'), -1);
        if (name.compare(ownName, Qt::CaseInsensitive) == 0)
            return false;
    }
    return true;
}

QString lastCompiledText(const QString &language, std::time_t when)
{
    // ctime's layout is fixed and never translated, whatever the locale.
    const char *stamp = std::ctime(&when);
    return QStringLiteral("Brivo : Last Compiled ") + language + QStringLiteral("-Source on ") +
           QString::fromLatin1(stamp ? stamp : "");
}

TextFormat toolchainTextFormat()
{
    TextFormat format;
#ifdef Q_OS_WIN
    format.encoding = TextEncoding::EightBit;
    format.lineEnd = LineEnd::CrLf;
#else
    format.encoding = TextEncoding::Utf8;
    format.lineEnd = LineEnd::Lf;
#endif
    return format;
}

} // namespace brivo

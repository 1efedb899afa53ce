// What the code editor colours in each language it builds: keywords, strings, comments and numbers, one
// table row per language, and the scanner that applies a row to one line of text.
#pragma once

#include "brivo_core_export.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QTextCharFormat>

namespace brivo {

enum class SyntaxKind
{
    Keyword,
    String,
    Comment,
    Number
};

// A stretch of text between an opening and a closing mark: a block comment, a raw or triple-quoted string.
// Without a closing mark it runs to the end of the line (a line comment); with an empty one it is the
// opening mark alone, which keeps the mark from opening a longer stretch.
struct Delimited
{
    const char *open = nullptr;
    const char *close = nullptr;
    SyntaxKind kind = SyntaxKind::Comment;
    // Only blanks may stand before the opening mark on its line, and the closing mark opens a line too.
    bool atLineStart = false;
};

struct SyntaxRules
{
    const char *name;
    const char *extensions; // file extensions in lower case, separated by blanks
    const char *keywords;   // separated by blanks; in lower case where case does not matter
    Delimited delimited[8]; // tried in order at each position, before the quotes
    const char *quotes;     // characters that open a string closed by the same character on its line
    char escape;            // takes the next character into a quoted string; 0 for none
    bool caseInsensitive;
    const char *wordCharacters; // besides letters, digits and '_'
};

// The rules for the file at `path` by its extension, ignoring case; nullptr when none fits.
BRIVO_CORE_EXPORT const SyntaxRules *syntaxForFile(const QString &path);

// Every row of the table.
QList<const SyntaxRules *> syntaxTable();

// How text of `kind` is shown.
QTextCharFormat syntaxFormat(SyntaxKind kind);

struct SyntaxSpan
{
    int start;
    int length;
    SyntaxKind kind;
};

// Finds the coloured stretches of a line, one line at a time. The state is 0 outside any multi-line
// stretch and otherwise names the stretch that is still open at the end of the line.
class BRIVO_CORE_EXPORT SyntaxScanner
{
public:
    explicit SyntaxScanner(const SyntaxRules &rules);
    QList<SyntaxSpan> scan(QStringView line, int stateIn, int *stateOut) const;

private:
    int markAt(QStringView line, int position, const char *mark) const;
    bool isWordCharacter(QChar c) const;

    const SyntaxRules &m_rules;
    QSet<QString> m_keywords;
    Qt::CaseSensitivity m_case;
};

} // namespace brivo

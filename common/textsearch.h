// Finding and replacing in an editor's text, as plain functions over a string whose positions are the
// document's positions (see searchableText()).
#pragma once

#include "common/textfile.h"

#include <QRegularExpression>
#include <QString>
#include <QStringView>

class QTextDocument;

namespace brivo {

struct SearchOptions
{
    bool matchCase = false;
    bool wholeWords = false;        // the match has no letter, digit or underscore right before or after it
    bool regularExpression = false; // the pattern is a Perl-style expression, else literal text
};

// The expression that finds `pattern` as `options` say. An invalid expression comes back with
// isValid() false and the reason in errorString(). "^" and "$" match at every line's start and end.
QRegularExpression searchExpression(const QString &pattern, const SearchOptions &options);

struct TextMatch
{
    qsizetype start = -1;
    qsizetype length = 0;
    bool wrapped = false; // found only by going round past the end (or the start, going backwards)
    bool found() const { return start >= 0; }
};

// The first match starting at or after `from`, or going backwards the last one starting before `from`.
// When there is none that way, the search goes round from the other end of the text and says so. Empty
// matches (of "x*" or "^") are skipped: selecting nothing would not move the search along.
TextMatch findMatch(QStringView text, const QRegularExpression &expression, qsizetype from, bool backward);

// The number of non-empty matches in `text`.
qsizetype countMatches(QStringView text, const QRegularExpression &expression);

// `replacement` for one match: with `expandGroups`, "\0" to "\9" stand for the captured groups and "\\"
// for one backslash; otherwise it is taken as it is.
QString expandedReplacement(const QRegularExpressionMatch &match, const QString &replacement,
                            bool expandGroups);

struct ReplacedText
{
    QString text;
    qsizetype count = 0;
};

// `text` with every match replaced, built in one pass. `lineEnds` (when given), the line ends that differ
// from the text's usual one, is moved along with the text: the ones inside a replaced match go with it.
ReplacedText replaceAllMatches(QStringView text, const QRegularExpression &expression,
                               const QString &replacement, bool expandGroups,
                               LineEndExceptions *lineEnds = nullptr);

// The document's text with each paragraph break as a line feed, one character for one position.
QString searchableText(const QTextDocument *document);

} // namespace brivo

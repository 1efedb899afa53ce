// Finding and replacing in an editor's text, as plain functions over a string whose positions are the
// document's positions (see searchableText()).
#pragma once

#include "brivo_core_export.h"

#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringView>

#include <functional>

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
BRIVO_CORE_EXPORT QRegularExpression searchExpression(const QString &pattern, const SearchOptions &options);

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
BRIVO_CORE_EXPORT TextMatch findMatch(QStringView text, const QRegularExpression &expression, qsizetype from,
                                      bool backward);

// The number of non-empty matches in `text`. When `stop` is given and says so, counting ends early and
// the number so far comes back.
BRIVO_CORE_EXPORT qsizetype countMatches(QStringView text, const QRegularExpression &expression,
                                         const std::function<bool()> &stop = {});

// `replacement` for one match: with `expandGroups`, "\0" to "\9" stand for the captured groups and "\\"
// for one backslash; otherwise it is taken as it is.
QString expandedReplacement(const QRegularExpressionMatch &match, const QString &replacement,
                            bool expandGroups);

// One match to replace: where it is and what takes its place.
struct TextReplacement
{
    qsizetype start = 0;
    qsizetype length = 0;
    QString text;
};

// Every non-empty match in `text` with its replacement, in order. Replacing each in its place, rather
// than putting a whole new text in, leaves the rest of a document (its lines, their marks and formats)
// as it was, and is what keeps a large document quick to lay out again.
BRIVO_CORE_EXPORT QList<TextReplacement> replacementsFor(QStringView text,
                                                         const QRegularExpression &expression,
                                                         const QString &replacement, bool expandGroups);

// The document's text with each paragraph break as a line feed, one character for one position.
QString searchableText(const QTextDocument *document);
// The same made of a document's raw text (QTextDocument::toRawText()), in place.
BRIVO_CORE_EXPORT QString searchableRawText(QString raw);

} // namespace brivo

#include "common/textsearch.h"

#include "common/textdocumentfile.h"

#include <QTextDocument>

namespace brivo {

QRegularExpression searchExpression(const QString &pattern, const SearchOptions &options)
{
    QString source = options.regularExpression ? pattern : QRegularExpression::escape(pattern);
    if (options.wholeWords)
        source = QStringLiteral("(?<!\\w)(?:%1)(?!\\w)").arg(source);
    QRegularExpression::PatternOptions flags =
        QRegularExpression::MultilineOption | QRegularExpression::UseUnicodePropertiesOption;
    if (!options.matchCase)
        flags |= QRegularExpression::CaseInsensitiveOption;
    QRegularExpression expression(source, flags);
    // Compiling now makes an invalid pattern show as one before the first search.
    if (expression.isValid())
        expression.optimize();
    return expression;
}

namespace {

// The first non-empty match at or after `from`, or none.
TextMatch firstFrom(QStringView text, const QRegularExpression &expression, qsizetype from)
{
    auto it = expression.globalMatch(text, from);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        if (match.capturedLength() > 0)
            return {match.capturedStart(), match.capturedLength()};
    }
    return {};
}

// The last non-empty match starting before `before`, or none.
TextMatch lastBefore(QStringView text, const QRegularExpression &expression, qsizetype before)
{
    TextMatch last;
    auto it = expression.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        if (match.capturedStart() >= before)
            break;
        if (match.capturedLength() > 0)
            last = {match.capturedStart(), match.capturedLength()};
    }
    return last;
}

} // namespace

TextMatch findMatch(QStringView text, const QRegularExpression &expression, qsizetype from, bool backward)
{
    if (!expression.isValid() || expression.pattern().isEmpty())
        return {};
    from = qBound(qsizetype(0), from, text.size());
    TextMatch match = backward ? lastBefore(text, expression, from) : firstFrom(text, expression, from);
    if (match.found())
        return match;
    match = backward ? lastBefore(text, expression, text.size() + 1) : firstFrom(text, expression, 0);
    match.wrapped = match.found();
    return match;
}

qsizetype countMatches(QStringView text, const QRegularExpression &expression,
                       const std::function<bool()> &stop)
{
    if (!expression.isValid() || expression.pattern().isEmpty())
        return 0;
    qsizetype count = 0;
    qsizetype seen = 0;
    auto it = expression.globalMatch(text);
    while (it.hasNext()) {
        count += it.next().capturedLength() > 0 ? 1 : 0;
        // A search that was overtaken by the next key stops within a few milliseconds.
        if (stop && ++seen % 1024 == 0 && stop())
            break;
    }
    return count;
}

QString expandedReplacement(const QRegularExpressionMatch &match, const QString &replacement,
                            bool expandGroups)
{
    if (!expandGroups || !replacement.contains(u'\\'))
        return replacement;
    QString out;
    out.reserve(replacement.size());
    for (qsizetype i = 0; i < replacement.size(); ++i) {
        const QChar c = replacement.at(i);
        if (c != u'\\' || i + 1 == replacement.size()) {
            out += c;
            continue;
        }
        const QChar next = replacement.at(++i);
        if (next.isDigit() && next.digitValue() <= match.lastCapturedIndex())
            out += match.capturedView(next.digitValue());
        else if (next.isDigit())
            continue; // a group the expression does not have stands for nothing
        else if (next == u'n')
            out += u'\n';
        else if (next == u't')
            out += u'\t';
        else
            out += next;
    }
    return out;
}

QList<TextReplacement> replacementsFor(QStringView text, const QRegularExpression &expression,
                                       const QString &replacement, bool expandGroups)
{
    QList<TextReplacement> replacements;
    if (!expression.isValid() || expression.pattern().isEmpty())
        return replacements;
    auto it = expression.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        // Replacing nothing at every empty spot would scatter the replacement through the text.
        if (match.capturedLength() > 0)
            replacements.append({match.capturedStart(), match.capturedLength(),
                                 expandedReplacement(match, replacement, expandGroups)});
    }
    return replacements;
}

QString searchableText(const QTextDocument *document)
{
    return searchableRawText(document->toRawText());
}

QString searchableRawText(QString raw)
{
    for (QChar &c : raw) {
        if (isLineBreak(c))
            c = u'\n';
    }
    return raw;
}

} // namespace brivo

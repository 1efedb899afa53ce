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

qsizetype countMatches(QStringView text, const QRegularExpression &expression)
{
    if (!expression.isValid() || expression.pattern().isEmpty())
        return 0;
    qsizetype count = 0;
    auto it = expression.globalMatch(text);
    while (it.hasNext())
        count += it.next().capturedLength() > 0 ? 1 : 0;
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

ReplacedText replaceAllMatches(QStringView text, const QRegularExpression &expression,
                               const QString &replacement, bool expandGroups, LineEndExceptions *lineEnds)
{
    ReplacedText result;
    if (!expression.isValid() || expression.pattern().isEmpty()) {
        result.text = text.toString();
        return result;
    }
    LineEndExceptions movedEnds;
    qsizetype nextEnd = 0; // the next entry of `lineEnds` not yet moved
    const auto moveEndsBefore = [&](qsizetype position, qsizetype shift) {
        while (lineEnds && nextEnd < lineEnds->size() && lineEnds->at(nextEnd).position < position) {
            movedEnds.append({lineEnds->at(nextEnd).position + shift, lineEnds->at(nextEnd).lineEnd});
            ++nextEnd;
        }
    };
    const auto dropEndsBefore = [&](qsizetype position) {
        while (lineEnds && nextEnd < lineEnds->size() && lineEnds->at(nextEnd).position < position)
            ++nextEnd;
    };

    qsizetype done = 0;
    auto it = expression.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        const qsizetype start = match.capturedStart();
        const qsizetype end = match.capturedEnd();
        if (end == start)
            continue; // replacing nothing at every empty spot would scatter the replacement
        if (result.text.isEmpty())
            result.text.reserve(text.size());
        moveEndsBefore(start, result.text.size() - done);
        dropEndsBefore(end);
        result.text += text.mid(done, start - done);
        result.text += expandedReplacement(match, replacement, expandGroups);
        done = end;
        ++result.count;
    }
    if (result.count == 0) {
        result.text = text.toString();
        return result;
    }
    moveEndsBefore(text.size() + 1, result.text.size() - done);
    result.text += text.mid(done);
    if (lineEnds)
        *lineEnds = movedEnds;
    return result;
}

QString searchableText(const QTextDocument *document)
{
    return documentText(document, LineSeparators::Keep);
}

} // namespace brivo

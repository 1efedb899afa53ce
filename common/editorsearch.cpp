#include "common/editorsearch.h"

#include "common/findbar.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

namespace brivo {

EditorSearch::EditorSearch(QPlainTextEdit *editor, FindBar *bar) : QObject(bar), m_editor(editor), m_bar(bar)
{
    connect(bar, &FindBar::searchChanged, this, &EditorSearch::searchAgain);
    connect(bar, &FindBar::findRequested, this, &EditorSearch::find);
    connect(bar, &FindBar::replaceRequested, this, &EditorSearch::replace);
    connect(bar, &FindBar::replaceAllRequested, this, &EditorSearch::replaceAll);
    connect(bar, &FindBar::closed, this, [this] {
        if (m_editor)
            m_editor->setFocus(Qt::OtherFocusReason);
        // A large document's text is not kept while nobody searches.
        forgetText();
    });
}

void EditorSearch::select(qsizetype start, qsizetype length)
{
    QTextCursor selection(m_editor->document());
    selection.setPosition(int(start));
    selection.setPosition(int(start + length), QTextCursor::KeepAnchor);
    m_editor->setTextCursor(selection);
    m_editor->ensureCursorVisible();
}

QRegularExpression EditorSearch::expression()
{
    QRegularExpression expression = searchExpression(m_bar->text(), m_bar->options());
    if (!expression.isValid())
        m_bar->showMessage(tr("Invalid expression: %1").arg(expression.errorString()), FindBar::Tone::Error);
    return expression;
}

const QString &EditorSearch::text()
{
    QTextDocument *current = m_editor ? m_editor->document() : nullptr;
    if (m_textOf != current) {
        m_text = current ? searchableText(current) : QString();
        m_textOf = current;
        // Any edit, and a document put in its place, makes the kept text stale.
        if (current)
            connect(current, &QTextDocument::contentsChanged, this, &EditorSearch::forgetText,
                    Qt::UniqueConnection);
    }
    return m_text;
}

QString EditorSearch::countNote(const QRegularExpression &expression)
{
    const qsizetype count = countMatches(text(), expression);
    return count == 1 ? tr("1 match") : tr("%1 matches").arg(count);
}

bool EditorSearch::find(bool backward)
{
    const QTextCursor current = m_editor->textCursor();
    return findFrom(backward ? current.selectionStart() : current.selectionEnd(), backward);
}

void EditorSearch::searchAgain()
{
    findFrom(m_editor->textCursor().selectionStart(), false);
}

bool EditorSearch::findFrom(qsizetype from, bool backward)
{
    if (!m_editor)
        return false;
    if (m_bar->text().isEmpty()) {
        m_bar->showMessage(QString());
        return false;
    }
    const QRegularExpression search = expression();
    if (!search.isValid())
        return false;
    const TextMatch match = findMatch(text(), search, from, backward);
    if (!match.found()) {
        m_bar->showMessage(tr("Not found"), FindBar::Tone::Error);
        return false;
    }
    select(match.start, match.length);
    QString note = countNote(search);
    if (match.wrapped)
        note = (backward ? tr("Went round to the end") : tr("Went round to the start")) +
               QStringLiteral(" \u00B7 ") + note;
    m_bar->showMessage(note);
    return true;
}

void EditorSearch::replace()
{
    // A read-only text (the notepad's while a file loads into it) is searched but never changed.
    if (!m_editor || m_editor->isReadOnly())
        return;
    const QRegularExpression search = expression();
    if (!search.isValid())
        return;
    QTextCursor selection = m_editor->textCursor();
    if (selection.hasSelection()) {
        // Only a selection that is itself a match is replaced, so a stray selection is never overwritten.
        const QString &all = text();
        const qsizetype start = selection.selectionStart();
        const QRegularExpressionMatch match = search.match(all, start, QRegularExpression::NormalMatch,
                                                           QRegularExpression::AnchorAtOffsetMatchOption);
        if (match.hasMatch() && match.capturedEnd() == selection.selectionEnd()) {
            selection.insertText(
                expandedReplacement(match, m_bar->replacement(), m_bar->options().regularExpression));
            m_editor->setTextCursor(selection);
            m_editor->ensureCursorVisible();
        }
    }
    find(false);
}

qsizetype EditorSearch::replaceAll()
{
    if (!m_editor || m_editor->isReadOnly())
        return 0;
    QTextDocument *doc = m_editor->document();
    const QRegularExpression search = expression();
    if (!search.isValid())
        return 0;
    const QList<TextReplacement> replacements =
        replacementsFor(text(), search, m_bar->replacement(), m_bar->options().regularExpression);
    forgetText();
    if (replacements.isEmpty()) {
        m_bar->showMessage(tr("Not found"), FindBar::Tone::Error);
        return 0;
    }
    // Each match is replaced where it stands, all in one edit block: one Undo takes them all back, the
    // document announces one change, and lines without a match keep their line ends and formats. Putting
    // a whole new text in instead would rebuild and lay out every line of a large document again.
    QTextCursor edit(doc);
    edit.beginEditBlock();
    qsizetype shift = 0;
    for (const TextReplacement &replacement : replacements) {
        edit.setPosition(int(replacement.start + shift));
        edit.setPosition(int(replacement.start + shift + replacement.length), QTextCursor::KeepAnchor);
        edit.insertText(replacement.text);
        shift += replacement.text.size() - replacement.length;
    }
    edit.endEditBlock();
    // The view stays where it is: following the cursor to the last replacement would lay out a large
    // document down to there.
    const qsizetype count = replacements.size();
    m_bar->showMessage(count == 1 ? tr("Replaced 1 match") : tr("Replaced %1 matches").arg(count));
    return count;
}

void EditorSearch::forgetText()
{
    m_text.clear();
    m_textOf = nullptr;
}

} // namespace brivo

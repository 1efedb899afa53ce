#include "common/editorsearch.h"

#include "common/findbar.h"
#include "common/textdocumentfile.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace brivo {

EditorSearch::EditorSearch(QAbstractScrollArea *editor, FindBar *bar)
    : QObject(bar), m_editor(editor), m_bar(bar)
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

QTextDocument *EditorSearch::document() const
{
    if (auto *edit = qobject_cast<QTextEdit *>(m_editor))
        return edit->document();
    if (auto *edit = qobject_cast<QPlainTextEdit *>(m_editor))
        return edit->document();
    return nullptr;
}

QTextCursor EditorSearch::cursor() const
{
    if (auto *edit = qobject_cast<QTextEdit *>(m_editor))
        return edit->textCursor();
    if (auto *edit = qobject_cast<QPlainTextEdit *>(m_editor))
        return edit->textCursor();
    return {};
}

void EditorSearch::select(qsizetype start, qsizetype length)
{
    QTextCursor selection(document());
    selection.setPosition(int(start));
    selection.setPosition(int(start + length), QTextCursor::KeepAnchor);
    if (auto *edit = qobject_cast<QTextEdit *>(m_editor)) {
        edit->setTextCursor(selection);
        edit->ensureCursorVisible();
    } else if (auto *edit = qobject_cast<QPlainTextEdit *>(m_editor)) {
        edit->setTextCursor(selection);
        edit->ensureCursorVisible();
    }
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
    QTextDocument *current = document();
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
    const QTextCursor current = cursor();
    return findFrom(backward ? current.selectionStart() : current.selectionEnd(), backward);
}

void EditorSearch::searchAgain()
{
    findFrom(cursor().selectionStart(), false);
}

bool EditorSearch::findFrom(qsizetype from, bool backward)
{
    if (!document())
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
    if (!document())
        return;
    const QRegularExpression search = expression();
    if (!search.isValid())
        return;
    QTextCursor selection = cursor();
    if (selection.hasSelection()) {
        // Only a selection that is itself a match is replaced, so a stray selection is never overwritten.
        const QString &all = text();
        const qsizetype start = selection.selectionStart();
        const QRegularExpressionMatch match = search.match(all, start, QRegularExpression::NormalMatch,
                                                           QRegularExpression::AnchorAtOffsetMatchOption);
        if (match.hasMatch() && match.capturedEnd() == selection.selectionEnd()) {
            selection.insertText(
                expandedReplacement(match, m_bar->replacement(), m_bar->options().regularExpression));
            if (auto *edit = qobject_cast<QTextEdit *>(m_editor))
                edit->setTextCursor(selection);
            else if (auto *edit = qobject_cast<QPlainTextEdit *>(m_editor))
                edit->setTextCursor(selection);
        }
    }
    find(false);
}

qsizetype EditorSearch::replaceAll()
{
    QTextDocument *doc = document();
    if (!doc)
        return 0;
    const QRegularExpression search = expression();
    if (!search.isValid())
        return 0;
    LineEndExceptions lineEnds = documentLineEnds(doc);
    ReplacedText replaced = replaceAllMatches(text(), search, m_bar->replacement(),
                                              m_bar->options().regularExpression, &lineEnds);
    if (replaced.count == 0) {
        m_bar->showMessage(tr("Not found"), FindBar::Tone::Error);
        return 0;
    }
    const int position = cursor().position();
    forgetText();
    // The new text goes in as one edit: one undo step, and one pass however many matches there are.
    QTextCursor edit(doc);
    edit.beginEditBlock();
    edit.select(QTextCursor::Document);
    edit.insertText(replaced.text);
    edit.endEditBlock();
    replaced.text.clear();
    markLineEnds(doc, lineEnds);
    select(qMin(position, doc->characterCount() - 1), 0);
    m_bar->showMessage(replaced.count == 1 ? tr("Replaced 1 match")
                                           : tr("Replaced %1 matches").arg(replaced.count));
    return replaced.count;
}

void EditorSearch::forgetText()
{
    m_text.clear();
    m_textOf = nullptr;
}

} // namespace brivo

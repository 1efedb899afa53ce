#include "common/editorsearch.h"

#include "common/documentcapture.h"
#include "common/findbar.h"

#include <QPlainTextEdit>
#include <QPromise>
#include <QTextCursor>
#include <QTextDocument>
#include <QtConcurrent/QtConcurrentRun>

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

    m_capture = new DocumentCapture(this);
    connect(m_capture, &DocumentCapture::finished, this, &EditorSearch::textCaptured);
    m_converting = new QFutureWatcher<QString>(this);
    connect(m_converting, &QFutureWatcherBase::finished, this, [this] {
        if (!m_capturing || m_converting->future().isCanceled())
            return;
        m_capturing = false;
        m_text = m_converting->future().takeResult();
        m_textOf = m_editor ? m_editor->document() : nullptr;
        startSearch();
    });
    m_searching = new QFutureWatcher<Outcome>(this);
    connect(m_searching, &QFutureWatcherBase::resultReadyAt, this, &EditorSearch::outcomeReady);
    connect(m_searching, &QFutureWatcherBase::finished, this, [this] { m_running = false; });
}

EditorSearch::~EditorSearch()
{
    // The workers hold their own share of the text and nothing of this object: they are only told to stop.
    stopBackground();
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
        stopBackground();
        m_bar->showMessage(QString());
        return false;
    }
    const QRegularExpression search = expression();
    if (!search.isValid())
        return false;
    if (m_editor->document()->characterCount() > backgroundCharacters) {
        searchInBackground({search, from, backward});
        return true;
    }
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
    // A count still running would take a processor from the replacing.
    stopBackground();
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
    // Positions found in a text that changed since would select the wrong characters.
    stopBackground();
}

void EditorSearch::stopBackground()
{
    m_pending.reset();
    if (m_capturing) {
        m_capture->forget();
        m_converting->cancel();
        m_capturing = false;
    }
    if (m_running) {
        m_searching->cancel();
        m_running = false;
    }
}

void EditorSearch::searchInBackground(const Request &request)
{
    // The newest search wins: one still running stops, and its results are no longer listened to.
    if (m_running) {
        m_searching->cancel();
        m_running = false;
    }
    m_pending = request;
    QTextDocument *document = m_editor->document();
    if (m_textOf == document) {
        startSearch();
        return;
    }
    if (!m_capturing) {
        m_capturing = true;
        // Edits make the copy stale; the capture itself follows those made while it copies.
        connect(document, &QTextDocument::contentsChanged, this, &EditorSearch::forgetText,
                Qt::UniqueConnection);
        m_bar->showMessage(tr("Searching\u2026"));
        m_capture->start(document);
    }
}

void EditorSearch::textCaptured()
{
    if (!m_capturing)
        return;
    QString raw = m_capture->take().raw;
    // The capture lets go of its own copy, so that the text is made searchable in place.
    m_capture->forget();
    m_converting->setFuture(QtConcurrent::run(&searchableRawText, std::move(raw)));
}

void EditorSearch::startSearch()
{
    if (!m_pending || !m_editor)
        return;
    const Request request = *std::exchange(m_pending, std::nullopt);
    m_running = true;
    m_backward = request.backward;
    // The worker reads a shared copy of the text, which nobody changes: a new text replaces it.
    m_searching->setFuture(QtConcurrent::run(
        [](QPromise<Outcome> &promise, const QString &text, const Request &request) {
            Outcome outcome;
            outcome.match = findMatch(text, request.expression, request.from, request.backward);
            if (promise.isCanceled())
                return;
            promise.addResult(outcome);
            if (!outcome.match.found())
                return;
            outcome.count =
                countMatches(text, request.expression, [&promise] { return promise.isCanceled(); });
            if (!promise.isCanceled())
                promise.addResult(outcome);
        },
        m_text, request));
}

void EditorSearch::outcomeReady(int index)
{
    if (!m_running || !m_editor)
        return;
    const Outcome outcome = m_searching->resultAt(index);
    if (!outcome.match.found()) {
        m_bar->showMessage(tr("Not found"), FindBar::Tone::Error);
        return;
    }
    QString note = outcome.count < 0    ? tr("counting\u2026")
                   : outcome.count == 1 ? tr("1 match")
                                        : tr("%1 matches").arg(outcome.count);
    if (outcome.match.wrapped)
        note = (m_backward ? tr("Went round to the end") : tr("Went round to the start")) +
               QStringLiteral(" \u00B7 ") + note;
    if (outcome.count < 0)
        select(outcome.match.start, outcome.match.length);
    m_bar->showMessage(note);
}

} // namespace brivo

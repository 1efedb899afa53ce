// Find and replace in an editor's document, driven by a FindBar.
#pragma once

#include "brivo_core_export.h"

#include "common/textsearch.h"

#include <QFutureWatcher>
#include <QObject>
#include <QPointer>

#include <optional>

class QPlainTextEdit;
class QTextCursor;
class QTextDocument;

namespace brivo {

class DocumentCapture;
class FindBar;

class BRIVO_CORE_EXPORT EditorSearch : public QObject
{
    Q_OBJECT
public:
    // Documents of more characters than this are searched on a worker thread, so that typing into the
    // find bar never waits for a search: the text is copied in slices, the newest search overtakes any
    // still running, and its first match is selected as soon as it is found, before the matches are
    // counted.
    static constexpr int backgroundCharacters = 1024 * 1024;

    // Both `editor` and `bar` outlive this object or take it along (it is a child of the bar).
    EditorSearch(QPlainTextEdit *editor, FindBar *bar);
    ~EditorSearch() override;

    // Selects the next (or previous) match of the bar's search, going round the document's end when
    // needed; the bar says how many matches there are, that the search went round, or that there is none
    // or the expression is wrong. False when nothing was selected; in a large document the search goes on
    // in the background, and the return says only whether it started.
    bool find(bool backward);
    // A search of a large document has not yet given its match and count.
    bool isSearching() const { return m_pending.has_value() || m_capturing || m_running; }
    // Replaces the selected text when it is a match, then selects the next match.
    void replace();
    // Replaces every match as one edit, which one Undo takes back; gives the number replaced.
    qsizetype replaceAll();

private:
    void select(qsizetype start, qsizetype length);
    // The bar's search as an expression; an invalid one is reported in the bar and comes back invalid.
    QRegularExpression expression();
    // The document's text, kept until the document changes.
    const QString &text();
    QString countNote(const QRegularExpression &expression);
    // Searches again from the start of the current match as the search text changes.
    void searchAgain();
    bool findFrom(qsizetype from, bool backward);
    void forgetText();

    // One search of a large document: the text it needs, and then the match and the count.
    struct Request
    {
        QRegularExpression expression;
        qsizetype from = 0;
        bool backward = false;
    };
    struct Outcome
    {
        TextMatch match;
        qsizetype count = -1; // -1 until counted
    };
    void searchInBackground(const Request &request);
    void textCaptured();
    void startSearch();
    void outcomeReady(int index);
    void stopBackground();

    QPointer<QPlainTextEdit> m_editor;
    FindBar *m_bar;
    QPointer<QTextDocument> m_textOf; // whose text m_text holds; null when it must be read again
    QString m_text;

    DocumentCapture *m_capture = nullptr;
    QFutureWatcher<QString> *m_converting = nullptr;
    QFutureWatcher<Outcome> *m_searching = nullptr;
    std::optional<Request> m_pending; // waits for the text
    bool m_capturing = false;         // the text is being copied or made searchable
    bool m_running = false;           // a search runs on a worker
    bool m_backward = false;          // of the search that runs
};

} // namespace brivo

// Find and replace in an editor's document, driven by a FindBar.
#pragma once

#include "brivo_core_export.h"

#include "common/textsearch.h"

#include <QObject>
#include <QPointer>

class QPlainTextEdit;
class QTextCursor;
class QTextDocument;

namespace brivo {

class FindBar;

class BRIVO_CORE_EXPORT EditorSearch : public QObject
{
    Q_OBJECT
public:
    // Both `editor` and `bar` outlive this object or take it along (it is a child of the bar).
    EditorSearch(QPlainTextEdit *editor, FindBar *bar);

    // Selects the next (or previous) match of the bar's search, going round the document's end when
    // needed; the bar says how many matches there are, that the search went round, or that there is none
    // or the expression is wrong. False when nothing was selected.
    bool find(bool backward);
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

    QPointer<QPlainTextEdit> m_editor;
    FindBar *m_bar;
    QPointer<QTextDocument> m_textOf; // whose text m_text holds; null when it must be read again
    QString m_text;
};

} // namespace brivo

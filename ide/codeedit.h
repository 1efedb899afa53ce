// The code editor's text area: a plain-text editor with line numbers, the current line shaded, syntax
// colours chosen by the file's extension and indentation kept as lines are added.
#pragma once

#include "brivo_core_export.h"
#include "common/plaintextarea.h"

class QFontMetrics;
class QPaintEvent;
class QSyntaxHighlighter;

namespace brivo {
struct SyntaxRules;
}

class BRIVO_CORE_EXPORT CodeEdit : public brivo::PlainTextArea
{
    Q_OBJECT
public:
    // Larger documents are not coloured: colouring is done at once when the file opens, about 0.1 s per
    // million characters, and would hold the window for seconds on a file of many megabytes.
    static constexpr int maxHighlightedCharacters = 1024 * 1024;

    explicit CodeEdit(QWidget *parent = nullptr);

    // Colours the text as the language of `path`'s extension (none for an empty path or an unknown
    // extension) and takes the indentation style from the text. Call it with an empty path before
    // replacing a large text, so that no colouring of the old language runs over the new text. Returns
    // false when the language is known but the text is too large to colour.
    bool setSourceFile(const QString &path);
    // The rules the text is coloured with, or nullptr.
    const brivo::SyntaxRules *syntax() const { return m_syntax; }

    // Whether Tab inserts a tab character (the text's lines are indented with tabs) or four blanks.
    bool indentsWithTabs() const { return m_tabs; }

    // Puts the cursor on `line` at `column` (both from 1, kept within the text) and shows it.
    void goToLine(int line, int column = 1);

    // The indentation of a line started by Return after `before`, the text left of the cursor on its line:
    // that line's own, and one step more (a tab, or four blanks) when `before` ends in an opening brace,
    // bracket or parenthesis, or in ':' where `colonOpens` (Python).
    static QString indentAfter(QStringView before, bool tabs, bool colonOpens);
    // `indent` one step less: without its last tab, or without up to four of its last blanks.
    static QString oneStepLess(QStringView indent);

    // The width of the line-number gutter for a text of `lineCount` lines shown with `metrics`.
    static int gutterWidthFor(int lineCount, const QFontMetrics &metrics);
    int gutterWidth() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    friend class LineNumberGutter;
    void paintGutter(QPaintEvent *event);
    void updateGutterWidth();
    // A closing brace typed where only indentation stands before the cursor: the line moves back a step.
    bool closeBlock(const QString &closer);

    QWidget *m_gutter;
    QSyntaxHighlighter *m_highlighter = nullptr;
    const brivo::SyntaxRules *m_syntax = nullptr;
    bool m_tabs = false;
};

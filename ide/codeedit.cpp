#include "ide/codeedit.h"

#include "ide/syntaxtable.h"

#include <QKeyEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QSyntaxHighlighter>
#include <QTextBlock>

namespace {

constexpr int kGutterPadding = 6;
// Deciding between tabs and blanks looks at this many lines at most, so a huge file opens as fast.
constexpr int kIndentSampleLines = 10000;

} // namespace

// Paints the line numbers to the left of the text; the text area does the work.
class LineNumberGutter : public QWidget
{
public:
    explicit LineNumberGutter(CodeEdit *edit) : QWidget(edit), m_edit(edit) {}
    QSize sizeHint() const override { return QSize(m_edit->gutterWidth(), 0); }

protected:
    void paintEvent(QPaintEvent *event) override { m_edit->paintGutter(event); }

private:
    CodeEdit *m_edit;
};

// Colours each line by the rules of one language; the state carried from line to line is the open
// multi-line comment or string, if any.
class CodeHighlighter : public QSyntaxHighlighter
{
public:
    CodeHighlighter(const brivo::SyntaxRules &rules, QObject *owner)
        : QSyntaxHighlighter(owner), m_scanner(rules)
    {
        for (int kind = 0; kind < 4; ++kind)
            m_formats[kind] = brivo::syntaxFormat(brivo::SyntaxKind(kind));
    }

protected:
    void highlightBlock(const QString &text) override
    {
        int state = 0;
        const auto spans = m_scanner.scan(text, qMax(0, previousBlockState()), &state);
        for (const brivo::SyntaxSpan &span : spans)
            setFormat(span.start, span.length, m_formats[int(span.kind)]);
        setCurrentBlockState(state);
    }

private:
    brivo::SyntaxScanner m_scanner;
    QTextCharFormat m_formats[4];
};

CodeEdit::CodeEdit(QWidget *parent) : brivo::PlainTextArea(parent), m_gutter(new LineNumberGutter(this))
{
    connect(this, &QPlainTextEdit::blockCountChanged, this, &CodeEdit::updateGutterWidth);
    // The gutter moves with the text when it scrolls and is painted again wherever the text is.
    connect(this, &QPlainTextEdit::updateRequest, m_gutter, [this](const QRect &rect, int dy) {
        if (dy)
            m_gutter->scroll(0, dy);
        else
            m_gutter->update(0, rect.y(), m_gutter->width(), rect.height());
    });
    // The shaded current line and the bold number follow the cursor.
    connect(this, &QPlainTextEdit::cursorPositionChanged, viewport(), qOverload<>(&QWidget::update));
    connect(this, &QPlainTextEdit::cursorPositionChanged, m_gutter, qOverload<>(&QWidget::update));
    updateGutterWidth();
}

int CodeEdit::gutterWidthFor(int lineCount, const QFontMetrics &metrics)
{
    int digits = 1;
    for (int n = qMax(1, lineCount); n >= 10; n /= 10)
        ++digits;
    return 2 * kGutterPadding + metrics.horizontalAdvance(QLatin1Char('9')) * digits;
}

int CodeEdit::gutterWidth() const
{
    return gutterWidthFor(document()->blockCount(), QFontMetrics(font()));
}

void CodeEdit::updateGutterWidth()
{
    const int width = gutterWidth();
    if (viewportMargins().left() != width)
        setViewportMargins(width, 0, 0, 0);
    const QRect area = contentsRect();
    m_gutter->setGeometry(area.left(), area.top(), width, area.height());
}

void CodeEdit::resizeEvent(QResizeEvent *event)
{
    QPlainTextEdit::resizeEvent(event);
    updateGutterWidth();
}

void CodeEdit::changeEvent(QEvent *event)
{
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateGutterWidth();
}

void CodeEdit::paintGutter(QPaintEvent *event)
{
    QPainter painter(m_gutter);
    painter.fillRect(event->rect(), palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
    const int lineHeight = fontMetrics().height();
    const int current = textCursor().blockNumber();
    QFont numberFont = font();
    // Only the lines in view are painted, from the first one under the top edge.
    for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
        const QRectF area = blockBoundingGeometry(block).translated(contentOffset());
        const int top = int(area.top());
        if (top > event->rect().bottom())
            break;
        if (!block.isVisible() || area.bottom() < event->rect().top())
            continue;
        numberFont.setBold(block.blockNumber() == current);
        painter.setFont(numberFont);
        painter.drawText(0, top, m_gutter->width() - kGutterPadding, lineHeight, Qt::AlignRight,
                         QString::number(block.blockNumber() + 1));
    }
}

void CodeEdit::paintEvent(QPaintEvent *event)
{
    {
        // Under the text, the width of the view: the line the cursor is on.
        QPainter painter(viewport());
        const QRect cursorArea = cursorRect();
        QColor shade = palette().color(QPalette::Highlight);
        shade.setAlpha(28);
        painter.fillRect(QRect(0, cursorArea.top(), viewport()->width(), cursorArea.height()), shade);
    }
    QPlainTextEdit::paintEvent(event);
}

void CodeEdit::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    // Closing braces come with Shift or AltGr on many keyboards: the character decides.
    const QString typed = event->text();
    if (!isReadOnly() &&
        (typed == QLatin1String("}") || typed == QLatin1String("]") || typed == QLatin1String(")")) &&
        closeBlock(typed))
        return;
    if (isReadOnly() || modifiers != Qt::NoModifier) {
        brivo::PlainTextArea::keyPressEvent(event);
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // The new line starts where the one it was split from starts, a step further in after an opening
        // brace.
        QTextCursor cursor = textCursor();
        cursor.beginEditBlock();
        cursor.removeSelectedText();
        const QString before = cursor.block().text().left(cursor.positionInBlock());
        const bool python = m_syntax && QLatin1String(m_syntax->name) == QLatin1String("Python");
        cursor.insertBlock();
        cursor.insertText(indentAfter(before, m_tabs, python));
        cursor.endEditBlock();
        setTextCursor(cursor);
        ensureCursorVisible();
        return;
    }
    if (event->key() == Qt::Key_Tab && !tabChangesFocus()) {
        insertPlainText(m_tabs ? QStringLiteral("\t") : QStringLiteral("    "));
        return;
    }
    brivo::PlainTextArea::keyPressEvent(event);
}

QString CodeEdit::indentAfter(QStringView before, bool tabs, bool colonOpens)
{
    qsizetype own = 0;
    while (own < before.size() && (before[own] == u' ' || before[own] == u'\t'))
        ++own;
    QString indent = before.left(own).toString();
    const QStringView text = before.trimmed();
    if (!text.isEmpty()) {
        const QChar last = text.back();
        if (last == u'{' || last == u'[' || last == u'(' || (colonOpens && last == u':'))
            indent += tabs ? QStringLiteral("\t") : QStringLiteral("    ");
    }
    return indent;
}

QString CodeEdit::oneStepLess(QStringView indent)
{
    if (indent.endsWith(u'\t'))
        return indent.chopped(1).toString();
    qsizetype end = indent.size();
    while (end > 0 && indent.size() - end < 4 && indent[end - 1] == u' ')
        --end;
    return indent.left(end).toString();
}

bool CodeEdit::closeBlock(const QString &closer)
{
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection())
        return false;
    const QString before = cursor.block().text().left(cursor.positionInBlock());
    if (before.isEmpty() || !before.trimmed().isEmpty())
        return false;
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(oneStepLess(before) + closer);
    cursor.endEditBlock();
    setTextCursor(cursor);
    return true;
}

bool CodeEdit::setSourceFile(const QString &path)
{
    delete m_highlighter;
    m_highlighter = nullptr;
    m_syntax = path.isEmpty() ? nullptr : brivo::syntaxForFile(path);

    // A text indents with tabs when its first indented line does.
    m_tabs = false;
    int sampled = 0;
    for (QTextBlock block = document()->begin(); block.isValid() && sampled < kIndentSampleLines;
         block = block.next(), ++sampled) {
        const QString text = block.text();
        if (text.startsWith(QLatin1Char('\t')) || text.startsWith(QLatin1Char(' '))) {
            m_tabs = text.startsWith(QLatin1Char('\t'));
            break;
        }
    }

    if (!m_syntax)
        return true;
    if (document()->characterCount() > maxHighlightedCharacters)
        return false;
    m_highlighter = new CodeHighlighter(*m_syntax, this);
    // Colouring is no edit: with the document's signals held, nobody takes the text for changed.
    const QSignalBlocker quiet(document());
    m_highlighter->setDocument(document());
    m_highlighter->rehighlight();
    return true;
}

void CodeEdit::goToLine(int line, int column)
{
    const QTextBlock block = document()->findBlockByNumber(qBound(1, line, document()->blockCount()) - 1);
    QTextCursor cursor(block);
    cursor.setPosition(block.position() + qBound(0, column - 1, block.length() - 1));
    setTextCursor(cursor);
    centerCursor();
}

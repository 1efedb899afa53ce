#include "common/plaintextarea.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QPointer>
#include <QTextCursor>
#include <QTextDocument>

#include <memory>

namespace brivo {

namespace {

// Selections longer than this are taken from the document's whole text, which it hands out in one pass
// over its pieces; QTextCursor::selectedText() appends them one at a time, several times slower.
constexpr int kLongSelection = 1024 * 1024;

// Plain text that is worked out only when someone asks for it.
class LazyTextMimeData : public QMimeData
{
public:
    QStringList formats() const override { return {QStringLiteral("text/plain")}; }
    bool hasFormat(const QString &mimeType) const override { return formats().contains(mimeType); }

protected:
    virtual QString plainText() const = 0;
    QVariant retrieveData(const QString &mimeType, QMetaType type) const override
    {
        return hasFormat(mimeType) ? QVariant(plainText()) : QMimeData::retrieveData(mimeType, type);
    }
};

// The selected text as the document holds it, each line ended by a paragraph separator; turned into LF
// line ends only when someone asks for the text, so that copying half a million lines takes one copy of
// them and no pass over every character.
class SelectionMimeData : public LazyTextMimeData
{
public:
    explicit SelectionMimeData(QString raw) : m_raw(std::move(raw)) {}

protected:
    QString plainText() const override
    {
        if (!m_converted) {
            for (QChar &c : m_raw) {
                if (c == QChar::ParagraphSeparator)
                    c = u'\n';
            }
            m_converted = true;
        }
        return m_raw;
    }

private:
    mutable QString m_raw;
    mutable bool m_converted = false;
};

// What the text area has selected when someone asks, for the primary selection, which stands for the
// current selection rather than a copy taken at one moment.
class CurrentSelectionMimeData : public LazyTextMimeData
{
public:
    explicit CurrentSelectionMimeData(const PlainTextArea *area) : m_area(area) {}

protected:
    QString plainText() const override
    {
        if (!m_area)
            return QString();
        std::unique_ptr<QMimeData> now(m_area->selectionMimeData());
        return now->text();
    }

private:
    QPointer<const PlainTextArea> m_area;
};

} // namespace

PlainTextArea::PlainTextArea(QWidget *parent) : QPlainTextEdit(parent) {}

void PlainTextArea::keyPressEvent(QKeyEvent *event)
{
    // Alt with a key is a command (a menu's mnemonic, or nothing), never text: a menu bar that has no
    // entry for the letter must not let it fall through into the document. AltGr, which does type
    // characters, is a modifier of its own and not Alt.
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    if (modifiers == Qt::AltModifier && !event->text().isEmpty()) {
        event->ignore();
        return;
    }
    if (!event->matches(QKeySequence::SelectAll)) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    event->accept();
    selectAll();
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (clipboard->supportsSelection() && textCursor().hasSelection())
        clipboard->setMimeData(new CurrentSelectionMimeData(this), QClipboard::Selection);
}

QMimeData *PlainTextArea::selectionMimeData() const
{
    return createMimeDataFromSelection();
}

QMimeData *PlainTextArea::createMimeDataFromSelection() const
{
    const QTextCursor cursor = textCursor();
    const int start = cursor.selectionStart();
    const int length = cursor.selectionEnd() - start;
    if (length <= kLongSelection)
        return new SelectionMimeData(cursor.selectedText());
    // The whole text is one copy already; only a part of it needs a second.
    QString raw = document()->toRawText();
    if (start != 0 || length != raw.size())
        raw = raw.sliced(start, length);
    return new SelectionMimeData(std::move(raw));
}

} // namespace brivo

#include "common/plaintextarea.h"

#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>

namespace brivo {

namespace {

// Selections longer than this are taken from the document's whole text, which it hands out in one pass
// over its pieces; QTextCursor::selectedText() appends them one at a time, several times slower.
constexpr int kLongSelection = 1024 * 1024;

// The selected text as the document holds it, each line ended by a paragraph separator; turned into LF
// line ends only when someone asks for the text, so that copying half a million lines takes one copy of
// them and no pass over every character.
class SelectionMimeData : public QMimeData
{
public:
    explicit SelectionMimeData(QString raw) : m_raw(std::move(raw)) {}

    QStringList formats() const override { return {QStringLiteral("text/plain")}; }
    bool hasFormat(const QString &mimeType) const override { return formats().contains(mimeType); }

protected:
    QVariant retrieveData(const QString &mimeType, QMetaType type) const override
    {
        if (!hasFormat(mimeType))
            return QMimeData::retrieveData(mimeType, type);
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

} // namespace

PlainTextArea::PlainTextArea(QWidget *parent) : QPlainTextEdit(parent) {}

QMimeData *PlainTextArea::createMimeDataFromSelection() const
{
    const QTextCursor cursor = textCursor();
    const int start = cursor.selectionStart();
    const int length = cursor.selectionEnd() - start;
    QString raw =
        length > kLongSelection ? document()->toRawText().sliced(start, length) : cursor.selectedText();
    return new SelectionMimeData(std::move(raw));
}

} // namespace brivo

// Keeps a text area's vertical scroll bar right for documents taller than about 21 million pixels.
#pragma once

#include <QObject>
#include <QPointer>

class QSizeF;
class QTextDocument;
class QTextEdit;

namespace brivo {

// QTextEdit works out its scroll range as the document's height times 100 in an int, which overflows once
// the text is taller than about 21 million pixels (a 50 MB file in a 14-point font gets there). The range
// then comes out wrong, the scroll bar hides and shows again, the text area's width changes with it, and
// every change lays the whole document out again: seconds per key. For documents that may get that tall
// the guard keeps the scroll bar on and sets the range from the height the layout reports; smaller ones
// are left to the text area.
class TextScrollGuard : public QObject
{
public:
    // Watches `edit` (which owns the guard) and its current document.
    explicit TextScrollGuard(QTextEdit *edit);

    // Follows the text area's document after QTextEdit::setDocument().
    void followDocument();

    // Whether the guard holds the scroll bar for the current document.
    bool isActive() const { return m_active; }

private:
    void update();
    void applyRange();
    // The document's height from its size in characters and lines, without laying it out: whether the
    // guard is needed must not depend on how far a lazy layout has got, or it would switch back and forth.
    double estimatedHeight() const;

    QTextEdit *m_edit;
    QPointer<QTextDocument> m_document;
    double m_height = 0; // as the layout last reported it
    bool m_active = false;
    bool m_applying = false;
};

} // namespace brivo

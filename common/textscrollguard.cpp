#include "common/textscrollguard.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QScrollBar>
#include <QTextDocument>
#include <QTextEdit>

#include <climits>

namespace brivo {

namespace {

// Well below the overflow at INT_MAX / 100 pixels, as the estimate may be off for wide characters.
constexpr double kTallDocument = 8'000'000;

} // namespace

TextScrollGuard::TextScrollGuard(QTextEdit *edit) : QObject(edit), m_edit(edit)
{
    // The text area sets a wrong range first; putting the right one back at once keeps the scroll bar
    // from hiding for a moment, which would change the width and start a full relayout.
    connect(edit->verticalScrollBar(), &QScrollBar::rangeChanged, this, [this] {
        if (m_active && !m_applying)
            applyRange();
    });
    followDocument();
}

void TextScrollGuard::followDocument()
{
    QTextDocument *document = m_edit->document();
    if (m_document == document)
        return;
    if (m_document) {
        disconnect(m_document, nullptr, this, nullptr);
        disconnect(m_document->documentLayout(), nullptr, this, nullptr);
    }
    m_document = document;
    m_height = 0;
    connect(document, &QTextDocument::contentsChanged, this, &TextScrollGuard::update);
    connect(document->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
            [this](const QSizeF &size) {
                m_height = size.height();
                update();
            });
    update();
}

double TextScrollGuard::estimatedHeight() const
{
    const QFontMetricsF metrics(m_document->defaultFont());
    const double width = qMax(1, m_edit->viewport()->width());
    const double wrappedLines = m_document->characterCount() * metrics.averageCharWidth() / width;
    return (m_document->blockCount() + wrappedLines) * metrics.lineSpacing();
}

void TextScrollGuard::update()
{
    const bool tall = estimatedHeight() > kTallDocument || m_height > kTallDocument;
    if (tall != m_active) {
        m_active = tall;
        // A document this tall shows its scroll bar anyway, so keeping it on changes nothing on screen.
        m_edit->setVerticalScrollBarPolicy(tall ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
    }
    if (m_active)
        applyRange();
}

void TextScrollGuard::applyRange()
{
    m_applying = true;
    const int page = m_edit->viewport()->height();
    const double maximum = qMin(m_height - page, double(INT_MAX));
    QScrollBar *bar = m_edit->verticalScrollBar();
    bar->setRange(0, qMax(0, int(maximum)));
    bar->setPageStep(page);
    m_applying = false;
}

} // namespace brivo

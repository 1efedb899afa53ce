#include "common/documentcapture.h"

#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QTextCursor>
#include <QTextDocument>

namespace brivo {

namespace {

// Time a slice may take before the event loop gets its turn.
constexpr qint64 kSliceNs = 6'000'000;

// A copy that came out the wrong length is started again; after this many, the rest is taken at once.
constexpr int kMaxRestarts = 3;

qsizetype rawLength(const QTextDocument *document)
{
    return document->characterCount() - 1; // the last block's separator is not part of the text
}

} // namespace

DocumentCapture::DocumentCapture(QObject *parent) : QObject(parent)
{
    m_next.setSingleShot(true);
    m_next.setInterval(0);
    connect(&m_next, &QTimer::timeout, this, &DocumentCapture::slice);
}

void DocumentCapture::start(QTextDocument *document)
{
    cancel();
    m_document = document;
    m_text = {};
    m_restarts = 0;
    m_running = true;
    // A document reports its changes only once it has a layout, which a text area's always has.
    document->documentLayout();
    m_changes = connect(document, &QTextDocument::contentsChange, this, &DocumentCapture::contentsChange);
    slice();
}

void DocumentCapture::cancel()
{
    m_next.stop();
    disconnect(m_changes);
    m_running = false;
    m_text = {};
}

CapturedText DocumentCapture::take()
{
    return std::exchange(m_text, {});
}

QString DocumentCapture::rawRange(qsizetype from, qsizetype to, bool *ok) const
{
    QTextCursor cursor(m_document);
    cursor.setPosition(int(from));
    cursor.setPosition(int(to), QTextCursor::KeepAnchor);
    // A selection that reaches into a table is widened to whole cells.
    *ok = cursor.selectionStart() == from && cursor.selectionEnd() == to;
    return *ok ? cursor.selectedText() : QString();
}

void DocumentCapture::slice()
{
    if (!m_document) {
        cancel();
        return;
    }
    const qsizetype total = rawLength(m_document);
    QString &raw = m_text.raw;
    QElapsedTimer clock;
    clock.start();
    while (raw.size() < total && clock.nsecsElapsed() < kSliceNs) {
        bool ok = true;
        const QString part = rawRange(raw.size(), qMin(total, raw.size() + m_step), &ok);
        if (!ok) {
            raw = m_document->toRawText();
            break;
        }
        raw += part;
        if (m_oneStepPerSlice)
            break;
    }
    if (raw.size() < total) {
        m_next.start();
        return;
    }
    if (raw.size() != total) {
        // Edits were reported in a way the copy could not follow: start again.
        raw = ++m_restarts > kMaxRestarts ? m_document->toRawText() : QString();
        slice();
        return;
    }
    finish();
}

void DocumentCapture::contentsChange(int position, int removed, int added)
{
    QString &raw = m_text.raw;
    if (!m_running || position >= raw.size())
        return; // the slices still to come copy it as it is now
    const qsizetype end = qsizetype(position) + added;
    bool ok = qsizetype(position) + removed <= raw.size() && end <= rawLength(m_document);
    const QString replacement = ok ? rawRange(position, end, &ok) : QString();
    if (ok)
        raw.replace(position, removed, replacement);
    else
        raw.truncate(position); // copied again from there
}

void DocumentCapture::finish()
{
    m_next.stop();
    disconnect(m_changes);
    // Lines whose line end differs from the rest are rare and marked on their blocks; the walk that finds
    // them runs only on documents that have any (documentLineEnds()).
    m_text.lineEnds = documentLineEnds(m_document);
    m_running = false;
    emit finished();
}

} // namespace brivo

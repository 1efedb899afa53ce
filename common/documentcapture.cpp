#include "common/documentcapture.h"

#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QTextCursor>
#include <QTextDocument>

namespace brivo {

namespace {

// Time a slice may take before the event loop gets its turn; it copies steps of m_step characters (about
// half a millisecond each) until that time is up.
constexpr qint64 kSliceNs = 4'000'000;

// A changed stretch up to this long is copied at once (a few milliseconds); a longer one means copying the
// whole document again, in slices.
constexpr qsizetype kCopyAtOnce = 256 * 1024;

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

void DocumentCapture::follow(QTextDocument *document)
{
    forget();
    m_document = document;
    // A document reports its changes only once it has a layout, which a text area's always has.
    document->documentLayout();
    m_changes = connect(document, &QTextDocument::contentsChange, this, &DocumentCapture::contentsChange);
}

void DocumentCapture::start(QTextDocument *document)
{
    if (document != m_document)
        follow(document);
    cancel();
    m_running = true;
    if (!m_copyValid) {
        startFull();
        return;
    }
    if (m_dirtyFrom >= 0) {
        bool ok = m_dirtyTo - m_dirtyFrom <= kCopyAtOnce;
        const QString changed = ok ? rawRange(m_dirtyFrom, m_dirtyTo, &ok) : QString();
        if (!ok) {
            startFull();
            return;
        }
        m_copy.replace(m_dirtyFrom, m_cacheDirtyTo - m_dirtyFrom, changed);
        m_dirtyFrom = -1;
        if (m_copy.size() != rawLength(m_document)) {
            startFull(); // the edits were reported in a way the copy could not follow
            return;
        }
    }
    m_text.raw = m_copy;
    finish();
}

void DocumentCapture::startFull()
{
    m_copyValid = false;
    m_copy.clear();
    m_dirtyFrom = -1;
    m_restarts = 0;
    m_text = {};
    slice();
}

void DocumentCapture::cancel()
{
    m_next.stop();
    m_running = false;
    m_text = {};
}

void DocumentCapture::forget()
{
    cancel();
    disconnect(m_changes);
    m_document = nullptr;
    m_copy.clear();
    m_copyValid = false;
    m_dirtyFrom = -1;
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
        forget();
        return;
    }
    const qsizetype total = rawLength(m_document);
    QString &raw = m_text.raw;
    if (raw.isEmpty())
        raw.reserve(total); // growing a string of tens of megabytes would copy it in one go
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
    m_copy = raw;
    m_copyValid = true;
    finish();
}

void DocumentCapture::contentsChange(int position, int removed, int added)
{
    if (m_running && !m_copyValid) {
        // A copy made in slices: the part copied so far takes the edit.
        QString &raw = m_text.raw;
        if (position >= raw.size())
            return; // the slices still to come copy it as it is now
        const qsizetype end = qsizetype(position) + added;
        bool ok = qsizetype(position) + removed <= raw.size() && end <= rawLength(m_document);
        const QString replacement = ok ? rawRange(position, end, &ok) : QString();
        if (ok)
            raw.replace(position, removed, replacement);
        else
            raw.truncate(position); // copied again from there
        return;
    }
    if (!m_copyValid)
        return;
    // Since the last copy: widen the changed stretch to take this edit in. Before the edit, the document
    // matches the copy outside [m_dirtyFrom, m_dirtyTo), shifted by the edits within it.
    if (m_dirtyFrom < 0) {
        m_dirtyFrom = position;
        m_dirtyTo = qsizetype(position) + added;
        m_cacheDirtyTo = qsizetype(position) + removed;
        return;
    }
    const qsizetype editEnd = qsizetype(position) + removed;
    m_cacheDirtyTo += qMax<qsizetype>(0, editEnd - m_dirtyTo);
    m_dirtyTo = qMax(m_dirtyTo, editEnd) + added - removed;
    m_dirtyFrom = qMin<qsizetype>(m_dirtyFrom, position);
}

void DocumentCapture::finish()
{
    m_next.stop();
    // Lines whose line end differs from the rest are rare and marked on their blocks; the walk that finds
    // them runs only on documents that have any (documentLineEnds()).
    m_text.lineEnds = documentLineEnds(m_document);
    m_running = false;
    emit finished();
}

} // namespace brivo

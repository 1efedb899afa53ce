// Copying a large document's text without holding the window: only what changed, or a slice at a time.
#pragma once

#include "brivo_core_export.h"

#include "common/textdocumentfile.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class QTextDocument;

namespace brivo {

// QTextDocument::toRawText() of a 50 MB document takes about 90 ms, which the user feels as a stalled key.
// A capture follows one document: the first copy is made in slices of a few milliseconds, with every edit
// made meanwhile applied to the part already copied; later copies start from the one before and copy only
// the stretch that edits touched since (a few characters while someone types), or everything again in
// slices when that stretch is large. Documents with tables (pasted rich text), whose selections Qt widens to
// whole cells, are copied at once.
class BRIVO_CORE_EXPORT DocumentCapture : public QObject
{
    Q_OBJECT
public:
    explicit DocumentCapture(QObject *parent = nullptr);

    // Starts copying `document`; finished() follows when the copy is complete, which for a small document
    // or a small change is before start() returns. A capture under way is started again.
    void start(QTextDocument *document);
    // Stops a capture under way.
    void cancel();
    // Stops, and lets go of the document and of the last copy.
    void forget();
    bool isRunning() const { return m_running; }

    // The copy, once finished() was emitted. The next capture is built on it: keeping it unchanged until
    // then (only reading it) costs nothing more.
    CapturedText take();

    // Makes every slice copy `characters` at the most, so that tests can edit between any two slices.
    void setSliceSizeForTesting(qsizetype characters)
    {
        m_step = characters;
        m_oneStepPerSlice = true;
    }

signals:
    void finished();

private:
    void follow(QTextDocument *document);
    void startFull();
    void slice();
    void contentsChange(int position, int removed, int added);
    void finish();
    QString rawRange(qsizetype from, qsizetype to, bool *ok) const;

    QPointer<QTextDocument> m_document;
    QMetaObject::Connection m_changes;
    QTimer m_next;
    // The document's text as the last copy had it, and the stretch of the document that changed since:
    // [m_dirtyFrom, m_dirtyTo) now, [m_dirtyFrom, m_cacheDirtyTo) in the copy.
    QString m_copy;
    bool m_copyValid = false;
    qsizetype m_dirtyFrom = -1;
    qsizetype m_dirtyTo = 0;
    qsizetype m_cacheDirtyTo = 0;
    CapturedText m_text; // a copy being made in slices, then the finished one
    qsizetype m_step = 64 * 1024;
    int m_restarts = 0;
    bool m_oneStepPerSlice = false;
    bool m_running = false;
};

} // namespace brivo

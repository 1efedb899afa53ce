// Copying a large document's text without holding the window: a slice at a time, between events.
#pragma once

#include "common/textdocumentfile.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class QTextDocument;

namespace brivo {

// QTextDocument::toRawText() of a 50 MB document takes about 90 ms, which the user feels as a stalled key.
// A capture copies the text in slices of a few milliseconds instead, and applies every edit made meanwhile
// to the part already copied, so that what it hands over is the document's text as it stood when the last
// slice ran. Documents with tables (pasted rich text), whose selections Qt widens to whole cells, are copied
// at once.
class DocumentCapture : public QObject
{
    Q_OBJECT
public:
    explicit DocumentCapture(QObject *parent = nullptr);

    // Starts copying `document` (a capture under way is dropped); finished() follows when the copy is
    // complete, which for a small document is before start() returns.
    void start(QTextDocument *document);
    void cancel();
    bool isRunning() const { return m_running; }

    // The copy, once finished() was emitted.
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
    void slice();
    void contentsChange(int position, int removed, int added);
    void finish();
    QString rawRange(qsizetype from, qsizetype to, bool *ok) const;

    QPointer<QTextDocument> m_document;
    QMetaObject::Connection m_changes;
    QTimer m_next;
    CapturedText m_text;
    qsizetype m_step = 256 * 1024;
    int m_restarts = 0;
    bool m_oneStepPerSlice = false;
    bool m_running = false;
};

} // namespace brivo

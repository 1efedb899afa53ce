#include "common/documentrecovery.h"

#include <QFileInfo>
#include <QPlainTextEdit>

namespace brivo {

namespace {

int &delaySetting()
{
    static int delay = 2000;
    return delay;
}

} // namespace

int DocumentRecovery::delayMs()
{
    return delaySetting();
}

void DocumentRecovery::setDelayForTesting(int ms)
{
    delaySetting() = ms;
}

DocumentRecovery::DocumentRecovery(QPlainTextEdit *edit, const QString &tool, LineSeparators separators)
    : QObject(edit), m_edit(edit), m_tool(tool), m_separators(separators)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &DocumentRecovery::copyNow);
    connect(&m_capture, &DocumentCapture::finished, this, &DocumentRecovery::captured);
}

DocumentRecovery::~DocumentRecovery() = default;

void DocumentRecovery::setFile(const QString &path, const TextFormat &format)
{
    // Restored in another folder, a relative name would lead Save to another file.
    m_path = path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
    m_format = format;
}

void DocumentRecovery::changed()
{
    // The timer is not started again by later changes: while typing goes on, a copy follows every interval.
    if (!m_timer.isActive())
        m_timer.start(delayMs());
}

void DocumentRecovery::unchanged()
{
    m_timer.stop();
    m_capture.cancel();
    m_pending = false;
    m_writing = false;
    ++m_generation;
    if (!m_id.isEmpty()) {
        // After any write of it still under way, as the store keeps the order.
        RecoveryStore::instance()->remove(m_id);
        m_id.clear();
    }
}

void DocumentRecovery::adopt(const RecoveryCopy &copy)
{
    unchanged();
    m_id = copy.id;
    m_path = copy.path;
    m_format = copy.format;
}

void DocumentRecovery::copyPending()
{
    if (m_timer.isActive()) {
        m_timer.stop();
        copyNow();
    }
}

bool DocumentRecovery::isIdle() const
{
    return !m_timer.isActive() && !m_capture.isRunning() && !m_writing && !m_pending;
}

void DocumentRecovery::copyNow()
{
    if (!m_edit)
        return;
    if (m_writing || m_capture.isRunning()) {
        m_pending = true; // once the copy under way is written
        return;
    }
    QTextDocument *document = m_edit->document();
    if (m_path.isEmpty() && document->isEmpty()) {
        // An empty new document has nothing to lose.
        if (!m_id.isEmpty()) {
            RecoveryStore::instance()->remove(m_id);
            m_id.clear();
        }
        return;
    }
    m_cursor = m_edit->textCursor().position();
    m_capturing = document;
    m_capture.start(document);
}

void DocumentRecovery::captured()
{
    CapturedText text = m_capture.take();
    // A document replaced meanwhile is not this window's text any more.
    if (!m_edit || m_capturing != m_edit->document())
        return;
    if (m_id.isEmpty())
        m_id = RecoveryStore::instance()->newId();
    RecoveryCopy copy;
    copy.tool = m_tool;
    copy.path = m_path;
    copy.format = m_format;
    copy.cursor = m_cursor;
    copy.time = QDateTime::currentDateTime();
    copy.id = m_id;
    m_writing = true;
    const int generation = m_generation;
    RecoveryStore::instance()->write(copy, std::move(text), m_separators, this, [this, generation](bool) {
        if (generation != m_generation)
            return;
        m_writing = false;
        if (std::exchange(m_pending, false))
            copyNow();
    });
}

} // namespace brivo

#include "viewers/pageprerenderer.h"

#include "viewers/pdfpaging.h"

#include <poppler-qt6.h>

#include <algorithm>
#include <cmath>

namespace brivo {

PagePrerenderer::PagePrerenderer(const QString &path, int pageCount, const FileStamp &opened, QObject *parent)
    : QObject(parent), m_path(path), m_pageCount(pageCount), m_stamp(opened)
{
    m_pool.setMaxThreadCount(1);
    // The worker starts a moment after it is asked, once the page just turned to is laid out and painted:
    // started at once, it took the processor from that paint (a light page's turn took 7 ms instead of
    // 1.5 on a busy two-core machine). A reader looks at a page far longer than this.
    m_start.setSingleShot(true);
    m_start.setInterval(30);
    connect(&m_start, &QTimer::timeout, this, &PagePrerenderer::startWorker);
}

PagePrerenderer::PagePrerenderer(const QString &path, int pageCount, QObject *parent)
    : PagePrerenderer(path, pageCount, fileStamp(path), parent)
{}

PagePrerenderer::~PagePrerenderer()
{
    {
        QMutexLocker lock(&m_mutex);
        m_wanted.clear();
    }
    // The page being rendered is finished first; its result goes nowhere.
    m_pool.waitForDone();
}

void PagePrerenderer::setPageSize(std::function<QSizeF(int)> pageSize)
{
    m_pageSize = std::move(pageSize);
}

void PagePrerenderer::setBudgetKiB(qint64 kib)
{
    m_budget = kib * 1024;
}

void PagePrerenderer::setResolution(int dpiX, int dpiY)
{
    {
        QMutexLocker lock(&m_mutex);
        if (dpiX == m_dpiX && dpiY == m_dpiY)
            return;
        m_dpiX = dpiX;
        m_dpiY = dpiY;
    }
    dropAll();
}

void PagePrerenderer::dropAll()
{
    {
        QMutexLocker lock(&m_mutex);
        // What the worker is rendering now is thrown away when it is done.
        ++m_generation;
        m_wanted.clear();
        m_finished.clear();
    }
    m_kept.clear();
    m_asked.clear();
    m_shown = -1;
}

QImage PagePrerenderer::page(int index)
{
    if (QImage finished = collectFinished(index); !finished.isNull())
        return finished;
    if (const auto kept = m_kept.find(index); kept != m_kept.end()) {
        kept->lastUse = ++m_uses;
        return kept->image;
    }
    {
        QMutexLocker lock(&m_mutex);
        // Whoever asks now renders the page unless the worker already is; either way the worker need not
        // start on it later.
        m_wanted.removeAll(index);
        while (m_rendering == index && m_renderingGeneration == m_generation)
            m_renderDone.wait(&m_mutex);
    }
    // Handed over as it is, even a page too big to be kept: it is about to be shown.
    return collectFinished(index);
}

void PagePrerenderer::showing(int index, const QImage &image)
{
    if (image.isNull())
        return;
    m_shown = index;
    m_kept.insert(index, {image, image.sizeInBytes(), ++m_uses});
}

void PagePrerenderer::prepare(const QList<int> &indexes)
{
    collectFinished();
    int rendering = -1;
    {
        QMutexLocker lock(&m_mutex);
        if (m_dpiX <= 0 || m_dpiY <= 0)
            return;
        if (m_renderingGeneration == m_generation)
            rendering = m_rendering;
    }

    // Most wanted first, each page only when it fits beside those before it. A kept page that does not fit
    // any more may be let go; one that is not kept is not rendered.
    QList<int> asked;
    QList<int> wanted;
    qint64 room = m_budget;
    qint64 coming = 0;
    for (int index : indexes) {
        if (index < 0 || index >= m_pageCount || index == m_shown || asked.contains(index))
            continue;
        const auto kept = m_kept.constFind(index);
        const qint64 cost = kept != m_kept.constEnd() ? kept->cost : estimatedCost(index);
        if (cost > room)
            continue;
        room -= cost;
        asked.append(index);
        if (kept != m_kept.constEnd())
            continue;
        coming += cost;
        if (index != rendering)
            wanted.append(index);
    }
    m_asked = asked;
    makeRoom(coming, m_asked);

    QMutexLocker lock(&m_mutex);
    m_wanted = wanted;
    if (!m_working && !m_wanted.isEmpty() && !m_start.isActive())
        m_start.start();
}

void PagePrerenderer::startWorker()
{
    QMutexLocker lock(&m_mutex);
    if (!m_working && !m_wanted.isEmpty()) {
        m_working = true;
        m_pool.start([this] { work(); });
    }
}

bool PagePrerenderer::isKept(int index)
{
    collectFinished();
    return m_kept.contains(index);
}

bool PagePrerenderer::isRendering(int index)
{
    QMutexLocker lock(&m_mutex);
    return m_rendering == index && m_renderingGeneration == m_generation;
}

int PagePrerenderer::renderedCount()
{
    QMutexLocker lock(&m_mutex);
    return m_renderedCount;
}

qint64 PagePrerenderer::estimatedCost(int index) const
{
    if (!m_pageSize)
        return 0;
    const QSizeF points = m_pageSize(index);
    // Pixels as the renderer rounds them, four bytes each.
    const double bytes =
        std::ceil(points.width() * m_dpiX / 72.0) * std::ceil(points.height() * m_dpiY / 72.0) * 4;
    if (!(bytes > 0))
        return 0;
    return bytes >= 1e18 ? qint64(1e18) : qint64(bytes);
}

qint64 PagePrerenderer::keptCost() const
{
    qint64 cost = 0;
    for (auto it = m_kept.constBegin(); it != m_kept.constEnd(); ++it) {
        if (it.key() != m_shown)
            cost += it->cost;
    }
    return cost;
}

void PagePrerenderer::makeRoom(qint64 extra, const QList<int> &wanted)
{
    while (keptCost() + extra > m_budget) {
        auto oldest = m_kept.end();
        for (auto it = m_kept.begin(); it != m_kept.end(); ++it) {
            if (it.key() != m_shown && !wanted.contains(it.key()) &&
                (oldest == m_kept.end() || it->lastUse < oldest->lastUse))
                oldest = it;
        }
        if (oldest == m_kept.end())
            return;
        m_kept.erase(oldest);
    }
}

void PagePrerenderer::work()
{
    for (;;) {
        int index = 0;
        int dpiX = 0;
        int dpiY = 0;
        quint64 generation = 0;
        {
            QMutexLocker lock(&m_mutex);
            if (m_wanted.isEmpty()) {
                m_working = false;
                return;
            }
            index = m_wanted.takeFirst();
            dpiX = m_dpiX;
            dpiY = m_dpiY;
            generation = m_generation;
            m_rendering = index;
            m_renderingGeneration = generation;
        }

        QImage image;
        bool rendered = false;
        if (openWorkerDocument()) {
            if (const std::unique_ptr<Poppler::Page> page = m_document->page(index)) {
                image = pdfpaging::renderPage(*page, dpiX, dpiY);
                rendered = true;
            }
        }

        bool delivered = false;
        {
            QMutexLocker lock(&m_mutex);
            m_rendering = -1;
            if (rendered)
                ++m_renderedCount;
            if (!image.isNull() && generation == m_generation) {
                m_finished.append({index, image});
                delivered = true;
            }
            m_renderDone.wakeAll();
        }
        // Queued to this object: should it be deleted first, the call is dropped with it.
        if (delivered)
            QMetaObject::invokeMethod(
                this, [this] { collectFinished(); }, Qt::QueuedConnection);
    }
}

bool PagePrerenderer::openWorkerDocument()
{
    if (m_document)
        return true;
    if (m_documentFailed)
        return false;
    // A file replaced or rewritten since the caller opened it would give pages that are not the caller's:
    // then nothing is prepared. Poppler keeps the file open, so the copy checked after loading is the one
    // read from from then on.
    if (fileStamp(m_path) == m_stamp)
        m_document = Poppler::Document::load(m_path, m_password, m_password);
    if (!m_document || m_document->isLocked() || m_document->numPages() != m_pageCount ||
        fileStamp(m_path) != m_stamp) {
        m_document.reset();
        m_documentFailed = true;
        return false;
    }
    // The same hint as the window's own document, so prepared pages look exactly like rendered ones.
    m_document->setRenderHint(Poppler::Document::TextAntialiasing, true);
    return true;
}

QImage PagePrerenderer::collectFinished(int take)
{
    QList<QPair<int, QImage>> finished;
    {
        QMutexLocker lock(&m_mutex);
        finished.swap(m_finished);
    }
    QImage taken;
    for (const auto &[index, image] : std::as_const(finished)) {
        if (index == take) {
            taken = image;
            continue;
        }
        // Kept when it fits without letting go of a page asked for; otherwise it was rendered for a
        // request that is over, and goes.
        const qint64 cost = image.sizeInBytes();
        qint64 askedCost = 0;
        for (int asked : std::as_const(m_asked)) {
            if (const auto kept = m_kept.constFind(asked); kept != m_kept.constEnd() && asked != m_shown)
                askedCost += kept->cost;
        }
        if (askedCost + cost > m_budget)
            continue;
        makeRoom(cost, m_asked);
        m_kept.insert(index, {image, cost, ++m_uses});
        emit pagePrepared(index);
    }
    return taken;
}

} // namespace brivo

#include "viewers/pageprerenderer.h"

#include "viewers/pdfpaging.h"

#include <QCoreApplication>
#include <QEvent>

#include <poppler-qt6.h>

#include <algorithm>

namespace brivo {

namespace {

int costInKiB(const QImage &image)
{
    return std::max<int>(1, int(image.sizeInBytes() / 1024));
}

} // namespace

PagePrerenderer::PagePrerenderer(const QString &path, int pageCount, QObject *parent)
    : QObject(parent), m_path(path), m_pageCount(pageCount), m_kept(keptKiB)
{
    m_pool.setMaxThreadCount(1);
}

PagePrerenderer::~PagePrerenderer()
{
    {
        QMutexLocker lock(&m_mutex);
        m_wanted.clear();
    }
    // The page being rendered is finished first; its result goes nowhere.
    m_pool.waitForDone();
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
}

QImage PagePrerenderer::page(int index)
{
    collectFinished();
    if (const QImage *kept = m_kept.object(index))
        return *kept;
    {
        QMutexLocker lock(&m_mutex);
        // Whoever asks now renders the page unless the worker already is; either way the worker need not
        // start on it later.
        m_wanted.removeAll(index);
        while (m_rendering == index && m_renderingGeneration == m_generation)
            m_renderDone.wait(&m_mutex);
    }
    collectFinished();
    if (const QImage *kept = m_kept.object(index))
        return *kept;
    return QImage();
}

void PagePrerenderer::keep(int index, const QImage &image)
{
    if (!image.isNull())
        keepImage(index, image);
}

void PagePrerenderer::prepare(const QList<int> &indexes)
{
    collectFinished();
    QList<int> wanted;
    for (int index : indexes) {
        if (index >= 0 && index < m_pageCount && !m_kept.contains(index) && !wanted.contains(index))
            wanted.append(index);
    }
    QMutexLocker lock(&m_mutex);
    if (m_dpiX <= 0 || m_dpiY <= 0)
        return;
    if (m_renderingGeneration == m_generation)
        wanted.removeAll(m_rendering);
    m_wanted = wanted;
    // The worker starts once the events already waiting have been handled, the paint of the page just
    // turned to among them (paints wait at low priority; this waits lower still), so that the window is
    // painted before the two threads compete for the processor.
    if (!m_working && !m_wanted.isEmpty() && !m_startPosted) {
        m_startPosted = true;
        QCoreApplication::postEvent(this, new QEvent(QEvent::User), Qt::LowEventPriority - 1);
    }
}

void PagePrerenderer::customEvent(QEvent *event)
{
    if (event->type() != QEvent::User)
        return;
    QMutexLocker lock(&m_mutex);
    m_startPosted = false;
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
        if (openWorkerDocument()) {
            if (const std::unique_ptr<Poppler::Page> page = m_document->page(index))
                image = pdfpaging::renderPage(*page, dpiX, dpiY);
        }

        bool delivered = false;
        {
            QMutexLocker lock(&m_mutex);
            m_rendering = -1;
            if (!image.isNull() && generation == m_generation) {
                m_finished.append({index, image});
                delivered = true;
            }
            m_renderDone.wakeAll();
        }
        // Queued to this object: should it be deleted first, the call is dropped with it.
        if (delivered)
            QMetaObject::invokeMethod(this, &PagePrerenderer::collectFinished, Qt::QueuedConnection);
    }
}

bool PagePrerenderer::openWorkerDocument()
{
    if (m_document)
        return true;
    if (m_documentFailed)
        return false;
    m_document = Poppler::Document::load(m_path);
    if (!m_document || m_document->isLocked() || m_document->numPages() != m_pageCount) {
        m_document.reset();
        m_documentFailed = true;
        return false;
    }
    // The same hint as the window's own document, so prepared pages look exactly like rendered ones.
    m_document->setRenderHint(Poppler::Document::TextAntialiasing, true);
    return true;
}

void PagePrerenderer::collectFinished()
{
    QList<QPair<int, QImage>> finished;
    {
        QMutexLocker lock(&m_mutex);
        finished.swap(m_finished);
    }
    for (const auto &[index, image] : std::as_const(finished)) {
        if (keepImage(index, image))
            emit pagePrepared(index);
    }
}

bool PagePrerenderer::keepImage(int index, const QImage &image)
{
    // A page larger than the whole budget is not kept (the cache deletes it at once).
    return m_kept.insert(index, new QImage(image), costInKiB(image));
}

} // namespace brivo

#include "viewers/pdfsearch.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

#include <poppler-qt6.h>

#include <functional>

namespace brivo {

PdfSearch::PdfSearch(QObject *parent) : QObject(parent) {}

PdfSearch::~PdfSearch()
{
    cancel();
}

void PdfSearch::cancel()
{
    if (m_stopped)
        m_stopped->store(true);
    m_stopped.reset();
    ++m_generation;
    m_finished = true;
}

void PdfSearch::start(const QString &path, const QByteArray &password, const QString &text, bool matchCase)
{
    cancel();
    if (text.isEmpty()) {
        emit finished();
        return;
    }
    m_finished = false;
    auto stopped = std::make_shared<std::atomic_bool>(false);
    m_stopped = stopped;
    const int generation = m_generation;
    QPointer<PdfSearch> self(this);
    // Hands one result over on the GUI thread, if the search is still there and still the latest.
    const auto deliver = [self, generation](std::function<void(PdfSearch *)> work) {
        QMetaObject::invokeMethod(
            qApp,
            [self, generation, work = std::move(work)] {
                if (self && self->m_generation == generation)
                    work(self.data());
            },
            Qt::QueuedConnection);
    };
    QThreadPool::globalInstance()->start([path, password, text, matchCase, stopped, deliver] {
        // A document of its own: a poppler document is not to be used from two threads at once.
        const std::unique_ptr<Poppler::Document> own = Poppler::Document::load(path, password, password);
        const int pages = own && !own->isLocked() ? own->numPages() : 0;
        for (int i = 0; i < pages && !*stopped; ++i) {
            const std::unique_ptr<Poppler::Page> page = own->page(i);
            if (!page)
                continue;
            const QSizeF size = page->pageSizeF();
            QList<QRectF> hits;
            const QList<QRectF> onPage =
                page->search(text, matchCase ? Poppler::Page::NoSearchFlags : Poppler::Page::IgnoreCase);
            for (const QRectF &hit : onPage)
                hits.append(QRectF(hit.x() / size.width(), hit.y() / size.height(),
                                   hit.width() / size.width(), hit.height() / size.height()));
            if (!hits.isEmpty())
                deliver([i, hits](PdfSearch *search) { emit search->found(i, hits); });
        }
        deliver([](PdfSearch *search) {
            search->m_finished = true;
            search->m_stopped.reset();
            emit search->finished();
        });
    });
}

} // namespace brivo

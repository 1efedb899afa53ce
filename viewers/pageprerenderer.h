// Renders pages of one PDF document ahead of need on a thread of its own, and keeps the last few pages, so
// that turning to a page the reader is likely to want next does not wait for the renderer.
#pragma once

#include <QCache>
#include <QImage>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QPair>
#include <QString>
#include <QThreadPool>
#include <QWaitCondition>

#include <memory>

namespace Poppler {
class Document;
}

namespace brivo {

class PagePrerenderer : public QObject
{
    Q_OBJECT
public:
    // Most memory the kept pages take together, in KiB: about a dozen letter pages at 100 dots per inch.
    static constexpr int keptKiB = 48 * 1024;

    // The worker opens `path` again: a poppler document must not be used by two threads at once, so it
    // holds one of its own. A copy that does not have `pageCount` pages (the file changed in between) is
    // not used, and every page then comes from the caller.
    PagePrerenderer(const QString &path, int pageCount, QObject *parent = nullptr);
    ~PagePrerenderer() override;

    // The resolution pages are rendered at. A change drops every kept page and every open request, since
    // none of them can be shown at the new resolution.
    void setResolution(int dpiX, int dpiY);

    // The page at `index` at the current resolution when it is kept, or when the worker is rendering it
    // now (then it waits for it rather than having the page rendered twice); a null image otherwise.
    QImage page(int index);

    // Drops every kept page and every open request.
    void dropAll();

    // Keeps a page the caller rendered itself at the current resolution, for a turn back to it.
    void keep(int index, const QImage &image);

    // Asks for the pages in `indexes`, in that order, in place of every request not yet started. Pages
    // that are kept, out of range or being rendered are skipped.
    void prepare(const QList<int> &indexes);

    // Whether the page at `index` is kept (including pages rendered but not yet collected).
    bool isKept(int index);

signals:
    // A requested page is rendered and kept.
    void pagePrepared(int index);

protected:
    // Starts the worker on the requests (posted by prepare()).
    void customEvent(QEvent *event) override;

private:
    // The worker's loop: renders the wanted pages one after another until none is left.
    void work();
    // Whether the worker's own document is open and matches the caller's; opens it on first use.
    bool openWorkerDocument();
    // Moves what the worker finished into the kept pages (GUI thread).
    void collectFinished();
    bool keepImage(int index, const QImage &image);

    const QString m_path;
    const int m_pageCount;
    QCache<int, QImage> m_kept; // GUI thread only; cost in KiB

    // Shared with the worker, under m_mutex.
    QMutex m_mutex;
    QWaitCondition m_renderDone;
    QList<int> m_wanted;
    int m_dpiX = 0;
    int m_dpiY = 0;
    // Counts resolution changes, so that a page rendered for an older resolution is thrown away.
    quint64 m_generation = 0;
    int m_rendering = -1;
    quint64 m_renderingGeneration = 0;
    bool m_working = false;
    bool m_startPosted = false;
    QList<QPair<int, QImage>> m_finished;

    // The worker's alone.
    std::unique_ptr<Poppler::Document> m_document;
    bool m_documentFailed = false;

    // One thread, so the worker's document is never used by two threads at once. Declared last: it is
    // finished with before anything the worker touches goes away.
    QThreadPool m_pool;
};

} // namespace brivo

// Renders pages of one PDF document ahead of need on a thread of its own, and keeps a few pages, so that
// turning to a page the reader is likely to want next does not wait for the renderer.
#pragma once

#include "brivo_pdf_export.h"

#include "common/filestamp.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QPair>
#include <QSizeF>
#include <QString>
#include <QThreadPool>
#include <QTimer>
#include <QWaitCondition>

#include <functional>
#include <memory>

namespace Poppler {
class Document;
}

namespace brivo {

class BRIVO_PDF_EXPORT PagePrerenderer : public QObject
{
    Q_OBJECT
public:
    // Most memory the kept pages other than the shown one take together, in KiB: about a dozen letter
    // pages at 100 dots per inch, or one at 300.
    static constexpr int keptKiB = 48 * 1024;

    // The worker opens `path` again: a poppler document must not be used by two threads at once, so it
    // holds one of its own. `opened` is the file as the caller found it when it opened its document; a
    // copy that is another file by then (replaced or rewritten on disk), or does not have `pageCount`
    // pages, is not used, and every page then comes from the caller.
    PagePrerenderer(const QString &path, int pageCount, const FileStamp &opened, QObject *parent = nullptr);
    // The same, for a file the caller has opened just now.
    PagePrerenderer(const QString &path, int pageCount, QObject *parent = nullptr);
    ~PagePrerenderer() override;

    // Where the size of a page, in points, comes from: the caller's own document. It tells what a page
    // will take in memory before it is rendered. Without it every page is taken to fit.
    void setPageSize(std::function<QSizeF(int)> pageSize);
    // The password of a locked document, for the worker's own copy; set before the first prepare(). It is
    // held in memory only.
    void setPassword(const QByteArray &password) { m_password = password; }
    // Changes the memory budget of the kept pages (keptKiB by default).
    void setBudgetKiB(qint64 kib);

    // The resolution pages are rendered at. A change drops every kept page and every open request, since
    // none of them can be shown at the new resolution.
    void setResolution(int dpiX, int dpiY);

    // The page at `index` at the current resolution when it is kept, or when the worker is rendering it
    // now (then it waits for it rather than having the page rendered twice); a null image otherwise.
    QImage page(int index);

    // The page the caller shows now, rendered by itself or taken from page(). It is kept while it is shown
    // and does not count against the budget: the caller holds it anyway.
    void showing(int index, const QImage &image);

    // Drops every kept page and every open request.
    void dropAll();

    // Asks for the pages in `indexes`, most wanted first, in place of every request not yet started. A page
    // is asked for only when it fits into the budget beside the more wanted ones, so that nothing is
    // rendered only to be thrown away; kept pages that do not fit any more are let go. Pages that are
    // kept, out of range or being rendered are not rendered again.
    void prepare(const QList<int> &indexes);

    // Whether the page at `index` is kept (including pages rendered but not yet collected).
    bool isKept(int index);
    // Whether the worker is rendering the page at `index` now.
    bool isRendering(int index);
    // How many pages the worker has rendered.
    int renderedCount();

signals:
    // A requested page is rendered and kept.
    void pagePrepared(int index);

private:
    struct Kept
    {
        QImage image;
        qint64 cost = 0;
        quint64 lastUse = 0;
    };

    // Starts the worker on the requests (a moment after prepare()).
    void startWorker();
    // The worker's loop: renders the wanted pages one after another until none is left.
    void work();
    // Whether the worker's own document is open and is the caller's file; opens it on first use.
    bool openWorkerDocument();
    // Moves what the worker finished into the kept pages (GUI thread); the page at `take`, if among them,
    // is handed back instead of being kept.
    QImage collectFinished(int take = -1);
    // What the page at `index` will take in memory at the current resolution.
    qint64 estimatedCost(int index) const;
    // The memory the kept pages other than the shown one take.
    qint64 keptCost() const;
    // Lets go of the least recently used kept pages outside `wanted` until `extra` more bytes fit.
    void makeRoom(qint64 extra, const QList<int> &wanted);

    const QString m_path;
    const int m_pageCount;
    // The file as the caller opened it.
    const FileStamp m_stamp;
    std::function<QSizeF(int)> m_pageSize;
    QByteArray m_password;
    qint64 m_budget = qint64(keptKiB) * 1024;

    // GUI thread only.
    QTimer m_start;
    QHash<int, Kept> m_kept;
    int m_shown = -1;
    quint64 m_uses = 0;
    // The pages asked for last, most wanted first: kept ones among them are not let go.
    QList<int> m_asked;

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
    int m_renderedCount = 0;
    QList<QPair<int, QImage>> m_finished;

    // The worker's alone.
    std::unique_ptr<Poppler::Document> m_document;
    bool m_documentFailed = false;

    // One thread, so the worker's document is never used by two threads at once. Declared last: it is
    // finished with before anything the worker touches goes away.
    QThreadPool m_pool;
};

} // namespace brivo

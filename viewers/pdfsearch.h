// Finding text in a PDF document: the search reads its own copy of the document on a worker, page by page,
// and reports the hits of each page as it is read.
#pragma once

#include "brivo_pdf_export.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QRectF>
#include <QString>

#include <atomic>
#include <memory>

namespace brivo {

class BRIVO_PDF_EXPORT PdfSearch : public QObject
{
    Q_OBJECT
public:
    explicit PdfSearch(QObject *parent = nullptr);
    // A search still running reads no further pages.
    ~PdfSearch() override;

    // Searches every page of the document at `path` (opened with `password` when it is locked) for `text`,
    // in place of any search under way. An empty text finishes at once, with nothing found.
    void start(const QString &path, const QByteArray &password, const QString &text, bool matchCase);
    // Stops the search under way; nothing more is reported for it.
    void cancel();
    bool isFinished() const { return m_finished; }

signals:
    // The hits on the zero-based `page`, in fractions of the page (0 to 1 in each direction, unrotated);
    // only pages with hits are reported.
    void found(int page, const QList<QRectF> &hits);
    // Every page has been read.
    void finished();

private:
    // Counts searches, so that what a cancelled one still sends is dropped.
    int m_generation = 0;
    std::shared_ptr<std::atomic_bool> m_stopped;
    bool m_finished = true;
};

} // namespace brivo

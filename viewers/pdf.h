// The PDF viewer: one page of a document at a time in a grey scroll area, or all of them one below the
// other (continuous), with page turning, zoom by rendering resolution, quarter-turn rotation and full
// screen.
#pragma once

#include "brivo_pdf_export.h"

#include "common/wheelnotches.h"

#include <QImage>
#include <QPixmap>
#include <QRectF>
#include <QString>
#include <QTransform>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QRubberBand;
class QTreeWidget;
class QScrollArea;
class QTimer;
class QVBoxLayout;

namespace Poppler {
class Document;
class Link;
class Page;
} // namespace Poppler

namespace brivo {
class FindBar;
class PagePrerenderer;
class PdfPagesView;
class PdfSearch;
} // namespace brivo

class BRIVO_PDF_EXPORT pdf : public QWidget
{
    Q_OBJECT
public:
    explicit pdf(QWidget *parent = nullptr);
    ~pdf() override;

    // The document buildUi() opens.
    void setFile(const QString &path);
    // Opens the document, renders its first page and builds the window. A document that cannot be shown
    // (unreadable, locked by a password, without pages) leaves a message in the view and the page controls
    // without effect.
    void buildUi();

    // Zoom so that the page's width, or the whole page, fits the view, and keep it fitting while the window
    // is resized, until the user zooms by hand.
    void fitWidth();
    void fitPage();
    // Shows the pages one below the other, read by scrolling, or one page at a time (the default).
    void setContinuous(bool on);

    // Whether a page (the first one, one turned to, or the shown one at a new zoom) is still being drawn,
    // on a worker.
    bool pageComing() const { return m_pageComing; }

    // Prints the zero-based `pages` on `printer`, each rendered at the printer's resolution on a worker,
    // with a progress dialog that can cancel. Ctrl+P asks for the printer and the pages first.
    void printPages(const std::shared_ptr<QPrinter> &printer, const QList<int> &pages);
    // Whether a print job is still running.
    bool printing() const { return m_printing; }

public slots:
    void rl();
    void rr();
    void zi();
    void zo();
    void fo();
    void ba();
    void go();
    void full();
    void showhome();
    // Back to where the reader was before the last jump (a link, a contents entry, a typed page, Home or
    // End), and forward again.
    void back();
    void forward();
    void print();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Opens filePath into `document`; on failure leaves `document` empty and returns what to tell the user.
    QString openDocument();
    // Asks for the password of a locked `loaded` document until it is right; false when the user gives up.
    bool unlock(Poppler::Document &loaded);
    // Draws the page at pageIndex on a worker and shows it once drawn: the window opens at once, whatever
    // the page's size.
    void drawFirstPage();
    // The page at `index` at the given resolution: at once when it was prepared, else drawn on a worker.
    // `then` gets it on the GUI thread (a null image when it cannot be drawn), unless a later request took
    // its place first.
    void requestPage(int index, int newDpiX, int newDpiY, std::function<void(const QImage &)> then);
    // Makes the page at `index` the shown one, upright, as `drawn`. A page that cannot be drawn changes
    // nothing and gives false.
    bool showPage(int index, const QImage &drawn);
    // showPage() as a turn, once the page is drawn: the page number follows and the view goes to the
    // page's top left, or where `landed` puts it.
    void turnTo(int index, std::function<void()> landed = {});
    // A turn that can be gone back from (see back()).
    void jumpTo(int index);
    // Page Down and Page Up: one screen on within the page, then on to the next or previous page.
    void screenStep(bool forward);
    // Where the reader is: the page and how far down it, from 0 to 1.
    struct Spot
    {
        int page = 0;
        double down = 0;
    };
    Spot spot() const;
    void goToSpot(const Spot &to);
    // Puts the current search hit in the middle of the view, as far as the page allows.
    void scrollToHit();
    // Continuous pages: follows the scrolling (the page number, the pages to render, the pictures to keep).
    void scrolledContinuous();
    // Shows the zoom in the zoom field; takes a zoom typed there.
    void showZoom();
    void typedZoom();
    // One wheel step past the end of the page.
    void wheelStep(bool forward);
    // Renders the shown page again at a new resolution, on a worker; nothing changes when that fails.
    void rerender(int newDpiX, int newDpiY);
    // Shows `image` turned by `rotation`.
    void showImage();
    int pageCount() const;
    // Renders the page again at the resolution the fit asks for, when there is a fit and it changed.
    void applyFit();
    void setFit(int mode);
    // Stores where the document was left, for the next time it is opened.
    void rememberPlace();
    // Lists the document's outline in the contents panel, which shows only when there is one.
    void fillContents();
    // Where `labelPos` on imageLabel lies on the shown page, unrotated, from 0 to 1 in each direction;
    // nothing when it is off the page. With `clamp` a point off the page gives the nearest point on it.
    std::optional<QPointF> pagePoint(QPoint labelPos, bool clamp = false) const;
    // Where `pos` (on imageLabel, or on pagesView while continuous) lies in the document: the page and
    // the point on it, unrotated, from 0 to 1 in each direction; nothing off the pages. With `onPage`,
    // the point on that page, clamped to it.
    struct PagePlace
    {
        int page;
        QPointF at;
    };
    std::optional<PagePlace> placeAt(QPoint pos, std::optional<int> onPage = std::nullopt) const;
    // The link under `pos` (as placeAt() takes it), if any; the links of the page it lies on are read then.
    const Poppler::Link *linkAt(QPoint pos);
    // Turns the shown page, or every page while continuous, by a quarter turn clockwise (1) or back (-1).
    void turnQuarter(int quarters);
    // Whether the pages stand on their side.
    bool quarterTurned() const;
    // The view the pages are drawn in: pagesView while continuous, imageLabel otherwise.
    QWidget *pageView() const;
    // Finding text: the search (PdfSearch) reads its own copy of the document on another thread, page by
    // page, and the hits arrive here as each page is read. Next and previous go through them in page
    // order, turning pages as needed.
    void openFind();
    void startSearch();
    void stopSearch();
    void searchFound(int index, const QList<QRectF> &hits);
    void findNext(bool backward);
    void showSearchCount();

    // Mouse handling on the page: following links, and selecting text while Shift is held.
    bool pageMouseEvent(QEvent *event);
    void clearSelection();
    // Puts the selection's frame over the selected part of the page as it is now shown.
    void placeSelection();

    QLineEdit *pageEdit = nullptr;
    QLabel *imageLabel = nullptr;
    // Says that the page is drawn smaller than the zoom asks, as it is above the pixel budget.
    QLabel *budgetNote = nullptr;
    bool m_pageComing = false;
    // The page a turn under way goes to, or -1.
    int turnTarget = -1;
    int shownOrComing() const { return turnTarget >= 0 ? turnTarget : pageIndex; }
    // The latest request, as the workers see it.
    std::shared_ptr<std::atomic_int> latestRequest = std::make_shared<std::atomic_int>(0);
    // The documents the requests draw from on the workers, each used by one request at a time: opened
    // when none is free and kept for the next request, as opening a long document and finding a page in
    // it can take longer than drawing the page.
    struct RequestDocuments;
    std::shared_ptr<RequestDocuments> requestDocuments;
    // Counts page requests, so that only the latest one is shown.
    int requestGeneration = 0;
    // The resolution a zoom under way asks for, so that zoom steps in a row add up; 0 when none.
    int zoomTarget = 0;
    QLineEdit *zoomEdit = nullptr;
    // The pages one below the other, in the scroll area in place of imageLabel while `continuous`.
    brivo::PdfPagesView *pagesView = nullptr;
    bool continuous = false;
    // The page drawn on its own for the continuous view, or -1.
    int continuousRequest = -1;
    QPushButton *continuousButton = nullptr;
    // Where back() and forward() go.
    QList<Spot> backSpots, forwardSpots;
    // The password a locked document was opened with, for the workers' own copies. Memory only.
    QByteArray password;
    bool m_printing = false;
    QVBoxLayout *mainLayout = nullptr;
    QHBoxLayout *buttonLayout = nullptr;
    QImage image;
    QString filePath;
    QScrollArea *scrollArea = nullptr;
    QPixmap pixmap;
    std::unique_ptr<Poppler::Document> document;
    std::unique_ptr<Poppler::Page> page;
    int pageIndex = 0;
    int dpiX = 100;
    int dpiY = 100;
    QTransform rotation;
    bool wheelArmed = false;
    // Wheel turns smaller than a notch (touchpads) add up to one page-turn step.
    brivo::WheelNotches wheelNotches;

    // 0: the resolution is the user's; 1: it follows the view's width; 2: the whole page fits the view.
    int fit = 0;
    QPushButton *fitWidthButton = nullptr;
    QPushButton *fitPageButton = nullptr;
    // Fitting waits for the resizing to pause rather than render the page at every step of a drag.
    QTimer *fitTimer = nullptr;
    // Where the document is left is written once the user pauses, not at every page turn.
    QTimer *rememberTimer = nullptr;

    QTreeWidget *contentsTree = nullptr;
    // The links of page `linksPage`: the page shown, or the last one pointed at while continuous.
    std::vector<std::unique_ptr<Poppler::Link>> links;
    int linksPage = -1;
    // Text selection: where the Shift-drag began and on which page, its frame on the page, and the text
    // inside it.
    QPoint selectionStart;
    int selectionPage = -1;
    bool selecting = false;
    QRubberBand *selectionBand = nullptr;
    QString selectedText;
    // The selected part of the page, unrotated, from 0 to 1 in each direction; empty when none.
    QRectF selectionArea;
    // A press on a link follows it on release, unless the mouse moved off the link in between.
    QPoint pressPos;

    // Renders the neighbours of the shown page ahead of need; exists while a document is open.
    brivo::PagePrerenderer *prerenderer = nullptr;

    brivo::FindBar *findBar = nullptr;

public:
    // The hits of the last search, page by page, in fractions of the page as the selection is; the hit
    // that next and previous went to last (page, index), or -1.
    QList<QList<QRectF>> searchHits;
    int currentHitPage = -1;
    int currentHitIndex = -1;
    bool searchFinished = true;

private:
    brivo::PdfSearch *search = nullptr;
};

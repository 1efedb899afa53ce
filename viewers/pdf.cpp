#include "viewers/pdf.h"

#include "common/controlhelp.h"
#include "common/conventions.h"
#include "common/errorbox.h"
#include "common/filestamp.h"
#include "common/findbar.h"
#include "common/homeactions.h"
#include "common/tooltable.h"
#include "common/viewkeys.h"
#include "platform/associatedprogram.h"
#include "viewers/pageprerenderer.h"
#include "viewers/pdfpagesview.h"
#include "viewers/pdfpaging.h"
#include "viewers/pdfplaces.h"
#include "viewers/pdfsearch.h"
#include "viewers/picturedecode.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QMutex>
#include <QPainter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QRubberBand>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QThreadPool>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <poppler-qt6.h>

#include <utility>

namespace {

enum Fit
{
    noFit,
    fitToWidth,
    fitToPage
};

} // namespace

pdf::pdf(QWidget *parent) : QWidget(parent)
{
    setAcceptDrops(false);
}

// Out of line: the poppler types are complete only here.
pdf::~pdf() = default;

void pdf::setFile(const QString &path)
{
    filePath = path;
}

void pdf::buildUi()
{
    imageLabel = new QLabel;
    imageLabel->setObjectName(QStringLiteral("imageLabel"));
    budgetNote = new QLabel;
    budgetNote->setObjectName(QStringLiteral("budgetNote"));
    budgetNote->hide();
    scrollArea = new QScrollArea;
    scrollArea->setObjectName(QStringLiteral("scrollArea"));
    scrollArea->setWidgetResizable(true);
    scrollArea->setWidget(imageLabel);
    scrollArea->installEventFilter(this);
    imageLabel->installEventFilter(this);
    // Moves without a button pressed show where a link goes.
    imageLabel->setMouseTracking(true);

    QString problem = openDocument();
    std::optional<pdfplaces::Place> place;
    if (document)
        place = pdfplaces::remembered(filePath);
    if (place) {
        if (place->page < pageCount())
            pageIndex = place->page;
        dpiX = dpiY = place->dpi;
        prerenderer->setResolution(dpiX, dpiY);
        continuous = place->continuous;
        fit = place->fit == QLatin1String("width")  ? fitToWidth
              : place->fit == QLatin1String("page") ? fitToPage
                                                    : noFit;
    }
    imageLabel->setAlignment(Qt::AlignCenter);
    // A file name is shown as it is, never read as markup.
    imageLabel->setTextFormat(Qt::PlainText);
    imageLabel->setWordWrap(true);
    if (problem.isEmpty())
        drawFirstPage();
    if (!problem.isEmpty()) {
        imageLabel->setText(problem);
        // A file that is something else, named as a PDF, is offered to the tool that reads it.
        if (!document)
            brivo::showLoadErrorBox(this, problem, filePath, brivo::Tool::PdfViewer,
                                    brivo::LoadErrorBox::OnlyWithOffer);
        // Room around the words, so that the window they open in is not a sliver.
        imageLabel->setMargin(24);
    }

    struct Control
    {
        const char *name;
        const char *icon;
        void (pdf::*slot)();
    };
    const Control controls[] = {
        {"rl", ":/images/re.png", &pdf::rl}, {"rr", ":/images/fo.png", &pdf::rr},
        {"zi", ":/images/in.png", &pdf::zi}, {"zo", ":/images/out.png", &pdf::zo},
        {"fo", ":/images/f.png", &pdf::fo},  {"ba", ":/images/b.png", &pdf::ba},
        {"go", ":/images/go.png", &pdf::go}, {"full", ":/images/full.png", &pdf::full},
    };
    QHash<QString, QPushButton *> button;
    for (const Control &control : controls) {
        auto *b = new QPushButton;
        b->setObjectName(QLatin1String(control.name) + QLatin1String("Button"));
        b->setIcon(QIcon(QString::fromLatin1(control.icon)));
        button.insert(QLatin1String(control.name), b);
    }

    auto *pageCountLabel = new QLabel(QStringLiteral("/") + QString::number(pageCount()));
    pageCountLabel->setObjectName(QStringLiteral("pageCountLabel"));
    pageEdit = new QLineEdit(QString::number(pageIndex + 1));
    pageEdit->setObjectName(QStringLiteral("pageEdit"));
    pageEdit->setMaximumWidth(50);

    for (const Control &control : controls)
        connect(button.value(QLatin1String(control.name)), &QPushButton::clicked, this, control.slot);
    auto *homeButton = new QPushButton;
    homeButton->setObjectName(QStringLiteral("homeButton"));
    homeButton->setIcon(brivo::homeIconImage());
    connect(homeButton, &QPushButton::clicked, this, &pdf::showhome);
    // Return in the page field goes to the typed page, as the go button does.
    connect(pageEdit, &QLineEdit::returnPressed, this, &pdf::go);

    buttonLayout = new QHBoxLayout;
    buttonLayout->addWidget(pageEdit);
    buttonLayout->addWidget(pageCountLabel);
    buttonLayout->addWidget(budgetNote);
    buttonLayout->addWidget(button.value(QStringLiteral("go")));
    buttonLayout->addWidget(button.value(QStringLiteral("full")));
    buttonLayout->addStretch();
    zoomEdit = new QLineEdit;
    zoomEdit->setObjectName(QStringLiteral("zoomEdit"));
    zoomEdit->setMaximumWidth(60);
    zoomEdit->setAlignment(Qt::AlignRight);
    connect(zoomEdit, &QLineEdit::returnPressed, this, &pdf::typedZoom);
    // A zoom typed but not confirmed gives way to the zoom shown.
    connect(zoomEdit, &QLineEdit::editingFinished, this, &pdf::showZoom);
    for (const char *name : {"rl", "ba", "zo", "zi", "fo", "rr"}) {
        buttonLayout->addWidget(button.value(QLatin1String(name)));
        if (qstrcmp(name, "zi") == 0)
            buttonLayout->addWidget(zoomEdit);
    }
    showZoom();
    buttonLayout->addStretch();
    buttonLayout->addWidget(homeButton);

    fitWidthButton = new QPushButton(tr("Fit width"));
    fitPageButton = new QPushButton(tr("Fit page"));
    const std::pair<QPushButton *, QKeySequence> fitKeys[] = {{fitWidthButton, QKeySequence(tr("Ctrl+9"))},
                                                              {fitPageButton, QKeySequence(tr("Ctrl+8"))}};
    for (const auto &[b, key] : fitKeys) {
        b->setObjectName(b == fitWidthButton ? QStringLiteral("fitWidthButton")
                                             : QStringLiteral("fitPageButton"));
        b->setCheckable(true);
        b->setAccessibleName(b->text());
        b->setToolTip(tr("%1 (%2): zoom with the window until you zoom by hand")
                          .arg(b->text(), key.toString(QKeySequence::NativeText)));
        buttonLayout->addWidget(b);
        auto *shortcut = new QShortcut(key, this);
        connect(shortcut, &QShortcut::activated, b, &QPushButton::click);
    }
    connect(fitWidthButton, &QPushButton::clicked, this,
            [this](bool on) { on ? fitWidth() : setFit(noFit); });
    connect(fitPageButton, &QPushButton::clicked, this, [this](bool on) { on ? fitPage() : setFit(noFit); });
    continuousButton = new QPushButton(tr("Continuous"));
    continuousButton->setObjectName(QStringLiteral("continuousButton"));
    continuousButton->setCheckable(true);
    continuousButton->setAccessibleName(continuousButton->text());
    continuousButton->setToolTip(tr("Continuous (%1): the pages one below the other, read by scrolling")
                                     .arg(QKeySequence(tr("Ctrl+7")).toString(QKeySequence::NativeText)));
    buttonLayout->addWidget(continuousButton);
    connect(continuousButton, &QPushButton::clicked, this, &pdf::setContinuous);
    connect(new QShortcut(QKeySequence(tr("Ctrl+7")), this), &QShortcut::activated, continuousButton,
            &QPushButton::click);
    fitTimer = new QTimer(this);
    fitTimer->setSingleShot(true);
    fitTimer->setInterval(40);
    connect(fitTimer, &QTimer::timeout, this, &pdf::applyFit);
    rememberTimer = new QTimer(this);
    rememberTimer->setSingleShot(true);
    rememberTimer->setInterval(1000);
    connect(rememberTimer, &QTimer::timeout, this, &pdf::rememberPlace);
    // A window still open when the program ends is never closed: its place is stored on the way out.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &pdf::rememberPlace);
    auto *controlRow = new QWidget;
    controlRow->setLayout(buttonLayout);
    controlRow->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    auto *viewLayout = new QHBoxLayout;
    viewLayout->addWidget(scrollArea);
    contentsTree = new QTreeWidget;
    contentsTree->setObjectName(QStringLiteral("contentsTree"));
    contentsTree->setAccessibleName(tr("Contents"));
    contentsTree->setToolTip(tr("Contents: click a heading to turn to its page"));
    contentsTree->setHeaderLabel(tr("Contents"));
    contentsTree->setMaximumWidth(240);
    viewLayout->addWidget(contentsTree);
    connect(contentsTree, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) {
        const int target = item->data(0, Qt::UserRole).toInt();
        if (document && target >= 0 && target < pageCount())
            jumpTo(target);
        // The keys turn pages again, not the panel's entries.
        scrollArea->setFocus(Qt::OtherFocusReason);
    });
    connect(contentsTree, &QTreeWidget::itemActivated, contentsTree, &QTreeWidget::itemClicked);
    fillContents();
    mainLayout = new QVBoxLayout;
    mainLayout->addLayout(viewLayout);
    // Under the page, above the Part's controls: the find bar, hidden until Ctrl+F.
    findBar = new brivo::FindBar(brivo::FindBar::FindOnly);
    findBar->hide();
    connect(findBar, &brivo::FindBar::searchChanged, this, &pdf::startSearch);
    search = new brivo::PdfSearch(this);
    connect(search, &brivo::PdfSearch::found, this, &pdf::searchFound);
    connect(search, &brivo::PdfSearch::finished, this, [this] {
        searchFinished = true;
        showSearchCount();
    });
    connect(findBar, &brivo::FindBar::findRequested, this, &pdf::findNext);
    connect(findBar, &brivo::FindBar::closed, this, [this] {
        stopSearch();
        searchHits.clear();
        currentHitPage = currentHitIndex = -1;
        if (!image.isNull())
            showImage();
        if (pagesView)
            pagesView->update();
        scrollArea->setFocus();
    });
    mainLayout->addWidget(findBar);
    mainLayout->addWidget(controlRow);
    setLayout(mainLayout);
    mainLayout->setContentsMargins(0, 0, 0, 0);

    QPalette grey = scrollArea->palette();
    grey.setBrush(QPalette::Window, QBrush(Qt::gray, Qt::SolidPattern));
    scrollArea->setPalette(grey);

    setWindowTitle(brivo::toolTitle(brivo::Tool::PdfViewer));

    if (!document) {
        // Nothing to page through: the page controls stay visible but greyed, and do nothing.
        pageEdit->setEnabled(false);
        zoomEdit->setEnabled(false);
        for (QPushButton *b : std::as_const(button)) {
            if (b != button.value(QStringLiteral("full")))
                b->setEnabled(false);
        }
    }

    // The usual zoom and full-screen keys of the platform, beside the buttons.
    connect(new QShortcut(QKeySequence::ZoomIn, this), &QShortcut::activated, this, &pdf::zi);
    connect(new QShortcut(QKeySequence::ZoomOut, this), &QShortcut::activated, this, &pdf::zo);
    connect(new QShortcut(QKeySequence::FullScreen, this), &QShortcut::activated, this, &pdf::full);
    connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated, this, &pdf::openFind);
    connect(new QShortcut(QKeySequence::FindNext, this), &QShortcut::activated, this,
            [this] { findNext(false); });
    connect(new QShortcut(QKeySequence::FindPrevious, this), &QShortcut::activated, this,
            [this] { findNext(true); });
    connect(new QShortcut(QKeySequence::Print, this), &QShortcut::activated, this, &pdf::print);
    connect(new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Left), this), &QShortcut::activated, this,
            &pdf::back);
    connect(new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Right), this), &QShortcut::activated, this,
            &pdf::forward);
    connect(new QShortcut(QKeySequence::Copy, this), &QShortcut::activated, this, [this] {
        if (!selectedText.isEmpty())
            QGuiApplication::clipboard()->setText(selectedText);
    });

    // The arrow keys turn pages from the start, and after any button was clicked.
    brivo::keepKeysOnView(scrollArea, {controlRow, findBar});
    // Right, Left and Return are the view's own keys (see eventFilter); the others are the shortcuts above.
    brivo::describeControls(
        this, "PDF viewer: one page of a document at a time, with buttons to turn, zoom and rotate",
        {{"pageEdit", "Page number", "Type a page number and press Return to go there"},
         {"goButton", "Go to page", "Go to the page typed beside"},
         {"fullButton", "Full screen", "Full screen", {Qt::Key_Return, Qt::Key_F11}},
         {"rlButton", "Rotate left", "Rotate left"},
         {"baButton", "Previous page", "Previous page", {Qt::Key_Left}},
         {"zoButton", "Zoom out", "Zoom out", {QKeySequence::ZoomOut}},
         {"ziButton", "Zoom in", "Zoom in", {QKeySequence::ZoomIn}},
         {"zoomEdit", "Zoom", "Zoom in percent: type 25 to 800 and press Return"},
         {"foButton", "Next page", "Next page", {Qt::Key_Right}},
         {"rrButton", "Rotate right", "Rotate right"},
         {"homeButton", "Brivo Home", "Open the Brivo home window"}});

    if (!document) {
        continuousButton->setEnabled(false);
        return;
    }
    setFit(fit);
    if (continuous) {
        continuous = false;
        setContinuous(true);
    }
    // The whole width of the page at its resolution, and as much of its height as the screen has room for.
    const int frame = 2 * scrollArea->frameWidth();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scrollArea);
    const int panel = contentsTree->isHidden() ? 0 : contentsTree->sizeHint().width() + viewLayout->spacing();
    const QSize chrome(frame + bar + panel, frame + mainLayout->spacing() + controlRow->sizeHint().height());
    const QSize natural = sizeHint();
    // The first page is still being drawn: its size is known from the document.
    QSize shown = pixmap.size();
    if (const std::unique_ptr<Poppler::Page> first = document->page(pageIndex); first && shown.isEmpty()) {
        const QSizeF points = first->pageSizeF();
        const double scale = pdfpaging::budgetScale(points, dpiX, dpiY);
        shown = QSize(int(points.width() * dpiX * scale / 72.0), int(points.height() * dpiY * scale / 72.0));
    }
    const QSize opening = pdfpaging::openingSize(shown, chrome, screen()->availableGeometry().size());
    resize(opening.expandedTo(natural.boundedTo(screen()->availableGeometry().size())));
}

QString pdf::openDocument()
{
    if (filePath.isEmpty())
        return tr("No document was given to show.");
    const QString name = QDir::toNativeSeparators(filePath);
    const QFileInfo info(filePath);
    if (!info.exists())
        return tr("%1\n\nThis file does not exist.").arg(name);
    if (const QString special = brivo::notRegularFile(filePath); !special.isEmpty())
        return special;
    if (!info.isReadable())
        return tr("%1\n\nThis file cannot be read: permission denied.").arg(name);

    // The file as it is now, for the worker that prepares pages from a copy of its own: it must read the
    // same file.
    const brivo::FileStamp opened = brivo::fileStamp(filePath);
    std::unique_ptr<Poppler::Document> loaded = Poppler::Document::load(filePath, QByteArray(), QByteArray());
    if (!loaded)
        return tr("%1\n\nThis file cannot be shown: it is not a PDF document, or it is damaged.").arg(name);
    loaded->setRenderHint(Poppler::Document::TextAntialiasing, true);
    if (loaded->isLocked() && !unlock(*loaded))
        return tr("%1\n\nThis document is protected by a password and cannot be shown.").arg(name);
    if (loaded->numPages() <= 0)
        return tr("%1\n\nThis document has no pages.").arg(name);

    document = std::move(loaded);
    prerenderer = new brivo::PagePrerenderer(filePath, document->numPages(), opened, this);
    prerenderer->setPassword(password);
    prerenderer->setPageSize([this](int index) {
        const std::unique_ptr<Poppler::Page> sized = document->page(index);
        return sized ? sized->pageSizeF() : QSizeF();
    });
    prerenderer->setResolution(dpiX, dpiY);
    return QString();
}

int pdf::pageCount() const
{
    return document ? document->numPages() : 0;
}

bool pdf::unlock(Poppler::Document &loaded)
{
    const QString name = QFileInfo(filePath).fileName();
    for (bool wrong = false;; wrong = true) {
        // A dialog of its own for each try, as a message box would be.
        QDialog dialog(this);
        dialog.setObjectName(QStringLiteral("passwordDialog"));
        dialog.setWindowTitle(tr("Password"));
        auto *note = new QLabel(
            wrong ? tr("The password is wrong. %1 is protected by a password: try again.").arg(name)
                  : tr("%1 is protected by a password.").arg(name));
        note->setTextFormat(Qt::PlainText);
        auto *field = new QLineEdit;
        field->setObjectName(QStringLiteral("passwordEdit"));
        field->setEchoMode(QLineEdit::Password);
        field->setAccessibleName(tr("Password"));
        auto *buttons = new QDialogButtonBox;
        buttons->addButton(tr("Open"), QDialogButtonBox::AcceptRole);
        buttons->addButton(QDialogButtonBox::Cancel);
        connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        auto *layout = new QVBoxLayout(&dialog);
        layout->addWidget(note);
        layout->addWidget(field);
        layout->addWidget(buttons);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        // Newer documents take the password in UTF-8, older ones in Latin-1: a password with accents may
        // need either.
        const QString typed = field->text();
        for (const QByteArray &bytes : {typed.toUtf8(), typed.toLatin1()}) {
            if (!loaded.unlock(bytes, bytes) && !loaded.isLocked()) {
                password = bytes;
                return true;
            }
        }
    }
}

void pdf::drawFirstPage()
{
    imageLabel->setText(tr("Drawing page %1 …").arg(pageIndex + 1));
    const int index = pageIndex;
    requestPage(index, dpiX, dpiY, [this, index](const QImage &drawn) {
        if (showPage(index, drawn))
            return;
        const auto cannot = [this] {
            imageLabel->setText(tr("The first page of this document cannot be shown. Later pages may be."));
            imageLabel->setMargin(24);
        };
        if (index == 0)
            return cannot();
        // A remembered page that cannot be shown is no reason not to show the first one.
        pageEdit->setText(QStringLiteral("1"));
        requestPage(0, dpiX, dpiY, [this, cannot](const QImage &first) {
            if (!showPage(0, first))
                cannot();
        });
    });
}

struct pdf::RequestDocuments
{
    // As many as requests drawing at once are worth keeping: a zoom step taken while a page is drawn.
    static constexpr std::size_t kept = 2;
    QMutex mutex;
    std::vector<std::unique_ptr<Poppler::Document>> idle;
};

void pdf::requestPage(int index, int newDpiX, int newDpiY, std::function<void(const QImage &)> then)
{
    const int generation = ++requestGeneration;
    latestRequest->store(generation);
    if (newDpiX == dpiX && newDpiY == dpiY) {
        if (const QImage kept = prerenderer->page(index); !kept.isNull()) {
            m_pageComing = false;
            then(kept);
            return;
        }
    }
    m_pageComing = true;
    const std::unique_ptr<Poppler::Page> sized = document->page(index);
    const QSizeF points = sized ? sized->pageSizeF() : QSizeF();
    const QString path = filePath;
    const QByteArray key = password;
    const int count = pageCount();
    const std::shared_ptr<std::atomic_int> latest = latestRequest;
    if (!requestDocuments)
        requestDocuments = std::make_shared<RequestDocuments>();
    const std::shared_ptr<RequestDocuments> documents = requestDocuments;
    QPointer<pdf> self(this);
    QThreadPool::globalInstance()->start([=, then = std::move(then)] {
        QImage drawn;
        // A request that a later one replaced before it started is not drawn at all.
        if (latest->load() == generation) {
            // A document of the workers' own: a poppler document is not to be used from two threads at
            // once. One that has become another file since (other pages) draws nothing here.
            std::unique_ptr<Poppler::Document> own;
            {
                const QMutexLocker lock(&documents->mutex);
                if (!documents->idle.empty()) {
                    own = std::move(documents->idle.back());
                    documents->idle.pop_back();
                }
            }
            if (!own) {
                own = Poppler::Document::load(path, key, key);
                if (own && (own->isLocked() || own->numPages() != count))
                    own.reset();
                if (own)
                    own->setRenderHint(Poppler::Document::TextAntialiasing, true);
            }
            if (own) {
                if (const std::unique_ptr<Poppler::Page> page = own->page(index);
                    page && page->pageSizeF() == points)
                    drawn = pdfpaging::renderPage(*page, newDpiX, newDpiY);
                const QMutexLocker lock(&documents->mutex);
                if (documents->idle.size() < RequestDocuments::kept)
                    documents->idle.push_back(std::move(own));
            }
        }
        QMetaObject::invokeMethod(
            qApp,
            [self, generation, then, drawn] {
                if (!self || self->requestGeneration != generation)
                    return;
                self->m_pageComing = false;
                then(drawn);
            },
            Qt::QueuedConnection);
    });
}

bool pdf::showPage(int index, const QImage &drawn)
{
    if (!document || drawn.isNull())
        return false;
    std::unique_ptr<Poppler::Page> shown = document->page(index);
    if (!shown)
        return false;
    prerenderer->showing(index, drawn);
    links = shown->links();
    linksPage = index;
    page = std::move(shown);
    clearSelection();
    pageIndex = index;
    image = drawn;
    rotation.reset();
    showImage();
    if (rememberTimer)
        rememberTimer->start();
    // Pages of another size need another resolution to fit.
    if (fit != noFit && fitTimer)
        fitTimer->start();
    // Readers mostly go on to the next page, sometimes back one.
    prerenderer->prepare({index + 1, index - 1});
    return true;
}

void pdf::turnTo(int index, std::function<void()> landed)
{
    if (!document)
        return;
    if (continuous) {
        // Every page is in the view: a turn scrolls to the page.
        scrollArea->horizontalScrollBar()->setValue(0);
        scrollArea->verticalScrollBar()->setValue(pagesView->pageRect(index).top() -
                                                  brivo::PdfPagesView::gap);
        scrolledContinuous();
        // The last pages may not reach the top of the view: the page asked for is the one read all the same.
        if (pageIndex != index) {
            pageIndex = index;
            page = document->page(index);
            pageEdit->setText(QString::number(index + 1));
        }
        if (landed)
            landed();
        return;
    }
    zoomTarget = 0;
    turnTarget = index;
    pageEdit->setText(QString::number(index + 1));
    requestPage(index, dpiX, dpiY, [this, index, landed](const QImage &drawn) {
        turnTarget = -1;
        if (!showPage(index, drawn)) {
            pageEdit->setText(QString::number(pageIndex + 1));
            return;
        }
        // The scroll range follows the new page before the view is placed on it.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        if (landed) {
            landed();
        } else {
            scrollArea->horizontalScrollBar()->setValue(0);
            scrollArea->verticalScrollBar()->setValue(0);
        }
    });
}

void pdf::jumpTo(int index)
{
    if (!document)
        return;
    backSpots.append(spot());
    // Enough to retrace a reading session; the oldest places go first.
    if (backSpots.size() > 100)
        backSpots.removeFirst();
    forwardSpots.clear();
    turnTo(index);
}

pdf::Spot pdf::spot() const
{
    const QScrollBar *down = scrollArea->verticalScrollBar();
    if (continuous) {
        const QRect place = pagesView->pageRect(pageIndex);
        return {pageIndex, double(down->value() - place.top()) / qMax(1, place.height())};
    }
    return {pageIndex, down->maximum() > 0 ? double(down->value()) / down->maximum() : 0.0};
}

void pdf::goToSpot(const Spot &to)
{
    turnTo(to.page, [this, to] {
        scrollArea->horizontalScrollBar()->setValue(0);
        QScrollBar *down = scrollArea->verticalScrollBar();
        if (continuous) {
            const QRect place = pagesView->pageRect(to.page);
            down->setValue(place.top() + qRound(to.down * place.height()));
        } else {
            down->setValue(qRound(to.down * down->maximum()));
        }
    });
}

void pdf::back()
{
    if (!document || backSpots.isEmpty())
        return;
    forwardSpots.append(spot());
    goToSpot(backSpots.takeLast());
}

void pdf::forward()
{
    if (!document || forwardSpots.isEmpty())
        return;
    backSpots.append(spot());
    goToSpot(forwardSpots.takeLast());
}

void pdf::screenStep(bool forward)
{
    if (!document)
        return;
    QScrollBar *down = scrollArea->verticalScrollBar();
    if (continuous) {
        down->setValue(down->value() + (forward ? down->pageStep() : -down->pageStep()));
        return;
    }
    // While a turn is under way the page shown is not the one read: the keys go on from the coming one.
    const bool within = turnTarget < 0 && (forward ? down->value() < down->maximum() : down->value() > 0);
    if (within) {
        down->setValue(down->value() + (forward ? down->pageStep() : -down->pageStep()));
        return;
    }
    const int from = turnTarget >= 0 ? turnTarget : pageIndex;
    if (forward && from + 1 < pageCount())
        turnTo(from + 1);
    else if (!forward && from > 0)
        turnTo(from - 1, [down] { down->setValue(down->maximum()); });
}

void pdf::setContinuous(bool on)
{
    if (!document || on == continuous) {
        if (continuousButton)
            continuousButton->setChecked(continuous);
        return;
    }
    const int reading = shownOrComing();
    continuous = on;
    continuousButton->setChecked(on);
    if (on && !pagesView) {
        QList<QSizeF> points;
        for (int i = 0; i < pageCount(); ++i) {
            const std::unique_ptr<Poppler::Page> sized = document->page(i);
            points.append(sized ? sized->pageSizeF() : QSizeF(1, 1));
        }
        pagesView = new brivo::PdfPagesView(points, this);
        pagesView->decorate = [this](QPainter &painter, int index, const QTransform &toView) {
            const QList<QRectF> hits = searchHits.value(index);
            for (int i = 0; i < hits.size(); ++i) {
                painter.fillRect(toView.mapRect(hits.at(i)), index == currentHitPage && i == currentHitIndex
                                                                 ? QColor(255, 140, 0, 120)
                                                                 : QColor(255, 230, 0, 110));
            }
        };
        // Links and selection work on every page of the view, as on the single page.
        pagesView->installEventFilter(this);
        pagesView->setMouseTracking(true);
        connect(prerenderer, &brivo::PagePrerenderer::pagePrepared, this, [this](int index) {
            if (continuous)
                pagesView->setPage(index, prerenderer->page(index));
        });
        connect(scrollArea->verticalScrollBar(), &QScrollBar::valueChanged, this, &pdf::scrolledContinuous);
    }
    // The view that is not shown stays the window's, hidden, for the next switch.
    QWidget *shown = on ? static_cast<QWidget *>(pagesView) : imageLabel;
    QWidget *left = scrollArea->takeWidget();
    left->setParent(this);
    left->hide();
    // The selection's frame belongs to the view it was drawn in.
    clearSelection();
    delete selectionBand;
    selectionBand = nullptr;
    if (on)
        pagesView->setResolution(dpiX, dpiY);
    scrollArea->setWidget(shown);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    turnTo(reading);
    rememberTimer->start();
}

void pdf::scrolledContinuous()
{
    if (!continuous)
        return;
    const int top = scrollArea->verticalScrollBar()->value();
    const int first = pagesView->pageAt(top),
              last = pagesView->pageAt(top + scrollArea->viewport()->height());
    // The page read is the one at the top of the view, once past the gap above it.
    const int reading = pagesView->pageAt(top + brivo::PdfPagesView::gap);
    if (reading != pageIndex || !page) {
        pageIndex = reading;
        page = document->page(reading);
        pageEdit->setText(QString::number(reading + 1));
        rememberTimer->start();
    }
    // The pages on screen first, then one on either side; the pictures of the others go.
    QList<int> wanted;
    for (int i = first; i <= last; ++i)
        wanted.append(i);
    wanted << last + 1 << first - 1;
    for (int i : std::as_const(wanted)) {
        if (i >= 0 && i < pageCount() && !pagesView->hasPage(i) && prerenderer->isKept(i))
            pagesView->setPage(i, prerenderer->page(i));
    }
    prerenderer->prepare(wanted);
    pagesView->keepOnly(first - 1, last + 1);
    // A page too large to be kept beside the others is drawn on its own, as the single page is. A page the
    // worker is drawing now comes when it is done: asked for here, the GUI thread would wait for it, at every
    // key while Page Down is held.
    if (!pagesView->hasPage(reading) && !prerenderer->isKept(reading) && !prerenderer->isRendering(reading) &&
        continuousRequest != reading) {
        continuousRequest = reading;
        requestPage(reading, dpiX, dpiY, [this, reading](const QImage &drawn) {
            continuousRequest = -1;
            if (continuous && !drawn.isNull()) {
                prerenderer->showing(reading, drawn);
                pagesView->setPage(reading, drawn);
            }
        });
    }
}

void pdf::scrollToHit()
{
    if (continuous && currentHitIndex >= 0 && currentHitIndex < searchHits.value(currentHitPage).size()) {
        const QPoint centre = pagesView->pageTransform(currentHitPage)
                                  .mapRect(searchHits.at(currentHitPage).at(currentHitIndex))
                                  .center()
                                  .toPoint();
        const QSize view = scrollArea->viewport()->size();
        scrollArea->ensureVisible(centre.x(), centre.y(), view.width() / 2, view.height() / 2);
        pagesView->update();
        return;
    }
    if (currentHitPage != pageIndex || currentHitIndex < 0 || image.isNull() ||
        currentHitIndex >= searchHits.value(pageIndex).size())
        return;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const QRectF &hit = searchHits.at(pageIndex).at(currentHitIndex);
    const QRectF upright(hit.x() * image.width(), hit.y() * image.height(), hit.width() * image.width(),
                         hit.height() * image.height());
    const QRect shown =
        QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, pixmap.size(), imageLabel->contentsRect());
    const QPoint centre = QImage::trueMatrix(rotation, image.width(), image.height())
                              .mapRect(upright)
                              .translated(shown.topLeft())
                              .center()
                              .toPoint();
    const QSize view = scrollArea->viewport()->size();
    scrollArea->ensureVisible(centre.x(), centre.y(), view.width() / 2, view.height() / 2);
}

void pdf::showZoom()
{
    if (zoomEdit && !zoomEdit->hasFocus())
        zoomEdit->setText(QStringLiteral("%1 %").arg(zoomTarget ? zoomTarget : dpiX));
}

void pdf::typedZoom()
{
    if (const std::optional<int> zoom = pdfpaging::typedZoom(zoomEdit->text()); zoom && page) {
        setFit(noFit);
        rerender(*zoom, *zoom);
    }
    // The keys go back to the page; the field shows the zoom asked for.
    scrollArea->setFocus(Qt::OtherFocusReason);
    showZoom();
}

void pdf::rerender(int newDpiX, int newDpiY)
{
    if (!page)
        return;
    if (continuous) {
        // The pages are laid out again at the new zoom, the page read staying at the top.
        const Spot at = spot();
        dpiX = newDpiX;
        dpiY = newDpiY;
        prerenderer->setResolution(dpiX, dpiY);
        pagesView->setResolution(dpiX, dpiY);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        goToSpot(at);
        showZoom();
        rememberTimer->start();
        return;
    }
    if (turnTarget >= 0) {
        // A page still coming is drawn at the new zoom instead: the zoom does not cancel the turn.
        dpiX = newDpiX;
        dpiY = newDpiY;
        prerenderer->setResolution(dpiX, dpiY);
        turnTo(turnTarget);
        showZoom();
        return;
    }
    zoomTarget = newDpiX;
    showZoom();
    const int index = pageIndex;
    requestPage(index, newDpiX, newDpiY, [this, index, newDpiX, newDpiY](const QImage &drawn) {
        zoomTarget = 0;
        if (!drawn.isNull() && index == pageIndex) {
            dpiX = newDpiX;
            dpiY = newDpiY;
            image = drawn;
            prerenderer->setResolution(dpiX, dpiY);
            prerenderer->showing(pageIndex, image);
            prerenderer->prepare({pageIndex + 1, pageIndex - 1});
            rememberTimer->start();
        }
        showImage();
        // The match gone to stays in view through a zoom.
        scrollToHit();
    });
}

void pdf::showImage()
{
    QImage shown = rotation.isIdentity() ? image : image.transformed(rotation, Qt::FastTransformation);
    // The hits of a search on this page, the one gone to last in a stronger colour. They are painted on
    // a copy of the page: the label keeps a pixmap whose key it has seen before, and pixmaps made from
    // one page and painted alike would share their key.
    if (pageIndex < searchHits.size() && !searchHits.at(pageIndex).isEmpty()) {
        QPainter painter(&shown);
        const QTransform turn = QImage::trueMatrix(rotation, image.width(), image.height());
        const QList<QRectF> &onPage = searchHits.at(pageIndex);
        for (int i = 0; i < onPage.size(); ++i) {
            const QRectF &hit = onPage.at(i);
            const QRectF upright(hit.x() * image.width(), hit.y() * image.height(),
                                 hit.width() * image.width(), hit.height() * image.height());
            const bool current = pageIndex == currentHitPage && i == currentHitIndex;
            painter.fillRect(turn.mapRect(upright),
                             current ? QColor(255, 140, 0, 120) : QColor(255, 230, 0, 110));
        }
    }
    pixmap = QPixmap::fromImage(shown);
    const double scale = page ? pdfpaging::budgetScale(page->pageSizeF(), dpiX, dpiY) : 1.0;
    budgetNote->setVisible(scale < 1.0);
    budgetNote->setText(tr("Drawn at %1 %: the page is above %2 megapixels at this zoom")
                            .arg(qMax(1, int(scale * 100)))
                            .arg(brivo::kPixelBudget / 1000000));
    imageLabel->setMargin(0); // a message shown before had room around it
    imageLabel->setPixmap(pixmap);
    placeSelection();
    showZoom();
}

void pdf::placeSelection()
{
    if (!selectionBand)
        return;
    if (continuous && !selectionArea.isEmpty()) {
        selectionBand->setGeometry(
            pagesView->pageTransform(selectionPage).mapRect(selectionArea).toAlignedRect());
        selectionBand->show();
        return;
    }
    if (selectionArea.isEmpty() || pixmap.isNull()) {
        selectionBand->hide();
        return;
    }
    const QRect shown =
        QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, pixmap.size(), imageLabel->contentsRect());
    const QRectF upright(selectionArea.x() * image.width(), selectionArea.y() * image.height(),
                         selectionArea.width() * image.width(), selectionArea.height() * image.height());
    const QRectF turned = QImage::trueMatrix(rotation, image.width(), image.height()).mapRect(upright);
    selectionBand->setGeometry(turned.translated(shown.topLeft()).toAlignedRect());
    selectionBand->show();
}

void pdf::fillContents()
{
    contentsTree->clear();
    const QVector<Poppler::OutlineItem> outline =
        document ? document->outline() : QVector<Poppler::OutlineItem>();
    const std::function<void(const QVector<Poppler::OutlineItem> &, QTreeWidgetItem *)> add =
        [&](const QVector<Poppler::OutlineItem> &items, QTreeWidgetItem *parent) {
            for (const Poppler::OutlineItem &entry : items) {
                auto *item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(contentsTree);
                item->setText(0, entry.name());
                item->setToolTip(0, entry.name());
                // Headings that lead elsewhere (another file, a web address) are listed but turn no page.
                const QSharedPointer<const Poppler::LinkDestination> destination = entry.destination();
                item->setData(
                    0, Qt::UserRole,
                    destination && entry.externalFileName().isEmpty() ? destination->pageNumber() - 1 : -1);
                add(entry.children(), item);
                item->setExpanded(entry.isOpen());
            }
        };
    add(outline, nullptr);
    contentsTree->setVisible(!outline.isEmpty());
}

std::optional<QPointF> pdf::pagePoint(QPoint labelPos, bool clamp) const
{
    if (image.isNull() || pixmap.isNull())
        return std::nullopt;
    // The label centres the page in its contents.
    const QRect shown =
        QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, pixmap.size(), imageLabel->contentsRect());
    QPointF p = labelPos - shown.topLeft();
    if (clamp) {
        p.setX(std::clamp(p.x(), 0.0, qreal(shown.width())));
        p.setY(std::clamp(p.y(), 0.0, qreal(shown.height())));
    } else if (p.x() < 0 || p.y() < 0 || p.x() > shown.width() || p.y() > shown.height()) {
        return std::nullopt;
    }
    // Back through the turn to the page as rendered.
    const QPointF upright = QImage::trueMatrix(rotation, image.width(), image.height()).inverted().map(p);
    return QPointF(upright.x() / image.width(), upright.y() / image.height());
}

std::optional<pdf::PagePlace> pdf::placeAt(QPoint pos, std::optional<int> onPage) const
{
    if (continuous) {
        const std::optional<brivo::PdfPagesView::PagePoint> at = pagesView->pagePoint(pos, onPage);
        return at ? std::optional<PagePlace>({at->page, at->at}) : std::nullopt;
    }
    const std::optional<QPointF> at = pagePoint(pos, onPage.has_value());
    return at ? std::optional<PagePlace>({pageIndex, *at}) : std::nullopt;
}

const Poppler::Link *pdf::linkAt(QPoint pos)
{
    const std::optional<PagePlace> place = placeAt(pos);
    if (!place)
        return nullptr;
    if (place->page != linksPage) {
        const std::unique_ptr<Poppler::Page> pointed = document->page(place->page);
        links = pointed ? pointed->links() : std::vector<std::unique_ptr<Poppler::Link>>();
        linksPage = place->page;
    }
    for (const std::unique_ptr<Poppler::Link> &link : links) {
        if (link->linkArea().normalized().contains(place->at))
            return link.get();
    }
    return nullptr;
}

QWidget *pdf::pageView() const
{
    return continuous ? static_cast<QWidget *>(pagesView) : imageLabel;
}

void pdf::clearSelection()
{
    selecting = false;
    selectedText.clear();
    selectionArea = QRectF();
    if (selectionBand)
        selectionBand->hide();
}

bool pdf::pageMouseEvent(QEvent *event)
{
    // The page moves in the label as the label grows or shrinks with the window; the selection with it.
    if (event->type() == QEvent::Resize)
        placeSelection();
    if (!page || (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseMove &&
                  event->type() != QEvent::MouseButtonRelease))
        return false;
    const auto *mouse = static_cast<QMouseEvent *>(event);
    const QPoint pos = mouse->position().toPoint();
    const Poppler::Link *link = linkAt(pos);

    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (mouse->button() == Qt::BackButton || mouse->button() == Qt::ForwardButton) {
            mouse->button() == Qt::BackButton ? back() : forward();
            return true;
        }
        if (mouse->button() != Qt::LeftButton)
            return false;
        pressPos = pos;
        // The keys (Ctrl+C for the selection, the arrows) go to the page once it is clicked, not to the
        // contents panel or a button clicked before.
        scrollArea->setFocus(Qt::MouseFocusReason);
        if (mouse->modifiers() & Qt::ShiftModifier) {
            clearSelection();
            // A selection stays on the page it begins on (in a gap, the page above).
            const std::optional<PagePlace> start = placeAt(pos);
            selectionPage = start ? start->page : continuous ? pagesView->pageAt(pos.y()) : pageIndex;
            selecting = true;
            selectionStart = pos;
            if (!selectionBand)
                selectionBand = new QRubberBand(QRubberBand::Rectangle, pageView());
            selectionBand->setGeometry(QRect(pos, QSize()));
            selectionBand->show();
            return true;
        }
        return link != nullptr;
    case QEvent::MouseMove:
        if (selecting) {
            selectionBand->setGeometry(QRect(selectionStart, pos).normalized());
            return true;
        }
        if (mouse->buttons() != Qt::NoButton)
            return false;
        pageView()->setCursor(link ? Qt::PointingHandCursor : Qt::ArrowCursor);
        if (link && link->linkType() == Poppler::Link::Browse) {
            // The address is shown before a click can take the user there.
            QToolTip::showText(mouse->globalPosition().toPoint(),
                               static_cast<const Poppler::LinkBrowse *>(link)->url(), pageView());
        } else if (link && link->linkType() == Poppler::Link::Goto) {
            const int target = static_cast<const Poppler::LinkGoto *>(link)->destination().pageNumber();
            QToolTip::showText(mouse->globalPosition().toPoint(), tr("Page %1").arg(target), pageView());
        } else {
            QToolTip::hideText();
        }
        return false;
    default: // release
        if (mouse->button() != Qt::LeftButton)
            return false;
        if (selecting) {
            selecting = false;
            const std::optional<PagePlace> a = placeAt(selectionStart, selectionPage),
                                           b = placeAt(pos, selectionPage);
            const std::unique_ptr<Poppler::Page> selected = document->page(selectionPage);
            if (!a || !b || !selected) {
                clearSelection();
                return true;
            }
            const QSizeF points = selected->pageSizeF();
            selectionArea = QRectF(a->at, b->at).normalized();
            selectedText = selected->text(
                QRectF(selectionArea.x() * points.width(), selectionArea.y() * points.height(),
                       selectionArea.width() * points.width(), selectionArea.height() * points.height()));
            placeSelection();
            return true;
        }
        // Followed when pressed and released on the same link (the links read are those of its page).
        if (const std::optional<PagePlace> pressed = placeAt(pressPos);
            !link || !pressed || pressed->page != linksPage ||
            !link->linkArea().normalized().contains(pressed->at))
            return false;
        if (link->linkType() == Poppler::Link::Browse) {
            // A web link the desktop has no browser for is shown in Brivo's own.
            brivo::openWebAddress(
                QUrl(static_cast<const Poppler::LinkBrowse *>(link)->url()), [](const QUrl &address) {
                    if (!address.scheme().startsWith(QLatin1String("mailto"), Qt::CaseInsensitive))
                        brivo::showInOwnBrowser(address);
                });
        } else if (link->linkType() == Poppler::Link::Goto) {
            const auto *jump = static_cast<const Poppler::LinkGoto *>(link);
            const int target = jump->destination().pageNumber() - 1;
            // Another document's pages are not this one's.
            if (!jump->isExternal() && target >= 0 && target < pageCount())
                jumpTo(target);
        }
        return true;
    }
}

void pdf::wheelStep(bool forward)
{
    if (!document)
        return;
    const pdfpaging::WheelTurn turn = pdfpaging::wheelStep(wheelArmed, shownOrComing(), pageCount(), forward);
    wheelArmed = turn.armed;
    if (turn.show)
        turnTo(turn.pageIndex);
}

void pdf::rl()
{
    turnQuarter(-1);
}

void pdf::rr()
{
    turnQuarter(1);
}

void pdf::turnQuarter(int quarters)
{
    if (continuous) {
        // Every page turns; the place read stays at the top of the view.
        const Spot at = spot();
        pagesView->setQuarterTurns(pagesView->quarterTurns() + quarters);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        goToSpot(at);
        placeSelection();
        applyFit();
        return;
    }
    if (image.isNull())
        return;
    rotation.rotate(90.0 * quarters);
    showImage();
    applyFit();
}

bool pdf::quarterTurned() const
{
    return continuous ? pagesView->quarterTurns() % 2 == 1 : qAbs(rotation.m12()) > 0.5;
}

void pdf::zi()
{
    if (!page)
        return;
    setFit(noFit);
    // Steps taken while the page is still being drawn add up.
    const int from = zoomTarget ? zoomTarget : dpiX;
    rerender(pdfpaging::zoomedIn(from), pdfpaging::zoomedIn(from));
}

void pdf::zo()
{
    if (!page)
        return;
    setFit(noFit);
    if (const std::optional<int> to = pdfpaging::zoomedOut(zoomTarget ? zoomTarget : dpiX))
        rerender(*to, *to);
}

void pdf::fo()
{
    if (document)
        turnTo(pdfpaging::nextPage(shownOrComing(), pageCount()));
}

void pdf::ba()
{
    if (document)
        turnTo(pdfpaging::previousPage(shownOrComing()));
}

void pdf::go()
{
    if (!document)
        return;
    if (const std::optional<int> target = pdfpaging::typedPage(pageEdit->text(), pageCount()))
        jumpTo(*target);
    scrollArea->setFocus(Qt::OtherFocusReason);
}

void pdf::full()
{
    if (isFullScreen())
        showNormal();
    else
        showFullScreen();
}

void pdf::showhome()
{
    brivo::goHome();
}

void pdf::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The page's size depends on the resolution only, so it is shown again, not rendered again.
    if (imageLabel && !image.isNull())
        showImage();
    if (fit != noFit && fitTimer)
        fitTimer->start();
    // A taller view shows more of the pages.
    scrolledContinuous();
}

void pdf::fitWidth()
{
    setFit(fitToWidth);
    applyFit();
}

void pdf::fitPage()
{
    setFit(fitToPage);
    applyFit();
}

void pdf::setFit(int mode)
{
    fit = document ? mode : noFit;
    if (fitWidthButton) {
        fitWidthButton->setChecked(fit == fitToWidth);
        fitPageButton->setChecked(fit == fitToPage);
    }
    if (rememberTimer)
        rememberTimer->start();
}

void pdf::applyFit()
{
    if (fit == noFit || !page)
        return;
    QSizeF points = page->pageSizeF();
    if (quarterTurned())
        points.transpose();
    const int frame = 2 * scrollArea->frameWidth();
    QSize room = scrollArea->size() - QSize(frame, frame);
    int dpi = pdfpaging::fitDpi(points, room, fit == fitToPage);
    // A page taller than the view at that width brings up the vertical scroll bar, which takes width.
    if (fit == fitToWidth && points.height() * dpi / 72.0 > room.height()) {
        room.rwidth() -= style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scrollArea);
        dpi = pdfpaging::fitDpi(points, room, false);
    }
    if (dpi > 0 && dpi != (zoomTarget ? zoomTarget : dpiX))
        rerender(dpi, dpi);
}

void pdf::rememberPlace()
{
    if (!document)
        return;
    rememberTimer->stop();
    pdfplaces::remember(filePath, {pageIndex, dpiX,
                                   fit == fitToWidth  ? QStringLiteral("width")
                                   : fit == fitToPage ? QStringLiteral("page")
                                                      : QString(),
                                   continuous});
}

void pdf::openFind()
{
    if (document)
        findBar->openFind();
}

void pdf::stopSearch()
{
    if (search)
        search->cancel();
}

void pdf::startSearch()
{
    searchHits = QList<QList<QRectF>>(pageCount());
    currentHitPage = currentHitIndex = -1;
    const QString text = findBar->text();
    searchFinished = text.isEmpty() || !document;
    showImage();
    if (searchFinished) {
        stopSearch();
        findBar->showMessage(QString());
        return;
    }
    findBar->showMessage(tr("Searching…"));
    search->start(filePath, password, text, findBar->options().matchCase);
}

void pdf::searchFound(int index, const QList<QRectF> &hits)
{
    if (index < searchHits.size())
        searchHits[index] = hits;
    if (index == pageIndex)
        showImage();
    if (pagesView)
        pagesView->update();
    showSearchCount();
    // The first hit found is gone to, as a find bar does while typing.
    if (currentHitPage < 0)
        findNext(false);
}

void pdf::showSearchCount()
{
    int total = 0, pages = 0;
    for (const QList<QRectF> &onPage : std::as_const(searchHits)) {
        total += onPage.size();
        pages += onPage.isEmpty() ? 0 : 1;
    }
    QString count = total == 0 ? tr("Not found") : total == 1 ? tr("1 match") : tr("%1 matches").arg(total);
    if (total > 0)
        count += pages == 1 ? tr(" on 1 page") : tr(" on %1 pages").arg(pages);
    if (!searchFinished)
        count = tr("Searching… ") + (total > 0 ? count : QString());
    findBar->showMessage(count.trimmed(), total == 0 && searchFinished ? brivo::FindBar::Tone::Error
                                                                       : brivo::FindBar::Tone::Note);
}

void pdf::findNext(bool backward)
{
    const int pages = int(searchHits.size());
    if (pages == 0)
        return;
    // From the hit gone to last when it is on the shown page, else from the shown page's start or end.
    int page = pageIndex;
    int index =
        currentHitPage == pageIndex ? currentHitIndex : (backward ? int(searchHits.value(page).size()) : -1);
    bool wrapped = false;
    for (int step = 0; step <= pages; ++step) {
        const int next = index + (backward ? -1 : 1);
        if (next >= 0 && next < searchHits.at(page).size()) {
            currentHitPage = page;
            currentHitIndex = next;
            if (page != pageIndex) {
                turnTo(page, [this] { scrollToHit(); });
            } else {
                showImage();
                scrollToHit();
            }
            showSearchCount();
            if (wrapped)
                findBar->showMessage(findBar->message() + (backward ? tr(" (went on from the end)")
                                                                    : tr(" (went on from the start)")));
            return;
        }
        page += backward ? -1 : 1;
        if (page < 0 || page >= pages) {
            wrapped = true;
            page = (page + pages) % pages;
        }
        index = backward ? int(searchHits.at(page).size()) : -1;
    }
}

void pdf::print()
{
    if (!document || m_printing)
        return;
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    printer->setDocName(QFileInfo(filePath).fileName());
    QPrintDialog dialog(printer.get(), this);
    dialog.setMinMax(1, pageCount());
    dialog.setOptions(QAbstractPrintDialog::PrintPageRange | QAbstractPrintDialog::PrintCurrentPage |
                      QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QList<int> pages;
    for (int i = 0; i < pageCount(); ++i) {
        if (printer->printRange() == QPrinter::PageRange     ? printer->pageRanges().contains(i + 1)
            : printer->printRange() == QPrinter::CurrentPage ? i == pageIndex
                                                             : true)
            pages.append(i);
    }
    printPages(printer, pages);
}

void pdf::printPages(const std::shared_ptr<QPrinter> &printer, const QList<int> &pages)
{
    if (!document || m_printing || pages.isEmpty())
        return;
    m_printing = true;
    auto *progress = new QProgressDialog(tr("Printing %1 …").arg(QFileInfo(filePath).fileName()),
                                         tr("Cancel"), 0, int(pages.size()), this);
    progress->setObjectName(QStringLiteral("printProgress"));
    progress->setWindowModality(Qt::WindowModal);
    progress->setMinimumDuration(300);
    progress->setValue(0);
    auto cancelled = std::make_shared<std::atomic_bool>(false);
    connect(progress, &QProgressDialog::canceled, this, [cancelled] { cancelled->store(true); });
    const QString path = filePath;
    const QByteArray key = password;
    QPointer<pdf> self(this);
    QPointer<QProgressDialog> shown(progress);
    // Painting on a printer is allowed off the GUI thread: the whole job runs on a worker, each page
    // rendered at the printer's resolution (within the pixel budget, then drawn scaled up).
    QThreadPool::globalInstance()->start([printer, pages, path, key, cancelled, self, shown] {
        const std::unique_ptr<Poppler::Document> own = Poppler::Document::load(path, key, key);
        QPainter painter;
        bool ok = own && !own->isLocked() && painter.begin(printer.get());
        if (ok) {
            own->setRenderHint(Poppler::Document::Antialiasing, true);
            own->setRenderHint(Poppler::Document::TextAntialiasing, true);
        }
        const int dpi = printer->resolution();
        const QSize room = printer->pageLayout().paintRectPixels(dpi).size();
        for (int done = 0; ok && done < pages.size() && !*cancelled; ++done) {
            if (done > 0)
                ok = printer->newPage();
            const std::unique_ptr<Poppler::Page> page = own->page(pages.at(done));
            const QImage drawn = page ? pdfpaging::renderPage(*page, dpi, dpi) : QImage();
            if (ok && !drawn.isNull()) {
                // The page at its own size, or smaller to fit the paper.
                const QSizeF points = page->pageSizeF();
                QSize size = QSizeF(points * dpi / 72.0).toSize();
                if (size.width() > room.width() || size.height() > room.height())
                    size.scale(room, Qt::KeepAspectRatio);
                painter.drawImage(QRect(QPoint(0, 0), size), drawn);
            }
            QMetaObject::invokeMethod(
                qApp,
                [shown, done] {
                    if (shown)
                        shown->setValue(done + 1);
                },
                Qt::QueuedConnection);
        }
        if (*cancelled && painter.isActive())
            printer->abort();
        if (painter.isActive())
            ok = painter.end() && ok;
        const bool failed = !ok && !*cancelled;
        QMetaObject::invokeMethod(
            qApp,
            [self, shown, failed] {
                delete shown.data();
                if (!self)
                    return;
                self->m_printing = false;
                if (failed)
                    QMessageBox::warning(self, tr("Print"), tr("The document could not be printed."));
            },
            Qt::QueuedConnection);
    });
}

void pdf::closeEvent(QCloseEvent *event)
{
    stopSearch();
    // A closed viewer is never shown again: the pages prepared for it go now rather than with the window.
    if (prerenderer)
        prerenderer->dropAll();
    rememberPlace();
    QWidget::closeEvent(event);
}

bool pdf::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == imageLabel || (pagesView && watched == pagesView))
        return pageMouseEvent(event);
    if (watched != scrollArea)
        return QWidget::eventFilter(watched, event);

    // Wheel steps arrive here only when the view cannot scroll further that way; keys when the view has
    // the focus. All keys stop here, so that Up and Down do not scroll the page; only Tab and Backtab go
    // on, so the keyboard can still leave the view for the page field and the buttons.
    switch (event->type()) {
    case QEvent::Wheel: {
        if (continuous)
            return true;
        const int notches = wheelNotches.add(static_cast<QWheelEvent *>(event)->angleDelta().y());
        for (int i = 0; i > notches; --i)
            wheelStep(true);
        for (int i = 0; i < notches; ++i)
            wheelStep(false);
        return true;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
            return false;
        if (event->type() == QEvent::KeyRelease)
            return true;
        const bool shift = key->modifiers() & Qt::ShiftModifier;
        switch (key->key()) {
        case Qt::Key_Right:
            fo();
            break;
        case Qt::Key_Left:
            ba();
            break;
        case Qt::Key_PageDown:
        case Qt::Key_PageUp:
        case Qt::Key_Space:
            screenStep(key->key() == Qt::Key_PageDown || (key->key() == Qt::Key_Space && !shift));
            break;
        case Qt::Key_Home:
            jumpTo(0);
            break;
        case Qt::Key_End:
            jumpTo(pageCount() - 1);
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_F11:
            full();
            break;
        case Qt::Key_Escape:
            close();
            break;
        default:
            break;
        }
        return true;
    }
    case QEvent::MouseButtonDblClick:
        full();
        return true;
    default:
        // Resizing, painting, showing and the like stay the scroll area's own: swallowing them would leave
        // the view unlaid-out and unpainted.
        return false;
    }
}

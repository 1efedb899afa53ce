#include "viewers/pdf.h"

#include "common/controlhelp.h"
#include "common/conventions.h"
#include "common/homeactions.h"
#include "common/tooltable.h"
#include "common/viewkeys.h"
#include "viewers/pageprerenderer.h"
#include "viewers/pdfpaging.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <poppler-qt6.h>

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
    scrollArea = new QScrollArea;
    scrollArea->setObjectName(QStringLiteral("scrollArea"));
    scrollArea->setWidgetResizable(true);
    scrollArea->setWidget(imageLabel);
    scrollArea->installEventFilter(this);

    QString problem = openDocument();
    imageLabel->setAlignment(Qt::AlignCenter);
    // A file name is shown as it is, never read as markup.
    imageLabel->setTextFormat(Qt::PlainText);
    imageLabel->setWordWrap(true);
    if (problem.isEmpty() && !showPage(pageIndex))
        problem = tr("The first page of this document cannot be shown. Later pages may be.");
    if (!problem.isEmpty()) {
        imageLabel->setText(problem);
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
    buttonLayout->addWidget(button.value(QStringLiteral("go")));
    buttonLayout->addWidget(button.value(QStringLiteral("full")));
    buttonLayout->addStretch();
    for (const char *name : {"rl", "ba", "zo", "zi", "fo", "rr"})
        buttonLayout->addWidget(button.value(QLatin1String(name)));
    buttonLayout->addStretch();
    buttonLayout->addWidget(homeButton);
    auto *controlRow = new QWidget;
    controlRow->setLayout(buttonLayout);
    controlRow->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    auto *viewLayout = new QHBoxLayout;
    viewLayout->addWidget(scrollArea);
    mainLayout = new QVBoxLayout;
    mainLayout->addLayout(viewLayout);
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
        for (QPushButton *b : std::as_const(button)) {
            if (b != button.value(QStringLiteral("full")))
                b->setEnabled(false);
        }
    }

    // The usual zoom and full-screen keys of the platform, beside the buttons.
    connect(new QShortcut(QKeySequence::ZoomIn, this), &QShortcut::activated, this, &pdf::zi);
    connect(new QShortcut(QKeySequence::ZoomOut, this), &QShortcut::activated, this, &pdf::zo);
    connect(new QShortcut(QKeySequence::FullScreen, this), &QShortcut::activated, this, &pdf::full);

    // The arrow keys turn pages from the start, and after any button was clicked.
    brivo::keepKeysOnView(scrollArea, {controlRow});
    // Right, Left and Return are the view's own keys (see eventFilter); the others are the shortcuts above.
    brivo::describeControls(
        this, "PDF viewer: one page of a document at a time, with buttons to turn, zoom and rotate",
        {{"pageEdit", "Page number", "Type a page number and press Return to go there"},
         {"goButton", "Go to page", "Go to the page typed beside"},
         {"fullButton", "Full screen", "Full screen", {Qt::Key_Return, QKeySequence::FullScreen}},
         {"rlButton", "Rotate left", "Rotate left"},
         {"baButton", "Previous page", "Previous page", {Qt::Key_Left}},
         {"zoButton", "Zoom out", "Zoom out", {QKeySequence::ZoomOut}},
         {"ziButton", "Zoom in", "Zoom in", {QKeySequence::ZoomIn}},
         {"foButton", "Next page", "Next page", {Qt::Key_Right}},
         {"rrButton", "Rotate right", "Rotate right"},
         {"homeButton", "Brivo Home", "Open the Brivo home window"}});
}

QString pdf::openDocument()
{
    if (filePath.isEmpty())
        return tr("No document was given to show.");
    const QString name = QDir::toNativeSeparators(filePath);
    const QFileInfo info(filePath);
    if (!info.exists())
        return tr("%1\n\nThis file does not exist.").arg(name);
    if (!info.isReadable())
        return tr("%1\n\nThis file cannot be read: permission denied.").arg(name);

    // The file as it is now, for the worker that prepares pages from a copy of its own: it must read the
    // same file.
    const brivo::FileStamp opened = brivo::fileStamp(filePath);
    std::unique_ptr<Poppler::Document> loaded = Poppler::Document::load(filePath, QByteArray(), QByteArray());
    if (!loaded)
        return tr("%1\n\nThis file cannot be shown: it is not a PDF document, or it is damaged.").arg(name);
    loaded->setRenderHint(Poppler::Document::TextAntialiasing, true);
    if (loaded->isLocked())
        return tr("%1\n\nThis document is protected by a password and cannot be shown.").arg(name);
    if (loaded->numPages() <= 0)
        return tr("%1\n\nThis document has no pages.").arg(name);

    document = std::move(loaded);
    prerenderer = new brivo::PagePrerenderer(filePath, document->numPages(), opened, this);
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

bool pdf::showPage(int index)
{
    if (!document)
        return false;
    std::unique_ptr<Poppler::Page> shown = document->page(index);
    if (!shown)
        return false;
    QImage rendered = prerenderer->page(index);
    if (rendered.isNull()) {
        rendered = pdfpaging::renderPage(*shown, dpiX, dpiY);
        if (rendered.isNull())
            return false;
    }
    prerenderer->showing(index, rendered);
    page = std::move(shown);
    pageIndex = index;
    image = rendered;
    rotation.reset();
    showImage();
    // Readers mostly go on to the next page, sometimes back one.
    prerenderer->prepare({index + 1, index - 1});
    return true;
}

void pdf::turnTo(int index)
{
    if (!showPage(index))
        return;
    pageEdit->setText(QString::number(pageIndex + 1));
    scrollArea->horizontalScrollBar()->setValue(0);
    scrollArea->verticalScrollBar()->setValue(0);
}

bool pdf::rerender(int newDpiX, int newDpiY)
{
    const QImage rendered = pdfpaging::renderPage(*page, newDpiX, newDpiY);
    if (rendered.isNull())
        return false;
    dpiX = newDpiX;
    dpiY = newDpiY;
    image = rendered;
    showImage();
    prerenderer->setResolution(dpiX, dpiY);
    prerenderer->showing(pageIndex, image);
    prerenderer->prepare({pageIndex + 1, pageIndex - 1});
    return true;
}

void pdf::showImage()
{
    pixmap = QPixmap::fromImage(rotation.isIdentity() ? image
                                                      : image.transformed(rotation, Qt::FastTransformation));
    imageLabel->setMargin(0); // a message shown before had room around it
    imageLabel->setPixmap(pixmap);
}

void pdf::wheelStep(bool forward)
{
    if (!document)
        return;
    const pdfpaging::WheelTurn turn = pdfpaging::wheelStep(wheelArmed, pageIndex, pageCount(), forward);
    wheelArmed = turn.armed;
    if (turn.show)
        turnTo(turn.pageIndex);
}

void pdf::rl()
{
    if (image.isNull())
        return;
    rotation.rotate(-90);
    showImage();
}

void pdf::rr()
{
    if (image.isNull())
        return;
    rotation.rotate(90);
    showImage();
}

void pdf::zi()
{
    if (!page)
        return;
    rerender(pdfpaging::zoomedIn(dpiX), pdfpaging::zoomedIn(dpiY));
}

void pdf::zo()
{
    if (!page)
        return;
    const std::optional<int> x = pdfpaging::zoomedOut(dpiX);
    const std::optional<int> y = pdfpaging::zoomedOut(dpiY);
    if (x && y)
        rerender(*x, *y);
}

void pdf::fo()
{
    if (document)
        turnTo(pdfpaging::nextPage(pageIndex, pageCount()));
}

void pdf::ba()
{
    if (document)
        turnTo(pdfpaging::previousPage(pageIndex));
}

void pdf::go()
{
    if (!document)
        return;
    if (const std::optional<int> target = pdfpaging::typedPage(pageEdit->text(), pageCount()))
        showPage(*target);
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
}

void pdf::closeEvent(QCloseEvent *event)
{
    // A closed viewer is kept but never shown again: the pages prepared for it would only hold memory.
    if (prerenderer)
        prerenderer->dropAll();
    QWidget::closeEvent(event);
}

bool pdf::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != scrollArea)
        return QWidget::eventFilter(watched, event);

    // Wheel steps arrive here only when the view cannot scroll further that way; keys when the view has
    // the focus. All keys stop here, so that Up and Down do not scroll the page; only Tab and Backtab go
    // on, so the keyboard can still leave the view for the page field and the buttons.
    switch (event->type()) {
    case QEvent::Wheel: {
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
        switch (key->key()) {
        case Qt::Key_Right:
            fo();
            break;
        case Qt::Key_Left:
            ba();
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
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

#include "viewers/imgv.h"

#include "common/filestamp.h"

#include "common/controlhelp.h"
#include "common/conventions.h"
#include "common/errorbox.h"
#include "common/homeactions.h"
#include "common/tooltable.h"
#include "common/viewkeys.h"
#include "viewers/imagefolder.h"
#include "viewers/picturecache.h"
#include "viewers/picturedecode.h"

#include <QClipboard>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTransform>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <utility>

namespace {

// Transparent parts of a picture drawn over a grey checkerboard, as image viewers show them, rather than
// over the black of the view, where a dark picture would vanish.
QPixmap onCheckerboard(const QPixmap &picture)
{
    if (!picture.hasAlphaChannel())
        return picture;
    static const QPixmap tile = [] {
        QPixmap squares(16, 16);
        squares.fill(QColor(0x99, 0x99, 0x99));
        QPainter painter(&squares);
        painter.fillRect(0, 0, 8, 8, QColor(0x66, 0x66, 0x66));
        painter.fillRect(8, 8, 8, 8, QColor(0x66, 0x66, 0x66));
        return squares;
    }();
    QPixmap shown(picture.size());
    QPainter painter(&shown);
    painter.fillRect(shown.rect(), QBrush(tile));
    painter.drawPixmap(0, 0, picture);
    return shown;
}

} // namespace

imgv::imgv(QWidget *parent) : QWidget(parent), m_pictures(std::make_unique<brivo::PictureCache>())
{
    setAcceptDrops(true);
    connect(&m_awaited, &QFutureWatcher<QImage>::finished, this, &imgv::awaitedDecoded);
}

imgv::~imgv() = default;

void imgv::openFile(const QString &path)
{
    m_openedPath = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    if (const QString special = brivo::notRegularFile(path); !special.isEmpty()) {
        QMessageBox::warning(this, QStringLiteral("Error"), special);
    } else if (!m_openedPath.isEmpty()) {
        // Decoded on a worker, however large: the window shows at once, and the picture when it comes
        // (awaitedDecoded), or the warning that it cannot be.
        m_awaitedPath = m_openedPath;
        m_firstAwaited = true;
        m_awaited.setFuture(m_pictures->request(m_openedPath));
    }
    imagePath = path;
}

void imgv::buildUi()
{
    pixmap = QPixmap::fromImage(image);

    imageLabel = new QLabel;
    indexFound = false;
    currentIndex = 0;
    fileList = listFolder();
    // Finds the position only when the path is a bare name; the listing's search by name is what
    // normally finds it.
    if (const int position = fileList.indexOf(imagePath); position >= 0)
        currentIndex = position;
    imageLabel->setAlignment(Qt::AlignCenter);
    imageLabel->setWordWrap(true);
    imageLabel->setTextFormat(Qt::PlainText);
    QPalette text = imageLabel->palette();
    text.setColor(QPalette::WindowText, QColor(0xdd, 0xdd, 0xdd));
    imageLabel->setPalette(text);
    setWindowTitle(brivo::toolTitle(brivo::Tool::ImageViewer));

    scrollArea = new QScrollArea;
    scrollArea->setWidgetResizable(true);
    scrollArea->setWidget(imageLabel);
    scrollArea->installEventFilter(this);
    scrollArea->viewport()->installEventFilter(this);

    auto *column = new QVBoxLayout;
    column->addWidget(scrollArea);

    struct Button
    {
        const char *icon;
        const char *name;
        void (imgv::*slot)();
    };
    // In the row's order, left to right after the home button.
    const Button row[] = {
        {":/images/re.png", "rotateLeftButton", &imgv::tranl},
        {":/images/b.png", "previousButton", &imgv::backward},
        {":/images/in.png", "zoomInButton", &imgv::zoomin},
        {":/images/out.png", "zoomOutButton", &imgv::zommout},
        {":/images/f.png", "nextButton", &imgv::forward},
        {":/images/fo.png", "rotateRightButton", &imgv::tranr},
    };
    auto *home = new QPushButton;
    home->setObjectName(QStringLiteral("homeButton"));
    home->setIcon(brivo::homeIconImage());
    connect(home, &QPushButton::clicked, this, &imgv::showhome);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(home);
    buttons->addStretch();
    for (const Button &button : row) {
        auto *push = new QPushButton;
        push->setObjectName(QLatin1String(button.name));
        push->setIcon(QIcon(QLatin1String(button.icon)));
        connect(push, &QPushButton::clicked, this, button.slot);
        buttons->addWidget(push);
    }
    // After the row: actual size and the information over the picture, each a toggle with its key.
    m_actualButton = new QPushButton(QStringLiteral("1:1"));
    m_actualButton->setObjectName(QStringLiteral("actualSizeButton"));
    m_actualButton->setCheckable(true);
    connect(m_actualButton, &QPushButton::toggled, this, &imgv::setActualSize);
    buttons->addWidget(m_actualButton);
    m_infoButton = new QPushButton(QStringLiteral("Info"));
    m_infoButton->setObjectName(QStringLiteral("infoButton"));
    m_infoButton->setCheckable(true);
    connect(m_infoButton, &QPushButton::toggled, this, &imgv::setInformationShown);
    buttons->addWidget(m_infoButton);
    buttons->addStretch();
    column->addLayout(buttons);

    resize(600, 500);
    setLayout(column);
    column->setContentsMargins(0, 0, 0, 0);
    // The keys step, zoom and close only while the view has the keyboard.
    QList<QWidget *> controls;
    for (int i = 0; i < buttons->count(); ++i) {
        if (QWidget *widget = buttons->itemAt(i)->widget())
            controls.append(widget);
    }
    brivo::keepKeysOnView(scrollArea, controls);
    // The keys are the view's own (see eventFilter).
    brivo::describeControls(
        this, "Image viewer: one picture of a folder at a time, with buttons to step, zoom and rotate",
        {{"homeButton", "Brivo Home", "Open the Brivo home window"},
         {"rotateLeftButton", "Rotate left", "Rotate left"},
         {"previousButton", "Previous picture", "Previous picture in the folder", {Qt::Key_Left}},
         {"zoomInButton", "Zoom in", "Zoom in", {Qt::Key_Up}},
         {"zoomOutButton", "Zoom out", "Zoom out", {Qt::Key_Down}},
         {"nextButton", "Next picture", "Next picture in the folder", {Qt::Key_Right}},
         {"rotateRightButton", "Rotate right", "Rotate right"},
         {"actualSizeButton", "Actual size", "Actual size or fit to the window", {Qt::Key_1}},
         {"infoButton",
          "Information",
          "Show the picture's name, size and place in the folder",
          {Qt::Key_I}}});

    QPalette black;
    black.setBrush(QPalette::Window, QBrush(Qt::black));
    scrollArea->setPalette(black);
    setPalette(black);
    setWindowIcon(QIcon(QLatin1String(brivo::toolWindowIcon)));

    m_information = new QLabel(scrollArea->viewport());
    m_information->setObjectName(QStringLiteral("information"));
    m_information->setTextFormat(Qt::PlainText);
    m_information->setStyleSheet(
        QStringLiteral("background: rgba(0, 0, 0, 160); color: white; padding: 6px;"));
    m_information->move(8, 8);
    m_information->hide();

    decodeNeighbours();
    if (!m_awaitedPath.isEmpty())
        scrollArea->viewport()->setCursor(Qt::BusyCursor);
}

QStringList imgv::listFolder()
{
    if (m_folder.isEmpty())
        m_folder = brivo::pictureFolder(m_openedPath);
    const QStringList names = brivo::listPictureNames(m_folder);
    if (!indexFound) {
        if (const int position = names.indexOf(QFileInfo(imagePath).fileName()); position >= 0)
            currentIndex = position;
        indexFound = true;
    }
    return names;
}

bool imgv::loadPicture(const QString &path)
{
    if (path.isEmpty())
        return false;
    // A picture that was not decoded ahead is decoded now (only the opened one is), which takes a moment
    // for a large one.
    const bool waits = !m_pictures->isReady(path);
    if (waits)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const QImage loaded = m_pictures->picture(path);
    if (waits)
        QGuiApplication::restoreOverrideCursor();
    if (loaded.isNull()) {
        showFailure(path);
        return false;
    }
    image = loaded;
    m_loadedPath = path;
    m_failure.clear();
    return true;
}

void imgv::forward()
{
    fileList = listFolder();
    ++currentIndex;
    if (currentIndex < fileList.size()) {
        stepToCurrent();
    } else {
        --currentIndex;
        stepInPlace();
    }
}

void imgv::backward()
{
    fileList = listFolder();
    // Files deleted since the last listing can leave the position past the end; the step then goes to the
    // last name rather than outside the list.
    currentIndex = qMin(currentIndex - 1, int(fileList.size()) - 1);
    if (currentIndex < 0) {
        currentIndex = 0;
        stepInPlace();
    } else {
        stepToCurrent();
    }
}

void imgv::stepToCurrent()
{
    const QString path = QDir(m_folder).absoluteFilePath(fileList.at(currentIndex));
    if (m_pictures->isReady(path)) {
        // Whatever an earlier step was waiting for has been stepped past.
        m_awaitedPath.clear();
        m_awaited.setFuture(QFuture<QImage>());
        scrollArea->viewport()->unsetCursor();
        loadPicture(path);
        showStep();
        return;
    }
    if (path == m_awaitedPath)
        return;
    m_awaitedPath = path;
    m_firstAwaited = false;
    scrollArea->viewport()->setCursor(Qt::BusyCursor);
    m_awaited.setFuture(m_pictures->request(path));
}

void imgv::stepInPlace()
{
    // With a picture on its way, the step shows it when it comes, like the step that asked for it.
    if (m_awaitedPath.isEmpty())
        showStep();
}

void imgv::awaitedDecoded()
{
    const QFuture<QImage> decoded = m_awaited.future();
    if (m_awaitedPath.isEmpty() || !decoded.isFinished())
        return;
    // A picture that does not decode takes its place in the folder all the same, as a message, so that
    // the position and the next step stay where the user counts them.
    const bool decodedOne = decoded.resultCount() > 0 && !decoded.result().isNull();
    if (decodedOne) {
        image = decoded.result();
        m_loadedPath = m_awaitedPath;
        m_failure.clear();
    } else {
        showFailure(m_awaitedPath);
    }
    const bool first = std::exchange(m_firstAwaited, false);
    m_awaitedPath.clear();
    m_awaited.setFuture(QFuture<QImage>());
    scrollArea->viewport()->unsetCursor();
    showStep();
    // A picture above the pixel budget says it is drawn smaller than it is.
    if (decodedOne && !image.text(QLatin1String(brivo::kFullSizeText)).isEmpty())
        setInformationShown(true);
    if (first && !decodedOne)
        brivo::showLoadErrorBox(this, QStringLiteral("Cannot Load Image"), m_openedPath,
                                brivo::Tool::ImageViewer);
}

void imgv::showStep()
{
    pixmap = QPixmap::fromImage(image);
    const QSize box = currentWindowBox();
    showPicture(box);
    setBox(box);
    decodeNeighbours();
    updateInformation();
}

void imgv::showFailure(const QString &path)
{
    image = QImage();
    m_loadedPath = path;
    m_failure = QStringLiteral("%1: cannot be shown: %2")
                    .arg(QFileInfo(path).fileName(), brivo::pictureProblem(path));
}

void imgv::setActualSize(bool actual)
{
    m_actualSize = actual;
    if (m_actualButton && m_actualButton->isChecked() != actual)
        m_actualButton->setChecked(actual);
    if (scrollArea && actual)
        scrollArea->viewport()->setCursor(Qt::OpenHandCursor);
    else if (scrollArea)
        scrollArea->viewport()->unsetCursor();
    // Leaving actual size fits the picture again, whatever zoom came before it: the key toggles between
    // the two.
    const QSize box = currentWindowBox();
    if (!actual)
        setBox(box);
    showPicture(box);
}

void imgv::setInformationShown(bool shown)
{
    if (m_infoButton && m_infoButton->isChecked() != shown)
        m_infoButton->setChecked(shown);
    if (!m_information)
        return;
    m_information->setVisible(shown);
    updateInformation();
}

void imgv::updateInformation()
{
    if (!m_information || m_information->isHidden())
        return;
    const QFileInfo file(m_loadedPath);
    QStringList lines{file.fileName()};
    if (!image.isNull())
        lines.append(QStringLiteral("%1 × %2 pixels").arg(image.width()).arg(image.height()));
    if (const QString full = image.text(QLatin1String(brivo::kFullSizeText)); !full.isEmpty())
        lines.append(QStringLiteral("drawn smaller: the picture is %1 pixels, above %2 megapixels")
                         .arg(QString(full).replace(QLatin1Char('x'), QStringLiteral(" × ")))
                         .arg(brivo::kPixelBudget / 1000000));
    if (file.exists())
        lines.append(QLocale().formattedDataSize(file.size()));
    if (const int position = fileList.indexOf(file.fileName()); position >= 0)
        lines.append(QStringLiteral("%1 / %2").arg(position + 1).arg(fileList.size()));
    m_information->setText(lines.join(QLatin1Char('\n')));
    m_information->adjustSize();
    m_information->raise();
}

void imgv::copyPicture()
{
    if (!pixmap.isNull())
        QGuiApplication::clipboard()->setImage(pixmap.toImage());
}

void imgv::zoomin()
{
    // A zoom works on the fitted picture: it leaves actual size.
    if (m_actualSize)
        setActualSize(false);
    zoomTo(brivo::zoomedIn({boxWidth, boxHeight}), viewCentre());
}

void imgv::zommout()
{
    if (m_actualSize)
        setActualSize(false);
    zoomTo(brivo::zoomedOut({boxWidth, boxHeight}), viewCentre());
}

QPointF imgv::viewCentre() const
{
    return scrollArea ? QRectF(scrollArea->viewport()->rect()).center() : QPointF();
}

void imgv::zoomTo(const QSize &box, const QPointF &anchor)
{
    // Where the picture on screen lies in the view: the label moves with the scroll bars and centres the
    // picture inside itself.
    const auto pictureRect = [this] {
        const QSize shown = imageLabel ? imageLabel->pixmap().size() : QSize();
        if (shown.isEmpty())
            return QRectF();
        const QSizeF room = imageLabel->size() - shown;
        return QRectF(QPointF(imageLabel->pos()) + QPointF(room.width() / 2, room.height() / 2), shown);
    };
    const QRectF before = pictureRect();
    setBox(box);
    showPicture(box);
    const QRectF after = pictureRect();
    if (before.isEmpty() || after.isEmpty() || !scrollArea)
        return;
    // The label takes its new size now rather than when the event loop next runs, so that the scroll bars
    // below can be set to their new ranges.
    scrollArea->setWidgetResizable(true);
    const QRectF laidOut = pictureRect();
    const QPointF fraction((anchor.x() - before.x()) / before.width(),
                           (anchor.y() - before.y()) / before.height());
    const QPointF moved =
        laidOut.topLeft() + QPointF(fraction.x() * laidOut.width(), fraction.y() * laidOut.height()) - anchor;
    scrollArea->horizontalScrollBar()->setValue(scrollArea->horizontalScrollBar()->value() +
                                                qRound(moved.x()));
    scrollArea->verticalScrollBar()->setValue(scrollArea->verticalScrollBar()->value() + qRound(moved.y()));
}

void imgv::tranl()
{
    pixmap = pixmap.transformed(QTransform().rotate(-90), Qt::FastTransformation);
    showPicture(currentWindowBox());
}

void imgv::tranr()
{
    pixmap = pixmap.transformed(QTransform().rotate(90), Qt::FastTransformation);
    showPicture(currentWindowBox());
}

void imgv::showhome()
{
    brivo::goHome();
}

void imgv::showPicture(const QSize &box)
{
    if (!imageLabel)
        return;
    if (pixmap.isNull()) {
        imageLabel->setPixmap(QPixmap());
        imageLabel->setText(m_failure);
        return;
    }
    if (m_actualSize) {
        imageLabel->setPixmap(onCheckerboard(pixmap));
        return;
    }
    // A window too small to hold a box keeps the picture it shows.
    const QSize fitted = brivo::fittedSize(pixmap.size(), box);
    if (fitted.isEmpty())
        return;
    imageLabel->setPixmap(
        onCheckerboard(pixmap.scaled(fitted, Qt::IgnoreAspectRatio, Qt::FastTransformation)));
}

QSize imgv::currentWindowBox() const
{
    return brivo::windowBox(size());
}

void imgv::setBox(const QSize &box)
{
    boxWidth = box.width();
    boxHeight = box.height();
}

void imgv::decodeNeighbours()
{
    QStringList ahead;
    for (int index : brivo::neighbourIndices(currentIndex, int(fileList.size())))
        ahead.append(QDir(m_folder).absoluteFilePath(fileList.at(index)));
    // The picture still coming for the opened file is kept coming.
    m_pictures->keepOnly(m_awaitedPath.isEmpty() ? m_loadedPath : m_awaitedPath, ahead);
}

void imgv::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const QSize box = currentWindowBox();
    setBox(box);
    showPicture(box);
}

void imgv::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}

void imgv::closeEvent(QCloseEvent *event)
{
    // The window goes as the event loop next runs; the pictures decoded ahead, and one on its way, are
    // of no more use.
    m_awaitedPath.clear();
    m_awaited.setFuture(QFuture<QImage>());
    if (scrollArea)
        scrollArea->viewport()->unsetCursor();
    m_pictures->keepOnly(m_loadedPath, {});
    QWidget::closeEvent(event);
}

void imgv::toggleFullScreen()
{
    if (isFullScreen())
        showNormal();
    else
        showFullScreen();
}

void imgv::wheelTurned(int delta, const QPointF &at)
{
    const int notches = m_wheel.add(delta);
    if (notches != 0 && m_actualSize)
        setActualSize(false);
    for (int i = 0; i < notches; ++i)
        zoomTo(brivo::zoomedIn({boxWidth, boxHeight}), at);
    for (int i = 0; i > notches; --i)
        zoomTo(brivo::zoomedOut({boxWidth, boxHeight}), at);
}

bool imgv::viewportEvent(QEvent *event)
{
    // The wheel zooms about the pointer, whether the picture fits or not.
    if (event->type() == QEvent::Wheel) {
        auto *wheel = static_cast<QWheelEvent *>(event);
        const QPoint turn = wheel->angleDelta();
        wheelTurned(turn.y() != 0 ? turn.y() : turn.x(), wheel->position());
        return true;
    }
    // At actual size a picture larger than the window is moved by dragging it.
    if (!m_actualSize)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        m_dragFrom = mouse->position().toPoint();
        scrollArea->viewport()->setCursor(Qt::ClosedHandCursor);
        return true;
    }
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (!(mouse->buttons() & Qt::LeftButton))
            return false;
        const QPoint moved = mouse->position().toPoint() - m_dragFrom;
        m_dragFrom = mouse->position().toPoint();
        scrollArea->horizontalScrollBar()->setValue(scrollArea->horizontalScrollBar()->value() - moved.x());
        scrollArea->verticalScrollBar()->setValue(scrollArea->verticalScrollBar()->value() - moved.y());
        return true;
    }
    case QEvent::MouseButtonRelease:
        scrollArea->viewport()->setCursor(Qt::OpenHandCursor);
        return true;
    default:
        return false;
    }
}

bool imgv::eventFilter(QObject *watched, QEvent *event)
{
    if (scrollArea && watched == scrollArea->viewport())
        return viewportEvent(event);
    if (watched != scrollArea)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        // Tab and Backtab go on, so that the keyboard can leave the view for the buttons.
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
            return false;
        if (event->type() == QEvent::KeyRelease)
            return true;
        if (static_cast<QKeyEvent *>(event)->matches(QKeySequence::Copy)) {
            copyPicture();
            return true;
        }
        switch (key) {
        case Qt::Key_1:
            setActualSize(!m_actualSize);
            break;
        case Qt::Key_I:
            setInformationShown(!(m_information && !m_information->isHidden()));
            break;
        case Qt::Key_Right:
            forward();
            break;
        case Qt::Key_Left:
            backward();
            break;
        case Qt::Key_Up:
            zoomin();
            break;
        case Qt::Key_Down:
            zommout();
            break;
        case Qt::Key_Return:
        case Qt::Key_F11:
            toggleFullScreen();
            break;
        case Qt::Key_Escape:
            close();
            break;
        default:
            break;
        }
        return true;
    }
    case QEvent::Wheel: {
        auto *wheel = static_cast<QWheelEvent *>(event);
        const QPoint turn = wheel->angleDelta();
        wheelTurned(turn.y() != 0 ? turn.y() : turn.x(),
                    scrollArea->viewport()->mapFrom(scrollArea, wheel->position()));
        return true;
    }
    case QEvent::MouseButtonDblClick:
        toggleFullScreen();
        return true;
    // The view takes no other input: the keys and the wheel that it would scroll with zoom and step.
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
        return true;
    // Layout, resize and paint events go on to the scroll area, or the view would never be laid out.
    default:
        return false;
    }
}

void imgv::dragEnterEvent(QDragEnterEvent *event)
{
    brivo::acceptAnyDrag(event);
}

void imgv::dropEvent(QDropEvent *event)
{
    brivo::dropAction(this, event);
}

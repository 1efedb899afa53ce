#include "desktop/desktop.h"

#include "common/controlhelp.h"
#include "common/conventions.h"
#include "common/homeactions.h"
#include "common/tooltable.h"
#include "desktop/imagesaving.h"
#include "desktop/regionpicker.h"
#include "desktop/snapshotpreview.h"
#include "platform/desktopcapture.h"
#include "platform/portalscreenshot.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <memory>
#include <utility>

namespace {

// How long a hidden window waits before the capture: long enough for the window system, and a
// compositor's fade-out, to take it off the screen. The event loop goes on meanwhile, so the request
// that unmaps the window leaves the process and other windows of this program that it uncovers repaint.
constexpr int kHideDelayMs = 200;

QPushButton *newButton(const QString &text, const QString &toolTip, const char *name)
{
    auto *button = new QPushButton(text);
    button->setToolTip(toolTip);
    button->setObjectName(QLatin1String(name));
    return button;
}

} // namespace

desktop::desktop(QWidget *parent) : QWidget(parent)
{
    autoHide = new QCheckBox(tr("Auto Hide."));
    autoHide->setChecked(true);
    autoHide->setStyleSheet(QStringLiteral("color:white"));

    auto *home = new QPushButton;
    home->setObjectName(QStringLiteral("home"));
    home->setIcon(brivo::homeIconImage());
    home->setToolTip(tr("Home"));
    connect(home, SIGNAL(clicked()), this, SLOT(showmain()));

    auto *takeButton = new QPushButton(tr("Take Snap Shot"));
    connect(takeButton, SIGNAL(clicked()), this, SLOT(take()));

    // Save asks for a name, as Save As does elsewhere; Ctrl+S is the quick save below. Desktops without
    // a key of their own for Save As get the usual Ctrl+Shift+S.
    auto *saveButton = new QPushButton(tr("Save"));
    QKeySequence saveAsKey(QKeySequence::SaveAs);
    if (saveAsKey.isEmpty())
        saveAsKey = QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S);
    saveButton->setShortcut(saveAsKey);
    saveButton->setToolTip(tr("Save the picture under a name you choose (%1)")
                               .arg(saveAsKey.toString(QKeySequence::NativeText)));
    connect(saveButton, SIGNAL(clicked()), this, SLOT(save()));

    auto *copyButton = newButton(tr("Copy"), tr("Put the picture on the clipboard"), "copy");
    copyButton->setShortcut(QKeySequence::Copy);
    connect(copyButton, SIGNAL(clicked()), this, SLOT(copy()));

    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(home);
    row->addWidget(autoHide);
    row->addStretch();
    row->addWidget(takeButton);
    row->addWidget(saveButton);
    row->addWidget(copyButton);
    auto *controls = new QWidget;
    controls->setLayout(row);
    controls->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    // A second row: the other ways to capture, the quick save, and what the window has to say.
    auto *regionButton =
        newButton(tr("&Region"), tr("Capture the desktop, then drag out the part to keep"), "region");
    connect(regionButton, SIGNAL(clicked()), this, SLOT(takeRegion()));
    auto *windowButton =
        newButton(tr("&Window"), tr("Capture the desktop, then click the window to keep"), "window");
    connect(windowButton, SIGNAL(clicked()), this, SLOT(takeWindow()));
    m_delay = new QSpinBox;
    m_delay->setObjectName(QStringLiteral("delay"));
    m_delay->setRange(0, 60);
    m_delay->setPrefix(tr("Delay "));
    m_delay->setSuffix(tr(" s"));
    m_delay->setSpecialValueText(tr("No delay"));
    m_delay->setToolTip(tr("Seconds to wait before each capture"));
    const QString quickKey = QKeySequence(QKeySequence::Save).toString(QKeySequence::NativeText);
    auto *quickSaveButton =
        newButton(tr("&Quick Save"), tr("Save into your Pictures folder without asking (%1)").arg(quickKey),
                  "quickSave");
    quickSaveButton->setShortcut(QKeySequence::Save);
    connect(quickSaveButton, SIGNAL(clicked()), this, SLOT(quickSave()));
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setStyleSheet(QStringLiteral("color:white"));
    // Long names are shortened to the room there is, never widen the window.
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_status->installEventFilter(this);
    m_cancelButton = newButton(tr("Cancel"), tr("Stop the capture (Escape)"), "cancel");
    m_cancelButton->setShortcut(QKeySequence::Cancel);
    m_cancelButton->hide();
    connect(m_cancelButton, SIGNAL(clicked()), this, SLOT(cancelCapture()));

    auto *moreRow = new QHBoxLayout;
    moreRow->setContentsMargins(0, 0, 0, 0);
    moreRow->addWidget(regionButton);
    moreRow->addWidget(windowButton);
    moreRow->addWidget(m_delay);
    moreRow->addWidget(quickSaveButton);
    moreRow->addWidget(m_status, 1);
    moreRow->addWidget(m_cancelButton);
    auto *moreControls = new QWidget;
    moreControls->setLayout(moreRow);
    moreControls->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    m_captureControls = {takeButton, regionButton, windowButton, m_delay};
    m_saveButtons = {saveButton, quickSaveButton};

    preview = new QLabel;
    // The preview follows the window's size; were its picture to set the layout's minimum, the window
    // could grow but never shrink again.
    preview->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    preview->setAlignment(Qt::AlignCenter);
    preview->setWordWrap(true);
    preview->setStyleSheet(QStringLiteral("color:white"));

    // The window is not on screen yet: this picture shows the desktop as it is, launcher included.
    snapshot = QPixmap::fromImage(brivo::captureDesktop());

    m_countdown = new QTimer(this);
    m_countdown->setInterval(1000);
    // A second of the countdown is never cut short, as a coarse timer may do.
    m_countdown->setTimerType(Qt::PreciseTimer);
    connect(m_countdown, &QTimer::timeout, this, &desktop::countDown);
    m_hideWait = new QTimer(this);
    m_hideWait->setSingleShot(true);
    m_hideWait->setTimerType(Qt::PreciseTimer);
    m_hideWait->setInterval(kHideDelayMs);
    connect(m_hideWait, &QTimer::timeout, this, &desktop::capture);

    auto *layout = new QVBoxLayout;
    layout->addWidget(preview);
    layout->addWidget(controls);
    layout->addWidget(moreControls);
    setLayout(layout);

    resize(800, 600);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setWindowTitle(brivo::toolTitle(brivo::Tool::Snapshot));
    // The other buttons name themselves with their texts and carry their tooltips from above.
    brivo::describeControls(this, "Snapshot: captures the desktop and saves the picture",
                            {{"home", "Brivo Home"}, {"delay", "Capture delay"}});
}

desktop::~desktop()
{
    delete m_picker;
    if (m_saving) {
        m_saving->wait();
        delete m_saving;
    }
}

void desktop::showmain()
{
    brivo::goHome();
}

void desktop::take()
{
    startCapture(Kind::Whole);
}

void desktop::takeRegion()
{
    startCapture(Kind::Region);
}

void desktop::takeWindow()
{
    // Said before any waiting: where the window system keeps other windows to itself, there is nothing
    // to click.
    if (!brivo::desktopWindowFrames()) {
        setStatus(tr("This session does not let programs see other windows, so Window cannot capture "
                     "one (it works on X11). Region can take the part of the desktop a window covers."));
        return;
    }
    startCapture(Kind::Window);
}

void desktop::startCapture(Kind kind)
{
    // One capture at a time: a request while one counts down, waits or is being chosen is refused.
    if (m_capturing)
        return;
    m_kind = kind;
    // The capture buttons rest while it runs, which moves the keyboard away from the one pressed; it
    // comes back there afterwards, so that the next capture is one key away again.
    m_focusBeforeCapture = focusWidget();
    setCapturing(true);
    // What the window said about the previous picture ("Saved as ...") is not said of the next one.
    setStatus(QString());
    m_secondsLeft = m_delay->value();
    if (m_secondsLeft > 0) {
        m_cancelButton->show();
        setStatus(tr("Capturing in %n s.", nullptr, m_secondsLeft));
        m_countdown->start();
        return;
    }
    stepAside();
}

void desktop::countDown()
{
    if (--m_secondsLeft > 0) {
        setStatus(tr("Capturing in %n s.", nullptr, m_secondsLeft));
        return;
    }
    stopWaiting();
    setStatus(QString());
    stepAside();
}

void desktop::stepAside()
{
    if (autoHide->isChecked()) {
        // The frame's corner, as the window manager places frames.
        m_placeBeforeHiding = QRect(pos(), size());
        hide();
        m_hideWait->start();
        return;
    }
    capture();
}

void desktop::capture()
{
    brivo::DesktopPicture picture = brivo::captureDesktopPicture();
    if (!picture.image.isNull()) {
        useCapture(picture);
        return;
    }
    // Where the window system gives programs no picture of the screen (Wayland), the desktop portal may.
    m_portal = new brivo::PortalScreenshot(this);
    connect(m_portal, &brivo::PortalScreenshot::finished, this,
            [this](const QImage &image, const QString &error) {
                m_portal->deleteLater();
                m_portal = nullptr;
                brivo::DesktopPicture fromPortal;
                if (!image.isNull()) {
                    const QRect screen = this->screen()->geometry();
                    fromPortal.image = image;
                    fromPortal.screens.append({screen, image.size(), image.rect()});
                }
                useCapture(fromPortal);
                if (image.isNull())
                    setStatus(tr("The desktop could not be captured: %1.").arg(error));
            });
    m_portal->start(false);
}

void desktop::useCapture(const brivo::DesktopPicture &picture)
{
    if (m_kind == Kind::Whole) {
        snapshot = QPixmap::fromImage(picture.image);
        showPreview();
        endCapture();
        return;
    }
    if (picture.image.isNull()) {
        setStatus(tr("The desktop could not be captured: this session does not let programs take pictures "
                     "of the screen."));
        endCapture();
        return;
    }
    // The windows as they stood when the picture was taken, so that what is offered matches what is shown.
    QList<QRect> windows;
    if (m_kind == Kind::Window) {
        for (const QRect &frame : brivo::desktopWindowFrames().value_or(QList<QRect>())) {
            const QRect pixels = picture.fromNative(frame);
            if (!pixels.isEmpty())
                windows.append(pixels);
        }
    }
    m_picker = new RegionPicker(
        picture, m_kind == Kind::Region ? RegionPicker::Mode::Region : RegionPicker::Mode::Window, windows);
    const QImage image = picture.image;
    connect(m_picker, &RegionPicker::picked, this, [this, image](const QRect &pixels) {
        snapshot = QPixmap::fromImage(image.copy(pixels));
        setStatus(tr("Took %1 × %2 pixels.").arg(pixels.width()).arg(pixels.height()));
        showPreview();
        endCapture();
    });
    connect(m_picker, &RegionPicker::cancelled, this, &desktop::endCapture);
}

void desktop::endCapture()
{
    if (m_picker) {
        m_picker->deleteLater();
        m_picker = nullptr;
    }
    setCapturing(false);
    // A window shown again is placed anew by the window manager unless its place is given: it is, on the
    // native window itself, since the widget's own place has not changed and would not be passed on.
    const QRect place = std::exchange(m_placeBeforeHiding, QRect());
    const bool comesBack = place.isValid() && !isVisible();
    if (comesBack) {
        resize(place.size());
        move(place.topLeft());
        if (QWindow *native = windowHandle())
            native->setFramePosition(place.topLeft());
    }
    show();
    // A window manager that framed the window anew may still have put it elsewhere, its frame not yet
    // known when the place was given: once shown, it is moved back where it stood. On a busy machine the
    // frame may come late, so the place is checked again for two seconds.
    if (comesBack) {
        for (const int ms : {100, 400, 1000, 2000}) {
            QTimer::singleShot(ms, this, [this, place] {
                if (isVisible() && !isFullScreen() && pos() != place.topLeft())
                    move(place.topLeft());
            });
        }
    }
    activateWindow();
    if (m_focusBeforeCapture)
        m_focusBeforeCapture->setFocus(Qt::OtherFocusReason);
}

void desktop::cancelCapture()
{
    if (!m_capturing)
        return;
    stopWaiting();
    setStatus(tr("Capture cancelled."));
    if (m_picker) {
        m_picker->cancel(); // ends the capture through its signal
        return;
    }
    // A portal that still has its dialog open may answer later: nobody listens any more.
    delete m_portal;
    m_portal = nullptr;
    endCapture();
}

void desktop::stopWaiting()
{
    m_countdown->stop();
    m_hideWait->stop();
    m_cancelButton->hide();
}

void desktop::closeEvent(QCloseEvent *event)
{
    // A capture that would bring the window back after the user closed it is stopped instead.
    if (m_capturing) {
        stopWaiting();
        setStatus(QString());
        delete m_picker;
        m_picker = nullptr;
        delete m_portal;
        m_portal = nullptr;
        setCapturing(false);
    }
    QWidget::closeEvent(event);
}

void desktop::setCapturing(bool capturing)
{
    m_capturing = capturing;
    for (QWidget *control : std::as_const(m_captureControls))
        control->setEnabled(!capturing);
}

void desktop::resizeEvent(QResizeEvent *)
{
    showPreview();
}

bool desktop::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_status && event->type() == QEvent::Resize)
        showStatus();
    return QWidget::eventFilter(watched, event);
}

bool desktop::readyToSave()
{
    if (m_saving)
        return false;
    if (snapshot.isNull()) {
        QMessageBox::information(this, tr("Error"),
                                 tr("There is no picture to save: the desktop could not be captured."));
        return false;
    }
    return true;
}

void desktop::save()
{
    if (!readyToSave())
        return;
    const QStringList filters = brivo::writableImageFilters();
    QString selectedFilter = filters.value(0);
    const QString chosen = QFileDialog::getSaveFileName(this, tr("Try to give a name:"), QString(),
                                                        filters.join(QStringLiteral(";;")), &selectedFilter);
    if (chosen.isEmpty())
        return;

    // The dialog asked about replacing the name as typed; a suffix added here may name another file.
    const QString path = brivo::nameWithImageSuffix(chosen, selectedFilter);
    if (path != chosen && QFileInfo::exists(path)) {
        const auto answer = QMessageBox::question(
            this, tr("Save"),
            tr("%1 already exists.\nDo you want to replace it?").arg(QDir::toNativeSeparators(path)),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;
    }

    saveInBackground(path, false);
}

void desktop::quickSave()
{
    if (!readyToSave())
        return;
    QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (folder.isEmpty())
        folder = QDir::homePath();
    QString error;
    const QString path = brivo::reserveQuickSaveName(folder, QDateTime::currentDateTime(), &error);
    if (path.isEmpty()) {
        QMessageBox::information(
            this, tr("Error"),
            tr("The picture could not be saved in %1.\n\n%2").arg(QDir::toNativeSeparators(folder), error));
        return;
    }
    saveInBackground(path, true);
}

void desktop::saveInBackground(const QString &path, bool nameReserved)
{
    // Encoding a large desktop as PNG takes a second or more: the window stays responsive meanwhile,
    // with saving unavailable until the file is written and a busy cursor over the window.
    struct Outcome
    {
        bool written = false;
        QString error;
    };
    auto outcome = std::make_shared<Outcome>();
    m_saving = QThread::create([outcome, image = snapshot.toImage(), path] {
        outcome->written = brivo::writeImageFile(image, path, &outcome->error);
    });
    for (QPushButton *button : std::as_const(m_saveButtons))
        button->setEnabled(false);
    setCursor(Qt::BusyCursor);
    setStatus(tr("Saving %1 ...").arg(QDir::toNativeSeparators(path)));
    connect(m_saving, &QThread::finished, this, [this, outcome, path, nameReserved] {
        m_saving->deleteLater();
        m_saving = nullptr;
        unsetCursor();
        for (QPushButton *button : std::as_const(m_saveButtons))
            button->setEnabled(true);
        if (outcome->written) {
            setStatus(tr("Saved as %1").arg(QDir::toNativeSeparators(path)));
            return;
        }
        // The empty file that held the name goes again; anything else under the name is left alone.
        if (nameReserved && QFileInfo(path).size() == 0)
            QFile::remove(path);
        setStatus(QString());
        QMessageBox::information(this, tr("Error"),
                                 tr("The picture could not be saved as %1.\n\n%2")
                                     .arg(QDir::toNativeSeparators(path), outcome->error));
    });
    m_saving->start();
}

void desktop::copy()
{
    if (snapshot.isNull()) {
        QMessageBox::information(this, tr("Error"),
                                 tr("There is no picture to copy: the desktop could not be captured."));
        return;
    }
    QGuiApplication::clipboard()->setImage(snapshot.toImage());
}

void desktop::setStatus(const QString &text)
{
    m_statusText = text;
    showStatus();
}

void desktop::showStatus()
{
    m_status->setToolTip(m_statusText);
    m_status->setText(m_status->fontMetrics().elidedText(m_statusText, Qt::ElideMiddle, m_status->width()));
}

void desktop::showPreview()
{
    if (snapshot.isNull()) {
        preview->setText(tr("The desktop could not be captured: this session does not let programs take "
                            "pictures of the screen (a Wayland session, for example)."));
        return;
    }
    // Too small a window leaves no room for a preview; the label then stays empty.
    preview->setPixmap(brivo::scaledPreview(snapshot, size(), devicePixelRatioF()));
}

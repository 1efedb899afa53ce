#include "desktop/desktop.h"

#include "common/conventions.h"
#include "common/homeactions.h"
#include "common/tooltable.h"
#include "desktop/imagesaving.h"
#include "desktop/snapshotpreview.h"
#include "platform/desktopcapture.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>

namespace {

// How long a hidden window waits before the capture: long enough for the window system, and a
// compositor's fade-out, to take it off the screen.
constexpr int kHideDelayMs = 200;

// Waits at least `ms` milliseconds while the window system's events go on being handled. Sleeping
// instead would keep the request that unmaps a hidden window from ever leaving the process, and other
// windows of this program that it uncovers could not repaint, so the capture would still show it.
// The user's input waits until the capture is done.
void letWindowSystemCatchUp(int ms)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < ms) {
        QEventLoop loop;
        QTimer::singleShot(int(ms - elapsed.elapsed()), Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
}

} // namespace

desktop::desktop(QWidget *parent) : QWidget(parent)
{
    autoHide = new QCheckBox(tr("Auto Hide."));
    autoHide->setChecked(true);
    autoHide->setStyleSheet(QStringLiteral("color:white"));

    auto *home = new QPushButton;
    home->setIcon(brivo::homeIconImage());
    home->setToolTip(tr("Home"));
    connect(home, SIGNAL(clicked()), this, SLOT(showmain()));

    auto *takeButton = new QPushButton(tr("Take Snap Shot"));
    connect(takeButton, SIGNAL(clicked()), this, SLOT(take()));

    auto *saveButton = new QPushButton(tr("Save"));
    saveButton->setShortcut(QKeySequence::Save);
    connect(saveButton, SIGNAL(clicked()), this, SLOT(save()));
    m_saveButton = saveButton;

    auto *copyButton = new QPushButton(tr("Copy"));
    copyButton->setShortcut(QKeySequence::Copy);
    copyButton->setToolTip(tr("Put the picture on the clipboard"));
    connect(copyButton, SIGNAL(clicked()), this, SLOT(copy()));

    auto *row = new QHBoxLayout;
    row->addWidget(home);
    row->addWidget(autoHide);
    row->addStretch();
    row->addWidget(takeButton);
    row->addWidget(saveButton);
    row->addWidget(copyButton);
    auto *controls = new QWidget;
    controls->setLayout(row);
    controls->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    preview = new QLabel;
    // The preview follows the window's size; were its picture to set the layout's minimum, the window
    // could grow but never shrink again.
    preview->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    preview->setAlignment(Qt::AlignCenter);
    preview->setWordWrap(true);
    preview->setStyleSheet(QStringLiteral("color:white"));

    // The window is not on screen yet: this picture shows the desktop as it is, launcher included.
    snapshot = QPixmap::fromImage(brivo::captureDesktop());

    auto *layout = new QVBoxLayout;
    layout->addWidget(preview);
    layout->addWidget(controls);
    setLayout(layout);

    resize(800, 600);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setWindowTitle(brivo::toolTitle(brivo::Tool::Snapshot));
}

desktop::~desktop()
{
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
    // The wait below handles events; a second request arriving through it must not nest a capture.
    if (m_taking)
        return;
    m_taking = true;
    if (autoHide->isChecked()) {
        hide();
        letWindowSystemCatchUp(kHideDelayMs);
    }
    snapshot = QPixmap::fromImage(brivo::captureDesktop());
    showPreview();
    show();
    m_taking = false;
}

void desktop::resizeEvent(QResizeEvent *)
{
    showPreview();
}

void desktop::save()
{
    if (m_saving)
        return;
    if (snapshot.isNull()) {
        QMessageBox::information(this, tr("Error"),
                                 tr("There is no picture to save: the desktop could not be captured."));
        return;
    }
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

    saveInBackground(path);
}

void desktop::saveInBackground(const QString &path)
{
    // Encoding a large desktop as PNG takes a second or more: the window stays responsive meanwhile,
    // with Save unavailable until the file is written and a busy cursor over the window.
    struct Outcome
    {
        bool written = false;
        QString error;
    };
    auto outcome = std::make_shared<Outcome>();
    m_saving = QThread::create([outcome, image = snapshot.toImage(), path] {
        outcome->written = brivo::writeImageFile(image, path, &outcome->error);
    });
    m_saveButton->setEnabled(false);
    setCursor(Qt::BusyCursor);
    connect(m_saving, &QThread::finished, this, [this, outcome, path] {
        m_saving->deleteLater();
        m_saving = nullptr;
        unsetCursor();
        m_saveButton->setEnabled(true);
        if (!outcome->written) {
            QMessageBox::information(this, tr("Error"),
                                     tr("The picture could not be saved as %1.\n\n%2")
                                         .arg(QDir::toNativeSeparators(path), outcome->error));
        }
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

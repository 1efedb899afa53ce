#include "viewers/gif.h"

#include "common/controlhelp.h"
#include "common/conventions.h"
#include "common/errorbox.h"
#include "common/filestamp.h"
#include "common/homeactions.h"
#include "common/tooltable.h"
#include "common/viewkeys.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMovie>
#include <QPushButton>
#include <QResizeEvent>
#include <QStyle>
#include <QVBoxLayout>

int gif::resizeCount = 0;

gif::gif(QWidget *parent) : QWidget(parent)
{
    setAcceptDrops(true);
}

gif::~gif()
{
    delete movie;
}

void gif::init(QString path)
{
    // The format comes from the file's contents, so a GIF named otherwise still plays. No file, a missing
    // one or one that is no animation gives a movie that never starts and an empty label.
    const QString special = brivo::notRegularFile(path);
    movie = path.isEmpty() || !special.isEmpty() ? new QMovie : new QMovie(path);
    movieLabel = new QLabel;
    movieLabel->setMovie(movie);
    // In a window larger than the animation, the animation sits in the middle.
    movieLabel->setAlignment(Qt::AlignCenter);
    auto *column = new QVBoxLayout;
    column->addWidget(movieLabel);

    playButton = new QPushButton;
    playButton->setObjectName(QStringLiteral("playButton"));
    playButton->setIcon(style()->standardIcon(QStyle::SP_MediaPause));
    auto *home = new QPushButton;
    home->setObjectName(QStringLiteral("homeButton"));
    home->setIcon(brivo::homeIconImage());
    connect(home, &QPushButton::clicked, this, &gif::showhome);

    speedButton = new QPushButton(QStringLiteral("1x"));
    speedButton->setObjectName(QStringLiteral("speedButton"));
    connect(speedButton, &QPushButton::clicked, this, &gif::nextSpeed);

    auto *row = new QHBoxLayout;
    row->addWidget(home);
    row->addStretch();
    row->addWidget(playButton);
    row->addWidget(speedButton);
    auto *bar = new QWidget;
    bar->setLayout(row);
    // The row never makes the window wider than the animation asks: a narrow window squeezes the row.
    bar->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    column->addWidget(bar);

    connect(playButton, &QPushButton::clicked, this, &gif::click);
    setLayout(column);
    setWindowTitle(brivo::toolTitle(brivo::Tool::GifViewer));
    movie->start();
    // A file that is there but holds no animation says so, instead of leaving an empty window.
    if (!path.isEmpty() && !movie->isValid()) {
        const QString problem =
            !special.isEmpty()
                ? special
                : QStringLiteral("This file cannot be played: it holds no animation Brivo can read.");
        movieLabel->setText(problem);
        brivo::showLoadErrorBox(this, problem, path, brivo::Tool::GifViewer,
                                brivo::LoadErrorBox::OnlyWithOffer);
    }
    column->setContentsMargins(0, 0, 0, 0);
    // The window's keys stay with the window whichever button was clicked.
    brivo::keepKeysOnView(this, {bar});
    brivo::describeControls(this, "GIF viewer: plays an animated picture",
                            {{"homeButton", "Brivo Home", "Open the Brivo home window"},
                             {"playButton", "Pause or play", "Pause or play the animation", {Qt::Key_Space}},
                             {"speedButton", "Speed", "Playing speed: normal, double or half"}});
}

void gif::click()
{
    if (!movie)
        return;
    // A movie that is not running (it finished, or never started) stays stopped: only the icon changes.
    if (movie->state() == QMovie::Paused) {
        playButton->setIcon(style()->standardIcon(QStyle::SP_MediaPause));
        movie->setPaused(false);
    } else {
        playButton->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
        movie->setPaused(true);
    }
}

void gif::stepFrame(int delta)
{
    if (!movie || movie->state() != QMovie::Paused)
        return;
    if (delta > 0) {
        if (!movie->jumpToNextFrame())
            movie->jumpToFrame(0);
        return;
    }
    int target = movie->currentFrameNumber() - 1;
    if (target < 0)
        target = movie->frameCount() - 1;
    if (target < 0)
        return;
    // The reader only goes forward: start again from the first frame and read up to the one before.
    movie->jumpToFrame(0);
    while (movie->currentFrameNumber() < target && movie->jumpToNextFrame()) {
    }
}

void gif::nextSpeed()
{
    if (!movie)
        return;
    const int speed = movie->speed() == 100 ? 200 : movie->speed() == 200 ? 50 : 100;
    movie->setSpeed(speed);
    speedButton->setText(speed == 50 ? QStringLiteral("0.5x") : QStringLiteral("%1x").arg(speed / 100));
}

void gif::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Right)
        stepFrame(1);
    else if (event->key() == Qt::Key_Left)
        stepFrame(-1);
    else if (event->key() == Qt::Key_Space)
        click();
    else if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}

void gif::showhome()
{
    brivo::goHome();
}

void gif::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const QSize stretched(width() - 150, height() - 150);
    if (resizeCount < 3) {
        ++resizeCount;
        return;
    }
    // A window of 150 pixels or less either way has no room for the animation; it keeps its last size.
    if (movie && !stretched.isEmpty())
        movie->setScaledSize(stretched);
}

void gif::dragEnterEvent(QDragEnterEvent *event)
{
    brivo::acceptAnyDrag(event);
}

void gif::dropEvent(QDropEvent *event)
{
    brivo::dropAction(this, event);
}

#include "viewers/gif.h"

#include "common/controlhelp.h"
#include "common/conventions.h"
#include "common/homeactions.h"
#include "common/tooltable.h"
#include "common/viewkeys.h"

#include <QHBoxLayout>
#include <QIcon>
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
    movie = path.isEmpty() ? new QMovie : new QMovie(path);
    movieLabel = new QLabel;
    movieLabel->setMovie(movie);
    auto *column = new QVBoxLayout;
    column->addWidget(movieLabel);

    playButton = new QPushButton;
    playButton->setObjectName(QStringLiteral("playButton"));
    playButton->setIcon(style()->standardIcon(QStyle::SP_MediaPause));
    auto *home = new QPushButton;
    home->setObjectName(QStringLiteral("homeButton"));
    home->setIcon(brivo::homeIconImage());
    connect(home, &QPushButton::clicked, this, &gif::showhome);

    auto *row = new QHBoxLayout;
    row->addWidget(home);
    row->addStretch();
    row->addWidget(playButton);
    auto *bar = new QWidget;
    bar->setLayout(row);
    bar->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    column->addWidget(bar);

    connect(playButton, &QPushButton::clicked, this, &gif::click);
    setLayout(column);
    setWindowTitle(brivo::toolTitle(brivo::Tool::GifViewer));
    movie->start();
    column->setContentsMargins(0, 0, 0, 0);
    // The window's keys stay with the window whichever button was clicked.
    brivo::keepKeysOnView(this, {bar});
    brivo::describeControls(this, "GIF viewer: plays an animated picture",
                            {{"homeButton", "Brivo Home", "Open the Brivo home window"},
                             {"playButton", "Pause or play", "Pause or play the animation"}});
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

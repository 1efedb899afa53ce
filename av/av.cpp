#include "av/av.h"

#include "av/mediasteps.h"
#include "av/seekslider.h"
#include "av/volumeslider.h"
#include "common/controlhelp.h"
#include "common/conventions.h"
#include "common/filestamp.h"
#include "common/foldernames.h"
#include "common/homeactions.h"
#include "common/statefolder.h"
#include "common/tooltable.h"
#include "common/viewkeys.h"

#include <QAudioOutput>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QMediaPlayer>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>
#include <QVideoWidget>

#include <optional>
#include <utility>

namespace {

// GStreamer picks among decoders of equal rank by name, so MP3 went to libav's decoder, whose plugin loads
// all of FFmpeg first: about 40 ms before the first sound. Its own MP3 decoder (mpg123) is ranked first
// instead. The ranks are read once, when the first player starts GStreamer; the variable is put back
// afterwards so that programs started from here do not inherit it. A rank the user set still wins: it
// comes later in the list.
class DecoderPreference
{
public:
    DecoderPreference() : m_had(qEnvironmentVariableIsSet(kVariable)), m_before(qgetenv(kVariable))
    {
        QByteArray ranks = "mpg123audiodec:PRIMARY";
        if (!m_before.isEmpty())
            ranks += ',' + m_before;
        qputenv(kVariable, ranks);
    }
    ~DecoderPreference()
    {
        if (m_had)
            qputenv(kVariable, m_before);
        else
            qunsetenv(kVariable);
    }

private:
    static constexpr const char *kVariable = "GST_PLUGIN_FEATURE_RANK";
    bool m_had;
    QByteArray m_before;
};

QAudioOutput *newAudioOutput(QObject *parent)
{
    static bool started = false;
    std::optional<DecoderPreference> preference;
    if (!std::exchange(started, true))
        preference.emplace();
    return new QAudioOutput(parent);
}

QPushButton *newControlButton(const char *objectName)
{
    auto *button = new QPushButton;
    button->setObjectName(QLatin1String(objectName));
    return button;
}

} // namespace

av::av(QWidget *parent) : QWidget(parent)
{
    setWindowTitle(brivo::toolTitle(brivo::Tool::MediaPlayer));
    audioOnly = false;

    audioOutput = newAudioOutput(this);
    videoWidget = new QVideoWidget;
    videoWidget->setObjectName(QStringLiteral("videoWidget"));
    mediaObject = new QMediaPlayer(this);
    mediaObject->setAudioOutput(audioOutput);
    mediaObject->setVideoOutput(videoWidget);

    // The sliders only signal what the user asks for; the window applies it to the player and feeds
    // the player's state back to them.
    volumeSlider = new brivo::VolumeSlider;
    volumeSlider->setObjectName(QStringLiteral("volumeSlider"));
    volumeSlider->setVolume(audioOutput->volume());
    volumeSlider->setMuted(audioOutput->isMuted());
    connect(volumeSlider, &brivo::VolumeSlider::volumeRequested, audioOutput, &QAudioOutput::setVolume);
    connect(volumeSlider, &brivo::VolumeSlider::muteRequested, audioOutput, &QAudioOutput::setMuted);
    connect(audioOutput, &QAudioOutput::volumeChanged, volumeSlider, &brivo::VolumeSlider::setVolume);
    connect(audioOutput, &QAudioOutput::mutedChanged, volumeSlider, &brivo::VolumeSlider::setMuted);

    seekSlider = new brivo::SeekSlider;
    seekSlider->setObjectName(QStringLiteral("seekSlider"));
    connect(seekSlider, &brivo::SeekSlider::seekRequested, this, [this](qint64 ms) {
        mediaObject->setPosition(brivo::seekTarget(ms, 0, mediaObject->duration()));
    });
    connect(mediaObject, &QMediaPlayer::positionChanged, seekSlider, &brivo::SeekSlider::setPosition);
    connect(mediaObject, &QMediaPlayer::durationChanged, seekSlider, &brivo::SeekSlider::setDuration);
    connect(mediaObject, &QMediaPlayer::seekableChanged, seekSlider, &brivo::SeekSlider::setSeekable);

    // The play/pause icon follows the player, so that it stays true when a file ends or fails.
    connect(mediaObject, &QMediaPlayer::playbackStateChanged, this, &av::showPlaybackState);
    connect(mediaObject, &QMediaPlayer::errorOccurred, this,
            [this](QMediaPlayer::Error error, const QString &reason) {
                if (error != QMediaPlayer::NoError)
                    reportPlaybackError(reason);
            });

    pauseButton = newControlButton("pauseButton");
    QPushButton *rewindButton = newControlButton("rewindButton");
    QPushButton *forwardButton = newControlButton("forwardButton");
    QPushButton *stopButton = newControlButton("stopButton");
    QPushButton *homeButton = newControlButton("homeButton");

    homeButton->setIcon(brivo::homeIconImage());
    homeButton->setToolTip(QStringLiteral("Brivo Home"));

    pauseButton->setIcon(style()->standardIcon(QStyle::SP_MediaPause));
    rewindButton->setIcon(style()->standardIcon(QStyle::SP_MediaSeekBackward));
    forwardButton->setIcon(style()->standardIcon(QStyle::SP_MediaSeekForward));
    stopButton->setIcon(style()->standardIcon(QStyle::SP_MediaStop));

    connect(homeButton, &QPushButton::clicked, this, &av::showhome);
    connect(pauseButton, &QPushButton::clicked, this, &av::pause);
    connect(rewindButton, &QPushButton::clicked, this, &av::rewind);
    connect(forwardButton, &QPushButton::clicked, this, &av::fwind);
    connect(stopButton, &QPushButton::clicked, this, &av::stop);

    previousButton = newControlButton("previousButton");
    nextButton = newControlButton("nextButton");
    autoNextButton = newControlButton("autoNextButton");
    previousButton->setIcon(style()->standardIcon(QStyle::SP_MediaSkipBackward));
    nextButton->setIcon(style()->standardIcon(QStyle::SP_MediaSkipForward));
    autoNextButton->setText(QStringLiteral("Auto"));
    autoNextButton->setCheckable(true);
    autoNextButton->setChecked(true);
    connect(previousButton, &QPushButton::clicked, this, [this] { stepFile(-1); });
    connect(nextButton, &QPushButton::clicked, this, [this] { stepFile(1); });
    connect(mediaObject, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
        if (status == QMediaPlayer::EndOfMedia && autoNextButton->isChecked())
            stepFile(1);
    });

    timeLabel = new QLabel;
    timeLabel->setObjectName(QStringLiteral("timeLabel"));
    connect(mediaObject, &QMediaPlayer::positionChanged, this, &av::showTime);
    connect(mediaObject, &QMediaPlayer::durationChanged, this, &av::showTime);
    connect(mediaObject, &QMediaPlayer::mediaStatusChanged, this, &av::showTime);
    connect(mediaObject, &QMediaPlayer::playbackRateChanged, this, &av::showTime);
    connect(mediaObject, &QMediaPlayer::mediaStatusChanged, this, &av::fitLayoutToContent);
    connect(mediaObject, &QMediaPlayer::hasVideoChanged, this, &av::fitLayoutToContent);
    connect(mediaObject, &QMediaPlayer::seekableChanged, this, &av::resumePosition);
    connect(mediaObject, &QMediaPlayer::durationChanged, this, &av::resumePosition);
    showTime();

    auto *buttonRow = new QHBoxLayout;
    buttonRow->addWidget(homeButton);
    buttonRow->addWidget(pauseButton);
    buttonRow->addWidget(stopButton);
    buttonRow->addWidget(rewindButton);
    buttonRow->addWidget(forwardButton);
    buttonRow->addWidget(previousButton);
    buttonRow->addWidget(nextButton);
    buttonRow->addWidget(autoNextButton);
    buttonRow->addStretch();
    buttonRow->addWidget(volumeSlider);
    volumeSlider->setFixedWidth(120);

    auto *seekRow = new QHBoxLayout;
    seekRow->addWidget(seekSlider);
    seekRow->addWidget(timeLabel);
    auto *controlLayout = new QVBoxLayout;
    controlLayout->addLayout(buttonRow);
    controlLayout->addLayout(seekRow);

    controlBar = new QWidget;
    controlBar->setObjectName(QStringLiteral("controlBar"));
    controlBar->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    controlBar->setLayout(controlLayout);

    auto *windowLayout = new QVBoxLayout;
    windowLayout->addWidget(videoWidget);
    windowLayout->addWidget(controlBar);
    windowLayout->setContentsMargins(0, 0, 0, 0);
    setLayout(windowLayout);

    // The window's keys (Return, arrows) reach the window whichever control was clicked last.
    brivo::keepKeysOnView(this, {controlBar});
    // The keys are the window's own (see keyPressEvent). Home, mute and volume keep their own tooltips,
    // which follow their state.
    brivo::describeControls(
        this, "Media player: plays a sound or video file",
        {{"homeButton", "Brivo Home"},
         {"pauseButton", "Play or pause", "Play or pause", {Qt::Key_MediaPlay}},
         {"stopButton", "Stop", "Stop"},
         {"rewindButton", "Jump back", "Jump back 6 seconds", {Qt::Key_Left}},
         {"forwardButton", "Jump forward", "Jump forward 6 seconds", {Qt::Key_Right}},
         {"muteButton", "Mute"},
         {"volumeLevel", "Volume"},
         {"seekPosition", "Position", "Position in the file"},
         {"previousButton", "Previous file", "Previous file in the folder", {Qt::Key_PageUp}},
         {"nextButton", "Next file", "Next file in the folder", {Qt::Key_PageDown}},
         {"autoNextButton", "Play the next file automatically",
          "Play the next file of the folder when this one ends"}});

    setAcceptDrops(true);
    setAttribute(Qt::WA_MouseTracking);
    setMinimumSize(300, 300);
    setWindowIcon(QIcon(QString::fromLatin1(brivo::toolWindowIcon)));
    resize(800, 600);
}

av::~av()
{
    // The player goes first: it holds on to the audio output and the video widget, which would
    // otherwise be destroyed under it.
    delete mediaObject;
}

void av::openFile(QString path)
{
    setEnabled(false);
    const QString special = brivo::notRegularFile(path);
    if (QFile::exists(path) && special.isEmpty()) {
        rememberPosition();
        m_path = path;
        m_resumePending = true;
        m_failed = false;
        // A relative path (from the command line) is resolved now, while the current folder is the one
        // the path was given in.
        m_source = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
        // The extension only guesses at the layout the window opens with (an .ogg may hold a film, an
        // .mp4 only sound); what the file holds decides it. Files stepped to later keep the layout.
        m_layoutFromContent =
            !isVisible() && QFileInfo(path).suffix().compare(QLatin1String("mp3"), Qt::CaseInsensitive) != 0;
        mediaObject->setSource(m_source);
        setEnabled(true);
        mediaObject->play();
    } else {
        // A named pipe would keep the backend waiting for a writer; it is not handed over.
        QMessageBox::information(this, QStringLiteral("Error"),
                                 special.isEmpty()
                                     ? QStringLiteral("Error File does not exist")
                                     : QStringLiteral("Error File cannot be played\n\n") + special,
                                 QMessageBox::Ok, QMessageBox::NoButton);
        // The window stays usable: the home button and drops still work.
        setEnabled(true);
    }
}

void av::setAudioOnly()
{
    audioOnly = true;
    videoWidget->hide();
    // The small layout keeps its row as it was; Page Up and Page Down still step through the folder.
    previousButton->hide();
    nextButton->hide();
    autoNextButton->hide();
    setMinimumSize(300, 70);
    setMaximumSize(300, 70);
}

void av::setVideoLayout()
{
    audioOnly = false;
    videoWidget->show();
    previousButton->show();
    nextButton->show();
    autoNextButton->show();
    setMinimumSize(300, 300);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(800, 600);
}

void av::fitLayoutToContent()
{
    const QMediaPlayer::MediaStatus status = mediaObject->mediaStatus();
    const bool known = mediaObject->hasVideo() || status == QMediaPlayer::LoadedMedia ||
                       status == QMediaPlayer::BufferingMedia || status == QMediaPlayer::BufferedMedia ||
                       status == QMediaPlayer::EndOfMedia;
    if (!m_layoutFromContent || !known || m_source != mediaObject->source())
        return;
    if (mediaObject->hasVideo() && audioOnly)
        setVideoLayout();
    else if (!mediaObject->hasVideo() && !audioOnly)
        setAudioOnly();
}

void av::showhome()
{
    brivo::goHome();
}

void av::pause()
{
    if (mediaObject->playbackState() == QMediaPlayer::PlayingState) {
        mediaObject->pause();
    } else {
        // Stopped (by the stop button, at the end of the file, after a failure) or paused: play.
        if (m_failed) {
            // After a failure the backend would claim to play without trying; loading the file afresh
            // makes it try again, and a new failure is reported again.
            m_failed = false;
            mediaObject->setSource(QUrl());
            mediaObject->setSource(m_source);
        }
        mediaObject->play();
    }
    showPlaybackState();
}

void av::rewind()
{
    jump(-brivo::kJumpMs);
}

void av::fwind()
{
    jump(brivo::kJumpMs);
}

void av::stop()
{
    mediaObject->stop();
}

void av::mouseDoubleClickEvent(QMouseEvent *event)
{
    // Unlike Return and Escape, a double-click leaves the cursor as it is.
    if (isFullScreen())
        leaveFullScreen();
    else if (!audioOnly)
        enterFullScreen();
    event->accept();
}

void av::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_MediaPlay:
        pause();
        break;
    case Qt::Key_Return:
    case Qt::Key_F11:
        if (audioOnly)
            break;
        if (isFullScreen()) {
            leaveFullScreen();
            setCursor(Qt::ArrowCursor);
        } else {
            enterFullScreen();
            setCursor(Qt::BlankCursor);
        }
        break;
    case Qt::Key_Right:
        jump(brivo::kJumpMs);
        break;
    case Qt::Key_Left:
        jump(-brivo::kJumpMs);
        break;
    case Qt::Key_Up:
        stepVolume(brivo::kVolumeStep);
        break;
    case Qt::Key_Down:
        if (audioOutput->volume() > 0.0f)
            stepVolume(-brivo::kVolumeStep);
        break;
    case Qt::Key_M:
        audioOutput->setMuted(!audioOutput->isMuted());
        break;
    case Qt::Key_BracketLeft:
    case Qt::Key_BracketRight:
        // The backend keeps the pitch where it can (GStreamer's scaletempo, when installed).
        mediaObject->setPlaybackRate(
            brivo::steppedRate(mediaObject->playbackRate(), event->key() == Qt::Key_BracketRight ? 1 : -1));
        break;
    case Qt::Key_PageDown:
        stepFile(1);
        break;
    case Qt::Key_PageUp:
        stepFile(-1);
        break;
    case Qt::Key_Escape:
        if (isFullScreen()) {
            leaveFullScreen();
            setCursor(Qt::ArrowCursor);
        }
        break;
    default:
        break;
    }
    // Keys the player has no use for end here.
    event->accept();
}

void av::closeEvent(QCloseEvent *event)
{
    rememberPosition();
    m_path.clear();
    mediaObject->stop();
    // A closed player is never shown again; letting go of the file frees its decoder now rather than
    // when the window goes.
    mediaObject->setSource(QUrl());
    event->accept();
}

namespace {

constexpr qint64 kResumeAfterMs = 5 * 60 * 1000;
const QString kPositionsFile = QStringLiteral("media-positions.json");

QString clockTime(qint64 ms)
{
    const qint64 seconds = qMax<qint64>(0, ms) / 1000;
    if (seconds >= 3600)
        return QStringLiteral("%1:%2:%3")
            .arg(seconds / 3600)
            .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
            .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

// What tells the remembered file apart from another one of the same name: its size and time.
QString fileMark(const QString &path)
{
    const QFileInfo file(path);
    return QStringLiteral("%1 %2").arg(file.size()).arg(file.lastModified().toMSecsSinceEpoch());
}

} // namespace

QString av::neighbourFile(int delta) const
{
    if (m_path.isEmpty())
        return {};
    const QFileInfo playing(m_path);
    const QStringList extensions = brivo::toolExtensions(brivo::Tool::MediaPlayer);
    QStringList names;
    for (const QString &name : playing.absoluteDir().entryList(QDir::Files, QDir::NoSort)) {
        const QString extension = QFileInfo(name).suffix();
        // Exactly the extensions that open the player, as the dispatcher compares them.
        if (extensions.contains(extension) && (!audioOnly || brivo::isAudioOnlyExtension(extension)))
            names.append(name);
    }
    brivo::sortFolderNames(names);
    const int here = names.indexOf(playing.fileName());
    const int there = here < 0 ? -1 : here + delta;
    if (there < 0 || there >= names.size())
        return {};
    return playing.absoluteDir().absoluteFilePath(names.at(there));
}

bool av::stepFile(int delta)
{
    const QString next = neighbourFile(delta);
    if (next.isEmpty())
        return false;
    openFile(next);
    return true;
}

void av::showTime()
{
    // While a file loads, and after one that cannot be played, the player still reports where the one
    // before it was; the window shows the start instead.
    const QMediaPlayer::MediaStatus status = mediaObject->mediaStatus();
    const bool placed = !m_failed && status != QMediaPlayer::NoMedia &&
                        status != QMediaPlayer::LoadingMedia && status != QMediaPlayer::InvalidMedia;
    const qint64 position = placed ? mediaObject->position() : 0;
    if (!placed)
        seekSlider->setPosition(0);
    QString text = QStringLiteral("%1 / %2").arg(clockTime(position), clockTime(mediaObject->duration()));
    if (const double rate = mediaObject->playbackRate(); !qFuzzyCompare(rate, 1.0))
        text += QStringLiteral("  %1x").arg(rate);
    timeLabel->setText(text);
}

void av::rememberPosition()
{
    if (m_path.isEmpty() || m_source != mediaObject->source())
        return;
    const qint64 duration = mediaObject->duration();
    const qint64 position = mediaObject->position();
    QJsonObject places = brivo::readStateObject(kPositionsFile);
    const QString key = QFileInfo(m_path).absoluteFilePath();
    // Near either end there is nothing to come back to.
    if (duration > kResumeAfterMs && position > 5000 && position < duration - 5000)
        places.insert(key, QJsonObject{{QStringLiteral("position"), position},
                                       {QStringLiteral("file"), fileMark(m_path)}});
    else if (!places.contains(key))
        return;
    else
        places.remove(key);
    brivo::writeStateObject(kPositionsFile, places);
}

void av::resumePosition()
{
    if (!m_resumePending || m_path.isEmpty() || !mediaObject->isSeekable() ||
        mediaObject->duration() <= kResumeAfterMs)
        return;
    m_resumePending = false;
    const QJsonObject place =
        brivo::readStateObject(kPositionsFile).value(QFileInfo(m_path).absoluteFilePath()).toObject();
    const qint64 position = place.value(QStringLiteral("position")).toInteger(-1);
    if (place.value(QStringLiteral("file")).toString() == fileMark(m_path) && position > 0 &&
        position < mediaObject->duration())
        mediaObject->setPosition(position);
}

void av::dragEnterEvent(QDragEnterEvent *event)
{
    brivo::acceptAnyDrag(event);
}

void av::dropEvent(QDropEvent *event)
{
    const QStringList paths = brivo::droppedPaths(event);
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    mediaObject->stop();
    brivo::closeAndDispatch(this, paths);
}

void av::jump(qint64 offsetMs)
{
    mediaObject->setPosition(brivo::seekTarget(mediaObject->position(), offsetMs, mediaObject->duration()));
}

void av::stepVolume(double step)
{
    audioOutput->setVolume(float(brivo::steppedVolume(audioOutput->volume(), step)));
}

void av::enterFullScreen()
{
    showFullScreen();
    controlBar->hide();
    controlBar->setEnabled(false);
}

void av::leaveFullScreen()
{
    showNormal();
    controlBar->setEnabled(true);
    controlBar->show();
}

void av::showPlaybackState()
{
    const bool playing = mediaObject->playbackState() == QMediaPlayer::PlayingState;
    pauseButton->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
}

void av::reportPlaybackError(const QString &reason)
{
    if (m_failed)
        return;
    m_failed = true;
    showTime();
    // The box waits for the player to finish sending its signals; a nested event loop inside the
    // player's own signal would run the rest of its error handling under the box.
    QMetaObject::invokeMethod(
        this,
        [this, reason] {
            // The player stays "playing" after a failure; stopping it puts the play icon back and
            // lets a press of play try again.
            mediaObject->stop();
            const QString detail = reason.isEmpty() ? QStringLiteral("The media cannot be played.") : reason;
            QMessageBox::information(this, QStringLiteral("Error"),
                                     QStringLiteral("Error File cannot be played\n\n%1\n\n%2")
                                         .arg(QFileInfo(m_path).fileName(), detail),
                                     QMessageBox::Ok, QMessageBox::NoButton);
        },
        Qt::QueuedConnection);
}

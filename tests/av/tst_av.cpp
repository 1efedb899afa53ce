// The media player window, playing files made here.
#include "app/doch.h"
#include "app/extensiongroups.h"
#include "app/toolopeners.h"
#include "av/av.h"
#include "av/mediasteps.h"
#include "av/seekslider.h"
#include "av/volumeslider.h"
#include "common/tooltable.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"

#include <QAudioOutput>
#include <QLabel>
#include <QMediaPlayer>
#include <QVideoWidget>
#include <QtTest>
#include <QtWidgets>

#include <functional>

namespace {

using brivo::test::wavBytes;

// Whether the play/pause button offers to pause, that is whether it shows that playback is on.
bool offersPause(const av &window)
{
    const QIcon pause = window.style()->standardIcon(QStyle::SP_MediaPause);
    return window.pauseButton->icon().pixmap(16).toImage() == pause.pixmap(16).toImage();
}

void click(av &window, const char *button)
{
    window.findChild<QPushButton *>(QLatin1String(button))->click();
}

// Full screen or not, the control bar's state and the cursor, in words.
QString screen(const av &w)
{
    return QStringLiteral("%1, bar %2 %3, %4")
        .arg(QLatin1String(w.isFullScreen() ? "full" : "normal"),
             QLatin1String(w.controlBar->isHidden() ? "hidden" : "shown"),
             QLatin1String(w.controlBar->isEnabled() ? "enabled" : "disabled"),
             QLatin1String(w.cursor().shape() == Qt::BlankCursor ? "blank" : "arrow"));
}

} // namespace

class tst_av : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(brivo::test::writeFile(path("song.mp3"), wavBytes(1500))); // the backend goes by content
        QVERIFY(brivo::test::writeFile(path("long.wav"), wavBytes(20000)));
        QVERIFY(brivo::test::writeFile(path("broken.avi"), QByteArray(4000, 'x')));
        QVERIFY(brivo::test::writeFile(m_folder.filePath("a.wav"), wavBytes(1200)));
        QVERIFY(brivo::test::writeFile(m_folder.filePath("B.wav"), wavBytes(20000)));
        QVERIFY(brivo::test::writeFile(m_folder.filePath("c.txt"), "not a song"));
        QVERIFY(brivo::test::writeFile(m_folder.filePath("d.WAV"), wavBytes(20000)));
        const QStyle *style = QApplication::style(); // the icon checks below must tell these two apart
        QVERIFY(style->standardIcon(QStyle::SP_MediaPause).pixmap(16).toImage() !=
                style->standardIcon(QStyle::SP_MediaPlay).pixmap(16).toImage());
        // A rank the user gave GStreamer; the player's own decoder preference must not outlive its start.
        qputenv("GST_PLUGIN_FEATURE_RANK", "identity:NONE");
    }
    void cleanup()
    {
        brivo::setOpenerOverrideForTesting({});
        brivo::test::closeAllWindows();
    }

    // The program's own road: the dispatcher loads the player's module and hands it an mp3, which gets the
    // small audio-only layout that neither a double-click nor Return takes to full screen. It plays to its
    // end, where the button offers play, and one press plays it again. Closing stops it.
    void anMp3OpensSmallAndPlaysToItsEnd()
    {
        doch().doallforshow(path("song.mp3"));
        const QList<av *> players = brivo::test::visibleWindows<av>();
        QCOMPARE(players.size(), 1);
        QCOMPARE(qgetenv("GST_PLUGIN_FEATURE_RANK"), QByteArray("identity:NONE"));
        av &window = *players.first(); // 300 x 70 (tests/e2e measures it)
        QTest::mouseDClick(&window, Qt::LeftButton);
        QTest::keyClick(&window, Qt::Key_Return);
        QCOMPARE(screen(window), QStringLiteral("normal, bar shown enabled, arrow"));
        QTRY_COMPARE_WITH_TIMEOUT(window.mediaObject->mediaStatus(), QMediaPlayer::EndOfMedia, 10000);
        QVERIFY(!offersPause(window));
        window.pauseButton->click();
        QTRY_COMPARE(window.mediaObject->playbackState(), QMediaPlayer::PlayingState);
        window.close();
        QCOMPARE(window.mediaObject->playbackState(), QMediaPlayer::StoppedState);
    }

    // The button offers what the next press does (pause, media key, stop). Jumps stay inside the file. The
    // seek slider follows the player without asking it to seek, seeks on the user's move, stays where held.
    // Dragged text changes nothing; a dropped file is opened after the player has stopped and closed.
    void aLongFilePlaysJumpsAndGivesWayToADrop()
    {
        av window;
        window.openFile(path("long.wav"));
        window.show();
        QTRY_COMPARE(window.mediaObject->playbackState(), QMediaPlayer::PlayingState);
        const std::pair<std::function<void()>, QMediaPlayer::PlaybackState> steps[] = {
            {[&] { window.pauseButton->click(); }, QMediaPlayer::PausedState},
            {[&] { QTest::keyClick(&window, Qt::Key_MediaPlay); }, QMediaPlayer::PlayingState},
            {[&] { click(window, "stopButton"); }, QMediaPlayer::StoppedState},
            {[&] { window.pauseButton->click(); }, QMediaPlayer::PlayingState},
            {[&] { window.pauseButton->click(); }, QMediaPlayer::PausedState}};
        for (const auto &[press, state] : steps) {
            press();
            QCOMPARE(window.mediaObject->playbackState(), state);
            QCOMPARE(offersPause(window), state == QMediaPlayer::PlayingState);
        }

        QTRY_VERIFY(window.mediaObject->isSeekable() && window.mediaObject->duration() > 0);
        const qint64 end = window.mediaObject->duration();
        QSignalSpy asked(window.seekSlider, &brivo::SeekSlider::seekRequested);
        const std::tuple<qint64, std::function<void()>, qint64> jumps[] = {
            {10000, [&] { QTest::keyClick(&window, Qt::Key_Right); }, 16000},
            {2000, [&] { click(window, "rewindButton"); }, 0},
            {end - 3000, [&] { click(window, "forwardButton"); }, end},
            {end, [&] { QTest::keyClick(&window, Qt::Key_Left); }, end - 6000}};
        for (const auto &[from, jump, to] : jumps) {
            window.mediaObject->setPosition(from);
            jump();
            QTRY_VERIFY(qAbs(window.mediaObject->position() - to) < 500);
        }
        // The window's own jumps stop at a known end only (the player clamps seeks too).
        QCOMPARE(brivo::seekTarget(17000, brivo::kJumpMs, 0), 23000);
        window.mediaObject->setPosition(4000);
        QTRY_VERIFY(qAbs(window.seekSlider->position() - 4000) < 500);
        QVERIFY(asked.isEmpty());
        auto *slider = window.seekSlider->findChild<QSlider *>();
        slider->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QTRY_VERIFY(qAbs(window.mediaObject->position() - 10000) < 500);
        const qint64 held = window.seekSlider->position();
        slider->setSliderDown(true);
        window.seekSlider->setPosition(1000);
        QCOMPARE(window.seekSlider->position(), held);

        QMimeData text;
        text.setText(path("long.wav"));
        QVERIFY(!brivo::test::sendDrop(&window, &text));
        QVERIFY(window.isVisible() && window.mediaObject->playbackState() == QMediaPlayer::PausedState);
        QString opened; // what the dispatcher was handed, and whether the player had stopped and closed
        brivo::setOpenerOverrideForTesting([&](brivo::Tool, const QString &p, const brivo::OpenOptions &) {
            const bool stopped = window.mediaObject->playbackState() == QMediaPlayer::StoppedState;
            opened = p + (stopped && !window.isVisible() ? " after stop and close" : " too early");
            return new QWidget;
        });
        QVERIFY(brivo::test::sendDropUrls(&window, {QUrl::fromLocalFile(path("notes.txt"))}));
        QTRY_COMPARE(opened, path("notes.txt") + " after stop and close");
    }

    // Return toggles full screen and the cursor, Escape only leaves it; a double-click on the picture
    // toggles it but keeps the cursor. Up and Down keep the volume in 0..1; the slider and mute work.
    void keysDoubleClickAndVolume()
    {
        av window;
        window.show();
        const auto key = [&](Qt::Key k) { return [&window, k] { QTest::keyClick(&window, k); }; };
        const auto doubleClick = [&] { QTest::mouseDClick(window.videoWidget, Qt::LeftButton); };
        const std::pair<std::function<void()>, const char *> steps[] = {
            {key(Qt::Key_Escape), "normal, bar shown enabled, arrow"},
            {key(Qt::Key_Return), "full, bar hidden disabled, blank"},
            {key(Qt::Key_Return), "normal, bar shown enabled, arrow"},
            {key(Qt::Key_Return), "full, bar hidden disabled, blank"},
            {doubleClick, "normal, bar shown enabled, blank"},
            {doubleClick, "full, bar hidden disabled, blank"},
            {key(Qt::Key_Escape), "normal, bar shown enabled, arrow"}};
        for (const auto &[act, expected] : steps) {
            act();
            QCOMPARE(screen(window), QLatin1String(expected));
        }

        QTest::keyClick(&window, Qt::Key_Up);
        QCOMPARE(window.audioOutput->volume(), 1.0f);
        window.volumeSlider->findChild<QSlider *>()->setValue(40);
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(&window, Qt::Key_Down);
        QVERIFY(window.audioOutput->volume() == 0.0f); // silence, not a float residue (QCOMPARE is fuzzy)
        auto *mute = window.volumeSlider->findChild<QToolButton *>();
        mute->click();
        QVERIFY(window.audioOutput->isMuted() && window.volumeSlider->isMuted());
    }

    // A click on the seek bar jumps to the point clicked. M mutes and unmutes; [ and ] step the speed, shown
    // beside the time while it is not 1x. After a file that cannot be played the time reads from the start.
    void seekClickMuteSpeedAndTime()
    {
        av window;
        window.openFile(path("long.wav"));
        window.show();
        QTRY_VERIFY(window.mediaObject->isSeekable() && window.mediaObject->duration() > 0);
        auto *slider = window.seekSlider->findChild<QSlider *>();
        QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(slider->width() * 3 / 4, slider->height() / 2));
        QTRY_VERIFY(qAbs(window.mediaObject->position() - window.mediaObject->duration() * 3 / 4) < 1500);

        const std::tuple<Qt::Key, bool, const char *> keys[] = {{Qt::Key_M, true, ""},
                                                                {Qt::Key_M, false, ""},
                                                                {Qt::Key_BracketLeft, false, "  0.75x"},
                                                                {Qt::Key_BracketLeft, false, "  0.5x"},
                                                                {Qt::Key_BracketLeft, false, "  0.5x"},
                                                                {Qt::Key_BracketRight, false, "  0.75x"},
                                                                {Qt::Key_BracketRight, false, ""},
                                                                {Qt::Key_BracketRight, false, "  1.25x"}};
        for (const auto &[key, muted, speed] : keys) {
            QTest::keyClick(&window, key);
            QCOMPARE(window.audioOutput->isMuted(), muted);
            QCOMPARE(window.volumeSlider->isMuted(), muted);
            QVERIFY2(window.timeLabel->text().endsWith(QLatin1String("/ 0:20") + QLatin1String(speed)),
                     qPrintable(window.timeLabel->text()));
        }
        QCOMPARE(brivo::steppedRate(2.0, 1), 2.0);
        QCOMPARE(brivo::steppedRate(1.1, -1), 1.0);

        QTest::keyClick(&window, Qt::Key_BracketLeft);
        window.mediaObject->setPosition(10000);
        QTRY_VERIFY(window.timeLabel->text().startsWith(QLatin1String("0:10")));
        brivo::test::ModalAnswerer answers;
        answers.press(QMessageBox::Ok);
        window.openFile(path("broken.avi"));
        QVERIFY(answers.waitUntilAnswered(10000));
        QCOMPARE(window.timeLabel->text(), QStringLiteral("0:00 / 0:00"));
        QCOMPARE(window.seekSlider->position(), 0);
    }

    // A missing file is reported and leaves the window usable. A file the backend cannot play is reported
    // once, however many errors the backend sends, and again on each try to play it.
    void failuresAreReportedAndTheWindowStaysUsable()
    {
        av window;
        brivo::test::ModalAnswerer answers;
        answers.press(QMessageBox::Ok);
        window.openFile(path("nothing-here.mp4"));
        QVERIFY(answers.waitUntilAnswered());
        QCOMPARE(answers.last().title, QStringLiteral("Error"));
        QCOMPARE(answers.last().text, QStringLiteral("Error File does not exist"));
        QVERIFY(window.isEnabled());

        answers.press(QMessageBox::Ok);
        window.openFile(path("broken.avi"));
        QVERIFY(answers.waitUntilAnswered(10000));
        QTest::qWait(300); // the backend sends more than one error for one failure
        QCOMPARE(answers.seen().size(), 2);
        QVERIFY(answers.last().text.startsWith(QStringLiteral("Error File cannot be played\n\nbroken.avi")));
        QCOMPARE(window.mediaObject->playbackState(), QMediaPlayer::StoppedState);
        QVERIFY(!offersPause(window));
        answers.press(QMessageBox::Ok);
        window.pauseButton->click();
        QVERIFY(answers.waitUntilAnswered(10000));
        QCOMPARE(answers.seen().size(), 3);
    }

    // Page Down and Page Up go through the folder's media files in its order; at its end a file hands on
    // to the next unless told not to; the time follows the player.
    void theFolderIsAPlaylist()
    {
        av *window = play("a.wav");
        QVERIFY(window);
        QTRY_COMPARE(window->timeLabel->text(), QStringLiteral("0:00 / 0:01"));
        QCOMPARE(window->neighbourFile(-1), QString());
        QTRY_COMPARE(playing(window), QStringLiteral("B.wav")); // a.wav ended
        QTRY_VERIFY(window->timeLabel->text().endsWith(QLatin1String("/ 0:20")));
        QTest::keyClick(window, Qt::Key_PageDown);
        QCOMPARE(playing(window), QStringLiteral("d.WAV"));
        QVERIFY(!window->stepFile(1)); // the last one stays
        QCOMPARE(playing(window), QStringLiteral("d.WAV"));
        window->previousButton->click();
        QCOMPARE(playing(window), QStringLiteral("B.wav"));
        QTest::keyClick(window, Qt::Key_PageUp);
        QCOMPARE(playing(window), QStringLiteral("a.wav"));

        window->autoNextButton->click(); // off: the file ends and stays
        QTRY_COMPARE(window->mediaObject->mediaStatus(), QMediaPlayer::EndOfMedia);
        QCOMPARE(playing(window), QStringLiteral("a.wav"));
    }

    // A file longer than five minutes starts where it was left, unless it changed since.
    void aLongFileResumes()
    {
        const QString name = QStringLiteral("lecture.wav");
        QVERIFY(brivo::test::writeFile(m_folder.filePath(name), wavBytes(6 * 60 * 1000)));
        av *first = play(name);
        QVERIFY(first);
        QTRY_VERIFY(first->mediaObject->isSeekable() && first->mediaObject->duration() > 0);
        first->mediaObject->setPosition(120000);
        QTRY_VERIFY(first->mediaObject->position() >= 120000);
        first->close();

        av *second = play(name);
        QVERIFY(second);
        QTRY_VERIFY(qAbs(second->mediaObject->position() - 120000) < 2000);
        second->close();

        QFile file(m_folder.filePath(name));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(
            file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
        file.close();
        av *third = play(name);
        QVERIFY(third);
        QTRY_VERIFY(third->mediaObject->isSeekable() && third->mediaObject->duration() > 0);
        QTest::qWait(300);
        QVERIFY(third->mediaObject->position() < 5000);
    }

    // Each further format opens the player and plays; the layout follows what the file holds (the small one
    // for sound alone), whatever its extension says.
    void furtherFormatsPlay_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("pipeline");
        const QString tone = QStringLiteral("audiotestsrc num-buffers=40 ! audioconvert ! ");
        const QString picture =
            QStringLiteral("videotestsrc num-buffers=15 ! video/x-raw,width=64,height=48 ! ");
        QTest::newRow("ogg") << "tone.ogg" << tone + "vorbisenc ! oggmux";
        QTest::newRow("oga") << "tone.OGA" << tone + "vorbisenc ! oggmux";
        QTest::newRow("opus") << "tone.opus" << tone + "audioresample ! opusenc ! oggmux";
        QTest::newRow("flac") << "tone.flac" << tone + "flacenc";
        QTest::newRow("wav") << "tone.wav" << tone + "wavenc";
        QTest::newRow("m4a") << "tone.m4a" << tone + "avenc_aac ! mp4mux";
        QTest::newRow("mp4 sound") << "tone.mp4" << tone + "avenc_aac ! mp4mux";
        QTest::newRow("ogg film") << "clip.ogg"
                                  << tone + "vorbisenc ! m. " + picture + "theoraenc ! oggmux name=m";
        QTest::newRow("mkv") << "clip.mkv" << picture + "vp8enc ! matroskamux";
        QTest::newRow("webm") << "clip.WEBM" << picture + "vp8enc ! webmmux";
        QTest::newRow("mov") << "clip.mov" << picture + "jpegenc ! qtmux";
    }
    void furtherFormatsPlay()
    {
        QFETCH(QString, name);
        QFETCH(QString, pipeline);
        if (QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0")).isEmpty())
            QSKIP("gst-launch-1.0 is not installed");
        for (const QString &element : pipeline.split(QLatin1Char(' '))) {
            if (element.endsWith(QLatin1String("enc")) &&
                QProcess::execute(QStringLiteral("gst-inspect-1.0"), {QStringLiteral("--exists"), element}) !=
                    0)
                QSKIP(qPrintable(element + QStringLiteral(" (GStreamer encoder) is not installed")));
        }
        QTemporaryDir alone; // a folder of its own: nothing to hand on to
        const QString path = alone.filePath(name);
        QProcess make;
        make.start(QStringLiteral("gst-launch-1.0"),
                   QStringList{QStringLiteral("-q")} + pipeline.split(QLatin1Char(' ')) +
                       QStringList{QStringLiteral("!"), QStringLiteral("filesink"), "location=" + path});
        QVERIFY(make.waitForFinished(60000) && make.exitCode() == 0);

        QCOMPARE(brivo::toolForExtension(QFileInfo(name).suffix()), brivo::Tool::MediaPlayer);
        av *window = play(path);
        QVERIFY(window);
        QTRY_VERIFY2(window->mediaObject->position() > 0 ||
                         window->mediaObject->mediaStatus() == QMediaPlayer::EndOfMedia,
                     qPrintable(window->mediaObject->errorString()));
        QCOMPARE(window->mediaObject->error(), QMediaPlayer::NoError);
        QTRY_COMPARE(window->audioOnly, name.startsWith(QLatin1String("tone")));
        QCOMPARE(window->videoWidget->isHidden(), window->audioOnly);
    }

private:
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    // Opens a file of the playlist's folder, or any path, as the dispatcher does.
    av *play(const QString &name)
    {
        brivo::OpenOptions options;
        options.audioOnly = brivo::isAudioOnlyExtension(QFileInfo(name).suffix());
        auto *window = qobject_cast<av *>(
            brivo::openTool(brivo::Tool::MediaPlayer, QDir(m_folder.path()).filePath(name), options));
        return window && QTest::qWaitForWindowExposed(window) ? window : nullptr;
    }
    static QString playing(av *window) { return window->mediaObject->source().fileName(); }

    QTemporaryDir m_dir, m_folder; // the player's files; a folder of four as a playlist
};

QTEST_MAIN(tst_av)
#include "tst_av.moc"

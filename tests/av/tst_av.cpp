// The media player window, playing WAV files written here by hand.
#include "app/doch.h"
#include "app/toolopeners.h"
#include "av/av.h"
#include "av/mediasteps.h"
#include "av/seekslider.h"
#include "av/volumeslider.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"

#include <QAudioOutput>
#include <QLabel>
#include <QMediaPlayer>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QStyle>
#include <QTest>
#include <QToolButton>
#include <QVideoWidget>

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
        av &window = *players.first();
        QCOMPARE(window.size(), QSize(300, 70));
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
        QCOMPARE(window.audioOutput->volume(), 0.4f);
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(&window, Qt::Key_Down);
        QVERIFY(window.audioOutput->volume() == 0.0f); // silence, not a float residue (QCOMPARE is fuzzy)
        auto *mute = window.volumeSlider->findChild<QToolButton *>();
        mute->click();
        QVERIFY(window.audioOutput->isMuted() && window.volumeSlider->isMuted());
        mute->click();
        QVERIFY(!window.audioOutput->isMuted());
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

private:
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

    QTemporaryDir m_dir;
};

QTEST_MAIN(tst_av)
#include "tst_av.moc"

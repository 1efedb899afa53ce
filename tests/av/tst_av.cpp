// The media player window, playing real files made here: WAV written by hand, a short video made with
// GStreamer's command-line tool.
#include "app/doch.h"
#include "app/showmain.h"
#include "app/toolopeners.h"
#include "av/av.h"
#include "av/seekslider.h"
#include "av/volumeslider.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"

#include <QAudioOutput>
#include <QDataStream>
#include <QMediaPlayer>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QStandardPaths>
#include <QStyle>
#include <QTest>
#include <QToolButton>
#include <QVideoWidget>

#include <cmath>

using brivo::test::ModalAnswerer;

namespace {

// A mono 16-bit PCM WAV file holding `ms` milliseconds of a tone.
QByteArray wavBytes(int ms)
{
    const quint32 rate = 8000, samples = rate * quint32(ms) / 1000;
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + samples * 2);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << rate << rate * 2 << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << quint32(samples * 2);
    for (quint32 i = 0; i < samples; ++i)
        out << qint16(6000 * std::sin(i * 0.35));
    return bytes;
}

bool showsIcon(const QAbstractButton *button, QStyle::StandardPixmap which)
{
    const QIcon expected = button->style()->standardIcon(which);
    return button->icon().pixmap(16).toImage() == expected.pixmap(16).toImage();
}

QPushButton *button(av &window, const char *name)
{
    return window.findChild<QPushButton *>(QLatin1String(name));
}

bool near(qint64 actual, qint64 expected)
{
    return qAbs(actual - expected) < 500;
}

} // namespace

class tst_av : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(brivo::test::writeFile(path("short.wav"), wavBytes(1500)));
        QVERIFY(brivo::test::writeFile(path("long.wav"), wavBytes(20000)));
        QVERIFY(brivo::test::writeFile(path("broken.avi"), QByteArray(4000, 'x')));
        // Sanity for the icon checks below: the two icons must be told apart.
        av window;
        QVERIFY(showsIcon(window.pauseButton, QStyle::SP_MediaPause));
        QVERIFY(!showsIcon(window.pauseButton, QStyle::SP_MediaPlay));
    }
    void cleanup()
    {
        brivo::setOpenerOverrideForTesting({});
        brivo::test::closeAllWindows();
    }

    void aFilePlaysToItsEndAndCanBePlayedAgain()
    {
        av window;
        window.openFile(path("short.wav"));
        window.show();
        QTRY_COMPARE(window.mediaObject->mediaStatus(), QMediaPlayer::BufferedMedia);
        QVERIFY(showsIcon(window.pauseButton, QStyle::SP_MediaPause));
        QVERIFY(window.isEnabled());
        QTRY_VERIFY(near(window.seekSlider->duration(), 1500));
        QTRY_COMPARE_WITH_TIMEOUT(window.mediaObject->mediaStatus(), QMediaPlayer::EndOfMedia, 10000);
        QVERIFY(showsIcon(window.pauseButton, QStyle::SP_MediaPlay));
        // One press after the end plays the file again.
        window.pauseButton->click();
        QTRY_COMPARE(window.mediaObject->playbackState(), QMediaPlayer::PlayingState);
        QVERIFY(showsIcon(window.pauseButton, QStyle::SP_MediaPause));
    }

    void pausePlayAndStopKeepTheIconTrue()
    {
        av window;
        window.openFile(path("long.wav"));
        window.show();
        QTRY_COMPARE(window.mediaObject->playbackState(), QMediaPlayer::PlayingState);
        window.pauseButton->click();
        QCOMPARE(window.mediaObject->playbackState(), QMediaPlayer::PausedState);
        QVERIFY(showsIcon(window.pauseButton, QStyle::SP_MediaPlay));
        QTest::keyClick(&window, Qt::Key_MediaPlay);
        QCOMPARE(window.mediaObject->playbackState(), QMediaPlayer::PlayingState);
        QVERIFY(showsIcon(window.pauseButton, QStyle::SP_MediaPause));
        button(window, "stopButton")->click();
        QCOMPARE(window.mediaObject->playbackState(), QMediaPlayer::StoppedState);
        QVERIFY(showsIcon(window.pauseButton, QStyle::SP_MediaPlay));
        window.pauseButton->click();
        QCOMPARE(window.mediaObject->playbackState(), QMediaPlayer::PlayingState);
    }

    void jumpsAndTheSeekSliderStayInsideTheFile()
    {
        av window;
        window.openFile(path("long.wav"));
        window.show();
        QTRY_VERIFY(window.mediaObject->isSeekable() && window.mediaObject->duration() > 0);
        window.mediaObject->pause();
        const qint64 end = window.mediaObject->duration();

        window.mediaObject->setPosition(10000);
        QTest::keyClick(&window, Qt::Key_Right);
        QTRY_VERIFY(near(window.mediaObject->position(), 16000));

        window.mediaObject->setPosition(2000);
        button(window, "rewindButton")->click();
        QTRY_VERIFY(near(window.mediaObject->position(), 0));

        window.mediaObject->setPosition(end - 3000);
        button(window, "forwardButton")->click();
        QTRY_VERIFY(near(window.mediaObject->position(), end));
        QTest::keyClick(&window, Qt::Key_Left);
        QTRY_VERIFY(near(window.mediaObject->position(), end - 6000));

        // The slider follows the player and seeks it when the user moves it.
        window.mediaObject->setPosition(4000);
        QTRY_VERIFY(near(window.seekSlider->position(), 4000));
        window.seekSlider->findChild<QSlider *>()->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QTRY_VERIFY(near(window.mediaObject->position(), 10000));
    }

    void volumeKeysAndTheSliderStayBetweenSilenceAndFull()
    {
        av window;
        window.show();
        QTest::keyClick(&window, Qt::Key_Up);
        QCOMPARE(window.audioOutput->volume(), 1.0f);
        for (int i = 0; i < 11; ++i)
            QTest::keyClick(&window, Qt::Key_Down);
        QCOMPARE(window.audioOutput->volume(), 0.0f);
        QTest::keyClick(&window, Qt::Key_Up);
        QCOMPARE(window.volumeSlider->volume(), 0.1f);

        window.volumeSlider->findChild<QSlider *>()->setValue(40);
        QCOMPARE(window.audioOutput->volume(), 0.4f);
        window.volumeSlider->findChild<QToolButton *>()->click();
        QVERIFY(window.audioOutput->isMuted() && window.volumeSlider->isMuted());
    }

    void fullScreenFollowsReturnEscapeAndDoubleClick()
    {
        av window;
        window.show();
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(!window.isFullScreen());

        QTest::keyClick(&window, Qt::Key_Return);
        QVERIFY(window.isFullScreen());
        QVERIFY(window.controlBar->isHidden() && !window.controlBar->isEnabled());
        QCOMPARE(window.cursor().shape(), Qt::BlankCursor);
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(!window.isFullScreen());
        QVERIFY(!window.controlBar->isHidden() && window.controlBar->isEnabled());
        QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);

        // A double-click toggles full screen as well but leaves the cursor alone.
        QTest::keyClick(&window, Qt::Key_Return);
        QTest::mouseDClick(window.videoWidget, Qt::LeftButton);
        QVERIFY(!window.isFullScreen());
        QVERIFY(!window.controlBar->isHidden() && window.controlBar->isEnabled());
        QCOMPARE(window.cursor().shape(), Qt::BlankCursor);
        QTest::mouseDClick(window.videoWidget, Qt::LeftButton);
        QVERIFY(window.isFullScreen() && window.controlBar->isHidden());
    }

    void theAudioOnlyLayoutIsSmallAndNeverFullScreen()
    {
        av window;
        window.openFile(path("short.wav"));
        window.setAudioOnly();
        window.show();
        QCOMPARE(window.size(), QSize(300, 70));
        QCOMPARE(window.maximumSize(), QSize(300, 70));
        QVERIFY(window.videoWidget->isHidden());
        QTest::keyClick(&window, Qt::Key_Return);
        QTest::mouseDClick(&window, Qt::LeftButton);
        QVERIFY(!window.isFullScreen());
        QVERIFY(window.controlBar->isVisible());
        QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
    }

    void aMissingFileIsReportedAndTheWindowStaysUsable()
    {
        av window;
        ModalAnswerer answers;
        answers.press(QMessageBox::Ok);
        window.openFile(path("nothing-here.mp4"));
        QVERIFY(answers.waitUntilAnswered());
        QCOMPARE(answers.seen().size(), 1);
        QCOMPARE(answers.last().title, QStringLiteral("Error"));
        QCOMPARE(answers.last().text, QStringLiteral("Error File does not exist"));
        QVERIFY(window.isEnabled());
        QVERIFY(window.mediaObject->source().isEmpty());
    }

    void anUnplayableFileIsReportedOnceAndEachRetryAgain()
    {
        av window;
        ModalAnswerer answers;
        answers.press(QMessageBox::Ok);
        window.openFile(path("broken.avi"));
        window.show();
        QVERIFY(answers.waitUntilAnswered(10000));
        QTest::qWait(300); // the backend sends more than one error for one failure
        QCOMPARE(answers.seen().size(), 1);
        QCOMPARE(answers.unexpected(), 0);
        QCOMPARE(answers.last().title, QStringLiteral("Error"));
        QVERIFY2(answers.last().text.startsWith(QStringLiteral("Error File cannot be played")) &&
                     answers.last().text.contains(QStringLiteral("broken.avi")),
                 qPrintable(answers.last().text));
        QVERIFY(window.isEnabled());
        QCOMPARE(window.mediaObject->playbackState(), QMediaPlayer::StoppedState);
        QVERIFY(showsIcon(window.pauseButton, QStyle::SP_MediaPlay));

        answers.press(QMessageBox::Ok);
        window.pauseButton->click();
        QVERIFY(answers.waitUntilAnswered(10000));
        QCOMPARE(answers.seen().size(), 2);
    }

    void aDropStopsClosesAndDispatches()
    {
        auto *window = new av;
        window->openFile(path("long.wav"));
        window->show();
        QTRY_COMPARE(window->mediaObject->playbackState(), QMediaPlayer::PlayingState);

        // Dragged text is not a file: the player goes on.
        QMimeData text;
        text.setText(path("short.wav"));
        QVERIFY(!brivo::test::sendDrop(window, &text));
        QVERIFY(window->isVisible());
        QCOMPARE(window->mediaObject->playbackState(), QMediaPlayer::PlayingState);

        QString opened;
        bool stoppedAndClosedFirst = false;
        brivo::setOpenerOverrideForTesting([&](brivo::Tool, const QString &p, const brivo::OpenOptions &) {
            opened = p;
            stoppedAndClosedFirst =
                window->mediaObject->playbackState() == QMediaPlayer::StoppedState && !window->isVisible();
            return new QWidget;
        });
        QVERIFY(brivo::test::sendDropUrls(window, {QUrl::fromLocalFile(path("notes.txt"))}));
        QCOMPARE(opened, path("notes.txt"));
        QVERIFY(stoppedAndClosedFirst);
        delete window;
    }

    void closingStopsAndHomeOpensALauncher()
    {
        av window;
        window.openFile(path("long.wav"));
        window.show();
        QTRY_COMPARE(window.mediaObject->playbackState(), QMediaPlayer::PlayingState);
        button(window, "homeButton")->click();
        QCOMPARE(brivo::test::visibleWindows<showmain>().size(), 1);
        QVERIFY(window.isVisible());
        QCOMPARE(window.mediaObject->playbackState(), QMediaPlayer::PlayingState);
        window.close();
        QCOMPARE(window.mediaObject->playbackState(), QMediaPlayer::StoppedState);
    }

    // The program's own road: the dispatcher loads the player's module and hands it the file.
    void theDispatcherOpensAnMp3InTheSmallLayout()
    {
        QVERIFY(QFile::copy(path("short.wav"), path("song.mp3"))); // the backend goes by content
        doch().doallforshow(path("song.mp3"));
        const QList<av *> players = brivo::test::visibleWindows<av>();
        QCOMPARE(players.size(), 1);
        QVERIFY(players.first()->audioOnly);
        QTRY_COMPARE(players.first()->mediaObject->playbackState(), QMediaPlayer::PlayingState);
    }

    void aVideoPlaysInTheNormalLayout()
    {
        const QString gst = QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0"));
        if (gst.isEmpty())
            QSKIP("gst-launch-1.0 (gstreamer1.0-tools) is not installed");
        const QString video = path("clip.avi");
        QProcess maker;
        maker.start(gst, QStringLiteral(
                             "-q videotestsrc num-buffers=40 ! "
                             "video/x-raw,width=160,height=120,framerate=20/1 ! jpegenc ! avimux ! filesink")
                                 .split(QLatin1Char(' '))
                             << QStringLiteral("location=") + video);
        QVERIFY(maker.waitForFinished(30000));
        QCOMPARE(maker.exitCode(), 0);

        doch().doallforshow(video);
        const QList<av *> players = brivo::test::visibleWindows<av>();
        QCOMPARE(players.size(), 1);
        QCOMPARE(players.first()->windowTitle(), QStringLiteral("Brivo - K.VARDEN"));
        QCOMPARE(players.first()->size(), QSize(800, 600));
        QVERIFY(players.first()->videoWidget->isVisible());
        QTRY_VERIFY(players.first()->mediaObject->hasVideo());
        QTRY_COMPARE_WITH_TIMEOUT(players.first()->mediaObject->mediaStatus(), QMediaPlayer::EndOfMedia,
                                  10000);
    }

private:
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

    QTemporaryDir m_dir;
};

QTEST_MAIN(tst_av)
#include "tst_av.moc"

// The media player's later additions: the time beside the slider, the folder as a playlist, coming back
// to where a long file was left, and the further formats, each played from a file made here.
#include "app/extensiongroups.h"
#include "app/toolopeners.h"
#include "av/av.h"
#include "common/tooltable.h"
#include "tests/support/testhelpers.h"

#include <QtTest>
#include <QtWidgets>

#include <QMediaPlayer>
#include <QVideoWidget>

using brivo::test::wavBytes;

class tst_playlist : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // Opens a file of the test's folder, or any path, as the dispatcher does.
    av *play(const QString &name)
    {
        brivo::OpenOptions options;
        options.audioOnly = brivo::isAudioOnlyExtension(QFileInfo(name).suffix());
        auto *window = qobject_cast<av *>(
            brivo::openTool(brivo::Tool::MediaPlayer, QDir(m_dir.path()).filePath(name), options));
        return window && QTest::qWaitForWindowExposed(window) ? window : nullptr;
    }
    static QString playing(av *window) { return window->mediaObject->source().fileName(); }

private slots:
    void initTestCase()
    {
        QVERIFY(brivo::test::writeFile(m_dir.filePath("a.wav"), wavBytes(1200)));
        QVERIFY(brivo::test::writeFile(m_dir.filePath("B.wav"), wavBytes(20000)));
        QVERIFY(brivo::test::writeFile(m_dir.filePath("c.txt"), "not a song"));
        QVERIFY(brivo::test::writeFile(m_dir.filePath("d.WAV"), wavBytes(20000)));
    }
    void cleanup() { brivo::test::closeAllWindows(); }

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
        QVERIFY(brivo::test::writeFile(m_dir.filePath(name), wavBytes(6 * 60 * 1000)));
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

        QFile file(m_dir.filePath(name));
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
};

QTEST_MAIN(tst_playlist)
#include "tst_playlist.moc"

// The player's jump and volume arithmetic and its two slider widgets, apart from any player.
#include "av/mediasteps.h"
#include "av/seekslider.h"
#include "av/volumeslider.h"

#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QToolButton>

class tst_avcontrols : public QObject
{
    Q_OBJECT
private slots:
    void seekTargetStaysInsideTheFile_data()
    {
        QTest::addColumn<qint64>("position");
        QTest::addColumn<qint64>("offset");
        QTest::addColumn<qint64>("duration");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("inside") << qint64(10000) << brivo::kJumpMs << qint64(20000) << qint64(16000);
        QTest::newRow("back from 2 s") << qint64(2000) << -brivo::kJumpMs << qint64(20000) << qint64(0);
        QTest::newRow("3 s before the end")
            << qint64(17000) << brivo::kJumpMs << qint64(20000) << qint64(20000);
        QTest::newRow("unknown length") << qint64(17000) << brivo::kJumpMs << qint64(0) << qint64(23000);
    }
    void seekTargetStaysInsideTheFile()
    {
        QFETCH(qint64, position);
        QFETCH(qint64, offset);
        QFETCH(qint64, duration);
        QFETCH(qint64, expected);
        QCOMPARE(brivo::seekTarget(position, offset, duration), expected);
    }

    // The audio output keeps its volume in a float: ten steps down from full must be silence, not a
    // residue just above it, and no step may leave 0..1.
    void volumeStepsStayBetweenSilenceAndFull()
    {
        float volume = 1.0f;
        QCOMPARE(brivo::steppedVolume(volume, brivo::kVolumeStep), 1.0);
        for (int i = 0; i < 10; ++i)
            volume = float(brivo::steppedVolume(volume, -brivo::kVolumeStep));
        QCOMPARE(volume, 0.0f);
        QCOMPARE(brivo::steppedVolume(0.05, -brivo::kVolumeStep), 0.0);
    }

    void seekSliderAsksOnlyForTheUsersMoves()
    {
        brivo::SeekSlider seek;
        auto *slider = seek.findChild<QSlider *>();
        QSignalSpy asked(&seek, &brivo::SeekSlider::seekRequested);
        seek.setDuration(20000);
        QVERIFY(!slider->isEnabled()); // a length alone does not make the media seekable
        seek.setSeekable(true);
        QVERIFY(slider->isEnabled());
        seek.setPosition(5000);
        QVERIFY(asked.isEmpty());

        slider->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.first().first().toLongLong(), 11000);
        // While the handle is held, playback does not pull it away from the user.
        slider->setSliderDown(true);
        seek.setPosition(1000);
        QCOMPARE(seek.position(), 11000);
    }

    void volumeSliderAsksAndFollows()
    {
        brivo::VolumeSlider volume;
        auto *slider = volume.findChild<QSlider *>();
        QSignalSpy volumeAsked(&volume, &brivo::VolumeSlider::volumeRequested);
        QSignalSpy muteAsked(&volume, &brivo::VolumeSlider::muteRequested);
        volume.setVolume(1.7f);
        QCOMPARE(slider->value(), 100);
        QVERIFY(volumeAsked.isEmpty());
        slider->setValue(30);
        QCOMPARE(volumeAsked.last().first().toFloat(), 0.3f);

        // The button asks for the opposite of the state the output last reported.
        volume.setMuted(true);
        volume.findChild<QToolButton *>()->click();
        QCOMPARE(muteAsked.last().first().toBool(), false);
    }
};

QTEST_MAIN(tst_avcontrols)
#include "tst_avcontrols.moc"

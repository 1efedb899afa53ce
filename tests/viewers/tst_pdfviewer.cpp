// The PDF viewer window: paging by keys, buttons, typed numbers and the wheel, zoom and rotation, the pages
// it prepares ahead, and documents it cannot show.
#include "app/toolopeners.h"
#include "tests/support/testhelpers.h"
#include "viewers/pageprerenderer.h"
#include "viewers/pdf.h"
#include "viewers/pdfpaging.h"

#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <QtTest/qtestspontaneevent.h>

namespace {

using brivo::test::makePdf;

template <typename T> T *child(pdf *w, const char *name)
{
    return w->findChild<T *>(QLatin1String(name));
}

// What the viewer shows, in words: the page field, the page's colour, the corner that holds its black
// square (its rotation) and its size in pixels (its resolution), such as "2 green tl 300x200".
QString shownPage(pdf *w)
{
    const QString field = child<QLineEdit>(w, "pageEdit")->text();
    const QImage image = child<QLabel>(w, "imageLabel")->pixmap().toImage();
    if (image.isNull())
        return field + QStringLiteral(" nothing");
    const QRgb c = image.pixel(image.width() / 2, image.height() / 2) & RGB_MASK;
    const char *colour = c == 0xff0000 ? "red" : c == 0xff00 ? "green" : c == 0xff ? "blue" : "other";
    const auto black = [&](int x, int y) { return qGray(image.pixel(x, y)) == 0; };
    const int right = image.width() - 2, bottom = image.height() - 2;
    const bool top = black(1, 1) || black(right, 1), left = black(1, 1) || black(1, bottom);
    return QStringLiteral("%1 %2 %3%4 %5x%6")
        .arg(field, QLatin1String(colour), QLatin1String(top ? "t" : "b"), QLatin1String(left ? "l" : "r"))
        .arg(image.width())
        .arg(image.height());
}

// Wheel steps ('-' towards the user) as the window system delivers them: to the page under the pointer,
// from where each travels up until a widget takes it.
void wheelSteps(pdf *w, const QString &steps)
{
    QWidget *target = child<QLabel>(w, "imageLabel");
    const QPointF pos(target->width() / 2.0, target->height() / 2.0);
    for (QChar step : steps) {
        QWheelEvent event(pos, target->mapToGlobal(pos), QPoint(), QPoint(0, step == '-' ? -120 : 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QSpontaneKeyEvent::setSpontaneous(&event);
        qApp->notify(target, &event);
    }
}

bool waitUntilPrepared(pdf *w, int index)
{
    auto *prerenderer = w->findChild<brivo::PagePrerenderer *>();
    return prerenderer && QTest::qWaitFor([&] { return prerenderer->isKept(index); }, 10000);
}

// Opens a viewer through the dispatcher's opener, at `size`.
pdf *open(const QString &path, QSize size = QSize(800, 600))
{
    auto *w = qobject_cast<pdf *>(brivo::openTool(brivo::Tool::PdfViewer, path));
    w->resize(size);
    if (!QTest::qWaitForWindowExposed(w))
        qWarning("the viewer was not exposed");
    return w;
}

} // namespace

class tst_pdfviewer : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    const QString m_threePages = m_dir.filePath("three.pdf"); // red, green, blue; 3 x 2 inches
    const QString m_tallPages = m_dir.filePath("tall.pdf");   // the same, 3 x 20 inches

private slots:
    void initTestCase()
    {
        for (const QSize size : {QSize(216, 144), QSize(216, 1440)}) {
            QVERIFY(brivo::test::writeFile(size.height() < 1000 ? m_threePages : m_tallPages,
                                           makePdf({{size, "1 0 0"}, {size, "0 1 0"}, {size, "0 0 1"}})));
        }
    }
    void cleanup() { brivo::test::closeAllWindows(); }

    void pagingPreparedPagesAndClosing()
    {
        pdf *w = open(m_threePages);
        QCOMPARE(w->windowTitle(), QStringLiteral("Brivo : Pdf Viewer - K.VARDEN"));
        QCOMPARE(child<QLabel>(w, "pageCountLabel")->text(), QStringLiteral("/3"));
        QCOMPARE(shownPage(w), QStringLiteral("1 red tl 300x200")); // 100 dots per inch
        // The page prepared ahead is the page as the viewer renders it; then the next one is prepared, and
        // the one left stays at hand.
        QVERIFY(waitUntilPrepared(w, 1));
        auto *area = child<QScrollArea>(w, "scrollArea");
        QTest::keyClick(area, Qt::Key_Right);
        QCOMPARE(shownPage(w), QStringLiteral("2 green tl 300x200"));
        QVERIFY(waitUntilPrepared(w, 2));
        QVERIFY(w->findChild<brivo::PagePrerenderer *>()->isKept(0));
        // A file that no longer has the page count the window read (changed on disk) is not used at all.
        brivo::PagePrerenderer mismatched(m_threePages, 4);
        mismatched.setResolution(100, 100);
        mismatched.prepare({0});
        QTest::qWait(300);
        QVERIFY(!mismatched.isKept(0));
        QStringList seen;
        for (Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Left, Qt::Key_Left, Qt::Key_Left}) {
            QTest::keyClick(area, key);
            seen.append(shownPage(w).section(' ', 0, 1));
        }
        QCOMPARE(seen, QStringList({"3 blue", "3 blue", "2 green", "1 red", "1 red"}));

        QTest::keyClick(area, Qt::Key_Return);
        QVERIFY(w->isFullScreen());
        QTest::mouseDClick(child<QLabel>(w, "imageLabel"), Qt::LeftButton);
        QVERIFY(!w->isFullScreen());
        // Escape closes (hides) the window, which lets go of the pages prepared for it.
        QVERIFY(waitUntilPrepared(w, 1));
        QTest::keyClick(area, Qt::Key_Escape);
        QVERIFY(!w->isVisible());
        QVERIFY(!w->findChild<brivo::PagePrerenderer *>()->isKept(1));
    }

    void pageNumbersWheelZoomAndRotation()
    {
        pdf *w = open(m_threePages);
        auto *edit = child<QLineEdit>(w, "pageEdit");
        w->rr();
        // Out of range or not a number: ignored, the page not even shown again.
        for (const char *ignored : {"4", "0", "-1", "two", "2x", "", "99999999999"}) {
            edit->setText(QLatin1String(ignored));
            w->go();
            QCOMPARE(shownPage(w), QStringLiteral("%1 red tr 200x300").arg(QLatin1String(ignored)));
        }
        edit->setText(QStringLiteral("02"));
        QTest::mouseClick(child<QPushButton>(w, "goButton"), Qt::LeftButton);
        QCOMPARE(shownPage(w), QStringLiteral("02 green tl 300x200")); // the field keeps the typed text
        QTest::mouseClick(child<QPushButton>(w, "foButton"), Qt::LeftButton);
        QCOMPARE(shownPage(w), QStringLiteral("3 blue tl 300x200"));

        // A page that fits the view: a first step arms, the next one turns and disarms; but forward at the
        // last page changes nothing at all, and backward at the first page shows it afresh, upright.
        w->rr();
        wheelSteps(w, "--");
        QCOMPARE(shownPage(w), QStringLiteral("3 blue tr 200x300"));
        wheelSteps(w, "+++");
        QCOMPARE(shownPage(w), QStringLiteral("2 green tl 300x200"));
        w->rr();
        wheelSteps(w, "+++");
        QCOMPARE(shownPage(w), QStringLiteral("1 red tl 300x200"));
        wheelSteps(w, "---");
        QCOMPARE(shownPage(w), QStringLiteral("2 green tl 300x200"));

        // Page 3 is prepared at 100 dots per inch; after the zoom a turn to it must not show that.
        QVERIFY(waitUntilPrepared(w, 2));
        w->rr();
        w->zi();
        QTest::mouseClick(child<QPushButton>(w, "ziButton"), Qt::LeftButton);
        QCOMPARE(shownPage(w), QStringLiteral("2 green tr 320x480")); // 160 dots per inch, still turned
        w->resize(840, 630);
        QTRY_COMPARE(w->size(), QSize(840, 630));
        QCOMPARE(shownPage(w), QStringLiteral("2 green tr 320x480"));
        for (int i = 0; i < 3; ++i)
            w->rl();
        QCOMPARE(shownPage(w), QStringLiteral("2 green br 480x320"));
        w->fo();
        QCOMPARE(shownPage(w), QStringLiteral("3 blue tl 480x320"));
        for (int i = 0; i < 7; ++i) // 130, 100, 70, 40, 10 dots per inch, then no further
            w->zo();
        QCOMPARE(shownPage(w), QStringLiteral("3 blue tl 30x20"));
        w->zi();
        QCOMPARE(shownPage(w), QStringLiteral("3 blue tl 120x80"));
    }

    void aTallPageScrollsBeforeItTurns()
    {
        pdf *w = open(m_tallPages, QSize(300, 300));
        w->zi(); // wider than the view as well
        auto *area = child<QScrollArea>(w, "scrollArea");
        QScrollBar *vertical = area->verticalScrollBar(), *horizontal = area->horizontalScrollBar();
        QTRY_VERIFY(vertical->maximum() > 0 && horizontal->maximum() > 0);
        // Up and Down belong to the viewer; the wheel within the page scrolls and arms nothing.
        QTest::keyClick(area, Qt::Key_Down);
        QCOMPARE(vertical->value(), 0);
        wheelSteps(w, "--");
        QVERIFY(vertical->value() > 0);
        QVERIFY(shownPage(w).startsWith("1 red"));

        horizontal->setValue(20);
        w->fo();
        QVERIFY(shownPage(w).startsWith("2 green"));
        QCOMPARE(vertical->value(), 0);
        QCOMPARE(horizontal->value(), 0);
        // One step at the bottom arms; back at the top, one step the other way turns at once.
        vertical->setValue(vertical->maximum());
        wheelSteps(w, "-");
        vertical->setValue(0);
        wheelSteps(w, "+");
        QVERIFY(shownPage(w).startsWith("1 red"));

        // The view follows the window's size: the viewer takes keys and wheel, not the view's own events.
        w->resize(w->size() + QSize(200, 100));
        QTRY_VERIFY(!horizontal->isVisible());
        QCOMPARE(area->viewport()->height(), area->height() - 2 * area->frameWidth());
    }

    void documentsThatCannotBeShown_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("contents"); // null: not written here
        QTest::addColumn<QString>("says");
        const QByteArray whole = brivo::test::readFile(m_threePages);
        QProcess::execute("qpdf", {"--encrypt", "secret", "owner", "256", "--", m_threePages,
                                   m_dir.filePath("locked.pdf")});
        QTest::newRow("empty") << "empty.pdf" << QByteArray("") << "not a PDF document";
        QTest::newRow("cut short") << "cut.pdf" << whole.left(whole.size() / 2) << "not a PDF document";
        QTest::newRow("no pages") << "nopages.pdf" << makePdf({}) << "has no pages";
        QTest::newRow("password") << "locked.pdf" << QByteArray() << "protected by a password";
        QTest::newRow("missing") << "missing.pdf" << QByteArray() << "does not exist";
        QTest::newRow("no file given") << "" << QByteArray() << "No document";
    }
    void documentsThatCannotBeShown()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, contents);
        QFETCH(QString, says);
        const QString path = name.isEmpty() ? QString() : m_dir.filePath(name);
        if (name == QStringLiteral("locked.pdf") && !QFile::exists(path))
            QSKIP("qpdf, which locks the document, is not installed");
        QVERIFY(contents.isNull() || brivo::test::writeFile(path, contents));
        pdf *w = open(path);
        QCOMPARE(child<QLabel>(w, "pageCountLabel")->text(), QStringLiteral("/0"));
        QVERIFY(!child<QPushButton>(w, "foButton")->isEnabled());

        // Nothing reaches for a document or page that is not there, and the message stays.
        child<QLineEdit>(w, "pageEdit")->setText(QStringLiteral("1"));
        for (void (pdf::*control)() : {&pdf::fo, &pdf::ba, &pdf::go, &pdf::zi, &pdf::zo, &pdf::rr, &pdf::rl})
            (w->*control)();
        wheelSteps(w, "--++");
        w->resize(w->size() + QSize(10, 10));
        QTest::qWait(20);
        QLabel *label = child<QLabel>(w, "imageLabel");
        QVERIFY2(label->text().contains(says), qPrintable(label->text()));
        QCOMPARE(shownPage(w), QStringLiteral("1 nothing"));
    }

    void aPageThatFailsToRenderLeavesTheLastPicture()
    {
        // Poppler answers a page it cannot render with no picture, or with a single pixel when it cannot
        // allocate one; a page that small really is one pixel, though.
        QVERIFY(pdfpaging::renderFailed(QSize(), QSizeF(216, 144), 100, 100));
        QVERIFY(!pdfpaging::renderFailed(QSize(1, 1), QSizeF(1, 1), 100, 100));
        // A page poppler cannot allocate at any resolution, after and before a plain one.
        const std::pair<QSize, QByteArray> plain = {{216, 144}, {}}, huge = {{200000, 200000}, {}};
        QVERIFY(brivo::test::writeFile(m_dir.filePath("late.pdf"), makePdf({plain, huge})));
        QVERIFY(brivo::test::writeFile(m_dir.filePath("early.pdf"), makePdf({huge, plain})));

        pdf *w = open(m_dir.filePath("late.pdf"));
        w->rr();
        QCOMPARE(shownPage(w), QStringLiteral("1 other br 200x300"));
        w->fo();
        wheelSteps(w, "--");
        QCOMPARE(shownPage(w), QStringLiteral("1 other br 200x300"));

        pdf *v = open(m_dir.filePath("early.pdf"));
        QVERIFY(child<QLabel>(v, "imageLabel")->text().contains(QStringLiteral("cannot be shown")));
        v->fo(); // the pages after it can still be reached
        QCOMPARE(shownPage(v), QStringLiteral("2 other br 300x200"));
    }
};

QTEST_MAIN(tst_pdfviewer)
#include "tst_pdfviewer.moc"

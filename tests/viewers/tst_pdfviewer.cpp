// The PDF viewer window: paging by buttons, keys, typed numbers and the wheel, zoom and rotation, documents
// it cannot show, and the pages it prepares ahead.
#include "app/showmain.h"
#include "app/toolopeners.h"
#include "tests/support/testhelpers.h"
#include "tests/viewers/pdftestfiles.h"
#include "viewers/pageprerenderer.h"
#include "viewers/pdf.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <QtTest/qtestspontaneevent.h>

#include <poppler-qt6.h>

namespace {

const QRgb red = qRgb(255, 0, 0);
const QRgb green = qRgb(0, 255, 0);
const QRgb blue = qRgb(0, 0, 255);

template <typename T> T *child(pdf *w, const char *name)
{
    return w->findChild<T *>(QLatin1String(name));
}
QImage shown(pdf *w)
{
    return child<QLabel>(w, "imageLabel")->pixmap().toImage();
}
QRgb shownColour(pdf *w)
{
    const QImage image = shown(w);
    return image.pixel(image.width() / 2, image.height() / 2) | 0xff000000;
}
// The corner of the shown page that holds the black square ("tl", "tr", "bl", "br"): the page's rotation.
QString markerCorner(pdf *w)
{
    const QImage image = shown(w);
    const auto black = [&](int x, int y) { return qGray(image.pixel(x, y)) == 0; };
    const int right = image.width() - 2;
    const int bottom = image.height() - 2;
    return QLatin1String(black(1, 1) ? "tl" : black(right, 1) ? "tr" : black(1, bottom) ? "bl" : "br");
}
QString pageText(pdf *w)
{
    return child<QLineEdit>(w, "pageEdit")->text();
}

// One wheel step as the window system delivers it: to the page under the pointer, from where it travels
// up until a widget takes it.
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

} // namespace

class tst_pdfviewer : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_threePages; // red, green, blue; 3 x 2 inches
    QString m_tallPages;  // the same, 3 x 20 inches

    std::unique_ptr<pdf> open(const QString &path, QSize size = QSize(800, 600))
    {
        auto window = std::make_unique<pdf>();
        window->setFile(path);
        window->buildUi();
        window->resize(size);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            qWarning("the viewer was not exposed");
        return window;
    }

private slots:
    void initTestCase()
    {
        m_threePages = m_dir.filePath(QStringLiteral("three.pdf"));
        m_tallPages = m_dir.filePath(QStringLiteral("tall.pdf"));
        QVERIFY(brivo::test::writeColourPdf(m_threePages, {Qt::red, Qt::green, Qt::blue}));
        QVERIFY(brivo::test::writeColourPdf(m_tallPages, {Qt::red, Qt::green, Qt::blue}, QSizeF(3, 20)));
    }
    void cleanup() { brivo::test::closeAllWindows(); }

    void opensThroughTheProgramsOpener()
    {
        auto *w = qobject_cast<pdf *>(brivo::openTool(brivo::Tool::PdfViewer, m_threePages));
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("Brivo : Pdf Viewer - K.VARDEN"));
        QCOMPARE(shown(w).size(), QSize(300, 200)); // 100 dots per inch
        QCOMPARE(shownColour(w), red);
        QCOMPARE(pageText(w), QStringLiteral("1"));
        QCOMPARE(child<QLabel>(w, "pageCountLabel")->text(), QStringLiteral("/3"));

        const int launchers = brivo::test::visibleWindows<showmain>().size();
        QTest::mouseClick(child<QPushButton>(w, "homeButton"), Qt::LeftButton);
        QCOMPARE(brivo::test::visibleWindows<showmain>().size(), launchers + 1);
        QVERIFY(w->isVisible());
    }

    void pagingKeysAndClosing()
    {
        auto w = open(m_threePages);
        QList<QRgb> seen;
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(child<QScrollArea>(w.get(), "scrollArea"), Qt::Key_Right);
            seen.append(shownColour(w.get()));
        }
        QCOMPARE(pageText(w.get()), QStringLiteral("3"));
        for (int i = 0; i < 3; ++i) {
            QTest::mouseClick(child<QPushButton>(w.get(), "baButton"), Qt::LeftButton);
            seen.append(shownColour(w.get()));
        }
        QCOMPARE(seen, QList<QRgb>({green, blue, blue, green, red, red}));
        QCOMPARE(pageText(w.get()), QStringLiteral("1"));

        QTest::keyClick(child<QScrollArea>(w.get(), "scrollArea"), Qt::Key_Return);
        QVERIFY(w->isFullScreen());
        QTest::mouseDClick(child<QLabel>(w.get(), "imageLabel"), Qt::LeftButton);
        QVERIFY(!w->isFullScreen());
        // Escape closes (hides) the window, which lets go of the pages prepared for it.
        QVERIFY(waitUntilPrepared(w.get(), 1));
        QTest::keyClick(child<QScrollArea>(w.get(), "scrollArea"), Qt::Key_Escape);
        QVERIFY(!w->isVisible());
        QVERIFY(!w->findChild<brivo::PagePrerenderer *>()->isKept(1));
    }

    void goToTypedPage()
    {
        auto w = open(m_threePages);
        QLineEdit *edit = child<QLineEdit>(w.get(), "pageEdit");
        w->rr();
        edit->setText(QStringLiteral("4"));
        w->go();
        QCOMPARE(shownColour(w.get()), red);
        QCOMPARE(markerCorner(w.get()), QStringLiteral("tr")); // ignored: not even re-shown
        edit->setText(QStringLiteral("02"));
        QTest::mouseClick(child<QPushButton>(w.get(), "goButton"), Qt::LeftButton);
        QCOMPARE(shownColour(w.get()), green);
        QCOMPARE(markerCorner(w.get()), QStringLiteral("tl"));
        QCOMPARE(edit->text(), QStringLiteral("02")); // as typed
        w->fo();
        QCOMPARE(shownColour(w.get()), blue);
        // Return in the page field goes as well.
        edit->setText(QStringLiteral("1"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(shownColour(w.get()), red);
    }

    void zoomAndRotation()
    {
        auto w = open(m_threePages);
        // Page 2 is prepared at 100 dots per inch before the zoom; the turn after it must not show that.
        QVERIFY(waitUntilPrepared(w.get(), 1));
        w->rr();
        w->zi();
        QTest::mouseClick(child<QPushButton>(w.get(), "ziButton"), Qt::LeftButton);
        QCOMPARE(shown(w.get()).size(), QSize(320, 480)); // 160 dots per inch, still turned
        QCOMPARE(markerCorner(w.get()), QStringLiteral("tr"));
        const QSize larger = w->size() + QSize(40, 30);
        w->resize(larger);
        QTRY_COMPARE(w->size(), larger);
        QCOMPARE(markerCorner(w.get()), QStringLiteral("tr"));
        w->rr();
        QCOMPARE(markerCorner(w.get()), QStringLiteral("br"));
        for (int i = 0; i < 3; ++i)
            w->rl();
        QCOMPARE(markerCorner(w.get()), QStringLiteral("bl"));

        w->fo();
        QCOMPARE(shownColour(w.get()), green);
        QCOMPARE(shown(w.get()).size(), QSize(480, 320));
        QCOMPARE(markerCorner(w.get()), QStringLiteral("tl"));

        // Zoom out: 130, 100, 70, 40, 10 dots per inch, then no further.
        QList<int> widths;
        for (int i = 0; i < 7; ++i) {
            w->zo();
            widths.append(shown(w.get()).width());
        }
        QCOMPARE(widths, QList<int>({390, 300, 210, 120, 30, 30, 30}));
        w->zi();
        QCOMPARE(shown(w.get()).size(), QSize(120, 80));
    }

    void aTallPageScrollsBeforeItTurns()
    {
        auto w = open(m_tallPages, QSize(300, 300));
        w->zi(); // wider than the view as well
        QScrollBar *vertical = child<QScrollArea>(w.get(), "scrollArea")->verticalScrollBar();
        QScrollBar *horizontal = child<QScrollArea>(w.get(), "scrollArea")->horizontalScrollBar();
        QTRY_VERIFY(vertical->maximum() > 0 && horizontal->maximum() > 0);
        // Up and Down belong to the viewer; the wheel within the page scrolls and arms nothing.
        QTest::keyClick(child<QScrollArea>(w.get(), "scrollArea"), Qt::Key_Down);
        QCOMPARE(vertical->value(), 0);
        wheelSteps(w.get(), QStringLiteral("--"));
        QVERIFY(vertical->value() > 0);
        QCOMPARE(shownColour(w.get()), red);

        horizontal->setValue(20);
        w->fo();
        QCOMPARE(shownColour(w.get()), green);
        QCOMPARE(vertical->value(), 0);
        QCOMPARE(horizontal->value(), 0);
        // One step at the bottom arms; back at the top, one step the other way turns at once.
        vertical->setValue(vertical->maximum());
        wheelSteps(w.get(), QStringLiteral("-"));
        vertical->setValue(0);
        wheelSteps(w.get(), QStringLiteral("+"));
        QCOMPARE(shownColour(w.get()), red);
        QCOMPARE(pageText(w.get()), QStringLiteral("1"));

        // The view follows the window's size: the viewer takes keys and wheel, not the view's own events.
        QScrollArea *area = child<QScrollArea>(w.get(), "scrollArea");
        w->resize(w->size() + QSize(200, 100));
        QTRY_VERIFY(!horizontal->isVisible());
        QCOMPARE(area->viewport()->height(), area->height() - 2 * area->frameWidth());
    }

    void documentsThatCannotBeShown_data()
    {
        QTest::addColumn<QByteArray>("contents"); // null: no such file
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("says");
        QFile valid(m_threePages);
        QVERIFY(valid.open(QIODevice::ReadOnly));
        const QByteArray whole = valid.readAll();
        const QByteArray noPages = brivo::test::assemblePdf(
            {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>"});

        QTest::newRow("empty") << QByteArray("") << "empty.pdf"
                               << "not a PDF document";
        QTest::newRow("not a PDF") << QByteArray("hello\n").repeated(99) << "text.pdf"
                                   << "not a PDF document";
        QTest::newRow("cut short") << whole.left(whole.size() / 2) << "cut.pdf"
                                   << "not a PDF document";
        QTest::newRow("no pages") << noPages << "nopages.pdf"
                                  << "has no pages";
        QTest::newRow("password") << brivo::test::passwordProtectedCopy(m_threePages) << "locked.pdf"
                                  << "protected by a password";
        QTest::newRow("missing") << QByteArray() << "missing.pdf"
                                 << "does not exist";
        QTest::newRow("no file given") << QByteArray() << ""
                                       << "No document";
    }
    void documentsThatCannotBeShown()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, name);
        QFETCH(QString, says);
        if (name == QStringLiteral("locked.pdf") && contents.isNull())
            QSKIP("qpdf, which locks the document, is not installed");
        const QString path = name.isEmpty() ? QString() : m_dir.filePath(name);
        if (!contents.isNull())
            QVERIFY(brivo::test::writeFile(path, contents));
        auto w = open(path);
        QLabel *label = child<QLabel>(w.get(), "imageLabel");
        QCOMPARE(child<QLabel>(w.get(), "pageCountLabel")->text(), QStringLiteral("/0"));
        QVERIFY(!child<QPushButton>(w.get(), "foButton")->isEnabled());

        // Nothing reaches for a document or page that is not there, and the message stays.
        child<QLineEdit>(w.get(), "pageEdit")->setText(QStringLiteral("1"));
        for (void (pdf::*control)() : {&pdf::fo, &pdf::ba, &pdf::go, &pdf::zi, &pdf::zo, &pdf::rr, &pdf::rl})
            (w.get()->*control)();
        wheelSteps(w.get(), QStringLiteral("--++"));
        w->resize(w->size() + QSize(10, 10));
        QTest::qWait(20);
        QVERIFY2(label->text().contains(says), qPrintable(label->text()));
        QVERIFY(label->pixmap().isNull());
    }

    void aPageThatFailsToRenderLeavesTheLastPicture()
    {
        // A page poppler cannot allocate at any resolution, after and before a plain one.
        const QByteArray plain = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 216 144] >>";
        const QByteArray huge = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200000 200000] >>";
        const auto twoPages = [](const QByteArray &first, const QByteArray &second) {
            return brivo::test::assemblePdf({"<< /Type /Catalog /Pages 2 0 R >>",
                                             "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>", first,
                                             second});
        };
        QVERIFY(brivo::test::writeFile(m_dir.filePath(QStringLiteral("late.pdf")), twoPages(plain, huge)));
        QVERIFY(brivo::test::writeFile(m_dir.filePath(QStringLiteral("early.pdf")), twoPages(huge, plain)));

        auto w = open(m_dir.filePath(QStringLiteral("late.pdf")));
        w->rr();
        const QImage before = shown(w.get());
        w->fo();
        wheelSteps(w.get(), QStringLiteral("--"));
        QCOMPARE(shown(w.get()), before);
        QCOMPARE(pageText(w.get()), QStringLiteral("1"));

        auto v = open(m_dir.filePath(QStringLiteral("early.pdf")));
        QVERIFY(child<QLabel>(v.get(), "imageLabel")->text().contains(QStringLiteral("cannot be shown")));
        v->fo(); // the pages after it can still be reached
        QCOMPARE(shown(v.get()).size(), QSize(300, 200));
    }

    void preparedPagesAreTheRenderedOnes()
    {
        auto w = open(m_threePages);
        QVERIFY(waitUntilPrepared(w.get(), 1));
        const std::unique_ptr<Poppler::Document> own = Poppler::Document::load(m_threePages);
        own->setRenderHint(Poppler::Document::TextAntialiasing, true);
        const QImage direct = own->page(1)->renderToImage(100, 100).convertToFormat(QImage::Format_RGB32);
        w->fo();
        QCOMPARE(shown(w.get()).convertToFormat(QImage::Format_RGB32), direct);
        // The next page is prepared in turn, and the one left is still at hand.
        QVERIFY(waitUntilPrepared(w.get(), 2));
        QVERIFY(w->findChild<brivo::PagePrerenderer *>()->isKept(0));

        // A copy of the file that does not match the caller's page count is not used at all.
        brivo::PagePrerenderer mismatched(m_threePages, 4);
        mismatched.setResolution(100, 100);
        mismatched.prepare({0});
        QTest::qWait(300);
        QVERIFY(!mismatched.isKept(0));
    }
};

QTEST_MAIN(tst_pdfviewer)
#include "tst_pdfviewer.moc"

// The PDF viewer's arithmetic: page bounds, typed page numbers, zoom limits, the wheel's page turn and what
// counts as a failed rendering.
#include "viewers/pdfpaging.h"

#include <QTest>

using namespace pdfpaging;

class tst_pdfpaging : public QObject
{
    Q_OBJECT
private slots:
    void typedPageNumbers()
    {
        // Typed one-based numbers, for a three-page document; -1 is ignored.
        const QList<std::pair<const char *, int>> typed = {
            {"1", 0},   {"3", 2},    {"02", 1},  {" 2 ", 1}, {"0", -1},          {"4", -1},
            {"-1", -1}, {"two", -1}, {"2x", -1}, {"", -1},   {"99999999999", -1}};
        for (const auto &[text, expected] : typed)
            QVERIFY2(typedPage(QLatin1String(text), 3).value_or(-1) == expected, text);
    }

    void zoomOutStopsAtTheFloor()
    {
        QList<int> steps;
        for (std::optional<int> dpi = 100; dpi; dpi = zoomedOut(*dpi))
            steps.append(*dpi);
        QCOMPARE(steps, QList<int>({100, 70, 40, 10}));
        // From any resolution, zooming out never offers the renderer less than the floor.
        for (int dpi = -50; dpi <= 400; ++dpi) {
            if (const std::optional<int> out = zoomedOut(dpi))
                QVERIFY2(*out >= minimumDpi && *out < dpi, qPrintable(QString::number(dpi)));
        }
        QCOMPARE(zoomedIn(zoomedIn(100)), 160);
        QCOMPARE(zoomedIn(INT_MAX), INT_MAX);
    }

    void wheelStepOnAThreePageDocument()
    {
        struct Row
        {
            bool armed;
            int page;
            bool forward;
            WheelTurn expected;
        };
        const Row rows[] = {
            {false, 0, true, {true, 0, false}}, {false, 1, false, {true, 1, false}},
            {true, 0, true, {false, 1, true}},  {true, 2, false, {false, 1, true}},
            {true, 2, true, {false, 2, false}}, {true, 0, false, {false, 0, true}},
        };
        for (const Row &row : rows) {
            const WheelTurn turn = wheelStep(row.armed, row.page, 3, row.forward);
            QCOMPARE(turn.armed, row.expected.armed);
            QCOMPARE(turn.pageIndex, row.expected.pageIndex);
            QCOMPARE(turn.show, row.expected.show);
        }
    }

    void failedRenderings()
    {
        const QSizeF threeByTwoInches(216, 144);
        QVERIFY(!renderFailed(QSize(300, 200), threeByTwoInches, 100, 100));
        QVERIFY(renderFailed(QSize(), threeByTwoInches, 100, 100));
        QVERIFY(
            renderFailed(QSize(1, 1), threeByTwoInches, 100, 100)); // poppler's answer to a failed allocation
        QVERIFY(!renderFailed(QSize(1, 1), QSizeF(1, 1), 100, 100)); // a page that small really is one pixel
    }
};

QTEST_GUILESS_MAIN(tst_pdfpaging)
#include "tst_pdfpaging.moc"

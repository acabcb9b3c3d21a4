#include "regionselectiongeometry.h"

#include <QTest>

using namespace RegionSelectionGeometry;

namespace {

const QSizeF view(1440, 900);

double area(const QList<QRectF>& rects)
{
    double sum = 0;
    for (const QRectF& rect : rects)
        sum += rect.width() * rect.height();
    return sum;
}

bool overlap(const QList<QRectF>& rects)
{
    for (qsizetype i = 0; i < rects.size(); ++i)
        for (qsizetype j = i + 1; j < rects.size(); ++j)
            if (!rects[i].intersected(rects[j]).isEmpty())
                return true;
    return false;
}

} // namespace

class TestRegionSelectionGeometry : public QObject {
    Q_OBJECT
private slots:
    void crosshairFollowsTheRoundedPointer_data()
    {
        QTest::addColumn<QPointF>("pointer");
        QTest::addColumn<double>("thickness");
        QTest::addColumn<QRectF>("vertical");
        QTest::addColumn<QRectF>("horizontal");
        QTest::newRow("halves round up")
            << QPointF(100.4, 200.5) << 3.0 << QRectF(98.5, 0, 3, 900) << QRectF(0, 199.5, 1440, 3);
        QTest::newRow("negative halves round away from zero")
            << QPointF(-0.5, -2.5) << 3.0 << QRectF(-2.5, 0, 3, 900) << QRectF(0, -4.5, 1440, 3);
        QTest::newRow("even thickness")
            << QPointF(10.6, 0) << 2.0 << QRectF(10, 0, 2, 900) << QRectF(0, -1, 1440, 2);
    }
    void crosshairFollowsTheRoundedPointer()
    {
        QFETCH(QPointF, pointer);
        QFETCH(double, thickness);
        QFETCH(QRectF, vertical);
        QFETCH(QRectF, horizontal);
        QCOMPARE(verticalLine(pointer, thickness, view), vertical);
        QCOMPARE(horizontalLine(pointer, thickness, view), horizontal);
    }

    void selectionIsStandardized_data()
    {
        QTest::addColumn<QPointF>("start");
        QTest::addColumn<QSizeF>("translation");
        QTest::addColumn<QRectF>("expected");
        QTest::newRow("down right") << QPointF(100, 150) << QSizeF(200, 150) << QRectF(100, 150, 200, 150);
        QTest::newRow("up left") << QPointF(300, 300) << QSizeF(-200, -150) << QRectF(100, 150, 200, 150);
        QTest::newRow("up right") << QPointF(10, 50) << QSizeF(5, -20) << QRectF(10, 30, 5, 20);
        QTest::newRow("click") << QPointF(50, 60) << QSizeF(0, 0) << QRectF(50, 60, 0, 0);
        QTest::newRow("idle") << QPointF(0, 0) << QSizeF(0, 0) << QRectF(0, 0, 0, 0);
    }
    void selectionIsStandardized()
    {
        QFETCH(QPointF, start);
        QFETCH(QSizeF, translation);
        QFETCH(QRectF, expected);
        QCOMPARE(selectionRect(start, translation), expected);
    }

    void pointerMarkAndBadge_data()
    {
        QTest::addColumn<QPointF>("pointer");
        QTest::addColumn<QRectF>("stem");
        QTest::addColumn<QRectF>("bar");
        QTest::addColumn<QRectF>("expectedBadge");
        QTest::newRow("whole point") << QPointF(100, 200) << QRectF(98.5, 201.5, 3, 12)
                                     << QRectF(94, 198.5, 12, 3) << QRectF(105, 205, 18, 18);
        QTest::newRow("rounded") << QPointF(100.4, 200.5) << QRectF(98.5, 202.5, 3, 12)
                                 << QRectF(94, 199.5, 12, 3) << QRectF(105, 206, 18, 18);
    }
    void pointerMarkAndBadge()
    {
        QFETCH(QPointF, pointer);
        QFETCH(QRectF, stem);
        QFETCH(QRectF, bar);
        QFETCH(QRectF, expectedBadge);
        QCOMPARE(pointerStem(pointer, 3), stem);
        QCOMPARE(pointerBar(pointer, 3), bar);
        const QRectF badge = badgeRect(pointer);
        QCOMPARE(badge, expectedBadge);
        QCOMPARE(badgeIconRect(badge), badge.adjusted(3, 3, -3, -3));
        QCOMPARE(badgeIconRect(badge).size(), QSizeF(12, 12));
    }

    void hintIsCentredWithPadding()
    {
        QCOMPARE(hintCapsule(QSizeF(200, 20), view), QRectF(610, 434, 220, 32));
    }

    void pixelAlignment_data()
    {
        QTest::addColumn<QRectF>("rect");
        QTest::addColumn<double>("scale");
        QTest::addColumn<QRectF>("expected");
        QTest::newRow("scale 1, halves") << QRectF(98.5, 0, 3, 900) << 1.0 << QRectF(99, 0, 3, 900);
        QTest::newRow("scale 2 keeps halves") << QRectF(98.5, 0.25, 3, 10) << 2.0 << QRectF(98.5, 0.5, 3, 10);
        QTest::newRow("scale 1.5") << QRectF(1, 1, 1, 1) << 1.5 << QRectF(4 / 3.0, 4 / 3.0, 2 / 3.0, 2 / 3.0);
    }
    void pixelAlignment()
    {
        QFETCH(QRectF, rect);
        QFETCH(double, scale);
        QFETCH(QRectF, expected);
        QCOMPARE(alignedToPixels(rect, scale), expected);
    }

    void borderInside_data()
    {
        QTest::addColumn<QRectF>("rect");
        QTest::addColumn<double>("scale");
        QTest::addColumn<int>("strips");
        QTest::addColumn<double>("borderArea");
        QTest::newRow("frame") << QRectF(10, 20, 100, 50) << 1.0 << 4 << (100.0 * 50 - 98 * 48);
        QTest::newRow("frame at scale 2") << QRectF(10, 20, 100, 50) << 2.0 << 4 << (100.0 * 50 - 98 * 48);
        QTest::newRow("too thin for a hole") << QRectF(10, 20, 2, 50) << 1.0 << 1 << 100.0;
        QTest::newRow("zero width") << QRectF(10, 20, 0, 50) << 1.0 << 0 << 0.0;
        QTest::newRow("zero sized") << QRectF(0, 0, 0, 0) << 1.0 << 0 << 0.0;
    }
    void borderInside()
    {
        QFETCH(QRectF, rect);
        QFETCH(double, scale);
        QFETCH(int, strips);
        QFETCH(double, borderArea);
        const QList<QRectF> border = insideBorder(rect, 1, scale);
        QCOMPARE(border.size(), strips);
        QCOMPARE(area(border), borderArea);
        QVERIFY(!overlap(border));
        for (const QRectF& strip : border)
            QVERIFY(rect.contains(strip));
    }

    void crosshairTilesCoverBothLinesOnce_data()
    {
        QTest::addColumn<QPointF>("pointer");
        QTest::addColumn<int>("tileCount");
        QTest::newRow("middle") << QPointF(700, 400) << 3;
        QTest::newRow("at the left edge") << QPointF(0, 400) << 2;
        QTest::newRow("left of the screen") << QPointF(-50, 400) << 1;
        QTest::newRow("below the screen") << QPointF(700, 2000) << 1;
    }
    void crosshairTilesCoverBothLinesOnce()
    {
        QFETCH(QPointF, pointer);
        QFETCH(int, tileCount);
        const QRectF vertical = verticalLine(pointer, 3, view);
        const QRectF horizontal = horizontalLine(pointer, 3, view);
        const QList<QRectF> tiles = crosshairTiles(vertical, horizontal, 2, view, 1);
        QCOMPARE(tiles.size(), tileCount);
        QVERIFY(!overlap(tiles));
        const QRectF screen(QPointF(0, 0), view);
        for (const QRectF& line : {vertical, horizontal}) {
            const QRectF visible = line.intersected(screen);
            double covered = 0;
            for (const QRectF& tile : tiles) {
                QVERIFY(screen.contains(tile));
                const QRectF part = tile.intersected(visible);
                covered += part.isEmpty() ? 0 : part.width() * part.height();
            }
            QCOMPARE(covered, visible.isEmpty() ? 0.0 : visible.width() * visible.height());
        }
    }
};

QTEST_GUILESS_MAIN(TestRegionSelectionGeometry)
#include "tst_regionselectiongeometry.moc"

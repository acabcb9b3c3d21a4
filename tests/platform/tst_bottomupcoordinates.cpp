#include "linux/bottomupcoordinates.h"
#include "linux/devicepixels.h"

#include <QTest>

using DevicePixels::ScreenScale;

class TestBottomUpCoordinates : public QObject {
    Q_OBJECT
private slots:
    void rects_data()
    {
        QTest::addColumn<QRectF>("primary"); // top-down points, as Qt gives it
        QTest::addColumn<QRectF>("topDown");
        QTest::addColumn<QRectF>("bottomUp");

        const QRectF hd(0, 0, 1920, 1080);
        QTest::newRow("primary itself") << hd << hd << QRectF(0, 0, 1920, 1080);
        QTest::newRow("window near the top") << hd << QRectF(10, 20, 100, 50) << QRectF(10, 1010, 100, 50);
        QTest::newRow("window at the bottom") << hd << QRectF(0, 1000, 300, 80) << QRectF(0, 0, 300, 80);
        QTest::newRow("taller screen to the right")
            << hd << QRectF(1920, 0, 1280, 1200) << QRectF(1920, -120, 1280, 1200);
        QTest::newRow("shorter screen to the left")
            << hd << QRectF(-1280, 0, 1280, 800) << QRectF(-1280, 280, 1280, 800);
        QTest::newRow("screen above") << hd << QRectF(0, -1080, 1920, 1080) << QRectF(0, 1080, 1920, 1080);
        QTest::newRow("screen below, shifted")
            << hd << QRectF(400, 1080, 1280, 1024) << QRectF(400, -1024, 1280, 1024);
        QTest::newRow("primary right of another")
            << QRectF(1280, 0, 1920, 1080) << QRectF(0, 0, 1280, 1024) << QRectF(-1280, 56, 1280, 1024);
        QTest::newRow("primary itself, not at the origin")
            << QRectF(1280, 200, 1920, 1080) << QRectF(1280, 200, 1920, 1080) << QRectF(0, 0, 1920, 1080);
        QTest::newRow("primary below and right of another")
            << QRectF(1280, 200, 1920, 1080) << QRectF(0, 0, 1280, 720) << QRectF(-1280, 560, 1280, 720);
        QTest::newRow("scale 2 screen to the right (640x450 points)")
            << QRectF(0, 0, 1280, 900) << QRectF(1280, 0, 640, 450) << QRectF(1280, 450, 640, 450);
        QTest::newRow("fractional") << QRectF(0, 0, 1280, 900) << QRectF(0.5, 10.25, 3.5, 2)
                                    << QRectF(0.5, 887.75, 3.5, 2);
    }
    void rects()
    {
        QFETCH(QRectF, primary);
        QFETCH(QRectF, topDown);
        QFETCH(QRectF, bottomUp);
        QCOMPARE(BottomUpCoordinates::fromTopDown(topDown, primary), bottomUp);
        QCOMPARE(BottomUpCoordinates::toTopDown(bottomUp, primary), topDown);
    }

    void points_data()
    {
        QTest::addColumn<QRectF>("primary");
        QTest::addColumn<QPointF>("topDown");
        QTest::addColumn<QPointF>("bottomUp");

        const QRectF hd(0, 0, 1920, 1080);
        QTest::newRow("top-left corner") << hd << QPointF(0, 0) << QPointF(0, 1080);
        QTest::newRow("bottom-left corner") << hd << QPointF(0, 1080) << QPointF(0, 0);
        QTest::newRow("pointer") << hd << QPointF(100, 200) << QPointF(100, 880);
        QTest::newRow("on a screen to the left") << hd << QPointF(-500, 1200) << QPointF(-500, -120);
        QTest::newRow("primary not at the origin")
            << QRectF(1280, 200, 1920, 1080) << QPointF(1380, 400) << QPointF(100, 880);
        QTest::newRow("left of a primary not at the origin")
            << QRectF(1280, 200, 1920, 1080) << QPointF(0, 0) << QPointF(-1280, 1280);
    }
    void points()
    {
        QFETCH(QRectF, primary);
        QFETCH(QPointF, topDown);
        QFETCH(QPointF, bottomUp);
        QCOMPARE(BottomUpCoordinates::fromTopDown(topDown, primary), bottomUp);
        QCOMPARE(BottomUpCoordinates::toTopDown(bottomUp, primary), topDown);
    }

    void pixelsToPoints_data()
    {
        QTest::addColumn<QList<ScreenScale>>("screens"); // frames in top-down points
        QTest::addColumn<QRectF>("pixels");
        QTest::addColumn<int>("screenIndex");
        QTest::addColumn<QRectF>("points");

        const QList<ScreenScale> single{{QRectF(0, 0, 1920, 1080), 1.0}};
        const QList<ScreenScale> mixed{{QRectF(0, 0, 1280, 900), 1.0}, {QRectF(1280, 0, 640, 450), 2.0}};
        const QList<ScreenScale> doubled{{QRectF(0, 0, 1280, 900), 2.0}};

        QTest::newRow("scale 1") << single << QRectF(10, 20, 300, 200) << 0 << QRectF(10, 20, 300, 200);
        QTest::newRow("scale 2 at the origin")
            << doubled << QRectF(200, 100, 400, 300) << 0 << QRectF(100, 50, 200, 150);
        QTest::newRow("scale 1 beside scale 2")
            << mixed << QRectF(100, 100, 200, 100) << 0 << QRectF(100, 100, 200, 100);
        QTest::newRow("on the scale 2 screen")
            << mixed << QRectF(1400, 100, 200, 100) << 1 << QRectF(1340, 50, 100, 50);
        QTest::newRow("whole scale 2 screen")
            << mixed << QRectF(1280, 0, 1280, 900) << 1 << QRectF(1280, 0, 640, 450);
        QTest::newRow("across both, centre on the right")
            << mixed << QRectF(1200, 0, 400, 100) << 1 << QRectF(1240, 0, 200, 50);
        QTest::newRow("hanging off the left edge")
            << mixed << QRectF(-300, 10, 400, 100) << 0 << QRectF(-300, 10, 400, 100);
        QTest::newRow("hanging off the scale 2 screen's bottom")
            << mixed << QRectF(1300, 850, 100, 200) << 1 << QRectF(1290, 425, 50, 100);
        QTest::newRow("on no screen")
            << mixed << QRectF(5000, 5000, 10, 10) << -1 << QRectF(5000, 5000, 10, 10);
        QTest::newRow("no screens") << QList<ScreenScale>() << QRectF(1, 2, 3, 4) << -1 << QRectF(1, 2, 3, 4);
        QTest::newRow("unusable scale counts as 1") << QList<ScreenScale>{{QRectF(0, 0, 800, 600), 0.0}}
                                                    << QRectF(10, 10, 20, 20) << 0 << QRectF(10, 10, 20, 20);
    }
    void pixelsToPoints()
    {
        QFETCH(QList<ScreenScale>, screens);
        QFETCH(QRectF, pixels);
        QFETCH(int, screenIndex);
        QFETCH(QRectF, points);
        QCOMPARE(DevicePixels::screenIndexForPixels(screens, pixels), screenIndex);
        QCOMPARE(DevicePixels::toPoints(screens, pixels), points);
    }

    void pixelFrame()
    {
        QCOMPARE(DevicePixels::pixelFrame({QRectF(1280, 0, 640, 450), 2.0}), QRectF(1280, 0, 1280, 900));
        QCOMPARE(DevicePixels::pixelFrame({QRectF(-800, 100, 800, 600), 1.5}), QRectF(-800, 100, 1200, 900));
    }
};

QTEST_GUILESS_MAIN(TestBottomUpCoordinates)
#include "tst_bottomupcoordinates.moc"

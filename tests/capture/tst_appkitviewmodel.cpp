#include "appkitviewmodel.h"
#include "modifierflags.h"

#include <QTest>

namespace {

ScreenDescription screen(QString name, QRectF frame, double scale = 1.0)
{
    return ScreenDescription{name, frame, scale, quint32(qHash(name))};
}

} // namespace

class TestAppKitViewModel : public QObject {
    Q_OBJECT
private slots:
    void initialState()
    {
        AppKitViewModel model;
        QCOMPARE(model.mouseLocation().value(), QPointF(0, 0));
        QCOMPARE(model.currentScreen().value(), std::nullopt);
        QCOMPARE(model.selectedFrame().value(), QRectF(0, 0, 0, 0));
        QVERIFY(!model.isCapturing().value() && !model.isDragging().value() &&
                !model.isMovingCaptureArea().value() && !model.isCapturingCancelled().value() &&
                !model.isWebSearchKeyPressed().value() && !model.isActionKeyPressed().value());
    }

    void pointerOnOneScreen()
    {
        AppKitViewModel model;
        const auto main = screen(QStringLiteral("main"), QRectF(0, 0, 1440, 900));
        model.setCurrentScreen(main);
        model.updateMouseLocation({main}, QPointF(100, 700));
        QCOMPARE(model.mouseLocation().value(), QPointF(100, 700));
        QCOMPARE(model.flippedMouseY(), 200.0);

        QList<double> ys;
        Cancellable token = model.mouseLocation().subscribe([&](const QPointF& p) { ys.append(p.y()); });
        model.setFlippedMouseLocation(30, 250);
        QCOMPARE(model.mouseLocation().value(), QPointF(30, 650));
        QCOMPARE(ys, (QList<double>{700, 700, 650})); // current value, then x, then y
    }

    void withoutAScreenCoordinatesPassThrough()
    {
        AppKitViewModel model;
        model.updateMouseLocation({}, QPointF(5000, -20));
        QCOMPARE(model.mouseLocation().value(), QPointF(5000, -20));
        QCOMPARE(model.flippedMouseY(), -20.0);
        model.setFlippedMouseLocation(1, 2);
        QCOMPARE(model.mouseLocation().value(), QPointF(1, 2));
    }

    void movingToAnotherScreenFiresOnce()
    {
        AppKitViewModel model;
        const auto left = screen(QStringLiteral("left"), QRectF(0, 0, 1440, 900));
        const auto right = screen(QStringLiteral("right"), QRectF(1440, 0, 1280, 800), 2.0);
        int fired = 0;
        std::optional<ScreenDescription> seenWhenFired;
        Cancellable token =
            model.mouseDidLeaveScreenPublisher().subscribe([&](const AppKitViewModel::Event&) {
                ++fired;
                seenWhenFired = model.currentScreen().value();
            });
        model.setCurrentScreen(left);
        model.updateMouseLocation({left, right}, QPointF(100, 100));
        model.updateMouseLocation({left, right}, QPointF(1439, 100));
        QCOMPARE(fired, 0);
        model.updateMouseLocation({left, right}, QPointF(1500, 300));
        QCOMPARE(fired, 1);
        QCOMPARE(seenWhenFired, right);
        QCOMPARE(model.mouseLocation().value().x(), 60.0);
        model.updateMouseLocation({left, right}, QPointF(1600, 310));
        QCOMPARE(fired, 1);
        // Without a current screen nothing follows the pointer.
        AppKitViewModel idle;
        idle.updateMouseLocation({left, right}, QPointF(1500, 300));
        QCOMPARE(idle.currentScreen().value(), std::nullopt);
    }

    void screenEdges()
    {
        const QRectF frame(0, 0, 100, 50);
        QVERIFY(AppKitViewModel::frameContainsPointer(frame, QPointF(0, 50)));
        QVERIFY(AppKitViewModel::frameContainsPointer(frame, QPointF(99.5, 0.5)));
        QVERIFY(!AppKitViewModel::frameContainsPointer(frame, QPointF(100, 10)));
        QVERIFY(!AppKitViewModel::frameContainsPointer(frame, QPointF(10, 0)));
        QVERIFY(!AppKitViewModel::frameContainsPointer(frame, QPointF(-0.1, 10)));
    }

    void modifierLatch()
    {
        AppKitViewModel model;
        using namespace ModifierFlag;
        model.applyModifierFlags(command);
        QVERIFY(model.isWebSearchKeyPressed().value());
        model.applyModifierFlags(command | option); // Alt while Ctrl is latched: not latched
        QVERIFY(!model.isActionKeyPressed().value());
        model.applyModifierFlags(option); // Ctrl released: only the web-search key clears
        QVERIFY(!model.isWebSearchKeyPressed().value());
        QVERIFY(!model.isActionKeyPressed().value());
        model.applyModifierFlags(option | shift); // the next change latches Alt, still down
        QVERIFY(model.isActionKeyPressed().value());
        model.applyModifierFlags(option | command);
        QVERIFY(!model.isWebSearchKeyPressed().value());
        model.applyModifierFlags(0);
        QVERIFY(!model.isActionKeyPressed().value());
        model.applyModifierFlags(command | option); // both in one event: both latched
        QVERIFY(model.isWebSearchKeyPressed().value() && model.isActionKeyPressed().value());
    }

    void objectWillChangeFiresBeforeEveryChange()
    {
        AppKitViewModel model;
        QList<bool> draggingWhenAnnounced;
        Cancellable token = model.objectWillChange().subscribe(
            [&](const AppKitViewModel::Event&) { draggingWhenAnnounced.append(model.isDragging().value()); });
        model.setIsDragging(true);
        model.setIsDragging(true);
        model.setIsDragging(false);
        QCOMPARE(draggingWhenAnnounced, (QList<bool>{false, true, true}));
    }
};

QTEST_GUILESS_MAIN(TestAppKitViewModel)
#include "tst_appkitviewmodel.moc"

#include "appkitviewmodel.h"
#include "regionselectiongesture.h"

#include <QTest>

namespace {

enum class Step { Press, Move, Release, SpaceDown, SpaceUp, Drain };
struct Action {
    Step step;
    QPointF point;
};
using Script = QList<Action>;

Action press(double x, double y)
{
    return {Step::Press, QPointF(x, y)};
}
Action move(double x, double y)
{
    return {Step::Move, QPointF(x, y)};
}
Action release(double x, double y)
{
    return {Step::Release, QPointF(x, y)};
}
const Action drain{Step::Drain, {}};

QString describe(const QRectF& r)
{
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

// A capture on one 1440 × 900 screen, with the gesture posting its work to the event loop and every
// write to the capture state and every handler call logged in order.
struct Fixture {
    Fixture()
    {
        model.setCurrentScreen(ScreenDescription{QStringLiteral("main"), QRectF(0, 0, 1440, 900), 1.0, 1});
        gesture = std::make_unique<RegionSelectionGesture>(
            model,
            [this](RegionSelectionGesture::Work work) {
                QMetaObject::invokeMethod(&context, std::move(work), Qt::QueuedConnection);
            },
            [this](const QRectF& frame) {
                handled.append(frame);
                log.append(QStringLiteral("handler ") + describe(frame));
            });
        // Subscribing delivers the current values first; the log starts after them.
        model.selectedFrame().subscribe(&context, [this](const QRectF& frame) {
            log.append(QStringLiteral("frame ") + describe(frame));
        });
        model.isDragging().subscribe(&context, [this](const bool& dragging) {
            log.append(dragging ? QStringLiteral("dragging") : QStringLiteral("not dragging"));
        });
        log.clear();
    }

    void run(const Script& script)
    {
        for (const Action& action : script) {
            switch (action.step) {
            case Step::Press:
                gesture->press(action.point);
                break;
            case Step::Move:
                gesture->move(action.point);
                break;
            case Step::Release:
                gesture->release(action.point);
                break;
            case Step::SpaceDown:
                model.setIsMovingCaptureArea(true);
                break;
            case Step::SpaceUp:
                model.setIsMovingCaptureArea(false);
                break;
            case Step::Drain:
                QCoreApplication::processEvents();
                break;
            }
        }
    }

    QPointF pointer() const { return QPointF(model.mouseLocation().value().x(), model.flippedMouseY()); }

    QObject context;
    AppKitViewModel model;
    std::unique_ptr<RegionSelectionGesture> gesture;
    QList<QRectF> handled;
    QStringList log;
};

// Runs the script with the event loop turning after every step, as in the product, or only at the end.
Script paced(const Script& script, bool drainAfterEachStep)
{
    Script result;
    for (const Action& action : script) {
        result.append(action);
        if (drainAfterEachStep)
            result.append(drain);
    }
    result.append(drain);
    return result;
}

} // namespace

class TestRegionSelectionGesture : public QObject {
    Q_OBJECT
private slots:
    void drag_data()
    {
        QTest::addColumn<Script>("script");
        QTest::addColumn<QRectF>("selected");
        QTest::addColumn<QList<QRectF>>("handled");
        QTest::addColumn<QPointF>("pointer");
        const Script upLeft{press(300, 300), move(250, 200), move(100, 150), release(100, 150)};
        const Script click{press(50, 60), release(50, 60)};
        const Script origin{press(0, 0), release(0, 0)};
        const Script releasedFurther{press(10, 10), move(20, 20), release(40, 30)};
        const Script noPress{move(5, 5), release(5, 5)};
        const Script spaceAtRelease{
            press(100, 100), move(120, 130), {Step::SpaceDown, {}}, move(500, 500), release(600, 600)};
        for (const bool eachStep : {true, false}) {
            const char* pace = eachStep ? "event loop after each step" : "event loop at the end";
            QTest::addRow("up and left, %s", pace)
                << paced(upLeft, eachStep) << QRectF(100, 150, 200, 150)
                << QList<QRectF>{QRectF(100, 150, 200, 150)} << QPointF(100, 150);
            QTest::addRow("click, %s", pace) << paced(click, eachStep) << QRectF(50, 60, 0, 0)
                                             << QList<QRectF>{QRectF(50, 60, 0, 0)} << QPointF(50, 60);
            QTest::addRow("click at the origin, %s", pace)
                << paced(origin, eachStep) << QRectF(0, 0, 0, 0) << QList<QRectF>{} << QPointF(0, 0);
            QTest::addRow("release beyond the last move, %s", pace)
                << paced(releasedFurther, eachStep) << QRectF(10, 10, 30, 20)
                << QList<QRectF>{QRectF(10, 10, 30, 20)} << QPointF(40, 30);
            QTest::addRow("no press, %s", pace)
                << paced(noPress, eachStep) << QRectF(0, 0, 0, 0) << QList<QRectF>{} << QPointF(0, 0);
            QTest::addRow("Space held at the release, %s", pace)
                << paced(spaceAtRelease, eachStep) << QRectF(100, 100, 20, 30)
                << QList<QRectF>{QRectF(100, 100, 20, 30)} << QPointF(120, 130);
        }
    }
    void drag()
    {
        QFETCH(Script, script);
        QFETCH(QRectF, selected);
        QFETCH(QList<QRectF>, handled);
        QFETCH(QPointF, pointer);
        Fixture f;
        f.model.setFlippedMouseLocation(0, 0);
        f.run(script);
        QCOMPARE(f.model.selectedFrame().value(), selected);
        QCOMPARE(f.handled, handled);
        QCOMPARE(f.pointer(), pointer);
        QVERIFY(!f.model.isDragging().value());
        QCOMPARE(f.gesture->startPosition(), QPointF(0, 0));
        QCOMPARE(f.gesture->translation(), QSizeF(0, 0));
    }

    void endComesAfterTheQueuedUpdates()
    {
        Fixture f;
        // Nothing runs between the events: the release finds all the movements' work still queued.
        f.run({press(300, 300), move(200, 200), move(100, 150)});
        QCOMPARE(f.gesture->startPosition(), QPointF(300, 300));
        QCOMPARE(f.gesture->translation(), QSizeF(-200, -150));
        QVERIFY(f.log.isEmpty());
        f.run({release(100, 150)});
        QCOMPARE(f.log, QStringList{QStringLiteral("not dragging")});
        QCOMPARE(f.gesture->selection(), QRectF(100, 150, 200, 150));
        QCoreApplication::processEvents();
        // Every queued update writes the values as they stand when it runs, the final ones; the end
        // comes last, and no raise of `isDragging` outlives the release.
        const QString final = QStringLiteral("frame 100,150 200x150");
        QCOMPARE(f.log, (QStringList{QStringLiteral("not dragging"), final, final, final,
                                     QStringLiteral("handler 100,150 200x150")}));
    }

    void draggingFollowsTheButton()
    {
        Fixture f;
        const auto dragging = [&f] { return f.log.filter(QStringLiteral("dragging")); };
        f.run({press(10, 10)});
        QVERIFY(dragging().isEmpty());
        f.run({drain});
        QCOMPARE(dragging(), QStringList{QStringLiteral("dragging")});
        f.run({move(20, 20), drain, move(30, 30), drain});
        QVERIFY(f.model.isDragging().value());
        f.log.clear();
        f.run({release(30, 30)});
        QCOMPARE(dragging(), QStringList{QStringLiteral("not dragging")});
        f.run({drain});
        QCOMPARE(dragging(), QStringList{QStringLiteral("not dragging")});
        QVERIFY(!f.model.isDragging().value());
    }

    void spaceFreezesTheSelection()
    {
        Fixture f;
        f.run({press(100, 100), drain, move(150, 150), drain});
        QCOMPARE(f.model.selectedFrame().value(), QRectF(100, 100, 50, 50));

        f.run({{Step::SpaceDown, {}}, move(300, 300), drain, move(400, 350), drain});
        QCOMPARE(f.model.selectedFrame().value(), QRectF(100, 100, 50, 50));
        QCOMPARE(f.gesture->translation(), QSizeF(50, 50));
        QCOMPARE(f.pointer(), QPointF(150, 150));
        QVERIFY(f.model.isDragging().value());

        // Releasing Space changes nothing until the pointer moves again, then the selection catches up.
        f.run({{Step::SpaceUp, {}}, drain});
        QCOMPARE(f.model.selectedFrame().value(), QRectF(100, 100, 50, 50));
        f.run({move(410, 320), drain});
        QCOMPARE(f.model.selectedFrame().value(), QRectF(100, 100, 310, 220));
        QCOMPARE(f.pointer(), QPointF(410, 320));

        f.run({release(410, 320), drain});
        QCOMPARE(f.handled, QList<QRectF>{QRectF(100, 100, 310, 220)});
    }

    void aNewerDragOwnsTheValues()
    {
        Fixture f;
        f.run({press(10, 10), move(20, 20), release(20, 20), press(100, 100), drain});
        QVERIFY(f.model.isDragging().value());
        QCOMPARE(f.model.selectedFrame().value(), QRectF(100, 100, 0, 0));
        QVERIFY(f.handled.isEmpty());
        f.run({move(130, 90), release(130, 90), drain});
        QCOMPARE(f.handled, QList<QRectF>{QRectF(100, 90, 30, 10)});
    }

    void aCancelledDragLeavesTheNextPressFree()
    {
        Fixture f;
        f.run({press(10, 10), move(40, 40)});
        f.gesture->cancel();
        f.run({drain});
        QVERIFY(!f.gesture->isActive());
        QCOMPARE(f.gesture->selection(), QRectF(0, 0, 0, 0));
        // The release that went elsewhere never comes; the next capture's drag is whole.
        f.run({press(100, 100), move(160, 130), release(160, 130), drain});
        QCOMPARE(f.handled, QList<QRectF>{QRectF(100, 100, 60, 30)});
        // A late release of the cancelled drag does nothing either.
        f.run({press(5, 5)});
        f.gesture->cancel();
        f.run({release(50, 50), drain});
        QCOMPARE(f.handled.size(), 1);
    }

    void workQueuedByAGoneGestureDoesNothing()
    {
        Fixture f;
        f.run({press(10, 10), move(40, 40)});
        f.gesture.reset();
        QCoreApplication::processEvents();
        QVERIFY(!f.model.isDragging().value());
        QCOMPARE(f.model.selectedFrame().value(), QRectF(0, 0, 0, 0));
    }
};

QTEST_GUILESS_MAIN(TestRegionSelectionGesture)
#include "tst_regionselectiongesture.moc"

#include "appkitviewmodel.h"
#include "capturekeyhandler.h"
#include "modifierflags.h"

#include <QTest>

using KeyEvent = CaptureKeyHandler::KeyEvent;

namespace {

KeyEvent down(int key, Qt::KeyboardModifiers modifiers = {})
{
    return {key, true, false, modifiers};
}
KeyEvent up(int key, Qt::KeyboardModifiers modifiers = {})
{
    return {key, false, false, modifiers};
}
KeyEvent repeat(KeyEvent event)
{
    event.autoRepeat = true;
    return event;
}

// A capture in progress, with a stop that ends it as the window does.
struct Capture {
    Capture()
        : handler(model, [this] {
            cancelledWhenStopped.append(model.isCapturingCancelled().value());
            model.setIsCapturing(false);
        })
    {
        model.setIsCapturing(true);
    }

    AppKitViewModel model;
    QList<bool> cancelledWhenStopped;
    CaptureKeyHandler handler;
};

} // namespace

Q_DECLARE_METATYPE(KeyEvent)

class TestCaptureKeyHandler : public QObject {
    Q_OBJECT
private slots:
    void space_data()
    {
        QTest::addColumn<bool>("capturing");
        QTest::addColumn<QList<KeyEvent>>("events");
        QTest::addColumn<QList<bool>>("announced"); // isMovingCaptureArea: the current value, then changes

        const KeyEvent press = down(Qt::Key_Space), release = up(Qt::Key_Space);
        QTest::newRow("press and release") << true << QList{press, release} << QList{false, true, false};
        QTest::newRow("held, repeating as release and press pairs")
            << true << QList{press, repeat(release), repeat(press), repeat(release), repeat(press), release}
            << QList{false, true, false};
        QTest::newRow("held, repeating as presses alone (detectable auto-repeat)")
            << true << QList{press, press, press, press, release} << QList{false, true, false};
        QTest::newRow("a release without a press") << true << QList{release} << QList{false};
        QTest::newRow("with Ctrl held")
            << true << QList{down(Qt::Key_Space, Qt::ControlModifier), up(Qt::Key_Space, Qt::ControlModifier)}
            << QList{false, true, false};
        QTest::newRow("pressed twice")
            << true << QList{press, release, press, release} << QList{false, true, false, true, false};
        QTest::newRow("no capture: a press does nothing") << false << QList{press} << QList{false};
    }
    void space()
    {
        QFETCH(bool, capturing);
        QFETCH(QList<KeyEvent>, events);
        QFETCH(QList<bool>, announced);

        Capture capture;
        capture.model.setIsCapturing(capturing);
        QList<bool> values;
        const Cancellable token =
            capture.model.isMovingCaptureArea().subscribe([&](bool v) { values.append(v); });
        for (const KeyEvent& event : events)
            QVERIFY(capture.handler.handle(event));
        QCOMPARE(values, announced);
        QVERIFY(!capture.model.isCapturingCancelled().value());
        QCOMPARE(capture.model.isCapturing().value(), capturing);
    }

    void escape_data()
    {
        QTest::addColumn<bool>("dragging");
        QTest::addColumn<bool>("moving");
        QTest::newRow("waiting") << false << false;
        QTest::newRow("dragging") << true << false;
        QTest::newRow("moving the area") << true << true;
    }
    void escape()
    {
        QFETCH(bool, dragging);
        QFETCH(bool, moving);

        Capture capture;
        capture.model.setIsDragging(dragging);
        capture.model.setIsMovingCaptureArea(moving);
        QVERIFY(capture.handler.handle(down(Qt::Key_Escape)));
        QVERIFY(capture.model.isCapturingCancelled().value());
        QCOMPARE(capture.cancelledWhenStopped, QList{true}); // cancelled first, then stopped

        // Its repeats, its release and a later press stop nothing more.
        capture.handler.handle(repeat(down(Qt::Key_Escape)));
        capture.handler.handle(up(Qt::Key_Escape));
        QVERIFY(!capture.handler.handle(down(Qt::Key_Escape)));
        QCOMPARE(capture.cancelledWhenStopped.size(), 1);
    }

    void escapeWithoutCaptureIsDeclined()
    {
        AppKitViewModel model;
        int stops = 0;
        CaptureKeyHandler handler(model, [&] { ++stops; });
        QVERIFY(!handler.handle(down(Qt::Key_Escape)));
        QCOMPARE(stops, 0);
        QVERIFY(!model.isCapturingCancelled().value());
    }

    void otherKeysAreDeclined_data()
    {
        QTest::addColumn<KeyEvent>("event");
        QTest::newRow("letter") << down(Qt::Key_A);
        QTest::newRow("Ctrl+C") << down(Qt::Key_C, Qt::ControlModifier);
        QTest::newRow("Ctrl+C released") << up(Qt::Key_C, Qt::ControlModifier);
        QTest::newRow("Alt+F4") << down(Qt::Key_F4, Qt::AltModifier);
        QTest::newRow("Shift+Ctrl+2") << down(Qt::Key_At, Qt::ShiftModifier | Qt::ControlModifier);
        QTest::newRow("Return") << down(Qt::Key_Return);
        QTest::newRow("Tab") << down(Qt::Key_Tab);
        QTest::newRow("repeated letter") << repeat(down(Qt::Key_X));
        QTest::newRow("AltGr") << down(Qt::Key_AltGr);
    }
    void otherKeysAreDeclined()
    {
        QFETCH(KeyEvent, event);
        Capture capture;
        capture.model.setIsMovingCaptureArea(true);
        capture.model.setIsWebSearchKeyPressed(true);
        int changes = 0;
        const Cancellable token = capture.model.objectWillChange().subscribe([&](auto) { ++changes; });
        QVERIFY(!capture.handler.handle(event));
        QCOMPARE(changes, 0);
        QVERIFY(capture.cancelledWhenStopped.isEmpty());
    }

    void modifierLatch_data()
    {
        QTest::addColumn<QList<KeyEvent>>("events");
        QTest::addColumn<QList<bool>>("webSearch"); // after each event
        QTest::addColumn<QList<bool>>("action");

        const auto ctrl = Qt::ControlModifier, alt = Qt::AltModifier;
        // X11 reports the modifiers held before the key; other platforms those after it.
        QTest::newRow("Ctrl, Alt, Ctrl released, Alt released (held before)")
            << QList{down(Qt::Key_Control), down(Qt::Key_Alt, ctrl), up(Qt::Key_Control, ctrl | alt),
                     up(Qt::Key_Alt, alt)}
            << QList{true, true, false, false} << QList{false, false, false, false};
        QTest::newRow("Ctrl, Alt, Ctrl released, Alt released (held after)")
            << QList{down(Qt::Key_Control, ctrl), down(Qt::Key_Alt, ctrl | alt), up(Qt::Key_Control, alt),
                     up(Qt::Key_Alt)}
            << QList{true, true, false, false} << QList{false, false, false, false};
        QTest::newRow("Alt, Ctrl, Alt released, Ctrl released")
            << QList{down(Qt::Key_Alt), down(Qt::Key_Control, alt), up(Qt::Key_Alt, ctrl | alt),
                     up(Qt::Key_Control, ctrl)}
            << QList{false, false, false, false} << QList{true, true, false, false};
        QTest::newRow("Ctrl again once both are up")
            << QList{down(Qt::Key_Control), up(Qt::Key_Control, ctrl), down(Qt::Key_Control)}
            << QList{true, false, true} << QList{false, false, false};
        QTest::newRow("Ctrl held while Shift goes down")
            << QList{down(Qt::Key_Control), down(Qt::Key_Shift, ctrl),
                     up(Qt::Key_Shift, ctrl | Qt::ShiftModifier)}
            << QList{true, true, true} << QList{false, false, false};
        QTest::newRow("Shift and Super alone latch nothing")
            << QList{down(Qt::Key_Shift), down(Qt::Key_Super_L, Qt::ShiftModifier)} << QList{false, false}
            << QList{false, false};
        QTest::newRow("repeats of a held Alt") << QList{down(Qt::Key_Alt), repeat(down(Qt::Key_Alt, alt))}
                                               << QList{false, false} << QList{true, true};
    }
    void modifierLatch()
    {
        QFETCH(QList<KeyEvent>, events);
        QFETCH(QList<bool>, webSearch);
        QFETCH(QList<bool>, action);

        Capture capture;
        for (qsizetype i = 0; i < events.size(); ++i) {
            QVERIFY(capture.handler.handle(events[i]));
            QCOMPARE(capture.model.isWebSearchKeyPressed().value(), webSearch[i]);
            QCOMPARE(capture.model.isActionKeyPressed().value(), action[i]);
        }
        QVERIFY(!capture.model.isMovingCaptureArea().value() &&
                !capture.model.isCapturingCancelled().value());
    }

    void flagsAfter_data()
    {
        QTest::addColumn<KeyEvent>("event");
        QTest::addColumn<quint64>("flags");
        using namespace ModifierFlag;
        QTest::newRow("Ctrl down") << down(Qt::Key_Control) << command;
        QTest::newRow("Alt down, Ctrl held") << down(Qt::Key_Alt, Qt::ControlModifier) << (command | option);
        QTest::newRow("Super down") << down(Qt::Key_Super_R) << control;
        QTest::newRow("Meta down") << down(Qt::Key_Meta) << control;
        QTest::newRow("Shift down, Alt held") << down(Qt::Key_Shift, Qt::AltModifier) << (shift | option);
        QTest::newRow("Ctrl up, counted") << up(Qt::Key_Control, Qt::ControlModifier) << quint64(0);
        QTest::newRow("Shift up, Meta held")
            << up(Qt::Key_Shift, Qt::ShiftModifier | Qt::MetaModifier) << control;
        QTest::newRow("keypad flag ignored") << down(Qt::Key_Control, Qt::KeypadModifier) << command;
    }
    void flagsAfter()
    {
        QFETCH(KeyEvent, event);
        QFETCH(quint64, flags);
        QCOMPARE(CaptureKeyHandler::flagsAfter(event), std::optional(flags));
        QCOMPARE(CaptureKeyHandler::flagsAfter(down(Qt::Key_Space, Qt::ControlModifier)), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestCaptureKeyHandler)
#include "tst_capturekeyhandler.moc"

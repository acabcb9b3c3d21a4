// The recorder widgets on the offscreen platform: key events carry the X key code as their native scan
// code, as the xcb platform delivers them; hot keys live in the fake backend.
#include "evdevkeycodes.h"
#include "fakehotkeybackend.h"
#include "globalshortcuts.h"
#include "hotkeycenter.h"
#include "memoryuserdefaults.h"
#include "modifierflags.h"
#include "recorder.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

// Qt's own: gives window and application shortcuts their chance before a key press is delivered.
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k, Qt::KeyboardModifiers mods,
                                               const QString& text, bool autorep, ushort count);

namespace {

using namespace GlobalShortcuts;

constexpr quint64 shift = ModifierFlag::shift;
constexpr quint64 command = ModifierFlag::command;
constexpr quint64 option = ModifierFlag::option;

const Shortcut shiftCommandTwo(Key::two, shift | command);
const Shortcut optionCommandO(Key::o, option | command);
const Shortcut optionCommandT(Key::t, option | command);

struct Alert {
    QString message;
    QString informativeText;
    bool wasRecording = true;
    bool wasPaused = true;
};

// A control that takes no focus, like a label or an empty part of a window.
class ReleaseCounter : public QWidget {
public:
    int releases = 0;

protected:
    void mouseReleaseEvent(QMouseEvent*) override { ++releases; }
};

// A window with the recorder between two other controls, and the module set up as at launch.
struct Fixture {
    MemoryUserDefaults defaults;
    FakeHotKeyBackend backend;
    HotKeyCenter center{backend, DesktopKeyBindings::Sources{}};
    Name name;
    QWidget window;
    QLineEdit* before = nullptr;
    Recorder* recorder = nullptr;
    QLineEdit* after = nullptr;
    ReleaseCounter* blank = nullptr;
    QList<std::optional<Shortcut>> changes;
    QList<Alert> alerts;
    int beeps = 0;

    Fixture()
    {
        resetModuleState();
        setUserDefaults(&defaults);
        setHotKeyCenter(&center);
        HotKeyCenter::setShared(&center);
        name = Name(QStringLiteral("toggleScreenCaptureMode"), shiftCommandTwo);

        auto* layout = new QVBoxLayout(&window);
        before = new QLineEdit(&window);
        recorder = new Recorder(QStringLiteral("Start Capturing:"), name, &window);
        after = new QLineEdit(&window);
        blank = new ReleaseCounter;
        blank->setFixedSize(200, 40);
        layout->addWidget(before);
        layout->addWidget(recorder);
        layout->addWidget(after);
        layout->addWidget(blank);
        recorder->setOnChange([this](const std::optional<Shortcut>& shortcut) { changes.append(shortcut); });
        field()->setBeeper([this] { ++beeps; });
        field()->setAlertPresenter(
            [this](QWidget* parent, const QString& message, const QString& informative) {
                QCOMPARE(parent, &window);
                alerts.append({message, informative, field()->isRecording(), isPaused()});
            });
        window.show();
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window))
            qFatal("the test window did not become active");
    }
    ~Fixture()
    {
        delete recorder; // before the module loses its store
        setApplicationMenuItems({});
        HotKeyCenter::setShared(nullptr);
        setHotKeyCenter(nullptr);
        setUserDefaults(nullptr);
    }

    RecorderField* field() const { return recorder->field(); }
    void focusField()
    {
        field()->setFocus(Qt::MouseFocusReason);
        QVERIFY(field()->hasFocus());
    }
    // A press and release of the key as the focused widget gets it, shortcuts first.
    void type(Key key, Qt::Key qtKey, quint64 modifiers = 0)
    {
        Qt::KeyboardModifiers qtModifiers;
        qtModifiers.setFlag(Qt::ControlModifier, modifiers & command);
        qtModifiers.setFlag(Qt::AltModifier, modifiers & option);
        qtModifiers.setFlag(Qt::ShiftModifier, modifiers & shift);
        qtModifiers.setFlag(Qt::MetaModifier, modifiers & ModifierFlag::control);
        const quint32 xKeyCode = quint32(EvdevKeyCodes::xKeyCode(key).value_or(0));
        for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QWidget* target = QApplication::focusWidget();
            if (!target)
                target = &window;
            if (type == QEvent::KeyPress &&
                qt_sendShortcutOverrideEvent(target, 0, qtKey, qtModifiers, QString(), false, 1))
                continue;
            QKeyEvent event(type, qtKey, qtModifiers, xKeyCode, 0, 0);
            QApplication::sendEvent(target, &event);
        }
    }
    std::optional<Shortcut> stored() const { return getShortcut(name); }
    bool isGrabbed(const Shortcut& shortcut) const
    {
        return backend.idOf(*HotKeyCenter::combinationOf(shortcut)).has_value();
    }
};

} // namespace

class TestRecorder : public QObject {
    Q_OBJECT
private slots:
    void showsTheStoredShortcutAndFollowsItsChanges()
    {
        Fixture f;
        RecorderField* field = f.field();
        QCOMPARE(field->text(), QStringLiteral("Ctrl+Shift+2"));
        QCOMPARE(field->placeholderText(), QStringLiteral("Record Shortcut"));
        QVERIFY(field->clearAction()->isVisible());
        GlobalShortcuts::setShortcut(optionCommandO, f.name);
        QCOMPARE(field->text(), QStringLiteral("Ctrl+Alt+O"));
        GlobalShortcuts::setShortcut(shiftCommandTwo, Name(QStringLiteral("another")));
        QCOMPARE(field->text(), QStringLiteral("Ctrl+Alt+O"));
        GlobalShortcuts::setShortcut(std::nullopt, f.name);
        QCOMPARE(field->text(), QString());
        QVERIFY(!field->clearAction()->isVisible());
        field->setShortcutName(Name(QStringLiteral("another")));
        QCOMPARE(field->text(), QStringLiteral("Ctrl+Shift+2"));
        QVERIFY(f.changes.isEmpty());
        QCOMPARE(qobject_cast<QLabel*>(f.recorder->label())->buddy(), field);
    }

    void showsTheKeysInTheDesktopsWordsWhereItReportsThem()
    {
        Fixture f;
        RecorderField* field = f.field();
        const QString reported = QStringLiteral("Shift + Ctrl + 2 (the desktop's words)");
        f.backend.reportTrigger(*HotKeyCenter::combinationOf(shiftCommandTwo), reported);
        QCOMPARE(field->text(), reported);
        QVERIFY(field->sizeHint().width() > field->fontMetrics().horizontalAdvance(reported)); // whole
        // Another shortcut shows in our words until the desktop reports its keys.
        GlobalShortcuts::setShortcut(optionCommandO, f.name);
        QCOMPARE(field->text(), QStringLiteral("Ctrl+Alt+O"));
    }

    void recordsTheNextCombinationWhilePaused()
    {
        Fixture f;
        RecorderField* field = f.field();
        int closes = 0;
        QAction close;
        close.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
        f.window.addAction(&close);
        QObject::connect(&close, &QAction::triggered, [&closes] { ++closes; });

        f.focusField();
        QVERIFY(isPaused());
        QCOMPARE(field->placeholderText(), QStringLiteral("Press Shortcut"));
        f.type(Key::shift, Qt::Key_Shift, shift);
        f.type(Key::a, Qt::Key_A, shift);
        QCOMPARE(f.beeps, 1);
        QVERIFY(field->isRecording());

        // The window's own shortcut does not fire: the combination is recorded.
        f.type(Key::w, Qt::Key_W, command);
        QCOMPARE(closes, 0);
        const Shortcut commandW(Key::w, command);
        QCOMPARE(f.stored(), commandW);
        QCOMPARE(f.changes, QList<std::optional<Shortcut>>{commandW});
        QCOMPARE(field->text(), QStringLiteral("Ctrl+W"));
        QVERIFY(f.isGrabbed(commandW));
        QVERIFY(!f.isGrabbed(shiftCommandTwo));
        QVERIFY(!field->hasFocus());
        QVERIFY(!isPaused());
        QCOMPARE(field->placeholderText(), QStringLiteral("Record Shortcut"));
        f.type(Key::w, Qt::Key_W, command);
        QCOMPARE(closes, 1);
    }

    void escapeAndTabEndRecordingAndKeepTheShortcut()
    {
        Fixture f;
        f.focusField();
        f.type(Key::escape, Qt::Key_Escape);
        QVERIFY(!f.field()->hasFocus());
        QVERIFY(!isPaused());
        f.focusField();
        f.type(Key::tab, Qt::Key_Tab);
        QVERIFY(f.after->hasFocus());
        QVERIFY(!isPaused());
        QCOMPARE(f.stored(), shiftCommandTwo);
        QVERIFY(f.changes.isEmpty());
    }

    void backspaceAndTheClearButtonClearAndRecordingGoesOn()
    {
        Fixture f;
        RecorderField* field = f.field();
        f.focusField();
        f.type(Key::deleteKey, Qt::Key_Backspace);
        QCOMPARE(f.defaults.stored.value(QStringLiteral("GlobalShortcuts_toggleScreenCaptureMode")),
                 QJsonValue(false));
        QVERIFY(!f.isGrabbed(shiftCommandTwo));
        QCOMPARE(f.changes, QList<std::optional<Shortcut>>{std::nullopt});
        QVERIFY(!field->clearAction()->isVisible());
        QVERIFY(field->isRecording());
        QVERIFY(isPaused());
        // The placeholder shows, although a centred line edit hides its own while focused.
        const QImage withPlaceholder = field->grab().toImage();
        field->setPlaceholderText(QString());
        QVERIFY(field->grab().toImage() != withPlaceholder);
        f.type(Key::deleteForward, Qt::Key_Delete); // nothing left to clear
        QCOMPARE(f.changes.size(), 1);

        f.type(Key::two, Qt::Key_2, shift | command);
        QToolButton* button = nullptr;
        for (QToolButton* candidate : field->findChildren<QToolButton*>()) {
            if (candidate->defaultAction() == field->clearAction())
                button = candidate;
        }
        QVERIFY(button && button->isVisible());
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(f.stored(), std::nullopt);
        QCOMPARE(f.changes.size(), 3);
        QCOMPARE(f.changes.last(), std::nullopt);
        QVERIFY(field->isRecording());
    }

    void combinationsInUseAreRefusedWithAnAlert()
    {
        Fixture f;
        setApplicationMenuItems([] {
            return QList<MenuItemShortcut>{
                {QStringLiteral("Open..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O)}};
        });
        f.backend.heldByOthers = {*HotKeyCenter::combinationOf(optionCommandT),
                                  *HotKeyCenter::combinationOf(Shortcut(Key::f12, 0))};
        f.focusField();
        f.type(Key::o, Qt::Key_O, shift | command);
        f.type(Key::t, Qt::Key_T, option | command);
        QCOMPARE(f.alerts.size(), 2);
        QCOMPARE(
            f.alerts[0].message,
            QStringLiteral(
                "This keyboard shortcut cannot be used because the “Open...” menu item already uses it."));
        QCOMPARE(f.alerts[0].informativeText, QString());
        QCOMPARE(f.alerts[1].message,
                 QStringLiteral("This keyboard shortcut cannot be used because the desktop or "
                                "another application already uses it."));
        QCOMPARE(f.alerts[1].informativeText,
                 QStringLiteral("Most desktop keyboard shortcuts can be changed in the "
                                "keyboard settings of your desktop."));
        // The alert interrupts the recording, which resumes afterwards.
        QVERIFY(!f.alerts[0].wasRecording && !f.alerts[0].wasPaused);
        QVERIFY(f.field()->isRecording());
        QCOMPARE(f.stored(), shiftCommandTwo);
        QVERIFY(f.changes.isEmpty());

        f.type(Key::f12, Qt::Key_F12);
        QCOMPARE(f.alerts.size(), 2);
        QCOMPARE(f.stored(), Shortcut(Key::f12, 0));
    }

    void pressingAGlobalShortcutWhileRecordingRunsNoAction()
    {
        Fixture f;
        int runs = 0;
        onKeyDown(f.name, [&runs] { ++runs; });
        const auto press = [&f] {
            const std::optional<HotKeyId> id = f.backend.idOf(*HotKeyCenter::combinationOf(shiftCommandTwo));
            f.backend.deliver(HotKeyEvent{HotKeyEventKind::pressed, id});
        };
        f.focusField();
        press();
        QCOMPARE(runs, 0);
        f.type(Key::escape, Qt::Key_Escape);
        press();
        QCOMPARE(runs, 1);
        removeAllHandlers();
    }

    void recordingNeverOutlivesTheField()
    {
        {
            Fixture f;
            f.focusField();
            f.before->setFocus();
            QVERIFY(!isPaused());
            f.focusField();
            f.window.hide();
            QVERIFY(!isPaused());
        }
        Fixture f;
        f.focusField();
        delete f.recorder;
        f.recorder = nullptr;
        QVERIFY(!isPaused());
    }

    void clickAwayEndsRecordingButAClickAtTheEdgeDoesNot()
    {
        Fixture f;
        RecorderField* field = f.field();
        f.focusField();
        // Just outside the field, within the margin: the click lands on the recorder around it.
        const QPoint nearEdge = field->mapTo(f.recorder, QPoint(field->width() + 2, field->height() / 2));
        QVERIFY(!field->geometry().contains(nearEdge));
        QTest::mouseClick(f.recorder, Qt::LeftButton, {}, nearEdge);
        QVERIFY(field->isRecording());
        QTest::mouseClick(f.blank, Qt::LeftButton);
        QVERIFY(!field->hasFocus());
        QVERIFY(!isPaused());
        QCOMPARE(f.blank->releases, 0); // the click that ended recording goes no further
    }
};

QTEST_MAIN(TestRecorder)
#include "tst_recorder.moc"

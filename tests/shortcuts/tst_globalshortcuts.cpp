#include "fakehotkeybackend.h"
#include "globalshortcuts.h"
#include "hotkeycenter.h"
#include "memoryuserdefaults.h"
#include "menuitembinding.h"
#include "modifierconversion.h"
#include "notificationcenter.h"
#include "shortcuteventstream.h"

#include <QAction>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QTest>

namespace {

using namespace CarbonModifier;
using namespace GlobalShortcuts;

const Shortcut shiftCommandTwo(Key::two, ModifierFlag::shift | ModifierFlag::command);
const Shortcut optionCommandO(Key::o, ModifierFlag::option | ModifierFlag::command);
const QString captureKey = QStringLiteral("GlobalShortcuts_toggleScreenCaptureMode");

// The module's state, store and hot keys as one launch of the application sees them.
struct Launch {
    MemoryUserDefaults& defaults;
    FakeHotKeyBackend backend;
    HotKeyCenter center{backend, DesktopKeyBindings::Sources{}};

    explicit Launch(MemoryUserDefaults& store)
        : defaults(store)
    {
        resetModuleState();
        setUserDefaults(&defaults);
        setHotKeyCenter(&center);
    }
    ~Launch()
    {
        setHotKeyCenter(nullptr);
        setUserDefaults(nullptr);
    }

    int grabsOf(const Shortcut& shortcut) const
    {
        const HotKeyCombination combination = *HotKeyCenter::combinationOf(shortcut);
        int count = 0;
        for (const FakeHotKeyBackend::Grab& grab : backend.grabs)
            count += grab.combination == combination;
        return count;
    }
    void deliver(const Shortcut& shortcut, HotKeyEventKind kind)
    {
        const std::optional<HotKeyId> id = backend.idOf(*HotKeyCenter::combinationOf(shortcut));
        QVERIFY2(id, "the shortcut has no hot key");
        backend.deliver(HotKeyEvent{kind, id});
    }
    void press(const Shortcut& shortcut) { deliver(shortcut, HotKeyEventKind::pressed); }
    void release(const Shortcut& shortcut) { deliver(shortcut, HotKeyEventKind::released); }
};

// The names of the changes announced while it lives.
struct ChangeLog {
    QObject context;
    QStringList names;
    ChangeLog()
    {
        QObject::connect(&NotificationCenter::defaultCenter(), &NotificationCenter::posted, &context,
                         [this](const QString& notification, const QVariantMap& info) {
                             if (notification == shortcutByNameDidChange)
                                 names.append(info.value(QStringLiteral("name")).value<Name>().rawValue);
                         });
    }
};

} // namespace

class TestGlobalShortcuts : public QObject {
    Q_OBJECT
private slots:
    void declaringStoresTheDefaultOnlyOnce()
    {
        MemoryUserDefaults defaults;
        {
            Launch first(defaults);
            ChangeLog changes;
            const Name name(QStringLiteral("toggleScreenCaptureMode"), shiftCommandTwo);
            const QJsonObject stored =
                QJsonDocument::fromJson(defaults.stored.value(captureKey).toString().toUtf8()).object();
            QCOMPARE(stored, (QJsonObject{{"carbonKeyCode", 19}, {"carbonModifiers", 768}}));
            QCOMPARE(first.grabsOf(shiftCommandTwo), 1);
            QCOMPARE(changes.names, QStringList{name.rawValue});
        }
        // The next launch finds the stored value: nothing is written, announced or grabbed until an
        // action is attached.
        Launch second(defaults);
        ChangeLog changes;
        const int writes = defaults.writeCount;
        const Name name(QStringLiteral("toggleScreenCaptureMode"), shiftCommandTwo);
        QCOMPARE(defaults.writeCount, writes);
        QVERIFY(changes.names.isEmpty());
        QCOMPARE(second.grabsOf(shiftCommandTwo), 0);
        onKeyUp(name, [] {});
        QCOMPARE(second.grabsOf(shiftCommandTwo), 1);
    }

    void aRemovedShortcutStaysRemoved()
    {
        MemoryUserDefaults defaults;
        {
            Launch first(defaults);
            const Name name(QStringLiteral("capture"), shiftCommandTwo);
            setShortcut(std::nullopt, name);
            QCOMPARE(defaults.stored.value(QStringLiteral("GlobalShortcuts_capture")), QJsonValue(false));
            QCOMPARE(first.grabsOf(shiftCommandTwo), 0);
            QVERIFY(registeredShortcuts().isEmpty());
        }
        Launch second(defaults);
        const Name name(QStringLiteral("capture"), shiftCommandTwo);
        QVERIFY(userDefaultsContains(name));
        QCOMPARE(getShortcut(name), std::nullopt);
        QCOMPARE(second.grabsOf(shiftCommandTwo), 0);
    }

    void removingNothingWritesNothing()
    {
        MemoryUserDefaults defaults;
        Launch launch(defaults);
        ChangeLog changes;
        const Name withoutDefault(QStringLiteral("other"));
        reset({withoutDefault});
        QCOMPARE(defaults.writeCount, 0);
        QVERIFY(changes.names.isEmpty());
        QVERIFY(!userDefaultsContains(withoutDefault));

        setShortcut(optionCommandO, withoutDefault);
        reset({withoutDefault});
        QCOMPARE(defaults.stored.value(QStringLiteral("GlobalShortcuts_other")), QJsonValue(false));
        QCOMPARE(changes.names, (QStringList{"other", "other"}));
        QCOMPARE(launch.grabsOf(optionCommandO), 0);
    }

    void resetRestoresTheDefault()
    {
        MemoryUserDefaults defaults;
        Launch launch(defaults);
        const Name name(QStringLiteral("capture"), shiftCommandTwo);
        setShortcut(optionCommandO, name);
        QCOMPARE(launch.grabsOf(shiftCommandTwo), 0);
        QCOMPARE(launch.grabsOf(optionCommandO), 1);
        reset({name});
        QCOMPARE(getShortcut(name), shiftCommandTwo);
        QCOMPARE(launch.grabsOf(shiftCommandTwo), 1);
        QCOMPARE(launch.grabsOf(optionCommandO), 0);
    }

    void unreadableStoredValuesAreNoShortcut_data()
    {
        QTest::addColumn<QJsonValue>("stored");
        QTest::newRow("text") << QJsonValue("abc");
        QTest::newRow("number") << QJsonValue(19);
        QTest::newRow("object, not text")
            << QJsonValue(QJsonObject{{"carbonKeyCode", 19}, {"carbonModifiers", 768}});
        QTest::newRow("a member missing") << QJsonValue(R"({"carbonKeyCode":19})");
        QTest::newRow("true") << QJsonValue(true);
    }
    void unreadableStoredValuesAreNoShortcut()
    {
        QFETCH(QJsonValue, stored);
        MemoryUserDefaults defaults;
        defaults.stored.insert(captureKey, stored);
        Launch launch(defaults);
        const Name name(QStringLiteral("toggleScreenCaptureMode"), shiftCommandTwo);
        QCOMPARE(getShortcut(name), std::nullopt);
        QCOMPARE(defaults.stored.value(captureKey), stored); // present, so the default does not apply
        onKeyUp(name, [] {});
        QVERIFY(launch.backend.grabs.isEmpty());
    }

    void storedModifiersAreTakenAsStored()
    {
        MemoryUserDefaults defaults;
        defaults.stored.insert(QStringLiteral("GlobalShortcuts_x"),
                               R"({"carbonModifiers":771,"carbonKeyCode":31})");
        Launch launch(defaults);
        const std::optional<Shortcut> shortcut = getShortcut(Name(QStringLiteral("x")));
        QVERIFY(shortcut);
        QCOMPARE(shortcut->carbonKeyCode(), 31);
        QCOMPARE(shortcut->carbonModifiers(), 771);
    }

    void keyCodesOutOfRangeAreHarmless_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::newRow("far above") << QStringLiteral(R"({"carbonKeyCode":5000,"carbonModifiers":256})");
        QTest::newRow("negative") << QStringLiteral(R"({"carbonKeyCode":-1,"carbonModifiers":256})");
        QTest::newRow("huge") << QStringLiteral(R"({"carbonKeyCode":9007199254740993,"carbonModifiers":-1})");
    }
    void keyCodesOutOfRangeAreHarmless()
    {
        QFETCH(QString, stored);
        MemoryUserDefaults defaults;
        defaults.stored.insert(captureKey, stored);
        defaults.stored.insert(QStringLiteral("playSound"), false);
        Launch launch(defaults);
        const Name name(QStringLiteral("toggleScreenCaptureMode"), shiftCommandTwo);
        onKeyUp(name, [] {});
        QVERIFY(launch.backend.grabs.isEmpty());
        QAction item;
        GlobalShortcuts::setShortcut(&item, name);
        QVERIFY(item.shortcut().isEmpty());
        if (const std::optional<Shortcut> shortcut = getShortcut(name))
            (void)shortcut->description(); // names what it can, and nothing crashes
        // The other settings stay as they were.
        QCOMPARE(defaults.stored.value(QStringLiteral("playSound")), QJsonValue(false));
        QCOMPARE(defaults.stored.value(captureKey), QJsonValue(stored));
    }

    void pressesAndReleasesRunTheirOwnActions()
    {
        MemoryUserDefaults defaults;
        Launch launch(defaults);
        const Name name(QStringLiteral("capture"), shiftCommandTwo);
        QStringList log;
        onKeyDown(name, [&log] { log << "down 1"; });
        onKeyDown(name, [&log] { log << "down 2"; });
        onKeyUp(name, [&log] { log << "up"; });
        QCOMPARE(launch.grabsOf(shiftCommandTwo), 1);
        launch.press(shiftCommandTwo);
        QCOMPARE(log, (QStringList{"down 1", "down 2"}));
        launch.release(shiftCommandTwo);
        QCOMPARE(log, (QStringList{"down 1", "down 2", "up"}));
    }

    void twoNamesShareOneHotKey()
    {
        MemoryUserDefaults defaults;
        Launch launch(defaults);
        const Name first(QStringLiteral("first"), shiftCommandTwo);
        const Name second(QStringLiteral("second"), shiftCommandTwo);
        QStringList log;
        onKeyUp(first, [&log] { log << "first"; });
        onKeyUp(second, [&log] { log << "second"; });
        QCOMPARE(launch.grabsOf(shiftCommandTwo), 1);
        launch.release(shiftCommandTwo);
        QCOMPARE(log, (QStringList{"first", "second"}));

        // Moving one name away takes the shared hot key with it, until the other is enabled again.
        setShortcut(optionCommandO, first);
        QCOMPARE(launch.grabsOf(shiftCommandTwo), 0);
        QCOMPARE(launch.grabsOf(optionCommandO), 1);
        enable(second);
        QCOMPARE(launch.grabsOf(shiftCommandTwo), 1);
        log.clear();
        launch.release(shiftCommandTwo);
        launch.release(optionCommandO);
        QCOMPARE(log, (QStringList{"second", "first"}));
    }

    void aPressReadsTheStoredShortcutAgain()
    {
        MemoryUserDefaults defaults;
        Launch launch(defaults);
        const Name first(QStringLiteral("first"), shiftCommandTwo);
        const Name second(QStringLiteral("second"), optionCommandO);
        QStringList log;
        onKeyDown(first, [&log] { log << "first"; });
        onKeyDown(second, [&log] { log << "second"; });
        // Written behind the module's back: the registered hot keys stay, the press follows the store.
        defaults.setString(QStringLiteral("GlobalShortcuts_first"),
                           QString::fromUtf8(optionCommandO.toJson()));
        defaults.setString(QStringLiteral("GlobalShortcuts_second"),
                           QString::fromUtf8(shiftCommandTwo.toJson()));
        launch.press(shiftCommandTwo);
        QCOMPARE(log, QStringList{"second"});
    }

    void nothingRunsWhilePaused()
    {
        MemoryUserDefaults defaults;
        Launch launch(defaults);
        const Name name(QStringLiteral("capture"), optionCommandO);
        int runs = 0;
        onKeyUp(name, [&runs] { ++runs; });
        const auto stream = events(name);
        int streamed = 0;
        connect(stream.get(), &EventStream::event, stream.get(), [&streamed] { ++streamed; });
        const std::optional<HotKeyId> before =
            launch.backend.idOf(*HotKeyCenter::combinationOf(optionCommandO));
        QVERIFY(before);
        setPaused(true);
        // The keys go to the recorder while paused: nothing is grabbed, and a press that was already on
        // its way runs nothing.
        QVERIFY(launch.backend.grabs.isEmpty());
        launch.backend.deliver(HotKeyEvent{HotKeyEventKind::released, before});
        setShortcut(shiftCommandTwo, name);
        QVERIFY(launch.backend.grabs.isEmpty());
        QCOMPARE(registeredShortcuts(), QSet<Shortcut>{shiftCommandTwo});
        QCOMPARE(runs + streamed, 0);
        setPaused(false);
        QCOMPARE(launch.grabsOf(shiftCommandTwo), 1);
        QCOMPARE(launch.grabsOf(optionCommandO), 0);
        launch.release(shiftCommandTwo);
        QCOMPARE(runs, 1);
        QCOMPARE(streamed, 1);
    }

    void streamsEndWithTheirHolder()
    {
        MemoryUserDefaults defaults;
        Launch launch(defaults);
        const Name name(QStringLiteral("capture"));
        defaults.setString(QStringLiteral("GlobalShortcuts_capture"),
                           QString::fromUtf8(shiftCommandTwo.toJson()));
        QList<EventType> all, releases;
        auto both = events(name);
        auto upOnly = events(name, EventType::keyUp);
        connect(both.get(), &EventStream::event, both.get(), [&all](EventType type) { all << type; });
        connect(upOnly.get(), &EventStream::event, upOnly.get(),
                [&releases](EventType type) { releases << type; });
        QCOMPARE(launch.grabsOf(shiftCommandTwo), 1);
        launch.press(shiftCommandTwo);
        launch.release(shiftCommandTwo);
        QCOMPARE(all, (QList{EventType::keyDown, EventType::keyUp}));
        QCOMPARE(releases, QList{EventType::keyUp});

        both.reset();
        QCOMPARE(launch.grabsOf(shiftCommandTwo), 1); // the other stream still uses it
        upOnly.reset();
        QCOMPARE(launch.grabsOf(shiftCommandTwo), 0);
        QVERIFY(registeredShortcuts().isEmpty());

        // An action keeps the hot key after its stream ends.
        onKeyDown(name, [] {});
        events(name).reset();
        QCOMPARE(launch.grabsOf(shiftCommandTwo), 1);
    }

    void removeAllHandlersKeepsWhatStreamsUse()
    {
        MemoryUserDefaults defaults;
        Launch launch(defaults);
        const Name actions(QStringLiteral("actions"), shiftCommandTwo);
        const Name streamed(QStringLiteral("streamed"), optionCommandO);
        int runs = 0, streamedEvents = 0;
        onKeyUp(actions, [&runs] { ++runs; });
        onKeyUp(streamed, [&runs] { ++runs; });
        const auto stream = events(streamed);
        connect(stream.get(), &EventStream::event, stream.get(), [&streamedEvents] { ++streamedEvents; });
        removeAllHandlers();
        QCOMPARE(launch.grabsOf(shiftCommandTwo), 0);
        QCOMPARE(launch.grabsOf(optionCommandO), 1);
        launch.release(optionCommandO);
        QCOMPARE(runs, 0);
        QCOMPARE(streamedEvents, 1);
        QCOMPARE(getShortcut(actions), shiftCommandTwo); // what is stored stays
    }

    void anActionMayChangeTheModuleWhileItRuns()
    {
        MemoryUserDefaults defaults;
        Launch launch(defaults);
        const Name name(QStringLiteral("capture"), shiftCommandTwo);
        int runs = 0;
        onKeyUp(name, [&runs, name] {
            ++runs;
            removeAllHandlers();
            setShortcut(std::nullopt, name);
        });
        onKeyUp(name, [&runs] { ++runs; });
        launch.release(shiftCommandTwo);
        QCOMPARE(runs, 2); // the press ran what was attached when it came
        QVERIFY(launch.backend.grabs.isEmpty());
    }

    void disableKeepsTheStoredShortcut()
    {
        MemoryUserDefaults defaults;
        Launch launch(defaults);
        const Name name(QStringLiteral("capture"), shiftCommandTwo);
        disable(name);
        QCOMPARE(launch.grabsOf(shiftCommandTwo), 0);
        QCOMPARE(getShortcut(name), shiftCommandTwo);
        enable(name);
        enable(name);
        QCOMPARE(launch.grabsOf(shiftCommandTwo), 1);
    }

    void aRefusedHotKeyIsStillCountedAsRegistered()
    {
        MemoryUserDefaults defaults;
        Launch launch(defaults);
        launch.backend.heldByOthers.append(*HotKeyCenter::combinationOf(shiftCommandTwo));
        const Name name(QStringLiteral("capture"), shiftCommandTwo);
        QVERIFY(launch.backend.grabs.isEmpty());
        QCOMPARE(registeredShortcuts(), QSet<Shortcut>{shiftCommandTwo});
        QCOMPARE(getShortcut(name), shiftCommandTwo);
    }

    void menuItemsFollowTheStoredShortcut()
    {
        MemoryUserDefaults defaults;
        Launch launch(defaults);
        const Name name(QStringLiteral("capture"), shiftCommandTwo);
        const Name other(QStringLiteral("other"), optionCommandO);
        QAction item;
        GlobalShortcuts::setShortcut(&item, name);
        QCOMPARE(item.shortcut().toString(QKeySequence::NativeText), QStringLiteral("Ctrl+Shift+2"));
        QCOMPARE(item.shortcutContext(), Qt::WidgetShortcut);

        GlobalShortcuts::setShortcut(optionCommandO, name);
        QCOMPARE(item.shortcut(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_O));
        GlobalShortcuts::setShortcut(shiftCommandTwo, other); // another name's change is not ours
        QCOMPARE(item.shortcut(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_O));
        GlobalShortcuts::setShortcut(std::nullopt, name);
        QVERIFY(item.shortcut().isEmpty());

        // Binding again replaces the observation; unbinding ends it.
        GlobalShortcuts::setShortcut(&item, other);
        GlobalShortcuts::setShortcut(&item, other);
        QCOMPARE(item.children().size(), 1);
        QCOMPARE(item.shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_2));
        GlobalShortcuts::setShortcut(&item, std::nullopt);
        QVERIFY(item.shortcut().isEmpty());
        GlobalShortcuts::setShortcut(optionCommandO, other);
        QVERIFY(item.shortcut().isEmpty());
    }
};

QTEST_MAIN(TestGlobalShortcuts)
#include "tst_globalshortcuts.moc"

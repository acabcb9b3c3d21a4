// The two state machines fed random event sequences decoded from the input, each checked against its
// table after every event. The hot-key machine (grabs added and removed as the X11 backend does, lock
// modifiers changed, key presses, releases and auto-repeats) reports a press only for an idle grab whose
// combination the event matches, once until its key is released, and a release only for a held one.
// The recorder's key handler (recording started and stopped as its field does, key presses and
// releases, mouse releases) gives the verdict its checks give in their fixed order, and the field's
// reaction to it leaves the recording state the table says.
#include "fuzztargets.h"

#include "applicationmenushortcuts.h"
#include "evdevkeycodes.h"
#include "keynames.h"
#include "modifierconversion.h"
#include "recorderkeyhandler.h"
#include "x11/hotkeystatemachine.h"

#include <QHash>
#include <QMap>

#include <algorithm>
#include <array>

namespace FuzzTargets {

namespace {

// Reads the input a byte at a time; zeros once it is used up.
class Bytes {
public:
    explicit Bytes(QByteArrayView input)
        : m_input(input)
    {}
    bool atEnd() const { return m_pos >= m_input.size(); }
    quint8 next() { return atEnd() ? 0 : quint8(m_input[m_pos++]); }
    quint16 next16() { return quint16(next() | next() << 8); }

private:
    QByteArrayView m_input;
    qsizetype m_pos = 0;
};

// -- The hot-key machine ---------------------------------------------------------------------------

constexpr quint16 coreModifiers = 0xff;

struct HotKeyModel {
    QMap<quint32, HotKeyCombination> grabs; // by reference
    QHash<quint8, quint32> held;            // key code -> reference
    quint16 lockModifiers = 0;
    quint32 lastReference = 0;

    bool matches(const HotKeyCombination& grab, quint8 keyCode, quint16 state) const
    {
        const quint16 ignored = lockModifiers & quint16(~grab.modifiers);
        return grab.keyCode == keyCode && (state & coreModifiers & quint16(~ignored)) == grab.modifiers;
    }
};

void checkSameGrabs(const HotKeyStateMachine& machine, const HotKeyModel& model)
{
    QList<HotKeyCombination> actual = machine.combinations();
    QList<HotKeyCombination> expected = model.grabs.values();
    const auto order = [](const HotKeyCombination& a, const HotKeyCombination& b) {
        return std::pair(a.keyCode, a.modifiers) < std::pair(b.keyCode, b.modifiers);
    };
    std::sort(actual.begin(), actual.end(), order);
    std::sort(expected.begin(), expected.end(), order);
    FUZZ_CHECK(actual == expected);
    FUZZ_CHECK(machine.lockModifiers() == model.lockModifiers);
    for (auto it = model.grabs.cbegin(); it != model.grabs.cend(); ++it)
        FUZZ_CHECK(machine.referenceOf(it.value()) == it.key());
    // Every held key belongs to a grab, and to its own key code.
    for (auto it = model.held.cbegin(); it != model.held.cend(); ++it)
        FUZZ_CHECK(model.grabs.contains(it.value()) && model.grabs.value(it.value()).keyCode == it.key());
}

void feedHotKeyEvent(HotKeyStateMachine& machine, HotKeyModel& model, quint8 keyCode, quint16 state,
                     bool pressed)
{
    const std::optional<HotKeyStateMachine::Transition> transition = machine.feed(keyCode, state, pressed);
    if (!pressed) {
        const auto held = model.held.constFind(keyCode);
        if (held == model.held.cend()) {
            FUZZ_CHECK(!transition); // a release of a key not pressed as a hot key
            return;
        }
        FUZZ_CHECK(transition && !transition->pressed && transition->reference == held.value());
        model.held.erase(held);
        return;
    }
    if (model.held.contains(keyCode)) {
        FUZZ_CHECK(!transition); // auto-repeat
        return;
    }
    QList<quint32> candidates;
    for (auto it = model.grabs.cbegin(); it != model.grabs.cend(); ++it) {
        if (model.matches(it.value(), keyCode, state))
            candidates.append(it.key());
    }
    if (candidates.isEmpty()) {
        FUZZ_CHECK(!transition);
        return;
    }
    // Two grabs of one key can both match when one asks for a lock bit the other ignores.
    FUZZ_CHECK(transition && transition->pressed && candidates.contains(transition->reference));
    for (const quint32 reference : std::as_const(model.held))
        FUZZ_CHECK(reference != transition->reference); // pressed only while idle
    model.held.insert(keyCode, transition->reference);
}

void runHotKeyMachine(Bytes in)
{
    HotKeyStateMachine machine;
    HotKeyModel model;
    while (!in.atEnd()) {
        const quint8 op = in.next();
        switch (op % 6) {
        case 0: { // a grab, refused for a combination grabbed already
            const HotKeyCombination combination{in.next(), quint16(in.next())};
            FUZZ_CHECK(machine.referenceOf(combination).has_value() ==
                       std::any_of(model.grabs.cbegin(), model.grabs.cend(),
                                   [&](const HotKeyCombination& grab) { return grab == combination; }));
            if (machine.referenceOf(combination))
                break;
            const quint32 reference = ++model.lastReference;
            machine.add(reference, combination);
            model.grabs.insert(reference, combination);
            break;
        }
        case 1: { // an ungrab, of a grab or of an unknown reference
            const quint8 which = in.next();
            quint32 reference = which;
            if (!(which & 0x80) && !model.grabs.isEmpty())
                reference = model.grabs.keys().at(which % model.grabs.size());
            machine.remove(reference);
            model.grabs.remove(reference);
            model.held.removeIf([reference](auto entry) { return entry.value() == reference; });
            break;
        }
        case 2: { // the lock keys read again
            const quint16 locks = in.next();
            machine.setLockModifiers(locks);
            model.lockModifiers = locks;
            break;
        }
        default: { // a key event: mostly of a grabbed key, with its modifiers and some lock bits
            const bool pressed = op % 6 != 5;
            const quint8 which = in.next();
            quint8 keyCode = in.next();
            quint16 state = in.next16();
            if (!(which & 0x80) && !model.grabs.isEmpty()) {
                const HotKeyCombination grab = model.grabs.values().at(which % model.grabs.size());
                keyCode = grab.keyCode;
                if (which & 0x40)
                    state = grab.modifiers | (state & (model.lockModifiers | 0xff00));
            }
            feedHotKeyEvent(machine, model, keyCode, state, pressed);
            break;
        }
        }
        checkSameGrabs(machine, model);
    }
    // Every held hot key is released by its own key's release, whatever the modifiers.
    const QList<quint8> heldKeys = model.held.keys();
    for (const quint8 keyCode : heldKeys)
        feedHotKeyEvent(machine, model, keyCode, 0, false);
    FUZZ_CHECK(model.held.isEmpty());
}

// -- The recorder's key handler --------------------------------------------------------------------

using GlobalShortcuts::RecorderDecision;
using GlobalShortcuts::RecorderKeyEvent;
using GlobalShortcuts::RecorderVerdict;

constexpr quint64 plainModifiers =
    ModifierFlag::command | ModifierFlag::shift | ModifierFlag::option | ModifierFlag::control;

constexpr std::array modifierPositions{Key::shift,    Key::rightShift,  Key::command, Key::rightCommand,
                                       Key::option,   Key::rightOption, Key::control, Key::rightControl,
                                       Key::capsLock, Key::function};

constexpr std::array functionKeys{Key::f1,  Key::f2,  Key::f3,  Key::f4,  Key::f5,  Key::f6,  Key::f7,
                                  Key::f8,  Key::f9,  Key::f10, Key::f11, Key::f12, Key::f13, Key::f14,
                                  Key::f15, Key::f16, Key::f17, Key::f18, Key::f19, Key::f20};

// The flags an event's modifiers may carry; only the first four make a shortcut.
constexpr std::array eventFlags{ModifierFlag::command,
                                ModifierFlag::shift,
                                ModifierFlag::option,
                                ModifierFlag::control,
                                ModifierFlag::capsLock,
                                KeyNames::functionModifierFlag,
                                quint64(0x200000) /* numeric pad */,
                                quint64(0x1)};

template <std::size_t N> bool isOneOf(Key key, const std::array<Key, N>& keys)
{
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

// Oculo's menu items as the application lists them, each with the shortcuts that its key sequence
// stands for (the keypad's keys count as the main keys that type the same).
struct MenuItem {
    QString title;
    QKeySequence keySequence;
    QList<Shortcut> uses;
};

QKeySequence keys(Qt::KeyboardModifiers modifiers, Qt::Key key)
{
    return QKeySequence(QKeyCombination(modifiers, key));
}

const QList<MenuItem>& menuItems()
{
    using namespace ModifierFlag;
    static const QList<MenuItem> items{
        {QStringLiteral("Recent 1"),
         keys(Qt::ControlModifier, Qt::Key_1),
         {Shortcut(Key::one, command), Shortcut(Key::keypad1, command)}},
        {QStringLiteral("Recent 9"),
         keys(Qt::ControlModifier, Qt::Key_9),
         {Shortcut(Key::nine, command), Shortcut(Key::keypad9, command)}},
        {QStringLiteral("Open"), keys(Qt::ControlModifier, Qt::Key_O), {Shortcut(Key::o, command)}},
        {QStringLiteral("Preferences"),
         keys(Qt::ControlModifier, Qt::Key_Comma),
         {Shortcut(Key::comma, command)}},
        {QStringLiteral("Paste"),
         keys(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_V),
         {Shortcut(Key::v, command | shift)}},
        {QStringLiteral("Quit"),
         keys(Qt::ControlModifier | Qt::AltModifier, Qt::Key_Q),
         {Shortcut(Key::q, command | option)}},
        {QStringLiteral("Reload"), keys(Qt::NoModifier, Qt::Key_F5), {Shortcut(Key::f5, 0)}},
        {QStringLiteral("Zoom out"),
         keys(Qt::ControlModifier, Qt::Key_Minus),
         {Shortcut(Key::minus, command), Shortcut(Key::keypadMinus, command)}},
    };
    return items;
}

// Candidates for what the desktop holds; the input picks which of them it holds.
const std::array systemCandidates{
    Shortcut(Key::f12, 0),                                          // may be chosen even so
    Shortcut(Key::d, ModifierFlag::control),                        // Super+D
    Shortcut(Key::t, ModifierFlag::command | ModifierFlag::option), // Ctrl+Alt+T
    Shortcut(Key::one, ModifierFlag::command),                      // a menu item's too
    Shortcut(Key::two, ModifierFlag::command | ModifierFlag::shift),
    Shortcut(Key::f1, ModifierFlag::shift),
    Shortcut(Key::tab, ModifierFlag::option),
    Shortcut(Key::space, ModifierFlag::control),
};

RecorderVerdict expectedVerdict(bool recording, const RecorderKeyEvent& event, const QList<Shortcut>& system,
                                QString* menuTitle)
{
    if (!recording)
        return RecorderVerdict::passOn;
    if (!event.isPress || event.isModifierKey || (event.key && isOneOf(*event.key, modifierPositions)))
        return RecorderVerdict::swallow;
    const quint64 modifiers = event.modifierFlags & plainModifiers;
    if (modifiers == 0 && event.key == Key::tab)
        return RecorderVerdict::moveFocus;
    if (modifiers == 0 && event.key == Key::escape)
        return RecorderVerdict::endRecording;
    if (modifiers == 0 && (event.key == Key::deleteKey || event.key == Key::deleteForward))
        return RecorderVerdict::clear;
    if (!event.key || ((modifiers & ~ModifierFlag::shift) == 0 && !isOneOf(*event.key, functionKeys)))
        return RecorderVerdict::beep;
    const Shortcut shortcut(*event.key, modifiers);
    for (const MenuItem& item : menuItems()) {
        if (item.uses.contains(shortcut)) {
            *menuTitle = item.title;
            return RecorderVerdict::usedByMenuItem;
        }
    }
    if (shortcut != Shortcut(Key::f12, 0) && system.contains(shortcut))
        return RecorderVerdict::usedBySystem;
    return RecorderVerdict::accept;
}

void runRecorder(Bytes in)
{
    GlobalShortcuts::setApplicationMenuItems([] {
        QList<GlobalShortcuts::MenuItemShortcut> items;
        for (const MenuItem& item : menuItems())
            items.append({item.title, item.keySequence});
        return items;
    });
    QList<Shortcut> system;
    const quint8 held = in.next();
    for (std::size_t i = 0; i < systemCandidates.size(); ++i) {
        if (held & (1u << i))
            system.append(systemCandidates[i]);
    }
    int systemQuestions = 0;
    GlobalShortcuts::RecorderKeyHandler handler(&GlobalShortcuts::menuItemUsing, [&] {
        ++systemQuestions;
        return system;
    });
    bool recording = false;
    const auto start = [&](bool expectChange) {
        FUZZ_CHECK(handler.startRecording() == expectChange);
        recording = true;
    };
    const auto stop = [&](bool expectChange) {
        FUZZ_CHECK(handler.stopRecording() == expectChange);
        recording = false;
    };

    while (!in.atEnd()) {
        FUZZ_CHECK(handler.isRecording() == recording);
        const quint8 op = in.next();
        switch (op % 5) {
        case 0: // the field takes the focus
            start(!recording);
            break;
        case 1: // the field loses the focus or is hidden
            stop(recording);
            break;
        case 2: { // a mouse button released, on or near the field or elsewhere
            const bool near = op & 0x80;
            const RecorderDecision decision = handler.handleMouseRelease(near);
            const RecorderVerdict expected =
                recording && !near ? RecorderVerdict::endRecording : RecorderVerdict::passOn;
            FUZZ_CHECK(decision.verdict == expected && !decision.shortcut &&
                       decision.menuItemTitle.isEmpty());
            if (decision.verdict == RecorderVerdict::endRecording)
                stop(true);
            break;
        }
        default: { // a key pressed or released, at a key position from its X key code
            RecorderKeyEvent event;
            event.isPress = op % 5 != 4;
            event.isModifierKey = (op & 0xC0) == 0xC0;
            event.key = EvdevKeyCodes::keyForXKeyCode(in.next());
            const quint8 flags = in.next();
            for (std::size_t i = 0; i < eventFlags.size(); ++i) {
                if (flags & (1u << i))
                    event.modifierFlags |= eventFlags[i];
            }
            QString menuTitle;
            const RecorderVerdict expected = expectedVerdict(recording, event, system, &menuTitle);
            const int questionsBefore = systemQuestions;
            const RecorderDecision decision = handler.handleKey(event);
            FUZZ_CHECK(decision.verdict == expected);
            // The desktop is asked only about a combination that got past every other check.
            FUZZ_CHECK(systemQuestions - questionsBefore <= 1);
            if (systemQuestions != questionsBefore)
                FUZZ_CHECK(expected == RecorderVerdict::usedBySystem || expected == RecorderVerdict::accept);
            const bool hasShortcut = expected == RecorderVerdict::usedByMenuItem ||
                                     expected == RecorderVerdict::usedBySystem ||
                                     expected == RecorderVerdict::accept;
            FUZZ_CHECK(decision.shortcut.has_value() == hasShortcut);
            if (hasShortcut) {
                FUZZ_CHECK(decision.shortcut == Shortcut(*event.key, event.modifierFlags & plainModifiers));
                FUZZ_CHECK(ModifierConversion::carbonModifiers(decision.shortcut->modifiers()) ==
                           decision.shortcut->carbonModifiers());
            }
            FUZZ_CHECK(decision.menuItemTitle == menuTitle);
            // What the field does with the verdict.
            switch (decision.verdict) {
            case RecorderVerdict::moveFocus:
            case RecorderVerdict::endRecording:
            case RecorderVerdict::accept:
                stop(true);
                break;
            case RecorderVerdict::usedByMenuItem:
            case RecorderVerdict::usedBySystem: // the alert, then recording again
                stop(true);
                start(true);
                break;
            case RecorderVerdict::clear: // the field keeps the focus and goes on recording
                start(false);
                break;
            case RecorderVerdict::passOn:
                FUZZ_CHECK(!recording);
                break;
            case RecorderVerdict::swallow:
            case RecorderVerdict::beep:
                FUZZ_CHECK(recording);
                break;
            }
            break;
        }
        }
    }
    FUZZ_CHECK(handler.isRecording() == recording);
    GlobalShortcuts::setApplicationMenuItems(nullptr);
}

void setUpStateMachines() {}

void runStateMachines(QByteArrayView input)
{
    runHotKeyMachine(Bytes(input));
    runRecorder(Bytes(input));
}

} // namespace

const Target stateMachines{"statemachines", &setUpStateMachines, &runStateMachines};

} // namespace FuzzTargets

#include "hotkeycenter.h"

#include "evdevkeycodes.h"
#include "keynames.h"
#include "modifierconversion.h"
#include "shortcutslogging.h"

#include <array>

namespace {

HotKeyCenter* sharedCenter = nullptr;

struct ModifierPair {
    qint64 carbon;
    quint16 x;
};
constexpr std::array modifierPairs{
    ModifierPair{CarbonModifier::command, XModifier::control},
    ModifierPair{CarbonModifier::shift, XModifier::shift},
    ModifierPair{CarbonModifier::option, XModifier::mod1},
    ModifierPair{CarbonModifier::control, XModifier::mod4},
};
constexpr quint16 shortcutModifiers =
    XModifier::control | XModifier::shift | XModifier::mod1 | XModifier::mod4;

bool isModifierKey(Key key)
{
    for (const Key modifier :
         {Key::capsLock, Key::shift, Key::control, Key::option, Key::command, Key::rightCommand,
          Key::rightOption, Key::rightControl, Key::rightShift, Key::keypadClear})
        if (key == modifier)
            return true;
    return false;
}

// Keys that type nothing, which a desktop may take alone or with Shift.
bool isUntypedKey(Key key)
{
    for (const Key untyped :
         {Key::f1,  Key::f2,  Key::f3,  Key::f4,  Key::f5,   Key::f6,       Key::f7,        Key::f8,
          Key::f9,  Key::f10, Key::f11, Key::f12, Key::f13,  Key::f14,      Key::f15,       Key::f16,
          Key::f17, Key::f18, Key::f19, Key::f20, Key::mute, Key::volumeUp, Key::volumeDown})
        if (key == untyped)
            return true;
    return false;
}

// What the probing grabs try. Shift alone and no modifier at all are left out for the keys that type,
// so that a probe never takes a key from someone typing.
const QList<HotKeyCombination>& probeCandidates()
{
    static const QList<HotKeyCombination> candidates = [] {
        QList<HotKeyCombination> list;
        for (int evdev = 0; evdev < 256 - 8; ++evdev) {
            const std::optional<Key> key = EvdevKeyCodes::keyForEvdevCode(evdev);
            if (!key || isModifierKey(*key))
                continue;
            for (quint16 modifiers = 0; modifiers <= shortcutModifiers; ++modifiers) {
                if ((modifiers & ~shortcutModifiers) != 0)
                    continue;
                const bool withAction = modifiers & (XModifier::control | XModifier::mod1 | XModifier::mod4);
                if (withAction || isUntypedKey(*key))
                    list.append({quint8(evdev + 8), modifiers});
            }
        }
        return list;
    }();
    return candidates;
}

} // namespace

HotKeyCenter::HotKeyCenter(HotKeyBackend& backend, DesktopKeyBindings::Sources desktop)
    : m_backend(backend)
    , m_desktop(std::move(desktop))
{}

HotKeyCenter::~HotKeyCenter()
{
    for (const std::shared_ptr<const HotKey>& hotKey : std::as_const(m_hotKeys))
        m_backend.ungrab(hotKey->carbonHotKey);
    if (m_eventHandlerInstalled)
        m_backend.setEventHandler({});
    if (m_reportedTriggerHandlerInstalled)
        m_backend.setReportedTriggerHandler({});
    if (sharedCenter == this)
        sharedCenter = nullptr;
}

HotKeyCenter* HotKeyCenter::shared()
{
    return sharedCenter;
}

void HotKeyCenter::setShared(HotKeyCenter* center)
{
    sharedCenter = center;
}

std::optional<HotKeyCombination> HotKeyCenter::combinationOf(const Shortcut& shortcut)
{
    const std::optional<int> keyCode = EvdevKeyCodes::xKeyCode(Key(shortcut.carbonKeyCode()));
    if (!keyCode || *keyCode > 255)
        return std::nullopt;
    quint16 modifiers = 0;
    for (const ModifierPair& pair : modifierPairs) {
        if (shortcut.carbonModifiers() & pair.carbon)
            modifiers |= pair.x;
    }
    return HotKeyCombination{quint8(*keyCode), modifiers};
}

std::optional<Shortcut> HotKeyCenter::shortcutOf(HotKeyCombination combination)
{
    const std::optional<Key> key = EvdevKeyCodes::keyForXKeyCode(combination.keyCode);
    if (!key || (combination.modifiers & ~shortcutModifiers) != 0)
        return std::nullopt;
    qint64 modifiers = 0;
    for (const ModifierPair& pair : modifierPairs) {
        if (combination.modifiers & pair.x)
            modifiers |= pair.carbon;
    }
    return Shortcut(key->rawValue, modifiers);
}

void HotKeyCenter::registerHotKey(const Shortcut& shortcut, Action onKeyDown, Action onKeyUp)
{
    // Issued before anything can fail, so a refused registration still uses up its identifier.
    const qint64 id = ++m_hotKeyIdCounter;
    const std::optional<HotKeyCombination> combination = combinationOf(shortcut);
    if (!combination) {
        qCDebug(lcShortcuts) << "No hot key for" << shortcut << "- its key has no PC key";
        return;
    }
    const std::optional<quint32> reference = m_backend.grab(*combination, HotKeyId{signature, quint32(id)});
    if (!reference) {
        // Said once per registration: the user's key does nothing, and this is why.
        qCWarning(lcShortcuts).noquote()
            << KeyNames::nativeText(shortcut) << "is held by another application; it does nothing in Oculo";
        return;
    }
    m_hotKeys.insert(id, std::make_shared<const HotKey>(
                             HotKey{shortcut, id, *reference, std::move(onKeyDown), std::move(onKeyUp)}));
    if (!m_eventHandlerInstalled)
        installEventHandler();
}

void HotKeyCenter::installEventHandler()
{
    m_eventHandlerInstalled =
        m_backend.setEventHandler([this](const HotKeyEvent& event) { return handleEvent(&event) == noErr; });
    if (!m_eventHandlerInstalled)
        qCWarning(lcShortcuts) << "Hot keys cannot report presses here";
}

void HotKeyCenter::unregisterHotKey(const Shortcut& shortcut)
{
    for (auto it = m_hotKeys.begin(); it != m_hotKeys.end();) {
        if (it.value()->shortcut == shortcut) {
            m_backend.ungrab(it.value()->carbonHotKey);
            it = m_hotKeys.erase(it);
        } else {
            ++it;
        }
    }
}

QString HotKeyCenter::reportedTrigger(const Shortcut& shortcut) const
{
    const std::optional<HotKeyCombination> combination = combinationOf(shortcut);
    return combination ? m_backend.reportedTrigger(*combination) : QString();
}

void HotKeyCenter::setReportedTriggerHandler(std::function<void()> handler)
{
    m_reportedTriggerHandlerInstalled = bool(handler);
    m_backend.setReportedTriggerHandler(std::move(handler));
}

qint32 HotKeyCenter::handleEvent(const HotKeyEvent* event)
{
    if (!event)
        return eventNotHandledErr;
    if (!event->hotKeyId)
        return eventParameterNotFoundErr;
    if (event->hotKeyId->signature != signature)
        return eventNotHandledErr;
    const auto found = m_hotKeys.constFind(qint64(event->hotKeyId->id));
    if (found == m_hotKeys.cend())
        return eventNotHandledErr;
    // Held here, so that an action that unregisters its own hot key finishes safely.
    const std::shared_ptr<const HotKey> hotKey = found.value();
    switch (event->kind) {
    case HotKeyEventKind::pressed:
        if (hotKey->onKeyDown)
            hotKey->onKeyDown(hotKey->shortcut);
        break;
    case HotKeyEventKind::released:
        if (hotKey->onKeyUp)
            hotKey->onKeyUp(hotKey->shortcut);
        break;
    default:
        return eventNotHandledErr;
    }
    return noErr;
}

QList<Shortcut> HotKeyCenter::systemShortcuts() const
{
    QList<Shortcut> shortcuts;
    const auto add = [&shortcuts](const Shortcut& shortcut) {
        if (!shortcuts.contains(shortcut))
            shortcuts.append(shortcut);
    };
    const DesktopAccelerators accelerators(KeyboardLayout::current());
    for (const Shortcut& shortcut : DesktopKeyBindings::read(m_desktop, accelerators))
        add(shortcut);
    for (const HotKeyCombination& combination : m_backend.grabbedByOtherClients(probeCandidates())) {
        if (const std::optional<Shortcut> shortcut = shortcutOf(combination))
            add(*shortcut);
    }
    return shortcuts;
}

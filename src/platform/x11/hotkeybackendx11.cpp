#include "hotkeybackendx11.h"
#include "xcbroot.h"

#include "platformlogging.h"

#include <QGuiApplication>

#include <cstdlib>
#include <memory>
#include <vector>

// The XKB protocol header names a field `explicit`, a C++ keyword.
#define explicit xkbExplicit
#include <xcb/xkb.h>
#undef explicit

namespace {

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeReply>;

constexpr xcb_keysym_t numLockKeysym = 0xff7f;
constexpr xcb_keysym_t scrollLockKeysym = 0xff14;
constexpr uint8_t accessError = 10; // BadAccess: another client holds the grab
constexpr qsizetype probeBatchSize = 32;

xcb_connection_t* qtConnection()
{
    auto* x11 = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                    ? qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                          ->nativeInterface<QNativeInterface::QX11Application>()
                    : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    return connection && !xcb_connection_has_error(connection) ? connection : nullptr;
}

void syncWith(xcb_connection_t* connection)
{
    const Reply<xcb_get_input_focus_reply_t> reply(
        xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

// Asks the X server to report a held key as repeated presses without the releases between them.
bool enableDetectableAutoRepeat(xcb_connection_t* connection)
{
    const xcb_query_extension_reply_t* xkb = xcb_get_extension_data(connection, &xcb_xkb_id);
    if (!xkb || !xkb->present)
        return false;
    const Reply<xcb_xkb_use_extension_reply_t> use(xcb_xkb_use_extension_reply(
        connection, xcb_xkb_use_extension(connection, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION),
        nullptr));
    if (!use || !use->supported)
        return false;
    constexpr uint32_t flag = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
    const Reply<xcb_xkb_per_client_flags_reply_t> flags(xcb_xkb_per_client_flags_reply(
        connection, xcb_xkb_per_client_flags(connection, XCB_XKB_ID_USE_CORE_KBD, flag, flag, 0, 0, 0),
        nullptr));
    return flags && (flags->value & flag);
}

// The modifier bits of CapsLock (always Lock), NumLock and ScrollLock, from the modifier map and the
// keysyms of the key codes in it. A lock key bound to no modifier adds no bit.
quint16 readLockModifiers(xcb_connection_t* connection)
{
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const uint8_t count = setup->max_keycode - setup->min_keycode + 1;
    const auto modifierCookie = xcb_get_modifier_mapping(connection);
    const auto keyboardCookie = xcb_get_keyboard_mapping(connection, setup->min_keycode, count);
    const Reply<xcb_get_modifier_mapping_reply_t> modifiers(
        xcb_get_modifier_mapping_reply(connection, modifierCookie, nullptr));
    const Reply<xcb_get_keyboard_mapping_reply_t> keyboard(
        xcb_get_keyboard_mapping_reply(connection, keyboardCookie, nullptr));
    quint16 mask = XModifier::lock;
    if (!modifiers || !keyboard)
        return mask;
    const xcb_keycode_t* keyCodes = xcb_get_modifier_mapping_keycodes(modifiers.get());
    const int keyCodeCount = xcb_get_modifier_mapping_keycodes_length(modifiers.get());
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(keyboard.get());
    const int keysymCount = xcb_get_keyboard_mapping_keysyms_length(keyboard.get());
    const int perKeyCode = keyboard->keysyms_per_keycode;
    const int perModifier = modifiers->keycodes_per_modifier;
    for (int i = 0; i < keyCodeCount && perModifier > 0; ++i) {
        const int keyCode = keyCodes[i];
        if (keyCode < setup->min_keycode || keyCode > setup->max_keycode)
            continue;
        const quint16 bit = 1 << (i / perModifier);
        for (int k = 0; k < perKeyCode; ++k) {
            const int index = (keyCode - setup->min_keycode) * perKeyCode + k;
            if (index < keysymCount &&
                (keysyms[index] == numLockKeysym || keysyms[index] == scrollLockKeysym))
                mask |= bit;
        }
    }
    return mask;
}

} // namespace

HotKeyBackendX11::HotKeyBackendX11()
    : m_connection(qtConnection())
{
    if (!m_connection) {
        qCWarning(lcPlatform) << "No global hot keys: not connected to an X server";
        return;
    }
    m_root = rootWindowOf(m_connection);
    m_detectableAutoRepeat = enableDetectableAutoRepeat(m_connection);
    if (!m_detectableAutoRepeat)
        qCWarning(lcPlatform) << "The X server has no detectable auto-repeat: a held hot key repeats";
    qobject_cast<QGuiApplication*>(QCoreApplication::instance())->installNativeEventFilter(this);
    m_filterInstalled = true;
}

HotKeyBackendX11::~HotKeyBackendX11()
{
    // Without the application its connection is gone, and the X server dropped our grabs with it.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    for (auto it = m_grabs.cbegin(); it != m_grabs.cend(); ++it)
        ungrabMasks(it->combination.keyCode, it->modifierMasks);
    if (m_connection)
        xcb_flush(m_connection);
    if (m_filterInstalled)
        qobject_cast<QGuiApplication*>(QCoreApplication::instance())->removeNativeEventFilter(this);
}

QList<quint16> HotKeyBackendX11::variantsOf(quint16 modifiers) const
{
    // Every subset of the lock bits that the combination does not itself hold.
    const quint16 locks = m_machine.lockModifiers() & ~modifiers;
    QList<quint16> masks;
    for (quint16 subset = locks;; subset = (subset - 1) & locks) {
        masks.append(modifiers | subset);
        if (subset == 0)
            break;
    }
    return masks;
}

void HotKeyBackendX11::ungrabMasks(quint8 keyCode, const QList<quint16>& masks)
{
    for (const quint16 mask : masks)
        xcb_discard_reply(m_connection, xcb_ungrab_key_checked(m_connection, keyCode, m_root, mask).sequence);
}

std::optional<quint32> HotKeyBackendX11::grab(HotKeyCombination combination, HotKeyId id)
{
    if (!m_connection || m_root == XCB_NONE)
        return std::nullopt;
    if (m_machine.referenceOf(combination)) {
        qCDebug(lcPlatform) << "Hot key" << combination.keyCode << combination.modifiers
                            << "is grabbed already";
        return std::nullopt;
    }
    // Read afresh: the lock keys may have been bound to other modifiers since the last grab.
    m_machine.setLockModifiers(readLockModifiers(m_connection));
    const QList<quint16> masks = variantsOf(combination.modifiers);
    std::vector<xcb_void_cookie_t> cookies;
    for (const quint16 mask : masks)
        cookies.push_back(xcb_grab_key_checked(m_connection, 0, m_root, mask, combination.keyCode,
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    QList<quint16> granted;
    std::optional<uint8_t> refusal; // the X error of the first variant refused
    for (size_t i = 0; i < cookies.size(); ++i) {
        const Reply<xcb_generic_error_t> error(xcb_request_check(m_connection, cookies[i]));
        if (!error)
            granted.append(masks[i]);
        else if (!refusal)
            refusal = error->error_code;
    }
    if (refusal) {
        ungrabMasks(combination.keyCode, granted);
        xcb_flush(m_connection);
        if (*refusal == accessError)
            qCInfo(lcPlatform) << "Hot key" << combination.keyCode << combination.modifiers
                               << "not available: another application holds it";
        else
            qCWarning(lcPlatform) << "Hot key" << combination.keyCode << combination.modifiers
                                  << "refused by the X server, error" << *refusal;
        return std::nullopt;
    }
    const quint32 reference = ++m_lastReference;
    m_grabs.insert(reference, Grab{id, combination, masks});
    m_machine.add(reference, combination);
    return reference;
}

void HotKeyBackendX11::ungrab(quint32 reference)
{
    const auto it = m_grabs.constFind(reference);
    if (it == m_grabs.cend())
        return;
    ungrabMasks(it->combination.keyCode, it->modifierMasks);
    xcb_flush(m_connection);
    m_machine.remove(reference);
    m_grabs.erase(it);
}

bool HotKeyBackendX11::setEventHandler(EventHandler handler)
{
    if (!m_connection)
        return false;
    m_handler = std::move(handler);
    return true;
}

QList<HotKeyCombination> HotKeyBackendX11::grabbedByOtherClients(const QList<HotKeyCombination>& candidates)
{
    if (!m_connection || m_root == XCB_NONE)
        return {};
    m_machine.setLockModifiers(readLockModifiers(m_connection));
    // A grab of our own would be replaced by the probe and then lost with it.
    QList<HotKeyCombination> probed;
    for (const HotKeyCombination& candidate : candidates) {
        if (!probed.contains(candidate) && !m_machine.referenceOf(candidate))
            probed.append(candidate);
    }
    // In batches released before the next: the X server compares each new grab with every grab already
    // on the root window, so thousands at once take it far longer than the round trips saved.
    QList<HotKeyCombination> held;
    for (qsizetype start = 0; start < probed.size(); start += probeBatchSize)
        held += probeBatch(probed.mid(start, probeBatchSize));
    return held;
}

QList<HotKeyCombination> HotKeyBackendX11::probeBatch(const QList<HotKeyCombination>& batch)
{
    struct Probe {
        qsizetype candidate;
        quint16 mask;
        xcb_void_cookie_t cookie;
    };
    std::vector<Probe> probes;
    for (qsizetype i = 0; i < batch.size(); ++i) {
        for (const quint16 mask : variantsOf(batch[i].modifiers))
            probes.push_back({i, mask,
                              xcb_grab_key_checked(m_connection, 0, m_root, mask, batch[i].keyCode,
                                                   XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)});
    }
    // One round trip for the batch: once the server has answered a later request, every check below
    // finds its answer waiting.
    syncWith(m_connection);
    QList<bool> isHeld(batch.size(), false);
    for (const Probe& probe : probes) {
        const Reply<xcb_generic_error_t> error(xcb_request_check(m_connection, probe.cookie));
        if (!error)
            ungrabMasks(batch[probe.candidate].keyCode, {probe.mask});
        else if (error->error_code == accessError)
            isHeld[probe.candidate] = true;
    }
    xcb_flush(m_connection);
    QList<HotKeyCombination> held;
    for (qsizetype i = 0; i < batch.size(); ++i) {
        if (isHeld[i])
            held.append(batch[i]);
    }
    return held;
}

bool HotKeyBackendX11::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t" || !message)
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const uint8_t type = event->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    // Presses of grabbed keys arrive on the root window; a release may arrive on a window of ours when
    // one of them took the keyboard while the hot key was held.
    const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
    const bool pressed = type == XCB_KEY_PRESS;
    if (pressed && key->event != m_root)
        return false;
    const std::optional<HotKeyStateMachine::Transition> transition =
        m_machine.feed(key->detail, key->state, pressed);
    if (!transition)
        return false;
    const HotKeyEvent hotKeyEvent{transition->pressed ? HotKeyEventKind::pressed : HotKeyEventKind::released,
                                  m_grabs.value(transition->reference).id};
    QMetaObject::invokeMethod(
        &m_deliveryContext,
        [this, hotKeyEvent] {
            if (m_handler && !m_handler(hotKeyEvent))
                qCDebug(lcPlatform) << "Hot-key event not handled";
        },
        Qt::QueuedConnection);
    // Qt still needs the event: it keeps its idea of the X server time from it, which later clipboard
    // and focus requests depend on.
    return false;
}

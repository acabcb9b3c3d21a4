// A stored shortcut and its key codes: the JSON value the shortcut module keeps in the user defaults,
// read back through the module as the application reads it, shown by its names, mapped to the PC key
// codes; and the desktop's own stored bindings (gsettings output, KDE's shortcuts file, accelerators)
// read from the same text. A decoded shortcut survives its own stored form, every key code maps back
// to its key, and nothing read from the desktop carries a modifier a shortcut cannot hold.
#include "fuzztargets.h"

#include "desktopaccelerators.h"
#include "desktopkeybindings.h"
#include "evdevkeycodes.h"
#include "globalshortcuts.h"
#include "keyboardlayout.h"
#include "keynames.h"
#include "memoryuserdefaults.h"
#include "modifierconversion.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>

namespace FuzzTargets {

namespace {

constexpr qint64 carbonMask =
    CarbonModifier::command | CarbonModifier::shift | CarbonModifier::option | CarbonModifier::control;
constexpr quint64 flagMask =
    ModifierFlag::command | ModifierFlag::shift | ModifierFlag::option | ModifierFlag::control;

// The modifier and lock keys, which the recorder never takes as the key of a shortcut.
constexpr std::array unrecordableKeys{Key::shift,    Key::rightShift,  Key::command,    Key::rightCommand,
                                      Key::option,   Key::rightOption, Key::control,    Key::rightControl,
                                      Key::capsLock, Key::function,    Key::keypadClear};

template <std::size_t N> bool isOneOf(Key key, const std::array<Key, N>& keys)
{
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

std::unique_ptr<DesktopAccelerators>& accelerators()
{
    static std::unique_ptr<DesktopAccelerators> instance;
    return instance;
}

void setUpShortcut()
{
    if (!accelerators())
        accelerators() = std::make_unique<DesktopAccelerators>(KeyboardLayout::us());
}

// What the stored form's members say, read independently of the module: whole numbers only.
std::optional<qint64> storedMember(const QJsonObject& object, const QString& name)
{
    const QJsonValue value = object.value(name);
    if (!value.isDouble())
        return std::nullopt;
    const QVariant variant = value.toVariant();
    if (variant.typeId() == QMetaType::LongLong)
        return variant.toLongLong();
    const double number = value.toDouble();
    if (!(number >= -9.2233720368547758e18 && number < 9.2233720368547758e18) || number != std::trunc(number))
        return std::nullopt;
    return qint64(number);
}

void checkKey(Key key)
{
    if (const std::optional<int> evdev = EvdevKeyCodes::evdevCode(key)) {
        FUZZ_CHECK(EvdevKeyCodes::keyForEvdevCode(*evdev) == key);
        FUZZ_CHECK(EvdevKeyCodes::xKeyCode(key) == *evdev + 8);
        FUZZ_CHECK(EvdevKeyCodes::keyForXKeyCode(*evdev + 8) == key);
    } else {
        FUZZ_CHECK(!EvdevKeyCodes::xKeyCode(key));
    }
}

void checkKeyCode(int code)
{
    if (const std::optional<Key> key = EvdevKeyCodes::keyForEvdevCode(code))
        FUZZ_CHECK(EvdevKeyCodes::evdevCode(*key) == code);
    if (const std::optional<Key> key = EvdevKeyCodes::keyForXKeyCode(code))
        FUZZ_CHECK(EvdevKeyCodes::xKeyCode(*key) == code);
}

// Everything that shows a shortcut; a key nothing can name still gives some text.
void checkShown(const Shortcut& shortcut)
{
    checkKey(Key(shortcut.carbonKeyCode()));
    FUZZ_CHECK((shortcut.modifiers() & ~flagMask) == 0);
    const QString symbols = KeyNames::description(shortcut.modifiers());
    FUZZ_CHECK(symbols.size() == std::popcount(quint64(shortcut.carbonModifiers() & carbonMask)));
    FUZZ_CHECK(shortcut.description().startsWith(symbols));
    (void)shortcut.keyEquivalent();
    const QKeySequence sequence = KeyNames::keySequence(shortcut);
    FUZZ_CHECK(sequence.isEmpty() == KeyNames::nativeText(shortcut).isEmpty());
    if (sequence.isEmpty())
        return;
    FUZZ_CHECK(sequence.count() == 1);
    FUZZ_CHECK(EvdevKeyCodes::evdevCode(Key(shortcut.carbonKeyCode())));
    // A combination the recorder can take, written as Qt writes it for the desktop (KDE's notation),
    // reads back as the same shortcut when the desktop's bindings are checked.
    if (isOneOf(Key(shortcut.carbonKeyCode()), unrecordableKeys))
        return;
    const QKeySequence written =
        QKeySequence::fromString(sequence.toString(QKeySequence::PortableText), QKeySequence::PortableText);
    FUZZ_CHECK(written.count() == 1);
    FUZZ_CHECK(accelerators()->fromKeyCombination(written[0]) ==
               Shortcut(shortcut.carbonKeyCode(), shortcut.carbonModifiers()));
}

void checkFromDesktop(const QList<Shortcut>& shortcuts)
{
    for (const Shortcut& shortcut : shortcuts) {
        FUZZ_CHECK((shortcut.carbonModifiers() & ~carbonMask) == 0);
        FUZZ_CHECK(EvdevKeyCodes::evdevCode(Key(shortcut.carbonKeyCode())));
    }
}

void runShortcut(QByteArrayView input)
{
    const QByteArray data = input.toByteArray();

    // The stored form, decoded and encoded again.
    const std::optional<Shortcut> decoded = Shortcut::fromJson(data);
    const QJsonDocument document = QJsonDocument::fromJson(data);
    const std::optional<qint64> keyCode = storedMember(document.object(), QStringLiteral("carbonKeyCode"));
    const std::optional<qint64> modifiers =
        storedMember(document.object(), QStringLiteral("carbonModifiers"));
    FUZZ_CHECK(decoded.has_value() == (document.isObject() && keyCode && modifiers));
    if (decoded) {
        FUZZ_CHECK(decoded->carbonKeyCode() == *keyCode && decoded->carbonModifiers() == *modifiers);
        FUZZ_CHECK(Shortcut::fromJson(decoded->toJson()) == decoded);
        checkShown(*decoded);
        // Normalised as a shortcut made from the same numbers: only the four modifiers stay.
        const Shortcut normalised(decoded->carbonKeyCode(), decoded->carbonModifiers());
        FUZZ_CHECK(normalised.carbonModifiers() == (decoded->carbonModifiers() & carbonMask));
        FUZZ_CHECK(normalised.modifiers() == decoded->modifiers());
    }

    // The same text as the value stored under a name, read and written through the module.
    MemoryUserDefaults defaults;
    GlobalShortcuts::resetModuleState();
    GlobalShortcuts::setUserDefaults(&defaults);
    const GlobalShortcuts::Name name(QStringLiteral("fuzzedName"));
    const QString text = QString::fromUtf8(data);
    defaults.setString(GlobalShortcuts::keyPrefix + name.rawValue, text);
    const std::optional<Shortcut> read = GlobalShortcuts::getShortcut(name);
    FUZZ_CHECK(read == Shortcut::fromJson(text.toUtf8()));
    FUZZ_CHECK(GlobalShortcuts::userDefaultsContains(name));
    if (read) {
        GlobalShortcuts::setShortcut(std::nullopt, name);
        FUZZ_CHECK(!GlobalShortcuts::getShortcut(name));
        FUZZ_CHECK(GlobalShortcuts::userDefaultsContains(name));
        GlobalShortcuts::setShortcut(read, name);
        FUZZ_CHECK(GlobalShortcuts::getShortcut(name) == read);
    }
    GlobalShortcuts::setUserDefaults(nullptr);
    GlobalShortcuts::resetModuleState();

    // The first bytes as key codes and modifier bits, the way a made shortcut takes them.
    unsigned char raw[16] = {};
    std::memcpy(raw, data.constData(), std::min<size_t>(sizeof raw, size_t(data.size())));
    const qint64 rawKey = qFromLittleEndian<qint64>(raw);
    const qint64 rawModifiers = qFromLittleEndian<qint64>(raw + 8);
    checkKey(Key(rawKey));
    checkKey(Key(qint8(raw[0])));
    checkKeyCode(int(qint32(rawKey)));
    checkKeyCode(raw[0]);
    const Shortcut made(rawKey, rawModifiers);
    FUZZ_CHECK((made.carbonModifiers() & ~carbonMask) == 0);
    FUZZ_CHECK(made.carbonModifiers() == ModifierConversion::carbonModifiers(made.modifiers()));
    FUZZ_CHECK(Shortcut(Key(rawKey), quint64(rawModifiers)).carbonModifiers() ==
               ModifierConversion::carbonModifiers(quint64(rawModifiers)));
    checkShown(made);
    checkShown(Shortcut(qint8(raw[0]), rawModifiers));

    // The desktop's bindings: gsettings answering every question with the text, and KDE's file.
    DesktopKeyBindings::Sources sources;
    sources.gsettings = [&text](const QStringList&) { return std::optional<QString>(text); };
    checkFromDesktop(DesktopKeyBindings::read(sources, *accelerators()));
    checkFromDesktop(DesktopKeyBindings::kdeGlobalShortcuts(text, *accelerators()));
    if (const std::optional<QStringList> strings = DesktopKeyBindings::gvariantStrings(text)) {
        for (const QString& accelerator : *strings) {
            if (const std::optional<Shortcut> shortcut = accelerators()->fromGnomeAccelerator(accelerator))
                checkFromDesktop({*shortcut});
        }
    }
    if (const std::optional<Shortcut> shortcut = accelerators()->fromGnomeAccelerator(text))
        checkFromDesktop({*shortcut});
}

} // namespace

const Target shortcut{"shortcut", &setUpShortcut, &runShortcut};

} // namespace FuzzTargets

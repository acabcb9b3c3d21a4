#include "shortcut.h"

#include "evdevkeycodes.h"
#include "keynames.h"
#include "modifierconversion.h"

#include <QDebug>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QTextBoundaryFinder>

namespace {

const QLatin1StringView keyCodeMember("carbonKeyCode");
const QLatin1StringView modifiersMember("carbonModifiers");

qint64 normalised(qint64 carbonModifiers)
{
    return ModifierConversion::carbonModifiers(ModifierConversion::modifierFlags(carbonModifiers));
}

// A whole number member; any other JSON value, or a missing member, is none.
std::optional<qint64> integerMember(const QJsonObject& object, QLatin1StringView name)
{
    const QJsonValue value = object.value(name);
    if (!value.isDouble())
        return std::nullopt;
    // toInteger() answers its default for a fraction or a number beyond 64 bits; two defaults tell
    // such a number from a stored 0.
    const qint64 integer = value.toInteger(0);
    if (integer == 0 && value.toInteger(1) != 0)
        return std::nullopt;
    return integer;
}

int graphemeCount(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

} // namespace

Shortcut::Shortcut(Key key, quint64 modifierFlags)
    : m_carbonKeyCode(key.rawValue)
    , m_carbonModifiers(ModifierConversion::carbonModifiers(modifierFlags))
{}

Shortcut::Shortcut(qint64 carbonKeyCode, qint64 carbonModifiers)
    : m_carbonKeyCode(carbonKeyCode)
    , m_carbonModifiers(normalised(carbonModifiers))
{}

Shortcut::Shortcut(qint64 carbonKeyCode, qint64 carbonModifiers, AsStored)
    : m_carbonKeyCode(carbonKeyCode)
    , m_carbonModifiers(carbonModifiers)
{}

std::optional<Shortcut> Shortcut::fromKeyEvent(const QEvent& event)
{
    if (event.type() != QEvent::KeyPress && event.type() != QEvent::KeyRelease)
        return std::nullopt;
    const auto& keyEvent = static_cast<const QKeyEvent&>(event);
    const quint32 xKeyCode = keyEvent.nativeScanCode();
    if (xKeyCode > 255)
        return std::nullopt;
    const std::optional<Key> key = EvdevKeyCodes::keyForXKeyCode(int(xKeyCode));
    if (!key)
        return std::nullopt;
    return Shortcut(*key, ModifierFlag::fromQt(keyEvent.modifiers()));
}

std::optional<Shortcut> Shortcut::fromJson(const QByteArray& json)
{
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const std::optional<qint64> keyCode = integerMember(object, keyCodeMember);
    const std::optional<qint64> modifiers = integerMember(object, modifiersMember);
    if (!keyCode || !modifiers)
        return std::nullopt;
    return Shortcut(*keyCode, *modifiers, AsStored{});
}

QByteArray Shortcut::toJson() const
{
    const QJsonObject object{{keyCodeMember, m_carbonKeyCode}, {modifiersMember, m_carbonModifiers}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

quint64 Shortcut::modifiers() const
{
    return ModifierConversion::modifierFlags(m_carbonModifiers);
}

QString Shortcut::description() const
{
    const std::optional<QString> character = KeyNames::keyToCharacter(Key(m_carbonKeyCode));
    return KeyNames::description(modifiers()) + character.value_or(QStringLiteral(u"\uFFFD")).toUpper();
}

QString Shortcut::keyEquivalent() const
{
    const QString character = KeyNames::keyToCharacter(Key(m_carbonKeyCode)).value_or(QString());
    if (graphemeCount(character) < 2)
        return character;
    return KeyNames::keyEquivalentCharacters().value(Key(m_carbonKeyCode));
}

size_t qHash(const Shortcut& shortcut, size_t seed) noexcept
{
    return qHashMulti(seed, shortcut.carbonKeyCode(), shortcut.carbonModifiers());
}

QDebug operator<<(QDebug debug, const Shortcut& shortcut)
{
    const QDebugStateSaver saver(debug);
    debug.nospace() << "Shortcut(" << shortcut.carbonKeyCode() << ", 0x" << Qt::hex
                    << shortcut.carbonModifiers() << ')';
    return debug;
}

// A physical key with the modifier keys held with it: the value the shortcut module stores, registers
// and shows. A plain value usable on any thread, except description() and keyEquivalent(), which read
// the keyboard layout on the main thread. Text that does not decode gives no shortcut, never an error.
#pragma once

#include "key.h"

#include <QByteArray>
#include <QString>

#include <optional>

class QDebug;
class QEvent;

class Shortcut {
public:
    // From a key and modifier flags (ModifierFlag); only command, shift, option and control are kept.
    Shortcut(Key key, quint64 modifierFlags);
    // From a key code and event-manager bits, as read from the desktop's own bindings; the bits are
    // normalised the same way.
    Shortcut(qint64 carbonKeyCode, qint64 carbonModifiers);
    // From a key press or release: the key position from the event's X key code (native scan code),
    // the modifiers from Qt's. None for any other event or a key code outside the table.
    static std::optional<Shortcut> fromKeyEvent(const QEvent& event);

    // The stored form: a JSON object with the integer members "carbonKeyCode" and "carbonModifiers".
    // Decoding keeps the modifier bits as stored.
    static std::optional<Shortcut> fromJson(const QByteArray& json);
    QByteArray toJson() const; // compact UTF-8

    qint64 carbonKeyCode() const { return m_carbonKeyCode; }
    qint64 carbonModifiers() const { return m_carbonModifiers; }
    // The modifiers as modifier flags, e.g. for a menu's key-equivalent mask.
    quint64 modifiers() const;

    // Modifier symbols followed by the key's glyph or character in upper case: "⇧⌘2".
    QString description() const;
    // The one character a menu item shows for the key: the layout's character as typed, a glyph, or a
    // function-key character; empty when there is none.
    QString keyEquivalent() const;

    friend bool operator==(const Shortcut&, const Shortcut&) = default;

private:
    struct AsStored {};
    Shortcut(qint64 carbonKeyCode, qint64 carbonModifiers, AsStored);

    qint64 m_carbonKeyCode;
    qint64 m_carbonModifiers;
};

size_t qHash(const Shortcut& shortcut, size_t seed = 0) noexcept;
QDebug operator<<(QDebug debug, const Shortcut& shortcut);

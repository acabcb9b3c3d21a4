// What a person sees of a key and its modifiers: glyphs of the special keys, modifier symbols, the
// character a key position types on the current keyboard layout, and the desktop's own notation of a
// shortcut. Main thread only (the layout is read from the X server); a key nothing can name gives none.
#pragma once

#include "key.h"

#include <QHash>
#include <QKeySequence>
#include <QString>

#include <optional>

class Shortcut;

namespace KeyNames {

// The toolkit's flag of the function (globe) key; a Shortcut never carries it.
inline constexpr quint64 functionModifierFlag = 0x800000;

// Return, the editing and arrow keys, Escape, Space, Tab and F1 to F20 as shown: "↩", "F5"...
const QHash<Key, QString>& specialKeyGlyphs();
// F1 to F20 as the one-character key equivalents of menu items (U+F704 to U+F717).
const QHash<Key, QString>& keyEquivalentCharacters();

// The symbols of the modifier flags present, always in the order ⌃ ⌥ ⇧ ⌘ and the globe; empty for none.
QString description(quint64 modifierFlags);

// The key's glyph, or what it types without modifiers on the current layout (possibly empty); none
// when neither a glyph nor the layout can say.
std::optional<QString> keyToCharacter(Key key);

// The shortcut as Qt writes it for the Linux desktop, translated, "Ctrl+Shift+2" for the default: Ctrl
// for command, Alt for option, Meta for control, the key by its US character or its name, "Num+" before
// keypad keys. Empty for a key with no PC key.
QString nativeText(const Shortcut& shortcut);
// The same shortcut as a key sequence, for an action's shortcut text; empty for a key with no PC key.
QKeySequence keySequence(const Shortcut& shortcut);

} // namespace KeyNames

#include "qtmodifierkeys.h"

#include <QGuiApplication>

quint64 QtModifierKeys::currentModifierFlags() const
{
    return flagsFromQt(QGuiApplication::queryKeyboardModifiers());
}

quint64 QtModifierKeys::flagsFromQt(Qt::KeyboardModifiers modifiers)
{
    return ModifierFlag::fromQt(modifiers);
}

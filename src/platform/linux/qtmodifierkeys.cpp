#include "qtmodifierkeys.h"

#include <QGuiApplication>

quint64 QtModifierKeys::currentModifierFlags() const
{
    return flagsFromQt(QGuiApplication::queryKeyboardModifiers());
}

quint64 QtModifierKeys::flagsFromQt(Qt::KeyboardModifiers modifiers)
{
    quint64 flags = 0;
    if (modifiers & Qt::ControlModifier)
        flags |= ModifierFlag::command;
    if (modifiers & Qt::AltModifier)
        flags |= ModifierFlag::option;
    if (modifiers & Qt::MetaModifier)
        flags |= ModifierFlag::control;
    if (modifiers & Qt::ShiftModifier)
        flags |= ModifierFlag::shift;
    return flags;
}

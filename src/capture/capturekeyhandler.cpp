#include "capturekeyhandler.h"

#include "appkitviewmodel.h"
#include "modifierflags.h"

namespace {

// The flag a modifier key stands for; zero for any other key.
quint64 flagOfKey(int key)
{
    switch (key) {
    case Qt::Key_Control:
        return ModifierFlag::command;
    case Qt::Key_Alt:
        return ModifierFlag::option;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
        return ModifierFlag::control;
    case Qt::Key_Shift:
        return ModifierFlag::shift;
    default:
        return 0;
    }
}

} // namespace

CaptureKeyHandler::CaptureKeyHandler(AppKitViewModel& viewModel, StopHandler stop)
    : m_viewModel(viewModel)
    , m_stop(std::move(stop))
{}

bool CaptureKeyHandler::handle(const KeyEvent& event)
{
    if (const std::optional<quint64> flags = flagsAfter(event)) {
        // Held modifier keys may repeat: that changes nothing.
        if (!event.autoRepeat)
            m_viewModel.applyModifierFlags(*flags);
        return true;
    }
    switch (event.key) {
    case Qt::Key_Space:
        // X11 repeats a held key as release and press pairs marked as repeats, or, with detectable
        // auto-repeat (which the hot keys turn on), as further presses: only the real press and the real
        // release count, so a held key never starts the move again.
        if (!event.autoRepeat && event.pressed != m_viewModel.isMovingCaptureArea().value() &&
            (!event.pressed || m_viewModel.isCapturing().value()))
            m_viewModel.setIsMovingCaptureArea(event.pressed);
        return true;
    case Qt::Key_Escape:
        if (!m_viewModel.isCapturing().value())
            return false;
        if (event.pressed && !event.autoRepeat) {
            m_viewModel.setIsCapturingCancelled(true);
            if (m_stop)
                m_stop();
        }
        return true;
    default:
        return false;
    }
}

quint64 CaptureKeyHandler::modifierFlags(Qt::KeyboardModifiers modifiers)
{
    return ModifierFlag::fromQt(modifiers);
}

std::optional<quint64> CaptureKeyHandler::flagsAfter(const KeyEvent& event)
{
    const quint64 flag = flagOfKey(event.key);
    if (!flag)
        return std::nullopt;
    const quint64 before = modifierFlags(event.modifiers);
    return event.pressed ? before | flag : before & ~flag;
}

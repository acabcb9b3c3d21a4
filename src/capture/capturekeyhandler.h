// The keyboard during a capture, as a plain state machine fed with key events: Space held moves the
// capture area, Escape cancels and stops the capture, Ctrl, Alt, Super and Shift feed the modifier latch;
// every other key (shortcuts such as Ctrl+C included) is declined. Main thread only; it never fails.
#pragma once

#include <QtCore/qnamespace.h>

#include <functional>
#include <optional>

class AppKitViewModel;

class CaptureKeyHandler {
public:
    struct KeyEvent {
        int key = 0; // Qt::Key
        bool pressed = true;
        bool autoRepeat = false;
        Qt::KeyboardModifiers modifiers{}; // as the event reports them
    };
    using StopHandler = std::function<void()>;

    // `stop` ends the capture after Escape has marked it cancelled.
    CaptureKeyHandler(AppKitViewModel& viewModel, StopHandler stop);

    // Whether the key was taken; a declined key goes on to the widget's own handling.
    bool handle(const KeyEvent& event);

    // Qt modifiers as modifier flags: Ctrl is command, Alt option, Meta control, Shift shift.
    static quint64 modifierFlags(Qt::KeyboardModifiers modifiers);
    // The modifier flags once a modifier key has gone down or up, whether or not the event's modifiers
    // already count it (on X11 they describe the keys held before it); none for other keys.
    static std::optional<quint64> flagsAfter(const KeyEvent& event);

private:
    AppKitViewModel& m_viewModel;
    StopHandler m_stop;
};

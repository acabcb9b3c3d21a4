// The first-run window: explains the two steps of using Oculo, lists the recognition languages and
// offers the screen-capture permission, or "Done" when captures are already allowed. Shown modally by
// the application delegate; closing it, by its button, the title bar or Escape, ends the modal run. It
// stays above ordinary windows. Main thread only.
#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>

class WelcomeView;

// Whether Oculo may capture the screen, and how to ask for it. On an X11 session captures need no
// permission; on a Wayland session the Screenshot portal answers.
struct ScreenCaptureAccess {
    // True when captures are allowed; asks the user nothing. Asked each time the window is shown.
    std::function<bool()> preflight;
    // Lets the user grant the permission (the desktop shows its own prompt or settings); the answer is
    // seen at the next `preflight`.
    std::function<void()> request;
};

class WelcomeWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr int contentWidth = 430;
    static constexpr int contentHeight = 540; // the least: taller where the view's notes need it

    // `installedRecognitionLanguages`: the OCR engine's codes of the installed languages ("eng", ...),
    // from which the window lists the supported languages by name.
    WelcomeWindow(ScreenCaptureAccess access, const QStringList& installedRecognitionLanguages,
                  QWidget* parent = nullptr);

    // Shows the window and returns once it has been closed.
    void runModal();

    // Places the window in the middle of `area` (global top-down coordinates).
    void centerOn(const QRect& area);

    WelcomeView& view() const { return *m_view; }

protected:
    // Taller than contentHeight where the notes the view was given need it, about the same centre.
    void showEvent(QShowEvent* event) override;

private:
    WelcomeView* m_view;
};

// The window of a capture: an opaque, frameless, override-redirect window above every other one that
// covers the capture screen and hosts the region-selection overlay; while a capture runs it holds the
// keyboard and the pointer. Made once and reused for every capture. Main thread only; a grab that the X
// server refuses (another client holding one) is retried briefly, then the capture goes on without it.
#pragma once

#include "capturekeyhandler.h"
#include "regionselectionview.h"
#include "screens.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

class AppKitViewModel;
class QWindow;

class CaptureWindow : public QWidget {
    Q_OBJECT
public:
    CaptureWindow(AppKitViewModel& viewModel, Screens& screens,
                  RegionSelectionView::FrameHandler frameHandler, QWidget* parent = nullptr);

    RegionSelectionView& regionSelectionView() const { return *m_view; }

    // Covers that screen (its global bottom-up frame turned into Qt's top-down geometry).
    void setScreenFrame(const ScreenDescription& screen);
    // The screen as it was when the capture started, for the overlay to show.
    void setBackgroundImage(const QImage& image);

    void startCapture(const ScreenDescription& screen);
    void stopCapture();
    // Tracks the pointer now, as a movement would: onto another screen, the capture follows it.
    void followPointer();

    // Whether the X server gave this window the keyboard and the pointer.
    bool hasKeyboardGrab() const { return m_keyboardGrabbed; }
    bool hasPointerGrab() const { return m_pointerGrabbed; }

signals:
    // Another application took the focus during a capture: the window hid itself and let go of the
    // keyboard and the pointer; the capture state is unchanged.
    void hiddenOnDeactivation(QPrivateSignal);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void updateMouseLocation();
    bool handleKey(QKeyEvent* event);
    void grabInput();
    void releaseInput();
    void hideOnDeactivation();

    AppKitViewModel& m_viewModel;
    Screens& m_screens;
    RegionSelectionView* m_view;
    CaptureKeyHandler m_keyHandler;
    QTimer m_grabRetry;
    int m_grabAttempts = 0;
    bool m_keyboardGrabbed = false;
    bool m_pointerGrabbed = false;
    // One of our own windows that had the focus before the capture gets it back afterwards.
    QPointer<QWindow> m_previousFocus;
};

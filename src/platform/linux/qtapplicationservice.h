// Activation, hiding and termination of the application through Qt. Main thread only. What the window
// manager refuses (focus stealing prevention) is left as it decides; nothing here fails loudly.
#pragma once

#include "applicationservice.h"
#include "hiddenwindowlog.h"

#include <QList>
#include <QObject>
#include <QPointer>

class QWindow;

class QtApplicationService : public QObject, public ApplicationService {
    Q_OBJECT
public:
    explicit QtApplicationService(QObject* parent = nullptr);

    // Shows what hide() hid, raises the application's visible window, if any, and gives the next window
    // shown the focus.
    void activate() override;
    // Hides every visible top-level window of the application except its tray icon; the window
    // manager gives the focus back to the window that had it. The hidden windows are shown again by
    // activate() or as soon as another window of the application is shown (a capture starting).
    void hide() override;
    // Hides every visible top-level widget but the tray icon's (popups close for good) and returns the
    // area they and the widgets hidden just before covered.
    QRegion stepAside() override;
    void stepBack() override;
    void terminate() override;

    // True between activate() and the next window shown.
    bool isActivationPending() const { return m_activationPending; }
    // True between hide() and the next activation or window shown.
    bool isHidden() const { return !m_hiddenWidgets.isEmpty() || !m_hiddenWindows.isEmpty(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static bool takesFocus(const QWindow& window);
    static void bringForward(QWindow* window);
    void unhide();
    bool isHiddenByUs(const QWindow* window) const;
    void updateEventFilter();

    HiddenWindowLog m_hiddenWindowLog;
    QList<QPointer<QWidget>> m_steppedAside;
    bool m_activationPending = false;
    bool m_filtering = false;
    QList<QPointer<QWidget>> m_hiddenWidgets;
    QList<QPointer<QWindow>> m_hiddenWindows;
};

// Activation, hiding and termination of the application through Qt. Main thread only. What the window
// manager refuses (focus stealing prevention) is left as it decides; nothing here fails loudly.
#pragma once

#include "applicationservice.h"

#include <QObject>

class QWindow;

class QtApplicationService : public QObject, public ApplicationService {
    Q_OBJECT
public:
    explicit QtApplicationService(QObject* parent = nullptr);

    // Raises the application's visible window, if any, and gives the next window shown the focus.
    void activate() override;
    // Hides every visible top-level window of the application except its tray icon; the window
    // manager gives the focus back to the window that had it.
    void hide() override;
    void terminate() override;

    // True between activate() and the next window shown.
    bool isActivationPending() const { return m_activationPending; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static bool takesFocus(const QWindow& window);
    static void bringForward(QWindow* window);

    bool m_activationPending = false;
};

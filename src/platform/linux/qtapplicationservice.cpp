#include "qtapplicationservice.h"

#include "platformlogging.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QSet>
#include <QWidget>
#include <QWindow>

namespace {

// The tray icon's embedded window (XEmbed fallback) belongs to the tray: it is neither focused nor
// hidden with the application's windows.
bool isTrayIcon(const QWidget& widget)
{
    return widget.inherits("QSystemTrayIconSys");
}

QSet<QWindow*> trayIconWindows()
{
    QSet<QWindow*> windows;
    const QWidgetList widgets = QApplication::topLevelWidgets();
    for (const QWidget* widget : widgets) {
        if (isTrayIcon(*widget) && widget->windowHandle())
            windows.insert(widget->windowHandle());
    }
    return windows;
}

} // namespace

QtApplicationService::QtApplicationService(QObject* parent)
    : QObject(parent)
{}

void QtApplicationService::activate()
{
    if (!m_activationPending && QCoreApplication::instance()) {
        m_activationPending = true;
        QCoreApplication::instance()->installEventFilter(this);
    }
    // The focus window first, else the last visible one listed.
    const QSet<QWindow*> trayIcons = trayIconWindows();
    QWindow* current = QGuiApplication::focusWindow();
    if (!current || !takesFocus(*current) || trayIcons.contains(current)) {
        current = nullptr;
        const QWindowList windows = QGuiApplication::topLevelWindows();
        for (QWindow* window : windows) {
            if (window->isVisible() && takesFocus(*window) && !trayIcons.contains(window))
                current = window;
        }
    }
    if (current)
        bringForward(current);
}

void QtApplicationService::hide()
{
    QSet<QWindow*> widgetWindows;
    const QWidgetList widgets = QApplication::topLevelWidgets();
    for (QWidget* widget : widgets) {
        if (widget->windowHandle())
            widgetWindows.insert(widget->windowHandle());
        if (widget->isVisible() && !isTrayIcon(*widget))
            widget->hide();
    }
    const QWindowList windows = QGuiApplication::topLevelWindows();
    for (QWindow* window : windows) {
        if (window->isVisible() && !widgetWindows.contains(window))
            window->hide();
    }
}

void QtApplicationService::terminate()
{
    qCDebug(lcPlatform) << "Quitting";
    QCoreApplication::quit();
}

bool QtApplicationService::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Show || !watched->isWindowType())
        return false;
    auto* window = static_cast<QWindow*>(watched);
    if (window->parent() || !takesFocus(*window) || trayIconWindows().contains(window))
        return false;
    m_activationPending = false;
    QCoreApplication::instance()->removeEventFilter(this);
    // Once the window is mapped; it may be gone by then, and the connection with it.
    QMetaObject::invokeMethod(
        window, [window] { bringForward(window); }, Qt::QueuedConnection);
    return false;
}

bool QtApplicationService::takesFocus(const QWindow& window)
{
    const Qt::WindowType type = window.type();
    return type != Qt::Popup && type != Qt::ToolTip && type != Qt::SplashScreen && type != Qt::Desktop &&
           !(window.flags() & Qt::WindowDoesNotAcceptFocus);
}

void QtApplicationService::bringForward(QWindow* window)
{
    if (!window->isVisible())
        return;
    window->raise();
    window->requestActivate();
}

#include "qtapplicationservice.h"

#include "platformlogging.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QSet>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <utility>

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

// What was hidden this long before a picture of the display may still be on the screen: a menu closes as
// its item is chosen, and the windows below repaint what it covered a little later.
constexpr std::chrono::milliseconds justHidden{300};

} // namespace

QtApplicationService::QtApplicationService(QObject* parent)
    : QObject(parent)
{}

void QtApplicationService::activate()
{
    unhide();
    m_activationPending = true;
    updateEventFilter();
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
        if (widget->isVisible() && !isTrayIcon(*widget)) {
            widget->hide();
            m_hiddenWidgets.append(widget);
        }
    }
    const QWindowList windows = QGuiApplication::topLevelWindows();
    for (QWindow* window : windows) {
        if (window->isVisible() && !widgetWindows.contains(window)) {
            window->hide();
            m_hiddenWindows.append(window);
        }
    }
    updateEventFilter();
}

QRegion QtApplicationService::stepAside()
{
    QRegion covered;
    const QWidgetList widgets = QApplication::topLevelWidgets();
    for (QWidget* widget : widgets) {
        if (!widget->isVisible() || isTrayIcon(*widget))
            continue;
        covered += HiddenWindowLog::coveredArea(*widget);
        if (widget->windowType() == Qt::Popup) {
            widget->close();
            continue;
        }
        widget->hide();
        m_steppedAside.append(widget);
    }
    return covered + m_hiddenWindowLog.hiddenWithin(justHidden);
}

void QtApplicationService::stepBack()
{
    const QList<QPointer<QWidget>> widgets = std::exchange(m_steppedAside, {});
    for (const QPointer<QWidget>& widget : widgets) {
        if (widget && widget->isHidden())
            widget->show();
    }
}

void QtApplicationService::unhide()
{
    // Taken first: showing them comes back through the event filter.
    const QList<QPointer<QWidget>> widgets = std::exchange(m_hiddenWidgets, {});
    const QList<QPointer<QWindow>> windows = std::exchange(m_hiddenWindows, {});
    updateEventFilter();
    for (const QPointer<QWidget>& widget : widgets) {
        if (widget && !widget->isVisible())
            widget->show();
    }
    for (const QPointer<QWindow>& window : windows) {
        if (window && !window->isVisible())
            window->show();
    }
}

bool QtApplicationService::isHiddenByUs(const QWindow* window) const
{
    return std::any_of(m_hiddenWindows.cbegin(), m_hiddenWindows.cend(),
                       [window](const QPointer<QWindow>& hidden) { return hidden == window; }) ||
           std::any_of(m_hiddenWidgets.cbegin(), m_hiddenWidgets.cend(),
                       [window](const QPointer<QWidget>& hidden) {
                           return hidden && hidden->windowHandle() == window;
                       });
}

void QtApplicationService::updateEventFilter()
{
    QCoreApplication* application = QCoreApplication::instance();
    const bool wanted = application && (m_activationPending || isHidden());
    if (wanted == m_filtering)
        return;
    m_filtering = wanted;
    if (wanted)
        application->installEventFilter(this);
    else
        application->removeEventFilter(this);
}

void QtApplicationService::terminate()
{
    qCDebug(lcPlatform) << "Quitting";
    QCoreApplication::quit();
}

bool QtApplicationService::eventFilter(QObject* watched, QEvent* event)
{
    // A hidden window its owner closes meanwhile stays closed.
    if (event->type() == QEvent::Close && watched->isWidgetType()) {
        m_hiddenWidgets.removeIf([watched](const QPointer<QWidget>& hidden) { return hidden == watched; });
        updateEventFilter();
        return false;
    }
    if (event->type() != QEvent::Show || !watched->isWindowType())
        return false;
    auto* window = static_cast<QWindow*>(watched);
    if (window->parent() || trayIconWindows().contains(window))
        return false;
    // Another window shown by the application brings back what hide() hid, as an activation would.
    // Shown now, before that window is mapped, they stay below it.
    if (isHidden() && !isHiddenByUs(window))
        unhide();
    if (!m_activationPending || !takesFocus(*window))
        return false;
    m_activationPending = false;
    updateEventFilter();
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

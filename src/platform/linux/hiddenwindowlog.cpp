#include "hiddenwindowlog.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace {

// Older entries can no longer matter to a capture.
constexpr qint64 keptFor = 2000; // ms

} // namespace

HiddenWindowLog::HiddenWindowLog(QObject* parent)
    : QObject(parent)
{
    m_clock.start();
    if (QCoreApplication* application = QCoreApplication::instance())
        application->installEventFilter(this);
}

QRegion HiddenWindowLog::hiddenWithin(std::chrono::milliseconds age) const
{
    QRegion area;
    const qint64 now = m_clock.elapsed();
    for (const Entry& entry : m_entries) {
        if (now - entry.hiddenAt <= age.count())
            area += entry.area;
    }
    return area;
}

QRegion HiddenWindowLog::coveredArea(const QWidget& window)
{
    const QRegion mask = window.mask();
    if (mask.isEmpty())
        return QRegion(window.frameGeometry());
    return mask.translated(window.geometry().topLeft());
}

bool HiddenWindowLog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Hide || !watched->isWidgetType())
        return false;
    const auto* widget = static_cast<const QWidget*>(watched);
    // The tray icon's own window belongs to the tray.
    if (!widget->isWindow() || widget->inherits("QSystemTrayIconSys"))
        return false;
    const qint64 now = m_clock.elapsed();
    m_entries.removeIf([now](const Entry& entry) { return now - entry.hiddenAt > keptFor; });
    m_entries.append({coveredArea(*widget), now});
    return false;
}

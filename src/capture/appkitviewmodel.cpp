#include "appkitviewmodel.h"

#include "modifierflags.h"

AppKitViewModel::AppKitViewModel(QObject* parent)
    : QObject(parent)
    , m_mouseLocation(QPointF(0, 0))
    , m_selectedFrame(QRectF(0, 0, 0, 0))
{}

template <typename T> void AppKitViewModel::assign(Published<T>& property, T value)
{
    m_objectWillChange.send(Event{});
    property.set(std::move(value));
}

void AppKitViewModel::setMouseLocation(QPointF value)
{
    assign(m_mouseLocation, value);
}

void AppKitViewModel::setCurrentScreen(const std::optional<ScreenDescription>& value)
{
    assign(m_currentScreen, value);
}

void AppKitViewModel::setSelectedFrame(const QRectF& value)
{
    assign(m_selectedFrame, value);
}

void AppKitViewModel::setIsCapturing(bool value)
{
    assign(m_isCapturing, value);
}

void AppKitViewModel::setIsDragging(bool value)
{
    assign(m_isDragging, value);
}

void AppKitViewModel::setIsMovingCaptureArea(bool value)
{
    assign(m_isMovingCaptureArea, value);
}

void AppKitViewModel::setIsCapturingCancelled(bool value)
{
    assign(m_isCapturingCancelled, value);
}

void AppKitViewModel::setIsWebSearchKeyPressed(bool value)
{
    assign(m_isWebSearchKeyPressed, value);
}

void AppKitViewModel::setIsActionKeyPressed(bool value)
{
    assign(m_isActionKeyPressed, value);
}

double AppKitViewModel::flippedMouseY() const
{
    const auto& screen = m_currentScreen.value();
    if (!screen)
        return m_mouseLocation.value().y();
    return screen->frame.bottom() - m_mouseLocation.value().y();
}

void AppKitViewModel::setFlippedMouseLocation(double x, double y)
{
    // QRectF::bottom() is y + height: in bottom-up points that is the screen's top edge.
    setMouseLocation(QPointF(x, m_mouseLocation.value().y()));
    const auto& screen = m_currentScreen.value();
    setMouseLocation(QPointF(m_mouseLocation.value().x(), screen ? screen->frame.bottom() - y : y));
}

bool AppKitViewModel::frameContainsPointer(const QRectF& frame, QPointF pointer)
{
    return pointer.x() >= frame.left() && pointer.x() < frame.right() && pointer.y() > frame.top() &&
           pointer.y() <= frame.bottom();
}

std::optional<ScreenDescription> AppKitViewModel::screenUnderPointer(const QList<ScreenDescription>& screens,
                                                                     QPointF globalPointer)
{
    for (const ScreenDescription& screen : screens) {
        if (frameContainsPointer(screen.frame, globalPointer))
            return screen;
    }
    return std::nullopt;
}

void AppKitViewModel::updateMouseLocation(const QList<ScreenDescription>& screens, QPointF globalPointer)
{
    const auto screen = screenUnderPointer(screens, globalPointer);
    if (!screen) {
        setMouseLocation(globalPointer);
        return;
    }
    setMouseLocation(QPointF(globalPointer.x() - screen->frame.x(), globalPointer.y()));
    if (m_currentScreen.value() && *m_currentScreen.value() != *screen) {
        setCurrentScreen(screen);
        m_mouseDidLeaveScreen.send(Event{});
    }
}

void AppKitViewModel::applyModifierFlags(quint64 flags)
{
    const bool command = (flags & ModifierFlag::command) != 0;
    const bool option = (flags & ModifierFlag::option) != 0;
    if (m_isWebSearchKeyPressed.value() && !command) {
        setIsWebSearchKeyPressed(false);
        return;
    }
    if (m_isActionKeyPressed.value() && !option) {
        setIsActionKeyPressed(false);
        return;
    }
    if (m_isWebSearchKeyPressed.value() || m_isActionKeyPressed.value())
        return;
    setIsWebSearchKeyPressed(command);
    setIsActionKeyPressed(option);
}

// The observable state of the capture in progress: the pointer, the capture screen, the selection and
// the capture's modes and latched modifier keys. Every property announces a change before it is
// stored; `objectWillChange` fires before any of them changes, for views that simply redraw. Screens
// and the pointer are in global bottom-up points; `selectedFrame` is top-down from the screen's
// top-left corner. Main thread only.
#pragma once

#include "published.h"
#include "screens.h"
#include "subject.h"

#include <QObject>
#include <QPointF>
#include <QRectF>

#include <optional>
#include <variant>

class AppKitViewModel : public QObject {
    Q_OBJECT
public:
    using Event = std::monostate;

    explicit AppKitViewModel(QObject* parent = nullptr);

    const Published<QPointF>& mouseLocation() const { return m_mouseLocation; }
    const Published<std::optional<ScreenDescription>>& currentScreen() const { return m_currentScreen; }
    const Published<QRectF>& selectedFrame() const { return m_selectedFrame; }
    const Published<bool>& isCapturing() const { return m_isCapturing; }
    const Published<bool>& isDragging() const { return m_isDragging; }
    const Published<bool>& isMovingCaptureArea() const { return m_isMovingCaptureArea; }
    const Published<bool>& isCapturingCancelled() const { return m_isCapturingCancelled; }
    const Published<bool>& isWebSearchKeyPressed() const { return m_isWebSearchKeyPressed; }
    const Published<bool>& isActionKeyPressed() const { return m_isActionKeyPressed; }

    // Fires when the pointer moves onto another screen during a capture, after `currentScreen` changed.
    const Subject<Event>& mouseDidLeaveScreenPublisher() const { return m_mouseDidLeaveScreen; }
    // Fires before any property changes.
    const Subject<Event>& objectWillChange() const { return m_objectWillChange; }

    void setMouseLocation(QPointF value);
    void setCurrentScreen(const std::optional<ScreenDescription>& value);
    void setSelectedFrame(const QRectF& value);
    void setIsCapturing(bool value);
    void setIsDragging(bool value);
    void setIsMovingCaptureArea(bool value);
    void setIsCapturingCancelled(bool value);
    void setIsWebSearchKeyPressed(bool value);
    void setIsActionKeyPressed(bool value);

    // The pointer's distance from the top edge of the current screen (y unchanged without a screen).
    double flippedMouseY() const;
    // Sets the pointer from top-down screen coordinates: x first, then y, as two changes.
    void setFlippedMouseLocation(double x, double y);

    // Pointer tracking: the pointer relative to the screen under it, following it across screens.
    void updateMouseLocation(const QList<ScreenDescription>& screens, QPointF globalPointer);
    // The modifier latch: the first of Ctrl (web search) and Alt (action) to go down holds until released.
    void applyModifierFlags(quint64 flags);

    // Whether a global bottom-up point lies on a screen frame: left and bottom edges open, as the
    // window toolkit tests the pointer against an unflipped rectangle.
    static bool frameContainsPointer(const QRectF& frame, QPointF pointer);
    // The first screen whose frame holds the pointer.
    static std::optional<ScreenDescription> screenUnderPointer(const QList<ScreenDescription>& screens,
                                                               QPointF globalPointer);

private:
    template <typename T> void assign(Published<T>& property, T value);

    Published<QPointF> m_mouseLocation;
    Published<std::optional<ScreenDescription>> m_currentScreen;
    Published<QRectF> m_selectedFrame;
    Published<bool> m_isCapturing;
    Published<bool> m_isDragging;
    Published<bool> m_isMovingCaptureArea;
    Published<bool> m_isCapturingCancelled;
    Published<bool> m_isWebSearchKeyPressed;
    Published<bool> m_isActionKeyPressed;
    Subject<Event> m_mouseDidLeaveScreen;
    Subject<Event> m_objectWillChange;
};

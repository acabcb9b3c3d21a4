#include "regionselectiongesture.h"

#include "appkitviewmodel.h"
#include "regionselectiongeometry.h"

// How the queued work is ordered. Every change (the press, then each movement) sets the start position
// at once and posts two pieces of work: raising `isDragging`, and, unless the selection is frozen
// (`isMovingCaptureArea`), writing the pointer and the selection from the gesture values as they stand
// when the work runs. The release lowers `isDragging` at once and posts the end of the drag behind
// everything already queued.
//
// The gesture values are not reset at the release but by that end work: updates queued by the last
// movements still see the final values, write the final selection, and the end work hands exactly that
// selection on. All queued work belongs to one drag: a raise of `isDragging` that runs after its drag
// was released does nothing (it would leave the overlay dragging for good), and a newer press makes
// the older drag's leftover work do nothing, since the newer drag now owns the values.

RegionSelectionGesture::RegionSelectionGesture(AppKitViewModel& viewModel, Post post,
                                               FrameHandler frameHandler)
    : m_viewModel(viewModel)
    , m_post(std::move(post))
    , m_frameHandler(std::move(frameHandler))
    , m_self(std::make_shared<RegionSelectionGesture*>(this))
{}

RegionSelectionGesture::~RegionSelectionGesture() = default;

QRectF RegionSelectionGesture::selection() const
{
    return RegionSelectionGeometry::selectionRect(m_startPosition, m_translation);
}

void RegionSelectionGesture::press(QPointF location)
{
    if (m_active)
        return;
    ++m_drag;
    m_active = true;
    m_start = location;
    change(location);
}

void RegionSelectionGesture::move(QPointF location)
{
    if (m_active)
        change(location);
}

void RegionSelectionGesture::release(QPointF location)
{
    if (!m_active)
        return;
    // A release away from the last reported position is the drag's last movement.
    if (location != m_current)
        change(location);
    m_active = false;
    m_viewModel.setIsDragging(false);
    postForThisDrag(&RegionSelectionGesture::finish);
}

void RegionSelectionGesture::cancel()
{
    // A new drag number makes everything still queued belong to no drag.
    ++m_drag;
    m_active = false;
    m_startPosition = QPointF();
    m_translation = QSizeF(0, 0);
}

void RegionSelectionGesture::change(QPointF location)
{
    m_current = location;
    m_startPosition = m_start;
    postForThisDrag(&RegionSelectionGesture::startDragging);
    if (m_viewModel.isMovingCaptureArea().value())
        return;
    const QPointF moved = m_current - m_start;
    m_translation = QSizeF(moved.x(), moved.y());
    postForThisDrag(&RegionSelectionGesture::writeSelection);
}

void RegionSelectionGesture::postForThisDrag(void (RegionSelectionGesture::*work)())
{
    std::weak_ptr<RegionSelectionGesture*> weak = m_self;
    const quint64 drag = m_drag;
    m_post([weak, drag, work] {
        const auto self = weak.lock();
        if (self && (*self)->m_drag == drag)
            ((*self)->*work)();
    });
}

void RegionSelectionGesture::startDragging()
{
    if (m_active)
        m_viewModel.setIsDragging(true);
}

void RegionSelectionGesture::writeSelection()
{
    m_viewModel.setFlippedMouseLocation(m_startPosition.x() + m_translation.width(),
                                        m_startPosition.y() + m_translation.height());
    m_viewModel.setSelectedFrame(selection());
}

void RegionSelectionGesture::finish()
{
    m_startPosition = QPointF();
    m_translation = QSizeF(0, 0);
    const QRectF frame = m_viewModel.selectedFrame().value();
    // The handler may end the capture and destroy this gesture: nothing may follow the call.
    if (frame != QRectF(0, 0, 0, 0) && m_frameHandler)
        m_frameHandler(frame);
}

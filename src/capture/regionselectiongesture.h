// The drag gesture of the region-selection overlay, fed with the primary button's press, movements
// and release in overlay points. It keeps where the drag began and how far it went, and writes the
// dragging state, the pointer and the selection to the capture state, partly later on the main loop
// through `post`; at the end a selection other than the zero rectangle goes to the frame handler.
// Main thread only; events out of order (a move before any press, a second press) are ignored.
#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <functional>
#include <memory>

class AppKitViewModel;

class RegionSelectionGesture {
public:
    using Work = std::function<void()>;
    // Runs the work later on the main loop, in the order posted.
    using Post = std::function<void(Work)>;
    using FrameHandler = std::function<void(const QRectF&)>;

    RegionSelectionGesture(AppKitViewModel& viewModel, Post post, FrameHandler frameHandler);
    ~RegionSelectionGesture();
    RegionSelectionGesture(const RegionSelectionGesture&) = delete;
    RegionSelectionGesture& operator=(const RegionSelectionGesture&) = delete;

    void press(QPointF location);
    void move(QPointF location);
    void release(QPointF location);
    // Forgets the drag under way, if any, and the work it queued: the overlay went away before the
    // release reached it (Escape during a drag, another window taking the focus), and the next capture
    // starts with the button up. Writes nothing to the capture state and calls no handler.
    void cancel();

    // Whether the button is down (between press and release).
    bool isActive() const { return m_active; }
    // Where the current drag began and how far it has moved; (0, 0) outside a drag.
    QPointF startPosition() const { return m_startPosition; }
    QSizeF translation() const { return m_translation; }
    // The selection they describe, with non-negative width and height.
    QRectF selection() const;

private:
    void change(QPointF location);
    void postForThisDrag(void (RegionSelectionGesture::*work)());
    void startDragging();
    void writeSelection();
    void finish();

    AppKitViewModel& m_viewModel;
    Post m_post;
    FrameHandler m_frameHandler;
    QPointF m_start;
    QPointF m_current;
    QPointF m_startPosition;
    QSizeF m_translation{0, 0};
    bool m_active = false;
    quint64 m_drag = 0;
    // Queued work holds a weak reference to this, so it does nothing once the gesture is gone.
    std::shared_ptr<RegionSelectionGesture*> m_self;
};

#include "regionselectionview.h"

#include "appkitviewmodel.h"
#include "localizedstrings.h"
#include "regionselectiongesture.h"
#include "regionselectionpainter.h"

#include <QEasingCurve>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QVariantAnimation>

namespace {

// The hint fades at twice the speed of a default transition; the badge eases out.
constexpr int hintFadeMilliseconds = 150;
constexpr int badgeTransitionMilliseconds = 200;

// A value between hidden (0) and shown (1) that moves towards its target over an animation, or at once.
struct Transition {
    Transition(int milliseconds, QEasingCurve::Type curve)
    {
        animation.setDuration(milliseconds);
        animation.setEasingCurve(curve);
    }

    void moveTo(double target, bool animated)
    {
        if (animation.state() == QAbstractAnimation::Running) {
            if (animation.endValue().toDouble() == target)
                return;
            animation.stop();
        } else if (value == target) {
            return;
        }
        if (!animated) {
            value = target;
            return;
        }
        animation.setStartValue(value);
        animation.setEndValue(target);
        animation.start();
    }

    QVariantAnimation animation;
    double value = 0;
};

} // namespace

struct RegionSelectionView::Private {
    Private(RegionSelectionView& view, AppKitViewModel& model, double thickness, FrameHandler frameHandler)
        : viewModel(model)
        , crossHairThickness(thickness)
        , gesture(model, postTo(view), std::move(frameHandler))
    {}

    // Queued work runs on the main loop in the view's context; the view repaints after it, since it
    // may have moved the gesture's values without touching the capture state.
    static RegionSelectionGesture::Post postTo(RegionSelectionView& view)
    {
        return [target = &view](RegionSelectionGesture::Work work) {
            QMetaObject::invokeMethod(
                target,
                [view = QPointer<RegionSelectionView>(target), work = std::move(work)] {
                    work();
                    if (view)
                        view->update();
                },
                Qt::QueuedConnection);
        };
    }

    // What to draw now; `scale` is the painter's device pixels per point.
    RegionSelectionScene scene(const RegionSelectionView& view, double scale) const
    {
        RegionSelectionScene scene;
        scene.size = view.size();
        scene.scale = scale;
        scene.pointer = QPointF(viewModel.mouseLocation().value().x(), viewModel.flippedMouseY());
        scene.thickness = crossHairThickness;
        scene.selection = gesture.selection();
        scene.isDragging = viewModel.isDragging().value();
        scene.isMovingCaptureArea = viewModel.isMovingCaptureArea().value();
        scene.hintOpacity = hint.value;
        scene.badgeProgress = badge.value;
        scene.hintText = Strings::windowCaptureHintTitle();
        scene.hintFont = RegionSelectionPainter::hintFont(view.font());
        scene.accent = view.palette().color(QPalette::Highlight);
        return scene;
    }

    AppKitViewModel& viewModel;
    double crossHairThickness;
    QImage background;
    RegionSelectionGesture gesture;
    Transition hint{hintFadeMilliseconds, QEasingCurve::InOutQuad};
    Transition badge{badgeTransitionMilliseconds, QEasingCurve::OutCubic};
};

RegionSelectionView::RegionSelectionView(AppKitViewModel& viewModel, double crossHairThickness,
                                         FrameHandler frameHandler, QWidget* parent)
    : QWidget(parent)
    , d(std::make_unique<Private>(*this, viewModel, crossHairThickness, std::move(frameHandler)))
{
    // The overlay draws its own pointer mark.
    setCursor(Qt::BlankCursor);
    for (Transition* transition : {&d->hint, &d->badge})
        connect(&transition->animation, &QVariantAnimation::valueChanged, this,
                [this, transition](const QVariant& value) {
                    transition->value = value.toDouble();
                    update();
                });
    viewModel.objectWillChange().subscribe(this, [this](const AppKitViewModel::Event&) { update(); });
    // Hidden, the overlay has nothing to animate: it shows the end state when it appears.
    viewModel.isDragging().subscribe(this, [this](const bool& dragging) {
        d->hint.moveTo(dragging ? 0 : 1, isVisible());
        update();
    });
    viewModel.isWebSearchKeyPressed().subscribe(this, [this](const bool& pressed) {
        d->badge.moveTo(pressed ? 1 : 0, isVisible());
        update();
    });
}

RegionSelectionView::~RegionSelectionView() = default;

void RegionSelectionView::setBackgroundImage(const QImage& image)
{
    d->background = image;
    update();
}

bool RegionSelectionView::isDragUnderway() const
{
    return d->gesture.isActive();
}

void RegionSelectionView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const RegionSelectionScene scene = d->scene(*this, painter.deviceTransform().m11());
    RegionSelectionPainter::drawBackground(painter, d->background);
    RegionSelectionPainter::drawHint(painter, scene);
    RegionSelectionPainter::drawCrosshair(painter, scene);
    RegionSelectionPainter::drawSelection(painter, scene);
    RegionSelectionPainter::drawPointerMark(painter, scene);
    RegionSelectionPainter::drawWebSearchBadge(painter, scene);
}

void RegionSelectionView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    d->gesture.press(event->position());
    update();
}

void RegionSelectionView::mouseMoveEvent(QMouseEvent* event)
{
    d->gesture.move(event->position());
    update();
}

void RegionSelectionView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    d->gesture.release(event->position());
    update();
}

void RegionSelectionView::hideEvent(QHideEvent*)
{
    // A release that comes after the overlay is gone goes to another window: the drag ends here.
    d->gesture.cancel();
}

// The content of the capture window: shows the screen image taken when the capture started and draws
// over it the crosshair, the hint, the darkened selection, the pointer mark and the web-search badge,
// all from the capture state; its drag gesture writes the selection back and hands the finished
// rectangle to the frame handler. Main thread only.
#pragma once

#include <QImage>
#include <QRectF>
#include <QWidget>

#include <functional>

class AppKitViewModel;

class RegionSelectionView : public QWidget {
    Q_OBJECT
public:
    using FrameHandler = std::function<void(const QRectF&)>;

    RegionSelectionView(AppKitViewModel& viewModel, double crossHairThickness, FrameHandler frameHandler,
                        QWidget* parent = nullptr);
    ~RegionSelectionView() override;

    // The screen as it was when the capture started, in its pixels (device pixel ratio set to the
    // screen's scale); drawn under every layer. A null image draws nothing under the layers.
    void setBackgroundImage(const QImage& image);
    // Whether the primary button is down on the overlay: a drag is under way.
    bool isDragUnderway() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// The screens and the pointer, in global bottom-up points: the origin is the bottom-left corner of the
// primary screen and y grows upwards. Main thread only.
#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <optional>

struct ScreenDescription {
    QString name;
    QRectF frame;                     // global bottom-up points
    double backingScaleFactor = 1.0;  // pixels per point
    std::optional<quint32> displayId; // the display the capture service takes images of

    bool operator==(const ScreenDescription&) const = default;
};

class Screens {
public:
    virtual ~Screens() = default;
    // Every screen, the primary one first.
    virtual QList<ScreenDescription> screens() const = 0;
    // The screen that holds the active window, else the primary one; none without screens.
    virtual std::optional<ScreenDescription> mainScreen() const = 0;
    // The pointer, in global bottom-up points.
    virtual QPointF mouseLocation() const = 0;
    // A frame in global bottom-up points as the window toolkit's top-down global geometry, for placing
    // a window over a screen.
    virtual QRectF topDownFrame(const QRectF& bottomUpFrame) const = 0;
};

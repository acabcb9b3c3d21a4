#include "qtscreens.h"

#include "bottomupcoordinates.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

namespace {

QRectF primaryFrame()
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? QRectF(primary->geometry()) : QRectF();
}

ScreenDescription describe(const QScreen* screen, const QRectF& primary)
{
    ScreenDescription description;
    description.name = screen->name();
    description.frame = BottomUpCoordinates::fromTopDown(QRectF(screen->geometry()), primary);
    description.backingScaleFactor = screen->devicePixelRatio();
    description.displayId = QtScreens::displayIdOf(screen);
    return description;
}

} // namespace

QList<ScreenDescription> QtScreens::screens() const
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return {};
    const QRectF frame = primaryFrame();
    QList<ScreenDescription> descriptions{describe(primary, frame)};
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen != primary)
            descriptions.append(describe(screen, frame));
    }
    return descriptions;
}

std::optional<ScreenDescription> QtScreens::mainScreen() const
{
    const QWindow* focus = QGuiApplication::focusWindow();
    const QScreen* screen = focus && focus->screen() ? focus->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return std::nullopt;
    return describe(screen, primaryFrame());
}

QPointF QtScreens::mouseLocation() const
{
    if (!QGuiApplication::primaryScreen())
        return {};
    return BottomUpCoordinates::fromTopDown(QPointF(QCursor::pos()), primaryFrame());
}

quint32 QtScreens::displayIdOf(const QScreen* screen)
{
    quint32 hash = 2166136261u;
    for (const char byte : screen->name().toUtf8()) {
        hash ^= static_cast<quint8>(byte);
        hash *= 16777619u;
    }
    return hash;
}

QScreen* QtScreens::screenWithDisplayId(quint32 displayId)
{
    for (QScreen* screen : QGuiApplication::screens()) {
        if (displayIdOf(screen) == displayId)
            return screen;
    }
    return nullptr;
}

QRectF QtScreens::topDownFrame(const QRectF& bottomUpFrame) const
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return bottomUpFrame;
    return BottomUpCoordinates::toTopDown(bottomUpFrame, QRectF(primary->geometry()));
}

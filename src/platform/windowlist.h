// The window server's list of on-screen windows, front to back, as raw entries: a field the server
// does not report is absent, and the caller decides what to keep. Main thread only.
#pragma once

#include <QList>
#include <QRectF>
#include <QString>

#include <optional>

struct WindowListEntry {
    std::optional<int> layer;           // 0 for normal application windows
    std::optional<QRectF> bounds;       // global top-down points
    std::optional<QString> ownerName;   // name of the owning application
    std::optional<qint64> windowNumber; // the window server's identifier
};

class WindowList {
public:
    virtual ~WindowList() = default;
    // Front to back; none when the window server gives no list.
    virtual std::optional<QList<WindowListEntry>> onScreenWindowList() const = 0;
};

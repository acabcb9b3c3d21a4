// One on-screen application window as the window server lists it.
#pragma once

#include <QRectF>
#include <QString>

struct Window {
    QRectF frame; // global top-down points
    QString applicationName;
    qint64 windowNumber = 0;

    bool operator==(const Window&) const = default;
};

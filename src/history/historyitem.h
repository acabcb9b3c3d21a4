// One history entry: when it was recorded (its identity, in seconds since the epoch), the recognised
// lines and the window they were captured from, if any.
#pragma once

#include "window.h"

#include <QStringList>

#include <optional>

struct HistoryItem {
    double timestamp = 0;
    QStringList value;
    std::optional<Window> window;

    // The lines joined with single line feeds, nothing after the last one.
    QString text() const { return value.join(QLatin1Char('\n')); }

    bool operator==(const HistoryItem&) const = default;
};

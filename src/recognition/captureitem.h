// One recognition result: the recognised lines (never empty when published) and the window that
// contained the captured rectangle, if any.
#pragma once

#include "window.h"

#include <QStringList>

#include <optional>

struct CaptureItem {
    QStringList text;
    std::optional<Window> window;

    bool operator==(const CaptureItem&) const = default;
};

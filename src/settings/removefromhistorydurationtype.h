// How long a history entry is kept: the retention choice of the settings, stored as its raw value.
#pragma once

#include <QString>

#include <array>
#include <optional>

enum class RemoveFromHistoryDurationType : int { fast = 0, medium = 1, never = 2 };

inline constexpr std::array<RemoveFromHistoryDurationType, 3> allRemoveFromHistoryDurationTypes = {
    RemoveFromHistoryDurationType::fast, RemoveFromHistoryDurationType::medium,
    RemoveFromHistoryDurationType::never};

std::optional<RemoveFromHistoryDurationType> removeFromHistoryDurationTypeFromRawValue(qint64 rawValue);

// Seconds an entry is kept; `never` is the largest finite double, so an entry never expires.
double retentionInterval(RemoveFromHistoryDurationType type);

// The label of the choice in the settings window.
QString removeFromHistoryDurationTitle(RemoveFromHistoryDurationType type);

// The tabs of the settings window, in the order they are shown.
#pragma once

#include <QString>

#include <optional>

enum class SettingsTab : int { general = 0, webSearch = 1, about = 2 };

std::optional<SettingsTab> settingsTabFromRawValue(qint64 rawValue);
QString settingsTabTitle(SettingsTab tab);

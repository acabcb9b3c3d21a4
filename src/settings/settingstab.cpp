#include "settingstab.h"

#include "localizedstrings.h"

std::optional<SettingsTab> settingsTabFromRawValue(qint64 rawValue)
{
    switch (rawValue) {
    case 0:
        return SettingsTab::general;
    case 1:
        return SettingsTab::webSearch;
    case 2:
        return SettingsTab::about;
    default:
        return std::nullopt;
    }
}

QString settingsTabTitle(SettingsTab tab)
{
    switch (tab) {
    case SettingsTab::general:
        return Strings::settingsTabGeneralTitle();
    case SettingsTab::webSearch:
        return Strings::settingsTabWebSearchTitle();
    case SettingsTab::about:
        return Strings::settingsTabAboutTitle();
    }
    return {};
}

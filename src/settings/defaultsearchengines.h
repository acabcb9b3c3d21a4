// The web-search presets. A preset's raw value is its URL prefix, to which the web search appends the
// percent-encoded text directly; a stored template is free text and is never matched back to a preset.
#pragma once

#include <QString>

#include <array>
#include <optional>

enum class DefaultSearchEngines { duckduckgo, bing, google };

inline constexpr std::array<DefaultSearchEngines, 3> allDefaultSearchEngines = {
    DefaultSearchEngines::duckduckgo, DefaultSearchEngines::bing, DefaultSearchEngines::google};

QString rawValue(DefaultSearchEngines engine);
// The case whose prefix is exactly the text, character for character.
std::optional<DefaultSearchEngines> defaultSearchEnginesFromRawValue(const QString& rawValue);
// The preset's label in the preset menu.
QString menuLabel(DefaultSearchEngines engine);

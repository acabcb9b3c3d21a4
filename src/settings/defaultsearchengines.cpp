#include "defaultsearchengines.h"

QString rawValue(DefaultSearchEngines engine)
{
    switch (engine) {
    case DefaultSearchEngines::duckduckgo:
        return QStringLiteral("https://duckduckgo.com/?q=");
    case DefaultSearchEngines::bing:
        return QStringLiteral("https://www.bing.com/search?q=");
    case DefaultSearchEngines::google:
        return QStringLiteral("https://www.google.com/search?q=");
    }
    return {};
}

std::optional<DefaultSearchEngines> defaultSearchEnginesFromRawValue(const QString& text)
{
    for (DefaultSearchEngines engine : allDefaultSearchEngines) {
        if (rawValue(engine) == text)
            return engine;
    }
    return std::nullopt;
}

QString menuLabel(DefaultSearchEngines engine)
{
    switch (engine) {
    case DefaultSearchEngines::duckduckgo:
        return QStringLiteral("DuckDuckGo");
    case DefaultSearchEngines::bing:
        return QStringLiteral("Bing");
    case DefaultSearchEngines::google:
        return QStringLiteral("Google");
    }
    return {};
}

#include "appdelegate.h"

#include "applogging.h"
#include "defaultsearchengines.h"
#include "platform.h"
#include "settingskeys.h"
#include "settingsviewmodel.h"

#include <QJsonObject>

AppDelegate::AppDelegate(Platform& platform, QObject* parent) : QObject(parent), m_platform(platform)
{
    registerDefaults(m_platform);
    m_settingsViewModel = std::make_unique<SettingsViewModel>(*m_platform.userDefaults);
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::registerDefaults(Platform& platform)
{
    platform.userDefaults->registerDefaults({
        {SettingsKeys::playSound, true},
        {SettingsKeys::showTextPreview, true},
        {SettingsKeys::searchEngineTemplate, rawValue(DefaultSearchEngines::duckduckgo)},
    });
}

void AppDelegate::applicationDidFinishLaunching()
{
    qCDebug(lcApp) << "Launched; captures so far:" << m_settingsViewModel->numberOfCaptures().value();
}

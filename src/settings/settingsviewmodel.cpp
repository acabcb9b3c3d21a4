#include "settingsviewmodel.h"

#include "settingskeys.h"
#include "userdefaults.h"

#include <limits>

SettingsViewModel::SettingsViewModel(UserDefaults& defaults, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_selectedTab(SettingsTab::general)
    , m_isPlayingSounds(defaults.boolForKey(SettingsKeys::playSound))
    , m_isShowingPreview(defaults.boolForKey(SettingsKeys::showTextPreview))
    , m_removeFromHistoryDurationType(
          durationTypeForStoredValue(defaults.integerForKey(SettingsKeys::removeFromHistoryDurationType)))
    , m_searchEngineTemplate(defaults.stringForKey(SettingsKeys::searchEngineTemplate))
    , m_numberOfCaptures(defaults.integerForKey(SettingsKeys::numberOfCaptures))
    , m_recognitionLanguage(defaults.stringForKey(SettingsKeys::recognitionLanguage).value_or(QString()))
{}

void SettingsViewModel::setRecognitionLanguage(const QString& engineLanguage)
{
    m_recognitionLanguage.set(engineLanguage);
    if (engineLanguage.isEmpty())
        m_defaults.removeObject(SettingsKeys::recognitionLanguage);
    else
        m_defaults.setString(SettingsKeys::recognitionLanguage, engineLanguage);
}

RemoveFromHistoryDurationType SettingsViewModel::durationTypeForStoredValue(qint64 rawValue)
{
    if (rawValue == 0)
        return RemoveFromHistoryDurationType::fast;
    if (rawValue == 2)
        return RemoveFromHistoryDurationType::never;
    return RemoveFromHistoryDurationType::medium;
}

void SettingsViewModel::setSelectedTab(SettingsTab tab)
{
    m_selectedTab.set(tab);
}

void SettingsViewModel::setIsPlayingSounds(bool value)
{
    m_isPlayingSounds.set(value);
    m_defaults.setBool(SettingsKeys::playSound, value);
}

void SettingsViewModel::setIsShowingPreview(bool value)
{
    m_isShowingPreview.set(value);
    m_defaults.setBool(SettingsKeys::showTextPreview, value);
}

void SettingsViewModel::setRemoveFromHistoryDurationType(RemoveFromHistoryDurationType value)
{
    m_removeFromHistoryDurationType.set(value);
    m_defaults.setInteger(SettingsKeys::removeFromHistoryDurationType, static_cast<int>(value));
}

void SettingsViewModel::setSearchEngineTemplate(const std::optional<QString>& value)
{
    m_searchEngineTemplate.set(value);
    if (value)
        m_defaults.setString(SettingsKeys::searchEngineTemplate, *value);
    else
        m_defaults.removeObject(SettingsKeys::searchEngineTemplate);
}

void SettingsViewModel::setNumberOfCaptures(qint64 value)
{
    m_numberOfCaptures.set(value);
    m_defaults.setInteger(SettingsKeys::numberOfCaptures, value);
}

void SettingsViewModel::countCapture()
{
    const qint64 count = m_numberOfCaptures.value();
    setNumberOfCaptures(count < std::numeric_limits<qint64>::max() ? count + 1 : count);
}

bool SettingsViewModel::shouldRequestReview() const
{
    const qint64 count = m_numberOfCaptures.value();
    return count > 10 && count % 50 == 0;
}

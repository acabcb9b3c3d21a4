// The user's settings: read once from the user-defaults store when made, written back on every
// assignment (also of an equal value), right after the subscribers have been told. Main thread only.
#pragma once

#include "published.h"
#include "removefromhistorydurationtype.h"
#include "settingstab.h"

#include <QObject>

#include <optional>

class UserDefaults;

class SettingsViewModel : public QObject {
    Q_OBJECT
public:
    explicit SettingsViewModel(UserDefaults& defaults, QObject* parent = nullptr);

    const Published<SettingsTab>& selectedTab() const { return m_selectedTab; }
    const Published<bool>& isPlayingSounds() const { return m_isPlayingSounds; }
    const Published<bool>& isShowingPreview() const { return m_isShowingPreview; }
    const Published<RemoveFromHistoryDurationType>& removeFromHistoryDurationType() const
    {
        return m_removeFromHistoryDurationType;
    }
    const Published<std::optional<QString>>& searchEngineTemplate() const { return m_searchEngineTemplate; }
    const Published<qint64>& numberOfCaptures() const { return m_numberOfCaptures; }
    // The language every capture is read in ("fra"...); empty: chosen for each capture.
    const Published<QString>& recognitionLanguage() const { return m_recognitionLanguage; }

    void setSelectedTab(SettingsTab tab);
    void setIsPlayingSounds(bool value);
    void setIsShowingPreview(bool value);
    void setRemoveFromHistoryDurationType(RemoveFromHistoryDurationType value);
    void setSearchEngineTemplate(const std::optional<QString>& value);
    void setNumberOfCaptures(qint64 value);
    // One capture more; a count read from an edited file that is already the largest stays so.
    void countCapture();
    void setRecognitionLanguage(const QString& engineLanguage);

    // True when the count is above 10 and a whole multiple of 50.
    bool shouldRequestReview() const;

    // The retention choice a stored raw value stands for: 0 is fast, 2 never, anything else medium.
    static RemoveFromHistoryDurationType durationTypeForStoredValue(qint64 rawValue);

private:
    UserDefaults& m_defaults;
    Published<SettingsTab> m_selectedTab;
    Published<bool> m_isPlayingSounds;
    Published<bool> m_isShowingPreview;
    Published<RemoveFromHistoryDurationType> m_removeFromHistoryDurationType;
    Published<std::optional<QString>> m_searchEngineTemplate;
    Published<qint64> m_numberOfCaptures;
    Published<QString> m_recognitionLanguage;
};

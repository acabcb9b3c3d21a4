#include "appdelegate.h"
#include "defaultsearchengines.h"
#include "memoryuserdefaults.h"
#include "platform.h"
#include "settingsviewmodel.h"

#include <QTest>

class TestAppDelegate : public QObject {
    Q_OBJECT
private slots:
    void aFreshStartHasTheRegisteredDefaultsWithoutStoringThem()
    {
        Platform platform;
        auto* defaults = new MemoryUserDefaults;
        platform.userDefaults.reset(defaults);
        AppDelegate delegate(platform);
        const SettingsViewModel& settings = delegate.settingsViewModel();
        QCOMPARE(settings.isPlayingSounds().value(), true);
        QCOMPARE(settings.isShowingPreview().value(), true);
        QCOMPARE(settings.removeFromHistoryDurationType().value(), RemoveFromHistoryDurationType::fast);
        QCOMPARE(settings.searchEngineTemplate().value(), rawValue(DefaultSearchEngines::duckduckgo));
        QCOMPARE(settings.numberOfCaptures().value(), 0);
        QCOMPARE(settings.selectedTab().value(), SettingsTab::general);
        QCOMPARE(defaults->writeCount, 0);
    }

    void storedValuesWinOverTheRegisteredOnes()
    {
        Platform platform;
        auto* defaults = new MemoryUserDefaults;
        defaults->stored = {{"playSound", false}, {"searchEngineTemplate", "https://example.org/?s="}};
        platform.userDefaults.reset(defaults);
        AppDelegate delegate(platform);
        QCOMPARE(delegate.settingsViewModel().isPlayingSounds().value(), false);
        QCOMPARE(delegate.settingsViewModel().searchEngineTemplate().value(), QStringLiteral("https://example.org/?s="));
    }
};

QTEST_GUILESS_MAIN(TestAppDelegate)
#include "tst_appdelegate.moc"

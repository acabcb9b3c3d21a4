#include "defaultsearchengines.h"
#include "linux/jsonfileuserdefaults.h"
#include "memoryuserdefaults.h"
#include "settingskeys.h"
#include "settingsviewmodel.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

void registerAppDefaults(UserDefaults& defaults)
{
    defaults.registerDefaults(
        {{SettingsKeys::playSound, true},
         {SettingsKeys::showTextPreview, true},
         {SettingsKeys::searchEngineTemplate, rawValue(DefaultSearchEngines::duckduckgo)}});
}

} // namespace

class TestSettingsViewModel : public QObject {
    Q_OBJECT
private slots:
    void storedDurationTypes_data()
    {
        QTest::addColumn<QJsonValue>("stored");
        QTest::addColumn<RemoveFromHistoryDurationType>("expected");
        QTest::newRow("nothing") << QJsonValue(QJsonValue::Undefined) << RemoveFromHistoryDurationType::fast;
        QTest::newRow("0") << QJsonValue(0) << RemoveFromHistoryDurationType::fast;
        QTest::newRow("1") << QJsonValue(1) << RemoveFromHistoryDurationType::medium;
        QTest::newRow("2") << QJsonValue(2) << RemoveFromHistoryDurationType::never;
        QTest::newRow("7") << QJsonValue(7) << RemoveFromHistoryDurationType::medium;
        QTest::newRow("-1") << QJsonValue(-1) << RemoveFromHistoryDurationType::medium;
        QTest::newRow("text") << QJsonValue("never") << RemoveFromHistoryDurationType::fast;
    }

    void storedDurationTypes()
    {
        QFETCH(QJsonValue, stored);
        QFETCH(RemoveFromHistoryDurationType, expected);
        MemoryUserDefaults defaults;
        if (!stored.isUndefined())
            defaults.stored.insert(SettingsKeys::removeFromHistoryDurationType, stored);
        SettingsViewModel model(defaults);
        QCOMPARE(model.removeFromHistoryDurationType().value(), expected);
    }

    void everyAssignmentIsWrittenAfterTheSubscribersHeardOfIt()
    {
        MemoryUserDefaults defaults;
        registerAppDefaults(defaults);
        SettingsViewModel model(defaults);
        QList<bool> storedWhenAnnounced;
        Cancellable token = model.isPlayingSounds().subscribe([&](const bool&) {
            storedWhenAnnounced.append(defaults.stored.contains(SettingsKeys::playSound));
        });
        model.setIsPlayingSounds(true);
        model.setIsPlayingSounds(true);
        QCOMPARE(storedWhenAnnounced, (QList<bool>{false, false, true}));
        QCOMPARE(defaults.writeCount, 2);
        QCOMPARE(defaults.stored.value(SettingsKeys::playSound), QJsonValue(true));

        model.setIsShowingPreview(false);
        model.setRemoveFromHistoryDurationType(RemoveFromHistoryDurationType::never);
        model.setNumberOfCaptures(3);
        QCOMPARE(defaults.stored.value(SettingsKeys::showTextPreview), QJsonValue(false));
        QCOMPARE(defaults.stored.value(SettingsKeys::removeFromHistoryDurationType), QJsonValue(2));
        QCOMPARE(defaults.stored.value(SettingsKeys::numberOfCaptures), QJsonValue(3));

        model.setSelectedTab(SettingsTab::about);
        QCOMPARE(model.selectedTab().value(), SettingsTab::about);
        QCOMPARE(defaults.writeCount, 5);
    }

    void anEmptyTemplateIsStoredAnAbsentOneRemoved()
    {
        MemoryUserDefaults defaults;
        registerAppDefaults(defaults);
        SettingsViewModel model(defaults);
        model.setSearchEngineTemplate(QString());
        QCOMPARE(defaults.stored.value(SettingsKeys::searchEngineTemplate), QJsonValue(QString()));
        QCOMPARE(model.searchEngineTemplate().value(), std::optional<QString>(QString()));
        model.setSearchEngineTemplate(std::nullopt);
        QVERIFY(!defaults.stored.contains(SettingsKeys::searchEngineTemplate));
        QCOMPARE(model.searchEngineTemplate().value(), std::nullopt);
        SettingsViewModel restarted(defaults);
        QCOMPARE(restarted.searchEngineTemplate().value(), rawValue(DefaultSearchEngines::duckduckgo));
    }

    void theRecognitionLanguageIsStoredOnlyWhenChosen()
    {
        MemoryUserDefaults defaults;
        SettingsViewModel model(defaults);
        QCOMPARE(model.recognitionLanguage().value(), QString());
        model.setRecognitionLanguage(QStringLiteral("deu"));
        QCOMPARE(defaults.stored.value(SettingsKeys::recognitionLanguage), QJsonValue("deu"));
        QCOMPARE(SettingsViewModel(defaults).recognitionLanguage().value(), QStringLiteral("deu"));
        model.setRecognitionLanguage(QString());
        QVERIFY(!defaults.stored.contains(SettingsKeys::recognitionLanguage));
        defaults.stored.insert(SettingsKeys::recognitionLanguage, 7); // not text: automatic
        QCOMPARE(SettingsViewModel(defaults).recognitionLanguage().value(), QString());
    }

    void aTemplateThatIsNotTextIsAbsent()
    {
        MemoryUserDefaults defaults;
        defaults.stored.insert(SettingsKeys::searchEngineTemplate, 5);
        SettingsViewModel model(defaults);
        QCOMPARE(model.searchEngineTemplate().value(), std::nullopt);
    }

    void shouldRequestReview_data()
    {
        QTest::addColumn<qint64>("count");
        QTest::addColumn<bool>("expected");
        for (qint64 count : {-50, 0, 10, 49, 51, 99, 149})
            QTest::addRow("%lld", count) << count << false;
        for (qint64 count : {50, 100, 150, 1000})
            QTest::addRow("%lld", count) << count << true;
    }

    void shouldRequestReview()
    {
        QFETCH(qint64, count);
        QFETCH(bool, expected);
        MemoryUserDefaults defaults;
        SettingsViewModel model(defaults);
        model.setNumberOfCaptures(count);
        QCOMPARE(model.shouldRequestReview(), expected);
    }

    void valuesSurviveARestart()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("oculo/defaults.json"));
        {
            JsonFileUserDefaults defaults(path);
            registerAppDefaults(defaults);
            SettingsViewModel model(defaults);
            model.setNumberOfCaptures(49);
            model.setIsPlayingSounds(false);
            model.setRemoveFromHistoryDurationType(RemoveFromHistoryDurationType::medium);
            model.setSearchEngineTemplate(rawValue(DefaultSearchEngines::bing));
            model.setSelectedTab(SettingsTab::about);
        }
        JsonFileUserDefaults defaults(path);
        registerAppDefaults(defaults);
        SettingsViewModel model(defaults);
        QCOMPARE(model.isPlayingSounds().value(), false);
        QCOMPARE(model.isShowingPreview().value(), true);
        QCOMPARE(model.removeFromHistoryDurationType().value(), RemoveFromHistoryDurationType::medium);
        QCOMPARE(model.searchEngineTemplate().value(), rawValue(DefaultSearchEngines::bing));
        QCOMPARE(model.selectedTab().value(), SettingsTab::general);
        QVERIFY(!model.shouldRequestReview());
        model.setNumberOfCaptures(model.numberOfCaptures().value() + 1);
        QVERIFY(model.shouldRequestReview());
    }

    void presetsAndEnumerations()
    {
        QCOMPARE(allDefaultSearchEngines.size(), std::size_t(3));
        for (DefaultSearchEngines engine : allDefaultSearchEngines) {
            const QString prefix = rawValue(engine);
            QVERIFY(prefix.startsWith(u"https://"));
            QCOMPARE(defaultSearchEnginesFromRawValue(prefix), engine);
            QCOMPARE(defaultSearchEnginesFromRawValue(prefix + u' '), std::nullopt);
        }
        QVERIFY(rawValue(DefaultSearchEngines::duckduckgo).endsWith(u"/?q="));
        QVERIFY(rawValue(DefaultSearchEngines::bing).endsWith(u"/search?q="));
        QVERIFY(rawValue(DefaultSearchEngines::google).endsWith(u"/search?q="));
        QCOMPARE(menuLabel(DefaultSearchEngines::duckduckgo), QStringLiteral("DuckDuckGo"));

        QCOMPARE(settingsTabFromRawValue(1), SettingsTab::webSearch);
        QCOMPARE(settingsTabFromRawValue(3), std::nullopt);
        QCOMPARE(settingsTabTitle(SettingsTab::webSearch), QStringLiteral("Web Search"));
        QCOMPARE(removeFromHistoryDurationTypeFromRawValue(2), RemoveFromHistoryDurationType::never);
        QCOMPARE(removeFromHistoryDurationTypeFromRawValue(3), std::nullopt);
        QCOMPARE(removeFromHistoryDurationTypeFromRawValue(-1), std::nullopt);
        QCOMPARE(retentionInterval(RemoveFromHistoryDurationType::fast), 60.0);
        QCOMPARE(retentionInterval(RemoveFromHistoryDurationType::medium), 600.0);
        QCOMPARE(retentionInterval(RemoveFromHistoryDurationType::never), 1.7976931348623157e308);
    }
};

QTEST_GUILESS_MAIN(TestSettingsViewModel)
#include "tst_settingsviewmodel.moc"

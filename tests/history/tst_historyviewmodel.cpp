#include "fakelanguagerecognizer.h"
#include "fakespeechsynthesizer.h"
#include "historyviewmodel.h"
#include "memoryuserdefaults.h"
#include "settingskeys.h"
#include "settingsviewmodel.h"

#include <QTest>
#include <QThread>
#include <QTimer>

#include <thread>

using Retention = RemoveFromHistoryDurationType;

namespace {

// A model on fakes, with a clock the test moves by hand.
struct Harness {
    MemoryUserDefaults defaults;
    std::unique_ptr<SettingsViewModel> settings;
    FakeSpeechSynthesizer synthesizer;
    FakeLanguageRecognizer recognizer;
    double now = 1000;
    std::unique_ptr<HistoryViewModel> model;

    explicit Harness(bool showPreview = true, Retention retention = Retention::fast)
    {
        defaults.registerDefaults({{SettingsKeys::showTextPreview, showPreview}});
        settings = std::make_unique<SettingsViewModel>(defaults);
        settings->setRemoveFromHistoryDurationType(retention);
        model = std::make_unique<HistoryViewModel>(*settings, synthesizer, recognizer);
        model->setClock([this] { return now; });
    }

    double capture(const QStringList& lines, bool isWebSearch = false)
    {
        model->addCapture({lines, std::nullopt}, isWebSearch);
        return model->items().value().constLast().timestamp;
    }
    // One preview tick per second of the clock.
    void tick(int count = 1)
    {
        for (int i = 0; i < count; ++i) {
            now += 1;
            model->decreaseRecentsTTL();
        }
    }
    QStringList cardTexts() const
    {
        QStringList texts;
        for (const HistoryItem& item : model->recentlyCapturedText().value())
            texts.append(item.text());
        return texts;
    }
    void recordCopies()
    {
        copiesToken =
            model->historicalText().subscribe([this](const QStringList& texts) { copied.append(texts); });
    }

    QList<QStringList> copied;
    Cancellable copiesToken;
};

} // namespace

class TestHistoryViewModel : public QObject {
    Q_OBJECT
private slots:
    void captureEntersTheListsTheSettingsAllow_data()
    {
        QTest::addColumn<bool>("showPreview");
        QTest::addColumn<bool>("isWebSearch");
        QTest::addColumn<bool>("showsCard");
        QTest::newRow("preview on") << true << false << true;
        QTest::newRow("preview off") << false << false << false;
        QTest::newRow("web search") << true << true << false;
    }

    void captureEntersTheListsTheSettingsAllow()
    {
        QFETCH(bool, showPreview);
        QFETCH(bool, isWebSearch);
        QFETCH(bool, showsCard);
        Harness harness(showPreview);
        const Window window{QRectF(0, 0, 640, 480), QStringLiteral("Browser"), 7};
        harness.model->addCapture({{QStringLiteral("one"), QStringLiteral("two")}, window}, isWebSearch);

        const HistoryItem expected{1000, {QStringLiteral("one"), QStringLiteral("two")}, window};
        QCOMPARE(harness.model->items().value(), QList<HistoryItem>{expected});
        QCOMPARE(harness.model->recentlyCapturedText().value(),
                 showsCard ? QList<HistoryItem>{expected} : QList<HistoryItem>{});
        QCOMPARE(harness.model->recentlyCapturedTTL(1000), std::optional<qint64>(10));
    }

    void timersStartWithTheFirstCaptureAndStay()
    {
        Harness harness;
        QVERIFY(!harness.model->historyTimer());
        QVERIFY(!harness.model->recentsTimer());

        harness.capture({QStringLiteral("first")});
        const QTimer* history = harness.model->historyTimer();
        const QTimer* recents = harness.model->recentsTimer();
        QVERIFY(history && recents);
        QVERIFY(history->isActive() && recents->isActive());
        QVERIFY(!history->isSingleShot() && !recents->isSingleShot());
        QCOMPARE(history->interval(), 10000);
        QCOMPARE(recents->interval(), 1000);
        QCOMPARE(history->timerType(), Qt::PreciseTimer);

        // Later captures and emptied lists leave the same timers running.
        harness.capture({QStringLiteral("second")});
        harness.model->setItems({});
        harness.model->setRecentlyCapturedText({});
        QCOMPARE(harness.model->historyTimer(), history);
        QCOMPARE(harness.model->recentsTimer(), recents);
        QVERIFY(history->isActive() && recents->isActive());
    }

    void timersDriveBothTicks()
    {
        Harness harness;
        harness.model->setTimerIntervals(std::chrono::milliseconds(20), std::chrono::milliseconds(5));
        harness.capture({QStringLiteral("short-lived")});
        harness.now += 60;
        QTRY_VERIFY(harness.model->items().value().isEmpty());
        QTRY_VERIFY(harness.model->recentlyCapturedText().value().isEmpty());
    }

    void timestampsAreUniqueWhenTheClockStandsStill()
    {
        Harness harness;
        harness.capture({QStringLiteral("a")});
        harness.capture({QStringLiteral("b")});
        harness.now = 999; // the clock went back
        harness.capture({QStringLiteral("c")});
        const QList<HistoryItem> items = harness.model->items().value();
        QCOMPARE(items.size(), 3);
        QVERIFY(items[0].timestamp < items[1].timestamp);
        QVERIFY(items[1].timestamp < items[2].timestamp);
        QCOMPARE(items[1].timestamp, 1000 + 1e-6);
        QCOMPARE(items[2].timestamp, 1000 + 1e-6 + 1e-6);
        for (const HistoryItem& item : items)
            QCOMPARE(harness.model->recentlyCapturedTTL(item.timestamp), std::optional<qint64>(10));
    }

    void fastRetentionKeepsAMinute()
    {
        Harness harness(true, Retention::fast);
        harness.capture({QStringLiteral("x")});
        harness.now = 1059;
        harness.model->removeExpiredHistory();
        QCOMPARE(harness.model->items().value().size(), 1);
        harness.now = 1060;
        harness.model->removeExpiredHistory();
        QVERIFY(harness.model->items().value().isEmpty());
    }

    void retentionChangeAppliesFromTheNextTick()
    {
        Harness harness(true, Retention::never);
        harness.capture({QStringLiteral("old")});
        harness.now = 1100;
        harness.capture({QStringLiteral("recent")});
        harness.now = 1130;

        int publications = 0;
        Cancellable token =
            harness.model->items().subscribe([&](const QList<HistoryItem>&) { ++publications; });
        harness.settings->setRemoveFromHistoryDurationType(Retention::fast);
        // At the change the interval in force before it (never) still applies.
        QCOMPARE(publications, 2);
        QCOMPARE(harness.model->items().value().size(), 2);

        harness.model->removeExpiredHistory();
        QCOMPARE(harness.model->items().value().size(), 1);
        QCOMPARE(harness.model->items().value().first().value, QStringList{QStringLiteral("recent")});
    }

    void neverRetentionKeepsItemsForAnyLength()
    {
        Harness harness(true, Retention::never);
        harness.capture({QStringLiteral("kept")});
        for (const double later : {1e6, 1e12, 1e300}) {
            harness.now = 1000 + later;
            harness.model->removeExpiredHistory();
            QCOMPARE(harness.model->items().value().size(), 1);
        }
    }

    void cardsLeaveTenTicksAfterTheirCaptureOldestFirst()
    {
        Harness harness;
        harness.capture({QStringLiteral("A")});
        harness.tick(3);
        harness.capture({QStringLiteral("B")});
        harness.tick(3);
        harness.capture({QStringLiteral("C")});
        harness.tick(3);
        QCOMPARE(harness.cardTexts(), (QStringList{"A", "B", "C"}));
        harness.tick();
        QCOMPARE(harness.cardTexts(), (QStringList{"B", "C"}));
        harness.tick(2);
        QCOMPARE(harness.cardTexts(), (QStringList{"B", "C"}));
        harness.tick();
        QCOMPARE(harness.cardTexts(), (QStringList{"C"}));
        harness.tick(3);
        QVERIFY(harness.cardTexts().isEmpty());
        // The history keeps them, and the countdown entries stay, below zero.
        QCOMPARE(harness.model->items().value().size(), 3);
        QCOMPARE(harness.model->recentlyCapturedTTL(1000), std::optional<qint64>(-6));
    }

    void hoverAndSpeechPauseEveryCard()
    {
        Harness harness;
        harness.capture({QStringLiteral("A")});
        harness.tick(4);
        harness.capture({QStringLiteral("B")});
        harness.tick(5);

        harness.model->setIsRecentlyTTLDecreasingDisabled(true);
        harness.tick(30);
        QCOMPARE(harness.model->recentlyCapturedTTL(1000), std::optional<qint64>(1));
        harness.model->setIsRecentlyTTLDecreasingDisabled(false);

        harness.synthesizer.reportStart();
        QTRY_VERIFY(harness.model->isSpeaking().value());
        harness.tick(30);
        QCOMPARE(harness.cardTexts(), (QStringList{"A", "B"}));
        harness.synthesizer.reportFinish();
        QTRY_VERIFY(!harness.model->isSpeaking().value());

        // The countdown resumes where it stopped.
        harness.tick();
        QCOMPARE(harness.cardTexts(), QStringList{"B"});
        harness.tick(3);
        QCOMPARE(harness.cardTexts(), QStringList{"B"});
        harness.tick();
        QVERIFY(harness.cardTexts().isEmpty());
    }

    void copyingFindsTheItemInTheHistoryOnly()
    {
        Harness harness;
        harness.recordCopies();
        const double id = harness.capture({QStringLiteral("a"), QStringLiteral("b")});
        harness.model->copyText(id);
        QCOMPARE(harness.copied, QList<QStringList>{QStringList{"a\nb"}});

        // "Clear" empties the history but leaves the card and its countdown.
        harness.model->setItems({});
        harness.model->copyText(id);
        harness.model->copyText(12345);
        QCOMPARE(harness.copied.size(), 1);
        QCOMPARE(harness.cardTexts(), QStringList{"a\nb"});
        harness.tick();
        QCOMPARE(harness.model->recentlyCapturedTTL(id), std::optional<qint64>(9));
    }

    void exportAndCopyCommandFormats()
    {
        Harness harness;
        harness.recordCopies();
        const double first = harness.capture({QStringLiteral("a")});
        const double second = harness.capture({QStringLiteral("b"), QStringLiteral("c")});
        const double third = harness.capture({QStringLiteral("d")});

        harness.model->exportAll();
        QCOMPARE(harness.copied, QList<QStringList>{(QStringList{"a\n", "b\nc\n", "d\n"})});

        QCOMPARE(harness.model->itemProviders({third, first}), QList<ItemProvider>{{"a\n\n\nd\n"}});
        QCOMPARE(harness.model->itemProviders({second}), QList<ItemProvider>{{"b\nc\n"}});
        QCOMPARE(harness.model->itemProviders({}), QList<ItemProvider>{{""}});
        QCOMPARE(harness.model->itemProviders({77}), QList<ItemProvider>{{""}});

        harness.model->setItems({});
        harness.model->exportAll();
        QCOMPARE(harness.copied.last(), QStringList());
    }

    void speakingDetectsTheLanguage_data()
    {
        QTest::addColumn<std::optional<QString>>("detected");
        QTest::addColumn<QString>("expected");
        QTest::newRow("french") << std::optional<QString>(QStringLiteral("fr")) << QStringLiteral("fr");
        QTest::newRow("none") << std::optional<QString>() << QStringLiteral("en");
    }

    void speakingDetectsTheLanguage()
    {
        QFETCH(std::optional<QString>, detected);
        QFETCH(QString, expected);
        Harness harness;
        harness.recognizer.answer = detected;
        const double id = harness.capture({QStringLiteral("Bonjour"), QStringLiteral("le monde")});
        harness.model->speak(id);

        QCOMPARE(harness.synthesizer.spoken,
                 (QList<FakeSpeechSynthesizer::Utterance>{{QStringLiteral("Bonjour\nle monde"), expected}}));
        QCOMPARE(harness.synthesizer.stopCount, 0);
        QCOMPARE(harness.recognizer.questions.size(), 1);
        QCOMPARE(harness.recognizer.questions[0].candidates,
                 (QStringList{"en", "fr", "it", "de", "es", "pt", "zh-Hans", "zh-Hant"}));
    }

    void speakingAnUnknownItemDoesNothing()
    {
        Harness harness;
        const double id = harness.capture({QStringLiteral("gone")});
        harness.model->setItems({});
        harness.model->speak(id);
        QVERIFY(harness.synthesizer.spoken.isEmpty());
        QCOMPARE(harness.synthesizer.stopCount, 0);
    }

    void speakingASecondItemStopsTheFirst()
    {
        Harness harness;
        QList<bool> states;
        Cancellable token =
            harness.model->isSpeaking().subscribe([&](const bool& value) { states.append(value); });
        harness.model->speak(HistoryItem{1, {QStringLiteral("first")}, std::nullopt});
        harness.synthesizer.reportStart();
        QTRY_COMPARE(states, (QList<bool>{false, true}));

        harness.model->speak(HistoryItem{2, {QStringLiteral("second")}, std::nullopt});
        QCOMPARE(harness.synthesizer.stopCount, 1);
        QCOMPARE(harness.synthesizer.spoken.size(), 2);
        QCOMPARE(harness.synthesizer.spoken.last().text, QStringLiteral("second"));
        harness.synthesizer.reportStart();
        QTRY_COMPARE(states, (QList<bool>{false, true, false, true}));
    }

    void speakingStateChangesOnTheMainThreadOnly()
    {
        Harness harness;
        QList<QThread*> threads;
        Cancellable token = harness.model->isSpeaking().subscribe(
            [&](const bool&) { threads.append(QThread::currentThread()); });
        std::thread([&] { harness.synthesizer.reportStart(); }).join();
        QVERIFY(!harness.model->isSpeaking().value());
        QTRY_VERIFY(harness.model->isSpeaking().value());
        QCOMPARE(threads, (QList<QThread*>{QThread::currentThread(), QThread::currentThread()}));
    }
};

QTEST_GUILESS_MAIN(TestHistoryViewModel)
#include "tst_historyviewmodel.moc"

#include "appkitviewmodel.h"
#include "capturedtextview.h"
#include "fakelanguagerecognizer.h"
#include "fakescreens.h"
#include "fakespeechsynthesizer.h"
#include "historyviewmodel.h"
#include "memoryuserdefaults.h"
#include "recognizedtextview.h"
#include "settingskeys.h"
#include "settingsviewmodel.h"
#include "textpreviewwindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEnterEvent>
#include <QTest>

namespace {

// The preview window on fakes, on one 1280 by 800 screen with the pointer on it.
struct Harness {
    MemoryUserDefaults defaults;
    std::unique_ptr<SettingsViewModel> settings;
    FakeSpeechSynthesizer synthesizer;
    FakeLanguageRecognizer recognizer;
    std::unique_ptr<HistoryViewModel> model;
    AppKitViewModel appKit;
    FakeScreens screens;
    std::unique_ptr<TextPreviewWindow> window;
    QList<QStringList> copied;
    Cancellable copiesToken;
    double now = 1000;

    Harness()
    {
        defaults.registerDefaults({{SettingsKeys::showTextPreview, true}});
        settings = std::make_unique<SettingsViewModel>(defaults);
        model = std::make_unique<HistoryViewModel>(*settings, synthesizer, recognizer);
        model->setClock([this] { return now; });
        screens.screenList = {{QStringLiteral("left"), QRectF(0, 0, 1280, 800), 1.0, 1}};
        screens.mouse = QPointF(640, 400);
        window = std::make_unique<TextPreviewWindow>(*model, appKit, screens);
        window->show();
        copiesToken =
            model->historicalText().subscribe([this](const QStringList& texts) { copied.append(texts); });
    }
    double capture(const QStringList& lines)
    {
        now += 1;
        model->addCapture({lines, std::nullopt}, false);
        return model->items().value().constLast().timestamp;
    }
    CapturedTextView& view() const { return window->capturedTextView(); }
    QList<RecognizedTextView*> cards() const { return view().cards(); }
    bool settle() const
    {
        return QTest::qWaitFor([this] { return !view().isAnimating(); });
    }
    // A card's place on the screen.
    QRect globalRect(const QWidget* card) const
    {
        return QRect(card->mapToGlobal(QPoint(0, 0)), card->size());
    }
    bool maskHolds(QPoint global) const { return window->mask().contains(global - window->pos()); }
    QList<double> cardIds() const
    {
        QList<double> ids;
        for (const RecognizedTextView* card : cards())
            ids.append(card->id());
        return ids;
    }
};

QtMessageHandler testLogHandler = nullptr;

void hover(QWidget* card, bool inside)
{
    if (inside) {
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(card, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(card, &leave);
    }
}

} // namespace

class TestTextPreviewWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // The offscreen platform has no window masks and no stacking, and says so for every window.
        testLogHandler = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
                if (!message.startsWith(QLatin1String("This plugin does not support")))
                    testLogHandler(type, context, message);
            });
    }

    void withoutCardsNothingIsShown()
    {
        Harness harness;
        QVERIFY(harness.window->isShownByOwner());
        QVERIFY(!harness.window->isVisible());
        QCOMPARE(harness.window->area(), QRect(0, 0, 1280, 800));
        QVERIFY(harness.cards().isEmpty());
    }

    void noScreenUnderThePointerShowsNothing()
    {
        Harness harness;
        harness.screens.mouse = QPointF(5000, 5000);
        TextPreviewWindow window(*harness.model, harness.appKit, harness.screens);
        window.show();
        harness.capture({QStringLiteral("a")});
        QCOMPARE(window.capturedTextView().cards().size(), 1);
        QVERIFY(!window.isVisible());
    }

    void capturesStackAtTheBottomRight()
    {
        Harness harness;
        const double first = harness.capture({QStringLiteral("first")});
        QStringList ten;
        for (int i = 1; i <= 10; ++i)
            ten.append(QStringLiteral("line %1").arg(i));
        const double second = harness.capture(ten);
        const double third = harness.capture({QStringLiteral("third")});
        QVERIFY(harness.settle());
        QCOMPARE(harness.cardIds(), (QList<double>{first, second, third}));
        QVERIFY(harness.window->isVisible());

        const QList<RecognizedTextView*> cards = harness.cards();
        const QRect newest = harness.globalRect(cards[2]);
        QCOMPARE(newest.bottom() + 1, 800 - 100);
        for (const RecognizedTextView* card : cards) {
            QCOMPARE(harness.globalRect(card).right() + 1, 1280 - 20);
            QCOMPARE(card->textRect().width(), 270.0);
        }
        QCOMPARE(harness.globalRect(cards[1]).bottom() + 1 + 20, newest.top());
        QCOMPARE(harness.globalRect(cards[0]).bottom() + 1 + 20, harness.globalRect(cards[1]).top());
        QCOMPARE(cards[1]->displayedLines().size(), 5);
        QCOMPARE(cards[1]->displayedLines().last(), QStringLiteral("line 5") + QChar(0x2026));

        // The window shows the cards and nothing else: not the gaps, not the margins.
        const QRect geometry = harness.window->geometry();
        QCOMPARE(geometry.bottomRight(), QPoint(1279, 799));
        QCOMPARE(geometry.top(), harness.globalRect(cards[0]).top());
        for (const RecognizedTextView* card : cards)
            QVERIFY(harness.maskHolds(harness.globalRect(card).center()));
        QVERIFY(!harness.maskHolds(QPoint(newest.center().x(), newest.top() - 10)));
        QVERIFY(!harness.maskHolds(QPoint(newest.center().x(), newest.bottom() + 50)));
        QVERIFY(!harness.maskHolds(QPoint(1270, newest.center().y())));
        QVERIFY(!harness.maskHolds(newest.topLeft()));
    }

    void aNewCardComesUpFromTheBottomEdge()
    {
        Harness harness;
        harness.capture({QStringLiteral("first")});
        QVERIFY(harness.settle());
        const QRect before = harness.globalRect(harness.cards()[0]);
        harness.capture({QStringLiteral("second")});
        RecognizedTextView* entering = harness.cards()[1];
        // It starts below the screen, so nothing of it shows yet, and the window takes the screen's
        // bottom-right corner for its way up.
        QCOMPARE(harness.globalRect(entering).top(), 800);
        QCOMPARE(harness.window->geometry().bottom(), 799);
        QVERIFY(QTest::qWaitFor([&] { return harness.globalRect(entering).top() < 800; }));
        QVERIFY(harness.settle());
        QCOMPARE(harness.globalRect(entering).bottom() + 1, 700);
        QCOMPARE(harness.globalRect(harness.cards()[0]).bottom() + 1 + 20,
                 harness.globalRect(entering).top());
        QVERIFY(harness.globalRect(harness.cards()[0]).top() < before.top());
    }

    void dismissRemovesOnlyThatCard()
    {
        Harness harness;
        const double first = harness.capture({QStringLiteral("first")});
        const double second = harness.capture({QStringLiteral("second")});
        QVERIFY(harness.settle());
        RecognizedTextView* dismissed = harness.cards()[1];
        const QRect start = harness.globalRect(dismissed);

        QTest::mouseClick(dismissed->dismissButton(), Qt::LeftButton);
        QCOMPARE(harness.cardIds(), QList<double>{first});
        QCOMPARE(harness.model->items().value().size(), 2);
        QCOMPARE(harness.model->recentlyCapturedTTL(second), std::optional<qint64>(10));
        // It slides out towards the trailing edge, then goes; the other card moves down into its place.
        QCOMPARE(harness.view().cardWidgetCount(), 2);
        QVERIFY(QTest::qWaitFor([&] { return harness.globalRect(dismissed).left() > start.left(); }));
        QCOMPARE(harness.globalRect(dismissed).top(), start.top());
        QVERIFY(harness.settle());
        QTRY_COMPARE(harness.view().cardWidgetCount(), 1);
        QCOMPARE(harness.globalRect(harness.cards()[0]).bottom() + 1, 700);
        QVERIFY(harness.window->isVisible());
    }

    void theCountdownsEndTakesTheLastCardAndTheWindow()
    {
        Harness harness;
        harness.capture({QStringLiteral("short-lived")});
        QVERIFY(harness.settle());
        for (int i = 0; i < 9; ++i)
            harness.model->decreaseRecentsTTL();
        QCOMPARE(harness.cards().size(), 1);
        harness.model->decreaseRecentsTTL();
        QVERIFY(harness.cards().isEmpty());
        QVERIFY(harness.window->isVisible());
        QTRY_VERIFY(!harness.window->isVisible());
        QTRY_COMPARE(harness.view().cardWidgetCount(), 0);
        // The next capture shows it again.
        harness.capture({QStringLiteral("again")});
        QTRY_VERIFY(harness.window->isVisible());
    }

    void hoveringACardPausesEveryCountdown()
    {
        Harness harness;
        const double first = harness.capture({QStringLiteral("first")});
        harness.capture({QStringLiteral("second")});
        QVERIFY(harness.settle());
        RecognizedTextView* card = harness.cards()[1];
        QCOMPARE(card->buttonOpacity(), RecognizedTextView::idleButtonOpacity);

        hover(card, true);
        QVERIFY(card->isHovered());
        QVERIFY(harness.model->isRecentlyTTLDecreasingDisabled());
        harness.model->decreaseRecentsTTL();
        QCOMPARE(harness.model->recentlyCapturedTTL(first), std::optional<qint64>(10));
        QTRY_COMPARE(card->buttonOpacity(), 1.0);

        hover(card, false);
        QVERIFY(!harness.model->isRecentlyTTLDecreasingDisabled());
        harness.model->decreaseRecentsTTL();
        QCOMPARE(harness.model->recentlyCapturedTTL(first), std::optional<qint64>(9));
        QTRY_COMPARE(card->buttonOpacity(), RecognizedTextView::idleButtonOpacity);

        // Dismissing the card under the pointer does not leave the others paused.
        hover(card, true);
        QTest::mouseClick(card->dismissButton(), Qt::LeftButton);
        QVERIFY(!harness.model->isRecentlyTTLDecreasingDisabled());
    }

    void copyShowsTheCheckMarkForTwoSecondsFromTheFirstClick()
    {
        Harness harness;
        harness.capture({QStringLiteral("a"), QStringLiteral("b")});
        RecognizedTextView* card = harness.cards()[0];
        QList<std::pair<std::chrono::milliseconds, std::function<void()>>> scheduled;
        card->setScheduler([&](std::chrono::milliseconds delay, QObject*, std::function<void()> action) {
            scheduled.append({delay, std::move(action)});
        });
        QCOMPARE(card->copySymbol(), PreviewSymbol::copy);

        QTest::mouseClick(card->copyButton(), Qt::LeftButton);
        QTest::mouseClick(card->copyButton(), Qt::LeftButton);
        QCOMPARE(harness.copied, (QList<QStringList>{{QStringLiteral("a\nb")}, {QStringLiteral("a\nb")}}));
        QVERIFY(card->isCopied());
        QCOMPARE(card->copySymbol(), PreviewSymbol::copied);
        QCOMPARE(scheduled.size(), 2);
        QCOMPARE(scheduled[0].first, std::chrono::milliseconds(2000));
        // The first click's reset brings the paperclip back, although the second click came later.
        scheduled[0].second();
        QVERIFY(!card->isCopied());
        QCOMPARE(card->copySymbol(), PreviewSymbol::copy);
    }

    void theCheckMarkGoesByItselfOnTheMainLoop()
    {
        Harness harness;
        harness.capture({QStringLiteral("a")});
        RecognizedTextView* card = harness.cards()[0];
        QTest::mouseClick(card->copyButton(), Qt::LeftButton);
        QVERIFY(card->isCopied());
        QTRY_VERIFY_WITH_TIMEOUT(!card->isCopied(), 5000);
    }

    void speakReadsTheCardAndAnyCardStopsTheSpeech()
    {
        Harness harness;
        harness.recognizer.answer = QStringLiteral("fr");
        harness.capture({QStringLiteral("Bonjour")});
        harness.capture({QStringLiteral("other")});
        const QList<RecognizedTextView*> cards = harness.cards();

        QTest::mouseClick(cards[0]->speakButton(), Qt::LeftButton);
        QCOMPARE(harness.synthesizer.spoken, (QList<FakeSpeechSynthesizer::Utterance>{
                                                 {QStringLiteral("Bonjour"), QStringLiteral("fr")}}));
        harness.synthesizer.reportStart();
        QTRY_VERIFY(harness.model->isSpeaking().value());
        for (const RecognizedTextView* card : cards)
            QCOMPARE(card->speakSymbol(), PreviewSymbol::stopSpeaking);

        QTest::mouseClick(cards[1]->speakButton(), Qt::LeftButton);
        QCOMPARE(harness.synthesizer.stopCount, 1);
        QCOMPARE(harness.synthesizer.spoken.size(), 1);
        QTRY_VERIFY(!harness.model->isSpeaking().value());
        for (const RecognizedTextView* card : cards)
            QCOMPARE(card->speakSymbol(), PreviewSymbol::speak);
    }

    void afterClearingTheHistoryCopyAndSpeakDoNothing()
    {
        Harness harness;
        harness.capture({QStringLiteral("gone")});
        harness.model->setItems({});
        RecognizedTextView* card = harness.cards()[0];
        QTest::mouseClick(card->copyButton(), Qt::LeftButton);
        QTest::mouseClick(card->speakButton(), Qt::LeftButton);
        QVERIFY(harness.copied.isEmpty());
        QVERIFY(harness.synthesizer.spoken.isEmpty());
        QCOMPARE(harness.cards().size(), 1);
    }

    void theCardsFollowTheScreen()
    {
        Harness harness;
        // A second screen to the right of the first, 1000 by 700, its bottom edge level with the first's.
        const ScreenDescription right{QStringLiteral("right"), QRectF(1280, 0, 1000, 700), 1.0, 2};
        harness.screens.screenList.append(right);
        harness.capture({QStringLiteral("first")});
        harness.capture({QStringLiteral("second")});
        harness.window->setScreenFrame(right);
        QCOMPARE(harness.window->area(), QRect(1280, 100, 1000, 700));
        // At once, without sliding.
        QVERIFY(!harness.view().isAnimating());
        const QList<RecognizedTextView*> cards = harness.cards();
        QCOMPARE(harness.globalRect(cards[1]).bottom() + 1, 800 - 100);
        QCOMPARE(harness.globalRect(cards[1]).right() + 1, 2280 - 20);
        QCOMPARE(harness.globalRect(cards[0]).bottom() + 1 + 20, harness.globalRect(cards[1]).top());
        QVERIFY(harness.window->geometry().left() >= 1280);
    }

    void aCardThatReturnsToTheListIsShownAgain()
    {
        Harness harness;
        const double id = harness.capture({QStringLiteral("back")});
        const QList<HistoryItem> list = harness.model->recentlyCapturedText().value();
        harness.model->setRecentlyCapturedText({});
        QVERIFY(harness.cards().isEmpty());
        harness.model->setRecentlyCapturedText(list);
        QCOMPARE(harness.cardIds(), QList<double>{id});
        QVERIFY(harness.settle());
        QTRY_COMPARE(harness.view().cardWidgetCount(), 1);
        QCOMPARE(harness.globalRect(harness.cards()[0]).bottom() + 1, 700);
    }
};

QTEST_MAIN(TestTextPreviewWindow)
#include "tst_textpreviewwindow.moc"

#include "aboutview.h"
#include "appdelegate.h"
#include "appkitviewmodel.h"
#include "applicationicon.h"
#include "captureitem.h"
#include "captureprocessing.h"
#include "capturewindow.h"
#include "defaultsearchengines.h"
#include "fakeplatform.h"
#include "fakerecognitionengine.h"
#include "historyviewmodel.h"
#include "historywindow.h"
#include "recognitionenginepool.h"
#include "settingstabbar.h"
#include "settingsviewmodel.h"
#include "settingswindow.h"
#include "statusitemcontroller.h"
#include "statusitemicon.h"
#include "welcomeview.h"
#include "welcomewindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

QImage solidImage(QColor colour)
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// The text of one label of the welcome window that a first launch on `fakes` shows, read while it is up,
// with no-break spaces (which keep a quoted command on one line) as plain ones; "(hidden)" when the
// label is not shown.
QString welcomeLine(FakePlatform& fakes, QLabel* (WelcomeView::*label)() const)
{
    auto pool = std::make_shared<RecognitionEnginePool>(
        FakeRecognitionEngine::factory(std::make_shared<FakeRecognitionRecord>(), {}), 1);
    AppDelegate delegate(fakes.platform, pool);
    delegate.applicationDidFinishLaunching();
    QString line;
    QTimer::singleShot(200, &delegate, [&] {
        if (delegate.welcomeWindow() && delegate.welcomeWindow()->isVisible()) {
            const QLabel* shown = (delegate.welcomeWindow()->view().*label)();
            line = shown->isVisibleTo(delegate.welcomeWindow()) ? shown->text() : QStringLiteral("(hidden)");
        }
        delegate.welcomeWindow()->close();
    });
    QTest::qWait(400);
    return line.replace(QChar::Nbsp, u' ');
}

} // namespace

class TestAppDelegate : public QObject {
    Q_OBJECT

    struct Fixture {
        FakePlatform fakes;
        std::shared_ptr<FakeRecognitionRecord> record = std::make_shared<FakeRecognitionRecord>();
        std::shared_ptr<RecognitionEnginePool> pool = std::make_shared<RecognitionEnginePool>(
            FakeRecognitionEngine::factory(record,
                                           [](const QImage&) {
                                               return FakeRecognitionEngine::lines({"a b", "c"});
                                           }),
            1);
        AppDelegate delegate{fakes.platform, pool};

        Fixture() { delegate.applicationDidFinishLaunching(); }
        // Waits until the fake engine saw `count` images and their results reached the main thread.
        bool recognised(int count)
        {
            return QTest::qWaitFor([&] {
                       std::lock_guard lock(record->mutex);
                       return record->images.size() >= count;
                   }) &&
                   (QTest::qWait(30), true);
        }
    };

private slots:
    void aFreshStartHasTheRegisteredDefaultsWithoutStoringThem()
    {
        Fixture fixture;
        const SettingsViewModel& settings = fixture.delegate.settingsViewModel();
        QCOMPARE(settings.isPlayingSounds().value(), true);
        QCOMPARE(settings.isShowingPreview().value(), true);
        QCOMPARE(settings.removeFromHistoryDurationType().value(), RemoveFromHistoryDurationType::fast);
        QCOMPARE(settings.searchEngineTemplate().value(), rawValue(DefaultSearchEngines::duckduckgo));
        QCOMPARE(settings.numberOfCaptures().value(), 0);
        QCOMPARE(settings.selectedTab().value(), SettingsTab::general);
        // The only thing stored is the capture shortcut's default, when its name is declared.
        QCOMPARE(fixture.fakes.userDefaults->stored.keys(),
                 QStringList{"GlobalShortcuts_toggleScreenCaptureMode"});
    }

    void theReleaseOfTheCaptureShortcutStartsACapture()
    {
        Fixture fixture;
        fixture.fakes.screens->screenList = {{QStringLiteral("ONE"), QRectF(0, 0, 800, 600), 1.0, 1}};
        fixture.fakes.screens->mouse = QPointF(100, 100);
        fixture.fakes.displayCapture->images.insert(1, solidImage(Qt::white).scaled(800, 600));
        // Shift-Command-2 is grabbed as Shift+Ctrl+2: X key code 11 with Shift and Control.
        FakeHotKeyBackend& backend = *fixture.fakes.hotKeyBackend;
        const std::optional<HotKeyId> id = backend.idOf(HotKeyCombination{11, 0x01 | 0x04});
        QVERIFY(id);
        QVERIFY(backend.deliver(HotKeyEvent{HotKeyEventKind::pressed, id}));
        QVERIFY(!fixture.delegate.appKitViewModel().isCapturing().value());
        QVERIFY(backend.deliver(HotKeyEvent{HotKeyEventKind::released, id}));
        QVERIFY(fixture.delegate.appKitViewModel().isCapturing().value());
        QCOMPARE(fixture.delegate.settingsViewModel().numberOfCaptures().value(), 1);
    }

    void theCaptureShortcutEndsWithTheDelegate()
    {
        FakePlatform fakes;
        auto pool = std::make_shared<RecognitionEnginePool>(
            FakeRecognitionEngine::factory(std::make_shared<FakeRecognitionRecord>(), {}), 1);
        {
            AppDelegate delegate(fakes.platform, pool);
            delegate.applicationDidFinishLaunching();
            QCOMPARE(fakes.hotKeyBackend->grabs.size(), 1);
        }
        QVERIFY(fakes.hotKeyBackend->grabs.isEmpty());
        QVERIFY(!fakes.hotKeyBackend->handler);
    }

    void laterStartsCaptureAsTheShortcutDoesAndQuitAsTheMenuDoes()
    {
        Fixture fixture;
        fixture.fakes.screens->screenList = {{QStringLiteral("ONE"), QRectF(0, 0, 800, 600), 1.0, 1}};
        fixture.fakes.screens->mouse = QPointF(100, 100);
        fixture.fakes.displayCapture->images.insert(1, solidImage(Qt::white).scaled(800, 600));
        FakeInstanceChannel& instance = *fixture.fakes.instanceChannel;
        QVERIFY(instance.deliver(InstanceRequest::capture));
        QVERIFY(fixture.delegate.appKitViewModel().isCapturing().value());
        QCOMPARE(fixture.delegate.settingsViewModel().numberOfCaptures().value(), 1);
        QCOMPARE(fixture.fakes.application->terminateCount, 0);
        QVERIFY(instance.deliver(InstanceRequest::quit));
        QCOMPARE(fixture.fakes.application->terminateCount, 1);
        fixture.delegate.captureWindow()->stopCapture();
    }

    void laterStartsShowTheWindowsOfTheMenu()
    {
        Fixture fixture;
        fixture.fakes.screens->screenList = {{QStringLiteral("ONE"), QRectF(0, 0, 1280, 800), 1.0, 1}};
        FakeInstanceChannel& instance = *fixture.fakes.instanceChannel;
        QVERIFY(instance.deliver(InstanceRequest::showAbout));
        QVERIFY(fixture.delegate.settingsWindow()->isVisible());
        QCOMPARE(fixture.delegate.settingsWindow()->currentTabIndex(), 2);
        QVERIFY(instance.deliver(InstanceRequest::showPreferences));
        QCOMPARE(fixture.delegate.settingsWindow()->currentTabIndex(), 0);
        QVERIFY(instance.deliver(InstanceRequest::showHistory));
        QVERIFY(fixture.delegate.historyWindow()->isVisible());
        QCOMPARE(fixture.fakes.application->terminateCount, 0);
    }

    void laterStartsReachNoDelegateOnceItIsGone()
    {
        FakePlatform fakes;
        auto pool = std::make_shared<RecognitionEnginePool>(
            FakeRecognitionEngine::factory(std::make_shared<FakeRecognitionRecord>(), {}), 1);
        {
            AppDelegate delegate(fakes.platform, pool);
            delegate.applicationDidFinishLaunching();
            QVERIFY(fakes.instanceChannel->handler);
        }
        QVERIFY(!fakes.instanceChannel->deliver(InstanceRequest::capture));
    }

    void resultsGoToTheClipboardAsLinesWithoutATrailingBreak()
    {
        Fixture fixture;
        fixture.delegate.handleRecognizedText(CaptureItem{{"a b", "c"}, std::nullopt});
        QCOMPARE(fixture.fakes.pasteboard->setStrings, QStringList{"a b\nc"});
        QVERIFY(fixture.fakes.urlOpener->openedUrls.isEmpty());
        QCOMPARE(fixture.fakes.application->hideCount, 0);
    }

    void withCtrlHeldTheResultIsSearchedAndTheClipboardLeftAlone()
    {
        Fixture fixture;
        fixture.fakes.pasteboard->text = QStringLiteral("before");
        fixture.fakes.modifierKeys->flags = ModifierFlag::command | ModifierFlag::shift;
        fixture.delegate.handleRecognizedText(CaptureItem{{"a b", "c"}, std::nullopt});
        QCOMPARE(fixture.fakes.urlOpener->openedUrls.size(), 1);
        QCOMPARE(fixture.fakes.urlOpener->openedUrls.first().toString(QUrl::FullyEncoded),
                 rawValue(DefaultSearchEngines::duckduckgo) + QStringLiteral("a%20b%20c"));
        QCOMPARE(fixture.fakes.application->hideCount, 1);
        QVERIFY(fixture.fakes.pasteboard->setStrings.isEmpty());
        QCOMPARE(fixture.fakes.pasteboard->text, QStringLiteral("before"));
        QCOMPARE(fixture.fakes.reviewPrompt->requestCount, 0);

        // Other modifiers alone do not search.
        fixture.fakes.modifierKeys->flags = ModifierFlag::option | ModifierFlag::control;
        fixture.delegate.handleRecognizedText(CaptureItem{{"x"}, std::nullopt});
        QCOMPARE(fixture.fakes.pasteboard->setStrings, QStringList{"x"});
    }

    void theSearchOpensTheEncodedTextAsItIs()
    {
        Fixture fixture;
        fixture.delegate.openWebSearch({"e.g. a-b", "c_d~"});
        // A QUrl would turn "%2E" back into ".", and so on.
        QCOMPARE(fixture.fakes.urlOpener->openedEncodedUrls,
                 QStringList{rawValue(DefaultSearchEngines::duckduckgo) + "e%2Eg%2E%20a%2Db%20c%5Fd%7E"});
    }

    void aSearchWithoutTemplateOrWithAnInvalidOneDoesNothing()
    {
        Fixture fixture;
        fixture.delegate.settingsViewModel().setSearchEngineTemplate(std::nullopt);
        fixture.delegate.openWebSearch({"a"});
        fixture.delegate.settingsViewModel().setSearchEngineTemplate(QStringLiteral("http://exa mple/?q="));
        fixture.delegate.openWebSearch({"a"});
        QVERIFY(fixture.fakes.urlOpener->openedUrls.isEmpty());
        QCOMPARE(fixture.fakes.application->hideCount, 0);

        fixture.delegate.settingsViewModel().setSearchEngineTemplate(QString());
        fixture.delegate.openWebSearch({"a", "b"});
        QCOMPARE(fixture.fakes.urlOpener->openedUrls.first().toString(QUrl::FullyEncoded),
                 QStringLiteral("a%20b"));
    }

    void theReviewIsRequestedAtMultiplesOfFifty_data()
    {
        QTest::addColumn<qint64>("count");
        QTest::addColumn<int>("requests");
        QTest::newRow("10") << qint64(10) << 0;
        QTest::newRow("50") << qint64(50) << 1;
        QTest::newRow("51") << qint64(51) << 0;
        QTest::newRow("100") << qint64(100) << 1;
    }

    void theReviewIsRequestedAtMultiplesOfFifty()
    {
        QFETCH(qint64, count);
        QFETCH(int, requests);
        Fixture fixture;
        fixture.delegate.settingsViewModel().setNumberOfCaptures(count);
        fixture.delegate.copyToPasteboard({"text"});
        QCOMPARE(fixture.fakes.reviewPrompt->requestCount, requests);
        QCOMPARE(fixture.fakes.pasteboard->setStrings, QStringList{"text"});
    }

    void convertingTheClipboardCountsAndRecognisesItsImage()
    {
        Fixture fixture;
        fixture.delegate.importClipboard();
        QTest::qWait(30);
        QCOMPARE(fixture.delegate.settingsViewModel().numberOfCaptures().value(), 0);
        QCOMPARE(fixture.fakes.imageLoader->loadCount(), 0);

        fixture.fakes.pasteboard->image = QByteArray("undecodable");
        fixture.delegate.importClipboard();
        QTRY_COMPARE(fixture.fakes.imageLoader->loadCount(), 1);
        QTest::qWait(30);
        QCOMPARE(fixture.delegate.settingsViewModel().numberOfCaptures().value(), 0);

        fixture.fakes.pasteboard->image = QByteArray("png bytes");
        fixture.fakes.imageLoader->setDataImage("png bytes", solidImage(Qt::red));
        fixture.delegate.importClipboard();
        QVERIFY(fixture.recognised(1));
        QCOMPARE(fixture.record->images.first(), solidImage(Qt::red));
        QCOMPARE(fixture.delegate.settingsViewModel().numberOfCaptures().value(), 1);
        QCOMPARE(fixture.fakes.pasteboard->setStrings, QStringList{"a b\nc"});
        QCOMPARE(fixture.fakes.systemSound->captureSoundCount, 0);
    }

    void openingAFileRecognisesItWithoutCountingOrSound()
    {
        Fixture fixture;
        fixture.delegate.openDocument();
        QCOMPARE(fixture.fakes.application->activateCount, 1);
        QCOMPARE(fixture.fakes.openPanel->requests.size(), 1);
        const OpenPanelRequest request = fixture.fakes.openPanel->requests.first();
        QCOMPARE(request.title, QStringLiteral("Select Image"));
        QVERIFY(!request.allowsMultipleSelection && !request.canChooseDirectories && request.canChooseFiles &&
                !request.canCreateDirectories);
        for (const char* type : {"jpg", "jpeg", "png", "pdf", "pct", "bmp", "tiff", "tif"})
            QVERIFY2(request.allowedFileTypes.contains(QLatin1String(type)), type);

        fixture.fakes.openPanel->answer = QStringList{};
        fixture.delegate.openDocument();
        fixture.fakes.openPanel->answer = QStringList{QStringLiteral("/nowhere/missing.png")};
        fixture.delegate.openDocument();
        QTRY_COMPARE(fixture.fakes.imageLoader->loadCount(), 1);

        fixture.fakes.imageLoader->setFileImage(QStringLiteral("/tmp/a.png"), solidImage(Qt::blue));
        fixture.fakes.openPanel->answer =
            QStringList{QStringLiteral("/tmp/a.png"), QStringLiteral("/tmp/b.png")};
        fixture.delegate.openDocument();
        QVERIFY(fixture.recognised(1));
        QCOMPARE(fixture.record->images.size(), 1);
        QCOMPARE(fixture.record->images.first(), solidImage(Qt::blue));
        QCOMPARE(fixture.fakes.pasteboard->setStrings, QStringList{"a b\nc"});
        QCOMPARE(fixture.delegate.settingsViewModel().numberOfCaptures().value(), 0);
        QCOMPARE(fixture.fakes.systemSound->captureSoundCount, 0);
    }

    void aCaptureStartsOnTheScreenUnderThePointerAndFollowsItToAnother()
    {
        Fixture fixture;
        // Two screens side by side in bottom-up points; the right one at scale 2.
        const ScreenDescription left{QStringLiteral("LEFT"), QRectF(0, 0, 1280, 900), 1.0, 1};
        const ScreenDescription right{QStringLiteral("RIGHT"), QRectF(1280, 450, 640, 450), 2.0, 2};
        fixture.fakes.screens->screenList = {left, right};
        fixture.fakes.displayCapture->images.insert(1, solidImage(Qt::white).scaled(1280, 900));
        fixture.fakes.displayCapture->images.insert(2, solidImage(Qt::black).scaled(1280, 900));

        fixture.fakes.screens->mouse = QPointF(2000, 100); // on no screen
        fixture.delegate.startCapture();
        QCOMPARE(fixture.delegate.settingsViewModel().numberOfCaptures().value(), 0);
        QVERIFY(!fixture.delegate.appKitViewModel().isCapturing().value());

        fixture.fakes.screens->mouse = QPointF(1300, 800);
        fixture.delegate.startCapture();
        QCOMPARE(fixture.delegate.settingsViewModel().numberOfCaptures().value(), 1);
        QCOMPARE(fixture.delegate.appKitViewModel().currentScreen().value(), right);
        QVERIFY(fixture.delegate.appKitViewModel().isCapturing().value());
        // Every screen was taken once, before the overlay.
        QCOMPARE(fixture.fakes.displayCapture->requestedIds, (QList<quint32>{1, 2}));
        QCOMPARE(fixture.delegate.captureWindow()->geometry(), QRect(1280, 0, 640, 450));

        int left_events = 0;
        Cancellable token = fixture.delegate.appKitViewModel().mouseDidLeaveScreenPublisher().subscribe(
            [&](const AppKitViewModel::Event&) { ++left_events; });
        fixture.delegate.appKitViewModel().updateMouseLocation(fixture.fakes.screens->screenList,
                                                               QPointF(100, 100));
        QCOMPARE(left_events, 1);
        QCOMPARE(fixture.delegate.appKitViewModel().currentScreen().value(), left);
        QCOMPARE(fixture.delegate.captureWindow()->geometry(), QRect(0, 0, 1280, 900));
        QCOMPARE(fixture.fakes.displayCapture->callCount(), 2);

        // A selection on the left screen is cut out of the image taken at the start.
        fixture.fakes.screens->mouse = QPointF(100, 100);
        fixture.delegate.handleSelectedFrame(QRectF(10, 10, 4, 4));
        QVERIFY(!fixture.delegate.appKitViewModel().isCapturing().value());
        QVERIFY(fixture.recognised(1));
        QCOMPARE(fixture.record->images.first().pixelColor(0, 0), QColor(Qt::white));
    }

    void theSnapshotWaitsForOurWindowsAndOneCaptureKeepsIt()
    {
        Fixture fixture;
        const ScreenDescription left{QStringLiteral("LEFT"), QRectF(0, 0, 1280, 900), 1.0, 1};
        const ScreenDescription right{QStringLiteral("RIGHT"), QRectF(1280, 450, 640, 450), 2.0, 2};
        fixture.fakes.screens->screenList = {left, right};
        fixture.fakes.displayCapture->images.insert(1, solidImage(Qt::white).scaled(1280, 900));
        fixture.fakes.displayCapture->images.insert(2, solidImage(Qt::black).scaled(1280, 900));
        fixture.fakes.application->uncovered = QRegion(900, 700, 360, 180);
        fixture.fakes.screens->mouse = QPointF(100, 100);
        FakeDisplayCapture& display = *fixture.fakes.displayCapture;
        HistoryViewModel& history = fixture.delegate.historyViewModel();

        fixture.delegate.startCapture();
        // Our windows went and the desktop redrew what they covered before any display image was taken.
        QCOMPARE(fixture.fakes.application->stepAsideCount, 1);
        QCOMPARE(display.redrawWatchCount, 1);
        QCOMPARE(display.redrawnAreas, QList<QRegion>{fixture.fakes.application->uncovered});
        QCOMPARE(display.imagesBeforeRedraw, QList<int>{0});
        QCOMPARE(display.callCount(), 2);
        QVERIFY(history.isPreviewCountdownHeld());

        // Started again with the overlay up, on the other screen: the same capture, moved there with the
        // image taken at its start.
        fixture.fakes.screens->mouse = QPointF(1300, 800);
        fixture.delegate.startCapture();
        QCOMPARE(display.callCount(), 2);
        QCOMPARE(fixture.fakes.application->stepAsideCount, 1);
        QCOMPARE(fixture.delegate.settingsViewModel().numberOfCaptures().value(), 1);
        QCOMPARE(fixture.delegate.appKitViewModel().currentScreen().value(), right);
        QCOMPARE(fixture.delegate.captureWindow()->geometry(), QRect(1280, 0, 640, 450));

        // A drag that ends on the left screen still cuts out of the right one, where it began.
        fixture.fakes.screens->mouse = QPointF(100, 100);
        fixture.delegate.handleSelectedFrame(QRectF(10, 10, 4, 4));
        QVERIFY(fixture.recognised(1));
        QCOMPARE(fixture.record->images.first().pixelColor(0, 0), QColor(Qt::black));
        // Once the capture is over, what stepped aside comes back and the cards count down again.
        QTRY_COMPARE(fixture.fakes.application->stepBackCount, 1);
        QVERIFY(!history.isPreviewCountdownHeld());

        // With nothing of ours on the screen, nothing is waited for; a cancelled capture brings back too.
        fixture.fakes.application->uncovered = QRegion();
        fixture.delegate.startCapture();
        QCOMPARE(display.redrawnAreas.size(), 1);
        fixture.delegate.appKitViewModel().setIsCapturingCancelled(true);
        fixture.delegate.captureWindow()->stopCapture();
        QTRY_COMPARE(fixture.fakes.application->stepBackCount, 2);
    }

    void aCancelledCaptureRecognisesNothing()
    {
        Fixture fixture;
        const ScreenDescription main{QStringLiteral("MAIN"), QRectF(0, 0, 800, 600), 1.0, 1};
        fixture.fakes.screens->screenList = {main};
        fixture.fakes.screens->mouse = QPointF(10, 10);
        fixture.fakes.displayCapture->images.insert(1, solidImage(Qt::white).scaled(800, 600));
        fixture.delegate.startCapture();
        fixture.delegate.appKitViewModel().setIsCapturingCancelled(true);
        fixture.delegate.handleSelectedFrame(QRectF(10, 10, 40, 40));
        QTest::qWait(50);
        QVERIFY(fixture.record->images.isEmpty());
        QCOMPARE(fixture.delegate.settingsViewModel().numberOfCaptures().value(), 1);
    }

    void theScreenImagesGoOnceTheCaptureEnds()
    {
        Fixture fixture;
        const ScreenDescription main{QStringLiteral("MAIN"), QRectF(0, 0, 800, 600), 1.0, 1};
        fixture.fakes.screens->screenList = {main};
        fixture.fakes.screens->mouse = QPointF(10, 10);
        fixture.fakes.displayCapture->images.insert(1, solidImage(Qt::white).scaled(800, 600));
        const QImage& taken = fixture.fakes.displayCapture->images[1];
        for (const bool cancelled : {false, true}) {
            fixture.delegate.startCapture();
            QTest::qWait(10);
            // Held by the snapshot and the overlay while the capture runs.
            QVERIFY(!taken.isDetached());
            if (cancelled) {
                fixture.delegate.appKitViewModel().setIsCapturingCancelled(true);
                fixture.delegate.captureWindow()->stopCapture();
            } else {
                fixture.delegate.handleSelectedFrame(QRectF(10, 10, 40, 40));
            }
            QTest::qWait(10);
            QVERIFY2(taken.isDetached(), cancelled ? "after a cancelled capture" : "after a capture");
        }
        QVERIFY(fixture.recognised(1));
    }

    void everyDeliveryIsRecordedInTheHistory()
    {
        Fixture fixture;
        HistoryViewModel& history = fixture.delegate.historyViewModel();
        fixture.delegate.handleRecognizedText(CaptureItem{{"copied"}, std::nullopt});
        fixture.fakes.modifierKeys->flags = ModifierFlag::command;
        fixture.delegate.handleRecognizedText(CaptureItem{{"searched"}, std::nullopt});
        // Without a template the search does nothing, and the history still records the item.
        fixture.delegate.settingsViewModel().setSearchEngineTemplate(std::nullopt);
        fixture.delegate.handleRecognizedText(CaptureItem{{"not searched"}, std::nullopt});
        QCOMPARE(history.items().value().size(), 3);
        QCOMPARE(history.items().value().at(1).value, QStringList{"searched"});
        // Only the clipboard result is a preview card.
        QCOMPARE(history.recentlyCapturedText().value().size(), 1);
        QCOMPARE(history.recentlyCapturedText().value().first().value, QStringList{"copied"});
    }

    void historyTextAndRestoredCapturesGoToTheClipboard()
    {
        Fixture fixture;
        fixture.delegate.handleRecognizedText(CaptureItem{{"a", "b"}, std::nullopt});
        fixture.delegate.handleRecognizedText(CaptureItem{{"c"}, std::nullopt});
        fixture.fakes.pasteboard->setStrings.clear();
        fixture.delegate.historyViewModel().exportAll();
        QCOMPARE(fixture.fakes.pasteboard->setStrings, QStringList{"a\nb\n\nc\n"});

        fixture.delegate.statusItemController().menuWillOpen();
        QMenu* recent = fixture.delegate.statusItemController().historyItem()->menu();
        QVERIFY(recent);
        recent->actions().at(1)->trigger(); // the older one
        QCOMPARE(fixture.fakes.pasteboard->setStrings.last(), QStringLiteral("a\nb"));
    }

    void menuCommandsReachTheirActions()
    {
        Fixture fixture;
        QMenu* menu = fixture.delegate.statusItemController().menu();
        menu->actions().last()->trigger(); // Quit
        QCOMPARE(fixture.fakes.application->terminateCount, 1);
        menu->actions().at(1)->trigger(); // Open...
        QCOMPARE(fixture.fakes.openPanel->requests.size(), 1);
    }

    void theHistoryWindowIsMadeOnceAndClosedByACapture()
    {
        Fixture fixture;
        fixture.fakes.screens->screenList = {{QStringLiteral("ONE"), QRectF(0, 0, 800, 600), 1.0, 1}};
        fixture.fakes.screens->mouse = QPointF(100, 100);
        QVERIFY(!fixture.delegate.historyWindow());
        fixture.delegate.perform(MenuCommand::showHistory);
        HistoryWindow* window = fixture.delegate.historyWindow();
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QCOMPARE(fixture.fakes.application->activateCount, 1);
        fixture.delegate.startCapture();
        QVERIFY(!window->isVisible());
        fixture.delegate.captureWindow()->stopCapture();
        fixture.delegate.showHistory();
        QCOMPARE(fixture.delegate.historyWindow(), window);
        QVERIFY(window->isVisible());
    }

    void withoutAScreenThereIsNoHistoryWindow()
    {
        Fixture fixture;
        fixture.fakes.screens->screenList = {};
        fixture.delegate.showHistory();
        QVERIFY(!fixture.delegate.historyWindow());
        fixture.fakes.screens->screenList = {{QStringLiteral("ONE"), QRectF(0, 0, 800, 600), 1.0, 1}};
        fixture.delegate.showHistory(); // the absence is remembered
        QVERIFY(!fixture.delegate.historyWindow());
    }

    void aDroppedImageIsRecognisedWithoutCounting()
    {
        Fixture fixture;
        fixture.fakes.screens->screenList = {{QStringLiteral("ONE"), QRectF(0, 0, 800, 600), 1.0, 1}};
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("dropped.png"));
        QFile file(png);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("png");
        file.close();
        fixture.fakes.imageLoader->setFileImage(png, solidImage(Qt::green));
        QList<QImage> dropped;
        fixture.delegate.statusItemController().dropped().subscribe(
            &fixture.delegate, [&dropped](const QImage& image) { dropped << image; });

        fixture.delegate.perform(MenuCommand::showHistory);
        HistoryWindow* window = fixture.delegate.historyWindow();
        QMimeData folder;
        folder.setUrls({QUrl::fromLocalFile(dir.path())});
        QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &folder, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &refused);
        QVERIFY(!refused.isAccepted());

        QMimeData image;
        image.setUrls({QUrl::fromLocalFile(png)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &image, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &image, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &drop);
        QVERIFY(fixture.recognised(1));
        QCOMPARE(dropped.size(), 1);
        QCOMPARE(fixture.record->images.first(), solidImage(Qt::green));
        QCOMPARE(fixture.delegate.settingsViewModel().numberOfCaptures().value(), 0);
        QCOMPARE(fixture.fakes.systemSound->captureSoundCount, 0);
    }

    // bench/history-bench times the same steps.
    void hugeResultsAndALongHistoryAreKeptWhole()
    {
        Fixture fixture;
        fixture.fakes.screens->screenList = {{QStringLiteral("ONE"), QRectF(0, 0, 1280, 800), 1.0, 1}};
        const QString megabyte(1 << 20, u'w');
        fixture.delegate.handleRecognizedText(CaptureItem{{megabyte}, std::nullopt});
        QStringList manyLines;
        for (int i = 0; i < 10000; ++i)
            manyLines << QStringLiteral("line %1").arg(i);
        fixture.delegate.handleRecognizedText(CaptureItem{manyLines, std::nullopt});
        fixture.delegate.handleRecognizedText(CaptureItem{{QString()}, std::nullopt});
        QCOMPARE(fixture.fakes.pasteboard->setStrings.first().size(), megabyte.size());

        HistoryViewModel& history = fixture.delegate.historyViewModel();
        QList<HistoryItem> items = history.items().value();
        for (int i = 0; i < 10000; ++i)
            items.append(
                HistoryItem{1e9 + i, {QStringLiteral("capture %1").arg(i), "second line"}, std::nullopt});
        history.setItems(items);
        fixture.delegate.statusItemController().menuWillOpen();
        fixture.delegate.showHistory();
        QVERIFY(QTest::qWaitForWindowExposed(fixture.delegate.historyWindow()));
        QCOMPARE(fixture.delegate.statusItemController().historyItem()->menu()->actions().size(), 10003);
    }

    void preferencesAndAboutShowTheirTabsInOneWindow()
    {
        Fixture fixture;
        fixture.fakes.screens->screenList = {{QStringLiteral("ONE"), QRectF(0, 0, 1280, 800), 1.0, 1}};
        QVERIFY(!fixture.delegate.settingsWindow());
        fixture.delegate.perform(MenuCommand::showAbout);
        SettingsWindow* window = fixture.delegate.settingsWindow();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->currentTabIndex(), 2);
        QCOMPARE(window->windowTitle(), QStringLiteral("Preferences"));
        fixture.delegate.perform(MenuCommand::showPreferences);
        QCOMPARE(fixture.delegate.settingsWindow(), window);
        QCOMPARE(window->currentTabIndex(), 0);
        QCOMPARE(fixture.delegate.settingsViewModel().selectedTab().value(), SettingsTab::general);
        QCOMPARE(fixture.fakes.application->activateCount, 2);
    }

    void aboutShowsTheApplicationIconAndItsTabTheTrayGlyph()
    {
        Fixture fixture;
        fixture.fakes.screens->screenList = {{QStringLiteral("ONE"), QRectF(0, 0, 1280, 800), 1.0, 1}};
        fixture.delegate.perform(MenuCommand::showAbout);
        SettingsWindow* window = fixture.delegate.settingsWindow();
        QVERIFY(window);
        const QImage shown = window->aboutView().iconLabel()->pixmap().toImage();
        QCOMPARE(shown, ApplicationIcon::make().pixmap(AboutView::iconSize).toImage());
        QCOMPARE(qAlpha(shown.pixel(shown.rect().center())), 255); // drawn, not left blank
        const auto glyph = [](const QIcon& icon) { return icon.pixmap(32).toImage(); };
        QCOMPARE(glyph(window->tabBar().tab(2)->icon()), glyph(StatusItemIcon::make()));
    }

    void theWelcomeWindowComesOnTheFirstLaunchOnly()
    {
        for (const bool first : {false, true}) {
            FakePlatform fakes;
            fakes.platform.isFirstLaunch = first;
            fakes.screens->screenList = {{QStringLiteral("ONE"), QRectF(0, 0, 1280, 800), 1.0, 1}};
            fakes.screens->mouse = QPointF(100, 100);
            auto pool = std::make_shared<RecognitionEnginePool>(
                FakeRecognitionEngine::factory(std::make_shared<FakeRecognitionRecord>(), {}), 1);
            AppDelegate delegate(fakes.platform, pool);
            delegate.applicationDidFinishLaunching();
            bool shown = false;
            // The window runs modally; a capture started meanwhile (here: by the test) closes it.
            QTimer::singleShot(200, &delegate, [&] {
                shown = delegate.welcomeWindow() && delegate.welcomeWindow()->isVisible();
                if (shown) // the new user learns the shortcut
                    QCOMPARE(delegate.welcomeWindow()->view().captureShortcutLabel()->text(),
                             QStringLiteral("Press Ctrl+Shift+2 to start."));
                delegate.startCapture();
            });
            QTest::qWait(400);
            QCOMPARE(shown, first);
            if (delegate.welcomeWindow())
                QVERIFY(!delegate.welcomeWindow()->isVisible());
            delegate.captureWindow()->stopCapture();
        }
    }

    void theWelcomeWindowNamesTheKeysTheDesktopReports()
    {
        FakePlatform fakes;
        fakes.platform.isFirstLaunch = true;
        fakes.screens->screenList = {{QStringLiteral("ONE"), QRectF(0, 0, 1280, 800), 1.0, 1}};
        auto pool = std::make_shared<RecognitionEnginePool>(
            FakeRecognitionEngine::factory(std::make_shared<FakeRecognitionRecord>(), {}), 1);
        AppDelegate delegate(fakes.platform, pool);
        // Shift+Ctrl+2 as X knows it; the desktop has its own words for it, and later other keys.
        const HotKeyCombination capture{11, XModifier::shift | XModifier::control};
        fakes.hotKeyBackend->reportTrigger(capture, QStringLiteral("Shift + Ctrl + 2"));
        delegate.applicationDidFinishLaunching();
        QStringList lines;
        QTimer::singleShot(200, &delegate, [&] {
            if (delegate.welcomeWindow() && delegate.welcomeWindow()->isVisible()) {
                const QLabel* label = delegate.welcomeWindow()->view().captureShortcutLabel();
                lines << label->text();
                fakes.hotKeyBackend->reportTrigger(capture, QStringLiteral("Super + C"));
                lines << label->text();
            }
            delegate.welcomeWindow()->close();
        });
        QTest::qWait(400);
        QCOMPARE(lines, (QStringList{"Press Shift + Ctrl + 2 to start.", "Press Super + C to start."}));
    }

    void withoutHotKeysTheWelcomeWindowSaysWhatToBind()
    {
        FakePlatform fakes;
        fakes.platform.isFirstLaunch = true;
        fakes.hotKeyBackend->isOffered = false;
        fakes.screens->screenList = {{QStringLiteral("ONE"), QRectF(0, 0, 1280, 800), 1.0, 1}};
        fakes.screens->mouse = QPointF(100, 100);
        const QString line = welcomeLine(fakes, &WelcomeView::captureShortcutLabel);
        QVERIFY2(line.contains("oculo --capture") && line.contains("keyboard settings"), qPrintable(line));
    }

    void withoutATrayTheWelcomeWindowSaysWhereTheMenuIs()
    {
        // The offscreen platform of these tests shows no tray.
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
        FakePlatform fakes;
        fakes.platform.isFirstLaunch = true;
        fakes.screens->screenList = {{QStringLiteral("ONE"), QRectF(0, 0, 1280, 800), 1.0, 1}};
        const QString line = welcomeLine(fakes, &WelcomeView::trayNoteLabel);
        QVERIFY2(line.contains("oculo --preferences") && line.contains("applications menu"),
                 qPrintable(line));
    }

    void quitTerminates()
    {
        Fixture fixture;
        fixture.delegate.quit();
        QCOMPARE(fixture.fakes.application->terminateCount, 1);
    }
};

QTEST_MAIN(TestAppDelegate)
#include "tst_appdelegate.moc"

#include "appdelegate.h"
#include "captureitem.h"
#include "captureprocessing.h"
#include "defaultsearchengines.h"
#include "fakeplatform.h"
#include "fakerecognitionengine.h"
#include "recognitionenginepool.h"
#include "settingsviewmodel.h"

#include <QTest>

namespace {

QImage solidImage(QColor colour)
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(colour);
    return image;
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
        QCOMPARE(fixture.fakes.userDefaults->writeCount, 0);
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

    void quitTerminates()
    {
        Fixture fixture;
        fixture.delegate.quit();
        QCOMPARE(fixture.fakes.application->terminateCount, 1);
    }
};

QTEST_MAIN(TestAppDelegate)
#include "tst_appdelegate.moc"

#include "captureprocessing.h"
#include "fakeplatform.h"
#include "fakerecognitionengine.h"
#include "recognitionenginepool.h"

#include <QTest>

namespace {

QImage gradientDisplay(int width, int height)
{
    // Each pixel encodes its own position, so a crop shows where it was cut.
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, (x / 256) * 16 + y / 256));
    }
    return image;
}

WindowListEntry entry(QRectF bounds, QString owner, qint64 number, std::optional<int> layer = 0)
{
    return WindowListEntry{layer, bounds, owner, number};
}

} // namespace

Q_DECLARE_METATYPE(RecognitionOutcome)

class TestCaptureProcessing : public QObject {
    Q_OBJECT

    struct Fixture {
        FakePlatform fakes;
        std::shared_ptr<FakeRecognitionRecord> record = std::make_shared<FakeRecognitionRecord>();
        FakeRecognitionEngine::Answer answer = [](const QImage&) {
            return FakeRecognitionEngine::lines({"hello"});
        };
        std::shared_ptr<RecognitionEnginePool> pool = std::make_shared<RecognitionEnginePool>(
            FakeRecognitionEngine::factory(record, [this](const QImage& image) { return answer(image); }), 2);
        CaptureProcessing processor{{*fakes.displayCapture, *fakes.windowList, *fakes.screens,
                                     *fakes.userDefaults, *fakes.systemSound},
                                    pool};
        QList<CaptureItem> items;
        QStringList diagnostics;
        std::mutex diagnosticsMutex;
        Cancellable token = processor.recognizedText().subscribe([this](const CaptureItem& item) {
            QCOMPARE(QThread::currentThread(), QCoreApplication::instance()->thread());
            items.append(item);
        });
        ScreenDescription screen{QStringLiteral("main"), QRectF(0, 0, 800, 600), 1.0, 7};

        Fixture()
        {
            fakes.userDefaults->registerDefaults({{"playSound", true}});
            fakes.screens->screenList = {screen};
            fakes.displayCapture->images.insert(7, gradientDisplay(800, 600));
            processor.setDiagnosticSink([this](const QString& line) {
                std::lock_guard lock(diagnosticsMutex);
                diagnostics.append(line);
            });
        }
        // Lets every queued recognition finish and reach the main thread.
        void settle()
        {
            pool->waitForDone();
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
        }
    };

private slots:
    void engineOutcomes_data()
    {
        QTest::addColumn<RecognitionOutcome>("outcome");
        QTest::addColumn<QVariant>("lines"); // invalid: nothing published
        QTest::addColumn<QString>("diagnostic");

        RecognitionOutcome three;
        three.results = QList<TextObservation>{{true, {" first ", "alt"}}, {true, {}}, {true, {"third"}}};
        QTest::newRow("second without candidate") << three << QVariant(QStringList{" first ", "third"}) << "";

        RecognitionOutcome duplicates;
        duplicates.results = QList<TextObservation>{{true, {"same"}}, {true, {"same"}}, {true, {""}}};
        QTest::newRow("taken as given") << duplicates << QVariant(QStringList{"same", "same", ""}) << "";

        RecognitionOutcome empty;
        empty.results = QList<TextObservation>{};
        QTest::newRow("empty list") << empty << QVariant() << "Nothing found\n";

        RecognitionOutcome noCandidates;
        noCandidates.results = QList<TextObservation>{{true, {}}, {true, {}}};
        QTest::newRow("no candidates") << noCandidates << QVariant() << "Nothing found\n";

        QTest::newRow("no results") << RecognitionOutcome{} << QVariant() << "";

        RecognitionOutcome mixed;
        mixed.results = QList<TextObservation>{{true, {"a"}}, {false, {"b"}}};
        QTest::newRow("not all text") << mixed << QVariant() << "";

        RecognitionOutcome failed;
        failed.error = QStringLiteral("the trained data is missing");
        QTest::newRow("failure") << failed << QVariant()
                                 << "Unable to perform the requests: the trained data is missing.\n";
    }

    void engineOutcomes()
    {
        QFETCH(RecognitionOutcome, outcome);
        QFETCH(QVariant, lines);
        QFETCH(QString, diagnostic);
        Fixture fixture;
        fixture.answer = [outcome](const QImage&) { return outcome; };
        const Window window{QRectF(1, 2, 3, 4), QStringLiteral("Editor"), 42};
        fixture.processor.recognize(QImage(10, 10, QImage::Format_RGB32), window);
        fixture.settle();
        if (lines.isValid()) {
            QCOMPARE(fixture.items.size(), 1);
            QCOMPARE(fixture.items.first().text, lines.toStringList());
            QCOMPARE(fixture.items.first().window, window);
        } else {
            QVERIFY(fixture.items.isEmpty());
        }
        QCOMPARE(fixture.diagnostics.join(QString()), diagnostic);
    }

    void aCaptureCutsTheRectangleInPixelsPlaysTheSoundAndRecognises_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<QRectF>("rect");
        QTest::addColumn<QRect>("expectedPixels");
        QTest::newRow("scale 1") << 1.0 << QRectF(10, 20, 100, 50) << QRect(10, 20, 100, 50);
        QTest::newRow("scale 2") << 2.0 << QRectF(10, 20, 100, 50) << QRect(20, 40, 200, 100);
        QTest::newRow("fractional points") << 2.0 << QRectF(10.25, 20.5, 3.5, 1.25) << QRect(20, 41, 8, 3);
        QTest::newRow("partly off the image") << 1.0 << QRectF(780, 590, 50, 50) << QRect(780, 590, 20, 10);
        QTest::newRow("negative origin") << 1.0 << QRectF(-5, -5, 10, 10) << QRect(0, 0, 5, 5);
    }

    void aCaptureCutsTheRectangleInPixelsPlaysTheSoundAndRecognises()
    {
        QFETCH(double, scale);
        QFETCH(QRectF, rect);
        QFETCH(QRect, expectedPixels);
        Fixture fixture;
        fixture.screen.backingScaleFactor = scale;
        const QImage display = gradientDisplay(int(800 * scale), int(600 * scale));
        fixture.fakes.displayCapture->images.insert(7, display);
        fixture.processor.captureAndRecognize(fixture.screen, rect);
        QCOMPARE(fixture.fakes.systemSound->captureSoundCount, 1);
        fixture.settle();
        QCOMPARE(fixture.record->images.size(), 1);
        QCOMPARE(fixture.record->images.first(), display.copy(expectedPixels));
        QCOMPARE(fixture.items.size(), 1);
        QCOMPARE(fixture.items.first().window, std::nullopt);
    }

    void failuresBeforeRecognitionEndQuietly_data()
    {
        QTest::addColumn<QRectF>("rect");
        QTest::addColumn<bool>("withDisplayId");
        QTest::addColumn<bool>("withImage");
        QTest::newRow("zero rectangle") << QRectF(0, 0, 0, 0) << true << true;
        QTest::newRow("no display id") << QRectF(0, 0, 10, 10) << false << true;
        QTest::newRow("no display image") << QRectF(0, 0, 10, 10) << true << false;
        QTest::newRow("wholly off the image") << QRectF(900, 700, 10, 10) << true << true;
        QTest::newRow("empty width") << QRectF(5, 5, 0, 10) << true << true;
    }

    void failuresBeforeRecognitionEndQuietly()
    {
        QFETCH(QRectF, rect);
        QFETCH(bool, withDisplayId);
        QFETCH(bool, withImage);
        Fixture fixture;
        if (!withDisplayId)
            fixture.screen.displayId.reset();
        if (!withImage)
            fixture.fakes.displayCapture->images.clear();
        fixture.processor.captureAndRecognize(fixture.screen, rect);
        fixture.settle();
        QCOMPARE(fixture.fakes.systemSound->captureSoundCount, 0);
        QVERIFY(fixture.record->images.isEmpty());
        QVERIFY(fixture.items.isEmpty());
        QVERIFY(fixture.diagnostics.isEmpty());
        if (rect == QRectF(0, 0, 0, 0) || !withDisplayId)
            QCOMPARE(fixture.fakes.displayCapture->callCount(), 0);
    }

    void theFrontmostWindowContainingTheSelectionIsRecorded()
    {
        Fixture fixture;
        fixture.fakes.windowList->entries = QList<WindowListEntry>{
            entry(QRectF(0, 0, 800, 600), QStringLiteral("Panel"), 1, 20), // not a normal window
            entry(QRectF(0, 0, 100, 100), QStringLiteral("Small"), 2),     // too small
            WindowListEntry{0, QRectF(0, 0, 800, 600), std::nullopt, 3},   // no owner: dropped
            entry(QRectF(0, 0, 400, 300), QStringLiteral("Editor"), 4),    // frontmost that fits
            entry(QRectF(0, 0, 800, 600), QStringLiteral("Browser"), 5),
        };
        fixture.processor.captureAndRecognize(fixture.screen, QRectF(50, 50, 350, 250));
        // A selection spanning two windows is in neither, but the full-screen one behind holds it.
        fixture.processor.captureAndRecognize(fixture.screen, QRectF(350, 50, 100, 100));
        fixture.settle();
        // Two recognitions finish in either order.
        QCOMPARE(fixture.items.size(), 2);
        QList<std::optional<Window>> windows{fixture.items[0].window, fixture.items[1].window};
        QVERIFY(windows.contains(Window{QRectF(0, 0, 400, 300), QStringLiteral("Editor"), 4}));
        QVERIFY(windows.contains(Window{QRectF(0, 0, 800, 600), QStringLiteral("Browser"), 5}));

        const QList<Window> listed = fixture.processor.onScreenWindows();
        QCOMPARE(listed.size(), 3);
        QCOMPARE(listed.first().applicationName, QStringLiteral("Small"));
    }

    void theWindowIsLookedForWhereTheCaptureScreenIs_data()
    {
        QTest::addColumn<QRectF>("frame");    // bottom-up, around a 1280x800 primary screen
        QTest::addColumn<QPointF>("topLeft"); // its top-left corner, top-down
        QTest::newRow("right") << QRectF(1280, 0, 800, 600) << QPointF(1280, 200);
        QTest::newRow("below") << QRectF(0, -600, 800, 600) << QPointF(0, 800);
        QTest::newRow("above") << QRectF(0, 800, 800, 600) << QPointF(0, -600);
    }

    void theWindowIsLookedForWhereTheCaptureScreenIs()
    {
        QFETCH(QRectF, frame);
        QFETCH(QPointF, topLeft);
        Fixture fixture;
        fixture.screen.frame = frame;
        fixture.fakes.screens->screenList = {{QStringLiteral("primary"), QRectF(0, 0, 1280, 800), 1.0, 1},
                                             fixture.screen};
        // The same place on each screen.
        const QRectF local(0, 0, 400, 300);
        const Window wanted{local.translated(topLeft), QStringLiteral("OnCaptureScreen"), 2};
        fixture.fakes.windowList->entries = QList<WindowListEntry>{
            entry(local, QStringLiteral("OnPrimary"), 1),
            entry(wanted.frame, wanted.applicationName, wanted.windowNumber),
        };
        fixture.processor.captureAndRecognize(fixture.screen, QRectF(50, 50, 100, 100));
        fixture.settle();
        QCOMPARE(fixture.items.size(), 1);
        QCOMPARE(fixture.items.first().window, wanted);
    }

    void aSelectionNoWindowContainsHasNoWindow()
    {
        Fixture fixture;
        fixture.fakes.windowList->entries = QList<WindowListEntry>{
            entry(QRectF(0, 0, 400, 600), QStringLiteral("Left"), 1),
            entry(QRectF(400, 0, 400, 600), QStringLiteral("Right"), 2),
        };
        fixture.processor.captureAndRecognize(fixture.screen, QRectF(350, 50, 100, 100));
        fixture.settle();
        QCOMPARE(fixture.items.size(), 1);
        QCOMPARE(fixture.items.first().window, std::nullopt);
    }

    void theSoundFollowsTheStoreAndPlaysEvenWhenNothingIsFound()
    {
        Fixture fixture;
        fixture.answer = [](const QImage&) { return FakeRecognitionEngine::lines({}); };
        fixture.processor.captureAndRecognize(fixture.screen, QRectF(0, 0, 10, 10));
        QCOMPARE(fixture.fakes.systemSound->captureSoundCount, 1);
        fixture.fakes.userDefaults->setBool(QStringLiteral("playSound"), false);
        fixture.processor.captureAndRecognize(fixture.screen, QRectF(0, 0, 10, 10));
        QCOMPARE(fixture.fakes.systemSound->captureSoundCount, 1);
        fixture.settle();
        QCOMPARE(fixture.record->images.size(), 2);
        QVERIFY(fixture.items.isEmpty());
        QCOMPARE(fixture.diagnostics, (QStringList{"Nothing found\n", "Nothing found\n"}));
    }

    void readyImagesNeverPlayTheSound()
    {
        Fixture fixture;
        fixture.processor.recognize(QImage(4, 4, QImage::Format_RGB32), std::nullopt);
        fixture.settle();
        QCOMPARE(fixture.fakes.systemSound->captureSoundCount, 0);
        QCOMPARE(fixture.items.size(), 1);
        QCOMPARE(fixture.items.first().window, std::nullopt);
    }

    void aResultForAProcessorThatIsGoneIsDropped()
    {
        FakePlatform fakes;
        auto record = std::make_shared<FakeRecognitionRecord>();
        auto pool = std::make_shared<RecognitionEnginePool>(
            FakeRecognitionEngine::factory(record,
                                           [](const QImage&) {
                                               QThread::msleep(50);
                                               return FakeRecognitionEngine::lines({"late"});
                                           }),
            1);
        int received = 0;
        {
            CaptureProcessing processor({*fakes.displayCapture, *fakes.windowList, *fakes.screens,
                                         *fakes.userDefaults, *fakes.systemSound},
                                        pool);
            processor.recognizedText().subscribe(this, [&](const CaptureItem&) { ++received; });
            processor.recognize(QImage(4, 4, QImage::Format_RGB32), std::nullopt);
        }
        pool->waitForDone();
        QCoreApplication::processEvents();
        QCOMPARE(received, 0);
    }
};

QTEST_GUILESS_MAIN(TestCaptureProcessing)
#include "tst_captureprocessing.moc"

#include "fakerecognitionengine.h"
#include "recognitionenginepool.h"

#include <QTest>

#include <chrono>
#include <thread>

class TestRecognitionEnginePool : public QObject {
    Q_OBJECT
private slots:
    void enginesAreMadeOnceAndReusedNeverSharedAtOnce()
    {
        auto record = std::make_shared<FakeRecognitionRecord>();
        RecognitionEnginePool pool(FakeRecognitionEngine::factory(record,
                                                                  [](const QImage& image) {
                                                                      std::this_thread::sleep_for(
                                                                          std::chrono::milliseconds(2));
                                                                      return FakeRecognitionEngine::lines(
                                                                          {QString::number(image.width())});
                                                                  }),
                                   3);
        QList<QFuture<RecognitionOutcome>> futures;
        for (int i = 1; i <= 40; ++i)
            futures.append(pool.perform(QImage(i, 1, QImage::Format_Grayscale8)));
        for (int i = 0; i < futures.size(); ++i)
            QCOMPARE(futures[i].result().results->first().topCandidates, QStringList{QString::number(i + 1)});
        QVERIFY(record->enginesMade <= 3);
        QVERIFY(record->enginesMade >= 1);
        QCOMPARE(record->concurrentUses.load(), 0);
        QCOMPARE(pool.enginesMade(), record->enginesMade.load());
        for (QThread* thread : record->threads)
            QVERIFY(thread != QThread::currentThread());

        // Later images reuse the warm engines.
        const int made = record->enginesMade;
        pool.perform(QImage(5, 5, QImage::Format_Grayscale8)).waitForFinished();
        QCOMPARE(record->enginesMade.load(), made);
    }

    void warmingUpMakesOneEngineBeforeAnyImage()
    {
        auto record = std::make_shared<FakeRecognitionRecord>();
        {
            RecognitionEnginePool pool(
                FakeRecognitionEngine::factory(record, [](const QImage&) { return RecognitionOutcome{}; }),
                2);
            pool.warmUp();
            pool.warmUp();
            QTRY_COMPARE(record->enginesMade.load(), 1);
            pool.perform(QImage(1, 1, QImage::Format_Grayscale8)).waitForFinished();
            QCOMPARE(record->enginesMade.load(), 1);
        }
        QVERIFY(record->images.size() == 1);
    }

    void aFactoryThatMakesNoEngineGivesAnError()
    {
        RecognitionEnginePool pool([] { return std::unique_ptr<TextRecognitionEngine>(); }, 1);
        const RecognitionOutcome outcome = pool.perform(QImage(1, 1, QImage::Format_Grayscale8)).result();
        QVERIFY(outcome.error.has_value());
        QVERIFY(!outcome.results.has_value());
    }
};

QTEST_GUILESS_MAIN(TestRecognitionEnginePool)
#include "tst_recognitionenginepool.moc"

// Runs text recognition on worker threads, each job with an engine of its own: engines are made on
// first need (up to one per worker) and kept warm for the next images, never made per image. The
// only locks of the application are in here and in the leases of the recognition language models. Any
// thread may submit; destruction waits for the jobs.
#pragma once

#include "textrecognitionengine.h"

#include <QFuture>
#include <QThreadPool>

#include <memory>
#include <mutex>
#include <vector>

class RecognitionEnginePool {
public:
    explicit RecognitionEnginePool(TextRecognitionEngineFactory factory, int maxEngines = 0);
    ~RecognitionEnginePool();
    RecognitionEnginePool(const RecognitionEnginePool&) = delete;
    RecognitionEnginePool& operator=(const RecognitionEnginePool&) = delete;

    // Recognises the image on a worker thread; the future finishes there.
    QFuture<RecognitionOutcome> perform(QImage image);
    // Makes one engine in the background, so that the first image does not wait for its model.
    void warmUp();

    // Blocks until every submitted image has been recognised.
    void waitForDone() { m_threads.waitForDone(); }

    int maxEngines() const { return m_threads.maxThreadCount(); }
    int enginesMade() const;

private:
    std::unique_ptr<TextRecognitionEngine> takeEngine();
    void giveBack(std::unique_ptr<TextRecognitionEngine> engine);

    TextRecognitionEngineFactory m_factory;
    mutable std::mutex m_mutex;
    std::vector<std::unique_ptr<TextRecognitionEngine>> m_idle;
    int m_made = 0;
    QThreadPool m_threads;
};

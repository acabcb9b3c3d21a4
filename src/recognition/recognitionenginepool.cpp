#include "recognitionenginepool.h"

#include "memoryrelease.h"

#include <QtConcurrent>
#include <QThread>

RecognitionEnginePool::RecognitionEnginePool(TextRecognitionEngineFactory factory, int maxEngines)
    : m_factory(std::move(factory))
{
    m_threads.setMaxThreadCount(maxEngines > 0 ? maxEngines : std::max(1, QThread::idealThreadCount()));
    m_threads.setThreadPriority(QThread::HighPriority);
    // Warm engines are worth keeping: a worker that exits would not take its engine with it, but
    // keeping the threads avoids re-creating them for every capture.
    m_threads.setExpiryTimeout(-1);
}

RecognitionEnginePool::~RecognitionEnginePool()
{
    m_threads.waitForDone();
}

int RecognitionEnginePool::enginesMade() const
{
    std::lock_guard lock(m_mutex);
    return m_made;
}

std::unique_ptr<TextRecognitionEngine> RecognitionEnginePool::takeEngine()
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_idle.empty()) {
            auto engine = std::move(m_idle.back());
            m_idle.pop_back();
            return engine;
        }
        ++m_made;
    }
    // At most one job per worker runs at a time, so at most maxEngines engines are ever made.
    return m_factory();
}

void RecognitionEnginePool::giveBack(std::unique_ptr<TextRecognitionEngine> engine)
{
    if (!engine)
        return;
    std::lock_guard lock(m_mutex);
    m_idle.push_back(std::move(engine));
}

QFuture<RecognitionOutcome> RecognitionEnginePool::perform(QImage image)
{
    return QtConcurrent::run(&m_threads, [this, image = std::move(image)]() {
        auto engine = takeEngine();
        RecognitionOutcome outcome;
        if (engine)
            outcome = engine->perform(image);
        else
            outcome.error = QStringLiteral("no text recognition engine could be made");
        giveBack(std::move(engine));
        // A recognition allocates tens of megabytes on this worker and frees nearly all of it.
        MemoryRelease::releaseFreedMemory();
        return outcome;
    });
}

void RecognitionEnginePool::warmUp()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_made > 0)
            return;
    }
    m_threads.start([this] {
        giveBack(takeEngine());
        MemoryRelease::releaseFreedMemory();
    });
}

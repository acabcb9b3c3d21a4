// A scripted OCR engine for unit tests: answers every image with the same outcome (or with one made
// from the image by a function), and records the images and threads it saw.
#pragma once

#include "textrecognitionengine.h"

#include <QThread>

#include <atomic>
#include <mutex>

struct FakeRecognitionRecord {
    std::mutex mutex;
    QList<QImage> images;
    QList<QThread*> threads;
    std::atomic<int> enginesMade{0};
    std::atomic<int> concurrentUses{0};
    std::atomic<int> maxConcurrentUses{0};
};

class FakeRecognitionEngine : public TextRecognitionEngine {
public:
    using Answer = std::function<RecognitionOutcome(const QImage&)>;

    FakeRecognitionEngine(std::shared_ptr<FakeRecognitionRecord> record, Answer answer)
        : m_record(std::move(record))
        , m_answer(std::move(answer))
    {
        ++m_record->enginesMade;
    }

    RecognitionOutcome perform(const QImage& image) override
    {
        const int now = ++m_inUse;
        if (now > 1)
            ++m_record->concurrentUses; // the same engine used by two threads at once: a fault
        {
            std::lock_guard lock(m_record->mutex);
            m_record->images.append(image);
            m_record->threads.append(QThread::currentThread());
        }
        RecognitionOutcome outcome = m_answer(image);
        --m_inUse;
        return outcome;
    }

    static TextRecognitionEngineFactory factory(std::shared_ptr<FakeRecognitionRecord> record, Answer answer)
    {
        return [record, answer] { return std::make_unique<FakeRecognitionEngine>(record, answer); };
    }

    static RecognitionOutcome lines(const QStringList& lines)
    {
        RecognitionOutcome outcome;
        outcome.results = QList<TextObservation>();
        for (const QString& line : lines)
            outcome.results->append(TextObservation{true, {line}});
        return outcome;
    }

private:
    std::shared_ptr<FakeRecognitionRecord> m_record;
    Answer m_answer;
    std::atomic<int> m_inUse{0};
};

// Wraps a real OCR engine for end-to-end tests: records every image it is given, then reads it.
#pragma once

#include "textrecognitionengine.h"

#include <QImage>
#include <QList>

#include <memory>
#include <mutex>

struct RecordedImages {
    std::mutex mutex;
    QList<QImage> images;

    QList<QImage> snapshot()
    {
        std::lock_guard lock(mutex);
        return images;
    }
};

class RecordingEngine : public TextRecognitionEngine {
public:
    RecordingEngine(std::unique_ptr<TextRecognitionEngine> engine, std::shared_ptr<RecordedImages> record)
        : m_engine(std::move(engine))
        , m_record(std::move(record))
    {}

    RecognitionOutcome perform(const QImage& image) override
    {
        {
            std::lock_guard lock(m_record->mutex);
            m_record->images.append(image);
        }
        return m_engine->perform(image);
    }

private:
    std::unique_ptr<TextRecognitionEngine> m_engine;
    std::shared_ptr<RecordedImages> m_record;
};

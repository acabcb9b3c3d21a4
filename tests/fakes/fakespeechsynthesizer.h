// A speech synthesizer for unit tests: records what it is asked to speak and how often it is stopped.
// Like the real one it counts as speaking from `speak` on, before any start report, stops what it is
// speaking when asked to speak again, and reports a stop as a cancel; the start and finish reports are
// sent by the test (`reportStart`, `reportFinish`), from any thread it likes.
#pragma once

#include "speechsynthesizer.h"

#include <QList>

class FakeSpeechSynthesizer : public SpeechSynthesizer {
public:
    struct Utterance {
        QString text;
        QString languageCode;
        bool operator==(const Utterance&) const = default;
    };

    QList<Utterance> spoken;
    int stopCount = 0;
    bool speaking = false;
    std::weak_ptr<SpeechSynthesizerDelegate> delegate;

    void speak(const QString& text, const QString& languageCode) override
    {
        if (speaking)
            stop();
        spoken.append({text, languageCode});
        speaking = true;
    }
    void stop() override
    {
        ++stopCount;
        if (std::exchange(speaking, false)) {
            if (auto target = delegate.lock())
                target->didCancel();
        }
    }
    bool isSpeaking() const override { return speaking; }
    void setDelegate(std::weak_ptr<SpeechSynthesizerDelegate> newDelegate) override
    {
        delegate = std::move(newDelegate);
    }

    void reportStart()
    {
        if (auto target = delegate.lock())
            target->didStart();
    }
    void reportFinish()
    {
        speaking = false;
        if (auto target = delegate.lock())
            target->didFinish();
    }
};

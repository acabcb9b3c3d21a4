// Turns the speech synthesizer's start, finish and cancel reports into one speaking flag handed to
// `updateState`. Called on whatever thread the synthesizer reports on; does nothing else.
#pragma once

#include "speechsynthesizer.h"

#include <functional>

class SpeechObserver : public SpeechSynthesizerDelegate {
public:
    explicit SpeechObserver(std::function<void(bool)> updateState)
        : m_updateState(std::move(updateState))
    {}

    void didStart() override { m_updateState(true); }
    void didFinish() override { m_updateState(false); }
    void didCancel() override { m_updateState(false); }

private:
    const std::function<void(bool)> m_updateState;
};

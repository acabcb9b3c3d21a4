// Reads text aloud with the desktop's speech service, one utterance at a time. Called on the main
// thread. Without a working speech service speaking does nothing and no utterance is reported.
#pragma once

#include <QString>

#include <memory>

// Told when an utterance starts and when it ends, finished or cancelled. The synthesizer may call it
// on any thread, so an implementation does no more than hand the news on.
class SpeechSynthesizerDelegate {
public:
    virtual ~SpeechSynthesizerDelegate() = default;
    virtual void didStart() = 0;
    virtual void didFinish() = 0;
    virtual void didCancel() = 0;
};

class SpeechSynthesizer {
public:
    virtual ~SpeechSynthesizer() = default;

    // Starts reading `text` in a voice for `languageCode` ("en", "fr", "zh-Hans", ...), or in the
    // default voice when the service has none for it. Rate, pitch and volume stay at their defaults.
    virtual void speak(const QString& text, const QString& languageCode) = 0;
    // Stops the current utterance at once; it is reported cancelled.
    virtual void stop() = 0;
    // The synthesizer's own view, which may run ahead of what the delegate has been told.
    virtual bool isSpeaking() const = 0;
    // Held weakly: a delegate that is gone is simply not told.
    virtual void setDelegate(std::weak_ptr<SpeechSynthesizerDelegate> delegate) = 0;
};

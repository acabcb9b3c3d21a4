// Speech through Qt TextToSpeech with the speech-dispatcher engine ("speechd"). Main thread only.
// The engine is made on the first speak request, never at start-up, because connecting to (and
// perhaps starting) speech-dispatcher can take seconds. When the service cannot be reached, or an
// utterance never ends because the service's audio output is broken, speaking does nothing or is
// given up, the delegate is told the utterance ended, and a warning is logged once.
// It counts as speaking from `speak` on, before speech-dispatcher reports the utterance started.
// speech-dispatcher misses a cancel that comes before an utterance has started, and reports one that
// comes just as it starts as done while its reading module goes on: an unwanted utterance is cancelled
// once it has started, again every so often, and once more after its end is reported; only then is
// the text asked for meanwhile handed over.
#pragma once

#include "speechsynthesizer.h"

#include <QLocale>
#include <QTimer>
#include <QVoice>

#include <chrono>
#include <memory>
#include <optional>

class QTextToSpeech;

class QtSpeechSynthesizer : public SpeechSynthesizer {
public:
    QtSpeechSynthesizer();
    ~QtSpeechSynthesizer() override;

    QtSpeechSynthesizer(const QtSpeechSynthesizer&) = delete;
    QtSpeechSynthesizer& operator=(const QtSpeechSynthesizer&) = delete;

    void speak(const QString& text, const QString& languageCode) override;
    void stop() override;
    bool isSpeaking() const override;
    void setDelegate(std::weak_ptr<SpeechSynthesizerDelegate> delegate) override;

    // The voice of the latest utterance; a default-made voice before the first one.
    QVoice currentVoice() const;

    // An utterance still going after `base` plus `perCharacter` for each character of its text is
    // taken to be stuck (speech-dispatcher then never reports its end) and is given up.
    void setStallAllowance(std::chrono::milliseconds base, std::chrono::milliseconds perCharacter);

    // The locale a language code asks for: "zh-Hans" and "zh-Hant" are Chinese in simplified and
    // traditional Han script, other codes are read as locale names.
    static QLocale localeForLanguageCode(const QString& languageCode);
    // The available locale that serves `wanted` best: the same language, preferably in the same script
    // and in the territory the wanted locale stands for. None when no locale has the language.
    static std::optional<QLocale> bestLocale(const QList<QLocale>& available, const QLocale& wanted);

private:
    struct Request {
        QString text;
        QString languageCode;
    };

    // What the engine is doing with the utterances handed to it.
    enum class Phase {
        idle,
        handedOver, // said, not reported started or ended yet
        started,    // reported started, and wanted
        draining,   // started but no longer wanted: cancelled until after its end is reported
    };

    bool ensureEngine();
    void say(const Request& request);
    void chooseVoice(const QString& languageCode);
    void engineStateChanged(int state);
    void startDraining();
    void engineFreed();
    void giveUp();
    void utteranceEnded(bool cancelled);
    void warnOnce(const QString& reason);

    std::unique_ptr<QTextToSpeech> m_engine;
    bool m_isUnavailable = false;
    bool m_hasWarned = false;
    Phase m_phase = Phase::idle;
    bool m_cancelsWhenStarted = false; // the one handed over is no longer wanted
    bool m_isDrainReported = false;    // the end of the one draining is reported
    std::optional<Request> m_next;     // wanted, handed over once the engine is free of the unwanted one
    int m_reportedState = 0;           // the engine's state as last reported
    QTimer m_cancelTimer;              // repeats the cancel while draining
    QLocale m_defaultLocale;
    QVoice m_defaultVoice;
    std::weak_ptr<SpeechSynthesizerDelegate> m_delegate;
    QTimer m_stallTimer;
    qsizetype m_textLength = 0;
    std::chrono::milliseconds m_stallBase{15000};
    std::chrono::milliseconds m_stallPerCharacter{200};
};

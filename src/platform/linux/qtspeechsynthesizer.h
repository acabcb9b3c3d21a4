// Speech through Qt TextToSpeech with the speech-dispatcher engine ("speechd"). Main thread only.
// The engine is made on the first speak request, never at start-up, because connecting to (and
// perhaps starting) speech-dispatcher can take seconds. When the service cannot be reached, or an
// utterance never ends because the service's audio output is broken, speaking does nothing or is
// given up, the delegate is told the utterance ended, and a warning is logged once.
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
    bool isSpeaking() const override { return m_isSpeaking; }
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
    bool ensureEngine();
    void chooseVoice(const QString& languageCode);
    void engineStateChanged(int state);
    void utteranceEnded(bool cancelled);
    void warnOnce(const QString& reason);

    std::unique_ptr<QTextToSpeech> m_engine;
    bool m_isUnavailable = false;
    bool m_hasWarned = false;
    bool m_isSpeaking = false;
    bool m_isStopping = false;
    QLocale m_defaultLocale;
    QVoice m_defaultVoice;
    std::weak_ptr<SpeechSynthesizerDelegate> m_delegate;
    QTimer m_stallTimer;
    qsizetype m_textLength = 0;
    std::chrono::milliseconds m_stallBase{15000};
    std::chrono::milliseconds m_stallPerCharacter{200};
};

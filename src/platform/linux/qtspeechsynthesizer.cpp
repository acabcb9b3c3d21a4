#include "qtspeechsynthesizer.h"

#include "platformlogging.h"

#include <QTextToSpeech>

namespace {

const QString engineName = QStringLiteral("speechd");

} // namespace

QtSpeechSynthesizer::QtSpeechSynthesizer()
{
    m_stallTimer.setSingleShot(true);
    QObject::connect(&m_stallTimer, &QTimer::timeout, &m_stallTimer, [this] {
        warnOnce(QStringLiteral("an utterance never ended; speech-dispatcher's audio output seems unusable"));
        if (m_engine)
            m_engine->stop(QTextToSpeech::BoundaryHint::Immediate);
        utteranceEnded(true);
    });
}

QtSpeechSynthesizer::~QtSpeechSynthesizer() = default;

void QtSpeechSynthesizer::speak(const QString& text, const QString& languageCode)
{
    if (!ensureEngine())
        return;
    // One utterance at a time, also when the previous one has not been reported started yet.
    if (m_engine->state() != QTextToSpeech::Ready)
        stop();
    chooseVoice(languageCode);
    m_textLength = text.size();
    m_engine->say(text);
}

void QtSpeechSynthesizer::stop()
{
    if (!m_engine)
        return;
    m_isStopping = m_isSpeaking;
    m_engine->stop(QTextToSpeech::BoundaryHint::Immediate);
}

void QtSpeechSynthesizer::setDelegate(std::weak_ptr<SpeechSynthesizerDelegate> delegate)
{
    m_delegate = std::move(delegate);
}

QVoice QtSpeechSynthesizer::currentVoice() const
{
    return m_engine ? m_engine->voice() : QVoice();
}

void QtSpeechSynthesizer::setStallAllowance(std::chrono::milliseconds base,
                                            std::chrono::milliseconds perCharacter)
{
    m_stallBase = base;
    m_stallPerCharacter = perCharacter;
}

QLocale QtSpeechSynthesizer::localeForLanguageCode(const QString& languageCode)
{
    if (languageCode == u"zh-Hans")
        return QLocale(QLocale::Chinese, QLocale::SimplifiedHanScript, QLocale::AnyTerritory);
    if (languageCode == u"zh-Hant")
        return QLocale(QLocale::Chinese, QLocale::TraditionalHanScript, QLocale::AnyTerritory);
    return QLocale(languageCode);
}

std::optional<QLocale> QtSpeechSynthesizer::bestLocale(const QList<QLocale>& available, const QLocale& wanted)
{
    std::optional<QLocale> best;
    int bestScore = -1;
    for (const QLocale& locale : available) {
        if (locale.language() != wanted.language())
            continue;
        const int score =
            (locale.script() == wanted.script() ? 2 : 0) + (locale.territory() == wanted.territory() ? 1 : 0);
        if (score > bestScore) {
            best = locale;
            bestScore = score;
        }
    }
    return best;
}

bool QtSpeechSynthesizer::ensureEngine()
{
    if (m_engine)
        return true;
    if (m_isUnavailable)
        return false;
    if (!QTextToSpeech::availableEngines().contains(engineName)) {
        m_isUnavailable = true;
        warnOnce(QStringLiteral("the speech-dispatcher plugin of Qt TextToSpeech is not installed"));
        return false;
    }
    auto engine = std::make_unique<QTextToSpeech>(engineName);
    if (engine->state() == QTextToSpeech::Error) {
        m_isUnavailable = true;
        warnOnce(engine->errorString());
        return false;
    }
    QObject::connect(engine.get(), &QTextToSpeech::stateChanged, engine.get(),
                     [this](QTextToSpeech::State state) { engineStateChanged(state); });
    QObject::connect(engine.get(), &QTextToSpeech::errorOccurred, engine.get(),
                     [this](QTextToSpeech::ErrorReason, const QString& reason) {
                         warnOnce(reason);
                         if (m_isSpeaking)
                             utteranceEnded(true);
                     });
    m_defaultLocale = engine->locale();
    m_defaultVoice = engine->voice();
    m_engine = std::move(engine);
    return true;
}

void QtSpeechSynthesizer::chooseVoice(const QString& languageCode)
{
    const std::optional<QLocale> locale =
        bestLocale(m_engine->availableLocales(), localeForLanguageCode(languageCode));
    if (!locale) {
        // No voice for the language: the service's default voice reads it.
        m_engine->setLocale(m_defaultLocale);
        if (!m_defaultVoice.name().isEmpty())
            m_engine->setVoice(m_defaultVoice);
        return;
    }
    m_engine->setLocale(*locale);
    const QList<QVoice> voices = m_engine->availableVoices();
    const auto voice = std::find_if(voices.begin(), voices.end(),
                                    [&](const QVoice& candidate) { return candidate.locale() == *locale; });
    if (voice != voices.end())
        m_engine->setVoice(*voice);
    else if (!voices.isEmpty())
        m_engine->setVoice(voices.first());
}

void QtSpeechSynthesizer::engineStateChanged(int state)
{
    switch (QTextToSpeech::State(state)) {
    case QTextToSpeech::Speaking:
        if (m_isSpeaking)
            return;
        m_isSpeaking = true;
        m_stallTimer.start(m_stallBase + m_stallPerCharacter * m_textLength);
        if (auto delegate = m_delegate.lock())
            delegate->didStart();
        return;
    case QTextToSpeech::Ready:
    case QTextToSpeech::Paused:
        if (m_isSpeaking)
            utteranceEnded(m_isStopping);
        return;
    case QTextToSpeech::Error:
        warnOnce(m_engine ? m_engine->errorString() : QString());
        if (m_isSpeaking)
            utteranceEnded(true);
        return;
    }
}

void QtSpeechSynthesizer::utteranceEnded(bool cancelled)
{
    m_stallTimer.stop();
    m_isSpeaking = false;
    m_isStopping = false;
    auto delegate = m_delegate.lock();
    if (!delegate)
        return;
    if (cancelled)
        delegate->didCancel();
    else
        delegate->didFinish();
}

void QtSpeechSynthesizer::warnOnce(const QString& reason)
{
    if (std::exchange(m_hasWarned, true))
        return;
    qCWarning(lcPlatform) << "Speech is unavailable:" << reason;
}

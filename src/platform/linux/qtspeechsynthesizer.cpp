#include "qtspeechsynthesizer.h"

#include "platformlogging.h"

#include <QTextToSpeech>

namespace {

const QString engineName = QStringLiteral("speechd");
constexpr std::chrono::milliseconds cancelRepeatInterval{200};

} // namespace

QtSpeechSynthesizer::QtSpeechSynthesizer()
{
    m_stallTimer.setSingleShot(true);
    QObject::connect(&m_stallTimer, &QTimer::timeout, &m_stallTimer, [this] {
        warnOnce(QStringLiteral("an utterance never ended; speech-dispatcher's audio output seems unusable"));
        if (m_engine)
            m_engine->stop(QTextToSpeech::BoundaryHint::Immediate);
        giveUp();
    });
    m_cancelTimer.setInterval(cancelRepeatInterval);
    QObject::connect(&m_cancelTimer, &QTimer::timeout, &m_cancelTimer, [this] {
        if (m_engine)
            m_engine->stop(QTextToSpeech::BoundaryHint::Immediate);
        if (m_isDrainReported)
            engineFreed();
    });
}

QtSpeechSynthesizer::~QtSpeechSynthesizer() = default;

void QtSpeechSynthesizer::speak(const QString& text, const QString& languageCode)
{
    if (!ensureEngine())
        return;
    // One utterance at a time, also when the previous one has not been reported started yet.
    if (isSpeaking())
        stop();
    if (m_phase == Phase::idle)
        say(Request{text, languageCode});
    else
        m_next = Request{text, languageCode};
}

void QtSpeechSynthesizer::stop()
{
    if (!m_engine)
        return;
    const bool wasSpeaking = isSpeaking();
    m_next.reset();
    if (m_phase == Phase::handedOver)
        m_cancelsWhenStarted = true;
    else if (m_phase == Phase::started)
        startDraining();
    if (wasSpeaking)
        utteranceEnded(true);
}

bool QtSpeechSynthesizer::isSpeaking() const
{
    return m_next || m_phase == Phase::started || (m_phase == Phase::handedOver && !m_cancelsWhenStarted);
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
                         giveUp();
                     });
    m_reportedState = engine->state();
    m_defaultLocale = engine->locale();
    m_defaultVoice = engine->voice();
    m_engine = std::move(engine);
    return true;
}

void QtSpeechSynthesizer::say(const Request& request)
{
    chooseVoice(request.languageCode);
    m_textLength = request.text.size();
    m_phase = Phase::handedOver;
    m_cancelsWhenStarted = false;
    m_stallTimer.start(m_stallBase + m_stallPerCharacter * m_textLength);
    m_engine->say(request.text);
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
    const int previous = std::exchange(m_reportedState, state);
    switch (QTextToSpeech::State(state)) {
    case QTextToSpeech::Speaking:
        // Only what was handed over can start; anything else is news of an utterance given up.
        if (m_phase != Phase::handedOver)
            return;
        if (m_cancelsWhenStarted) {
            startDraining();
            return;
        }
        m_phase = Phase::started;
        m_stallTimer.start(m_stallBase + m_stallPerCharacter * m_textLength);
        if (auto delegate = m_delegate.lock())
            delegate->didStart();
        return;
    case QTextToSpeech::Ready:
    case QTextToSpeech::Paused:
        switch (m_phase) {
        case Phase::idle:
            return;
        case Phase::handedOver:
            // The engine coming back after an error is no news of the utterance handed over.
            if (previous == QTextToSpeech::Error)
                return;
            // Ended without being reported started: refused, or cancelled by another client.
            if (m_cancelsWhenStarted) {
                engineFreed();
                return;
            }
            [[fallthrough]];
        case Phase::started:
            m_phase = Phase::idle;
            utteranceEnded(false);
            return;
        case Phase::draining:
            // Freed at the next cancel.
            m_isDrainReported = true;
            return;
        }
        return;
    case QTextToSpeech::Error:
        warnOnce(m_engine ? m_engine->errorString() : QString());
        giveUp();
        return;
    default:
        // Synthesizing (Qt 6.6 and later) comes only from synthesize(), which is not used.
        return;
    }
}

void QtSpeechSynthesizer::startDraining()
{
    m_phase = Phase::draining;
    m_isDrainReported = false;
    m_engine->stop(QTextToSpeech::BoundaryHint::Immediate);
    m_cancelTimer.start();
}

// The unwanted utterance is gone: the one asked for meanwhile, if any, is handed over now.
void QtSpeechSynthesizer::engineFreed()
{
    m_phase = Phase::idle;
    m_cancelsWhenStarted = false;
    m_isDrainReported = false;
    m_cancelTimer.stop();
    if (m_next)
        say(*std::exchange(m_next, std::nullopt));
    else
        m_stallTimer.stop();
}

void QtSpeechSynthesizer::giveUp()
{
    const bool wasSpeaking = isSpeaking();
    m_phase = Phase::idle;
    m_cancelsWhenStarted = false;
    m_isDrainReported = false;
    m_next.reset();
    m_cancelTimer.stop();
    m_stallTimer.stop();
    if (wasSpeaking)
        utteranceEnded(true);
}

void QtSpeechSynthesizer::utteranceEnded(bool cancelled)
{
    // An unwanted one the engine still has keeps the watch on.
    if (m_phase == Phase::idle)
        m_stallTimer.stop();
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

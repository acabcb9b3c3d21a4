#include "historyviewmodel.h"

#include "languagerecognizer.h"
#include "mainthread.h"
#include "settingsviewmodel.h"
#include "speechobserver.h"
#include "speechsynthesizer.h"

#include <QPointer>
#include <QTimer>

#include <cmath>

namespace {

double wallClock()
{
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

} // namespace

const QStringList HistoryViewModel::speechLanguageCandidates = {
    QStringLiteral("en"), QStringLiteral("fr"), QStringLiteral("it"),      QStringLiteral("de"),
    QStringLiteral("es"), QStringLiteral("pt"), QStringLiteral("zh-Hans"), QStringLiteral("zh-Hant")};

HistoryViewModel::HistoryViewModel(SettingsViewModel& settings, SpeechSynthesizer& synthesizer,
                                   const LanguageRecognizer& languageRecognizer, QObject* parent)
    : QObject(parent)
    , m_synthesizer(synthesizer)
    , m_languageRecognizer(languageRecognizer)
    , m_settings(settings)
    , m_now(wallClock)
{
    // The handler ignores the new value: removeExpiredHistory reads the setting itself, so at the
    // moment of a change it still applies the interval in force before it.
    m_userDefaultsCancellable = m_settings.removeFromHistoryDurationType().subscribe(
        [this](const RemoveFromHistoryDurationType&) { removeExpiredHistory(); });

    // The synthesizer may report on any thread; the flag changes on the main thread, in the order
    // of the reports, and only while the model exists.
    QPointer<HistoryViewModel> self(this);
    m_speechObserver = std::make_shared<SpeechObserver>([self](bool speaking) {
        postToMainThread([self, speaking] {
            if (self)
                self->m_isSpeaking.set(speaking);
        });
    });
    m_synthesizer.setDelegate(m_speechObserver);
}

HistoryViewModel::~HistoryViewModel()
{
    m_synthesizer.setDelegate({});
}

void HistoryViewModel::setItems(QList<HistoryItem> items)
{
    m_items.set(std::move(items));
}

void HistoryViewModel::setRecentlyCapturedText(QList<HistoryItem> items)
{
    m_recentlyCapturedText.set(std::move(items));
}

void HistoryViewModel::setIsRecentlyTTLDecreasingDisabled(bool value)
{
    m_isRecentlyTTLDecreasingDisabled = value;
}

void HistoryViewModel::addCapture(const CaptureItem& capture, bool isWebSearch)
{
    const HistoryItem item{uniqueTimestamp(), capture.text, capture.window};

    QList<HistoryItem> items = m_items.value();
    items.append(item);
    m_items.set(std::move(items));

    if (m_settings.isShowingPreview().value() && !isWebSearch) {
        QList<HistoryItem> recents = m_recentlyCapturedText.value();
        recents.append(item);
        m_recentlyCapturedText.set(std::move(recents));
    }

    // Every capture gets a countdown entry, also one that shows no card; entries are never removed.
    m_recentlyCapturedTTL[item.timestamp] = recentlyTTLDefaultValue;

    if (!m_historyTimer)
        m_historyTimer = startRepeatingTimer(m_historyInterval, &HistoryViewModel::removeExpiredHistory);
    if (!m_recentsTimer)
        m_recentsTimer = startRepeatingTimer(m_recentsInterval, &HistoryViewModel::decreaseRecentsTTL);
}

void HistoryViewModel::removeExpiredHistory()
{
    const double now = m_now();
    const double interval = retentionInterval(m_settings.removeFromHistoryDurationType().value());
    QList<HistoryItem> kept;
    for (const HistoryItem& item : m_items.value()) {
        // The age is compared rather than timestamp + interval, which for `never` (the largest
        // double) would sit at the edge of overflow.
        if (now - item.timestamp < interval)
            kept.append(item);
    }
    m_items.set(std::move(kept));
}

void HistoryViewModel::decreaseRecentsTTL()
{
    if (m_isRecentlyTTLDecreasingDisabled || m_isPreviewCountdownHeld || m_isSpeaking.value())
        return;
    for (auto& entry : m_recentlyCapturedTTL)
        --entry.second;
    QList<HistoryItem> kept;
    for (const HistoryItem& item : m_recentlyCapturedText.value()) {
        const auto entry = m_recentlyCapturedTTL.find(item.timestamp);
        if (entry != m_recentlyCapturedTTL.end() && entry->second > 0)
            kept.append(item);
    }
    m_recentlyCapturedText.set(std::move(kept));
}

void HistoryViewModel::exportAll()
{
    QStringList texts;
    for (const HistoryItem& item : m_items.value())
        texts.append(item.text() + QLatin1Char('\n'));
    m_historicalText.send(texts);
}

void HistoryViewModel::copyText(double id)
{
    if (const HistoryItem* item = findItem(id))
        m_historicalText.send({item->text()});
}

QList<ItemProvider> HistoryViewModel::itemProviders(const QSet<double>& selection) const
{
    QStringList texts;
    for (const HistoryItem& item : m_items.value()) {
        if (selection.contains(item.timestamp))
            texts.append(item.text() + QLatin1Char('\n'));
    }
    return {ItemProvider{texts.join(QStringLiteral("\n\n"))}};
}

void HistoryViewModel::speak(const HistoryItem& item)
{
    if (m_synthesizer.isSpeaking())
        m_synthesizer.stop();
    const QString text = item.text();
    const QString language =
        m_languageRecognizer.dominantLanguage(text, speechLanguageCandidates).value_or(QStringLiteral("en"));
    m_synthesizer.speak(text, language);
}

void HistoryViewModel::speak(double id)
{
    if (const HistoryItem* item = findItem(id))
        speak(*item);
}

void HistoryViewModel::setClock(Clock clock)
{
    m_now = std::move(clock);
}

void HistoryViewModel::setTimerIntervals(std::chrono::milliseconds history, std::chrono::milliseconds recents)
{
    m_historyInterval = history;
    m_recentsInterval = recents;
}

std::optional<qint64> HistoryViewModel::recentlyCapturedTTL(double timestamp) const
{
    const auto entry = m_recentlyCapturedTTL.find(timestamp);
    if (entry == m_recentlyCapturedTTL.end())
        return std::nullopt;
    return entry->second;
}

double HistoryViewModel::uniqueTimestamp()
{
    // A timestamp is an item's identity and the key of its countdown, so two captures must never
    // share one: a clock that has not moved on (or went back) since the last capture is nudged a
    // microsecond past it, or to the next representable value where a microsecond is too fine.
    double timestamp = m_now();
    if (timestamp <= m_lastTimestamp) {
        timestamp = m_lastTimestamp + 1e-6;
        if (timestamp <= m_lastTimestamp)
            timestamp = std::nextafter(m_lastTimestamp, std::numeric_limits<double>::infinity());
    }
    m_lastTimestamp = timestamp;
    return timestamp;
}

std::unique_ptr<QTimer> HistoryViewModel::startRepeatingTimer(std::chrono::milliseconds interval,
                                                              void (HistoryViewModel::*tick)())
{
    // Repeating, without tolerance, on the main thread; the first tick comes one period after the
    // start, and ticks missed while the event loop is busy elsewhere are not made up.
    auto timer = std::make_unique<QTimer>();
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(interval);
    connect(timer.get(), &QTimer::timeout, this, tick);
    timer->start();
    return timer;
}

const HistoryItem* HistoryViewModel::findItem(double id) const
{
    for (const HistoryItem& item : m_items.value()) {
        if (item.timestamp == id)
            return &item;
    }
    return nullptr;
}

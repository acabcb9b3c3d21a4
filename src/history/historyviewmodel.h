// The in-memory history of the captures made since start-up, the preview cards shown after a capture,
// and the two repeating timers that age them; also reads history text aloud. Main thread only.
// The settings, the synthesizer and the language recognizer must outlive the model.
#pragma once

#include "captureitem.h"
#include "historyitem.h"
#include "itemprovider.h"
#include "published.h"
#include "subject.h"

#include <QObject>
#include <QSet>
#include <QStringList>

#include <chrono>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>

class LanguageRecognizer;
class QTimer;
class SettingsViewModel;
class SpeechObserver;
class SpeechSynthesizer;

class HistoryViewModel : public QObject {
    Q_OBJECT
public:
    // Seconds since the epoch.
    using Clock = std::function<double()>;

    // Ticks a new capture's preview card starts with.
    static constexpr qint64 recentlyTTLDefaultValue = 10;
    // The languages speech picks a voice for, in order of preference.
    static const QStringList speechLanguageCandidates;

    HistoryViewModel(SettingsViewModel& settings, SpeechSynthesizer& synthesizer,
                     const LanguageRecognizer& languageRecognizer, QObject* parent = nullptr);
    ~HistoryViewModel() override;

    // The history, oldest first.
    const Published<QList<HistoryItem>>& items() const { return m_items; }
    // The preview cards, oldest first.
    const Published<QList<HistoryItem>>& recentlyCapturedText() const { return m_recentlyCapturedText; }
    // True from the start of an utterance to its end; changes on the main thread only.
    const Published<bool>& isSpeaking() const { return m_isSpeaking; }
    // Texts for the clipboard writer, which joins each list with "\n".
    const Subject<QStringList>& historicalText() const { return m_historicalText; }
    // The preview card under the pointer stops the countdown of all cards while this is set.
    bool isRecentlyTTLDecreasingDisabled() const { return m_isRecentlyTTLDecreasingDisabled; }
    // The synthesizer, for the preview card that stops speech itself.
    SpeechSynthesizer& synthesizer() const { return m_synthesizer; }

    // The views change the lists directly: clear and delete in the history window, dismiss on a card.
    void setItems(QList<HistoryItem> items);
    void setRecentlyCapturedText(QList<HistoryItem> items);
    void setIsRecentlyTTLDecreasingDisabled(bool value);
    // The cards are off the screen (during a capture): their countdown waits, whatever the pointer does.
    void setIsPreviewCountdownHeld(bool value) { m_isPreviewCountdownHeld = value; }
    bool isPreviewCountdownHeld() const { return m_isPreviewCountdownHeld; }

    // Records one recognition result; the first one starts both timers.
    void addCapture(const CaptureItem& capture, bool isWebSearch);
    // The history timer's tick: drops the items older than the retention setting allows.
    void removeExpiredHistory();
    // The preview timer's tick: counts every card down and drops those that reached zero.
    void decreaseRecentsTTL();
    // Hands every item's text, each followed by "\n", to `historicalText`.
    void exportAll();
    // Hands the text of the history item `id` to `historicalText`; nothing when there is none.
    void copyText(double id);
    // The copy command's content: the selected items' texts, each followed by "\n", joined by "\n\n".
    QList<ItemProvider> itemProviders(const QSet<double>& selection) const;
    // Reads an item aloud in a voice for its language, stopping what is being read.
    void speak(const HistoryItem& item);
    // Reads the history item `id` aloud; nothing when there is none.
    void speak(double id);

    // For tests: the clock and the timer periods (10 s and 1 s unless set before the first capture).
    void setClock(Clock clock);
    void setTimerIntervals(std::chrono::milliseconds history, std::chrono::milliseconds recents);
    const QTimer* historyTimer() const { return m_historyTimer.get(); }
    const QTimer* recentsTimer() const { return m_recentsTimer.get(); }
    // The remaining ticks of a capture's card, none for an unknown timestamp.
    std::optional<qint64> recentlyCapturedTTL(double timestamp) const;

private:
    double uniqueTimestamp();
    std::unique_ptr<QTimer> startRepeatingTimer(std::chrono::milliseconds interval,
                                                void (HistoryViewModel::*tick)());
    const HistoryItem* findItem(double id) const;

    Published<QList<HistoryItem>> m_items;
    Published<QList<HistoryItem>> m_recentlyCapturedText;
    SpeechSynthesizer& m_synthesizer;
    const LanguageRecognizer& m_languageRecognizer;
    Published<bool> m_isSpeaking{false};
    std::shared_ptr<SpeechObserver> m_speechObserver;
    Subject<QStringList> m_historicalText;
    bool m_isRecentlyTTLDecreasingDisabled = false;
    bool m_isPreviewCountdownHeld = false;
    SettingsViewModel& m_settings;
    std::unique_ptr<QTimer> m_historyTimer;
    std::unique_ptr<QTimer> m_recentsTimer;
    Cancellable m_userDefaultsCancellable;
    std::map<double, qint64> m_recentlyCapturedTTL;

    Clock m_now;
    double m_lastTimestamp = -std::numeric_limits<double>::infinity();
    std::chrono::milliseconds m_historyInterval{10000};
    std::chrono::milliseconds m_recentsInterval{1000};
};

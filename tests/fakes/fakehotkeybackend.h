// A hot-key backend for unit tests: grabs are kept in memory, the combinations the test lists in
// `heldByOthers` are refused (and reported by probing), and `deliver` hands an event to the installed
// handler as the X server's key events would; `reportTrigger` says what keys the desktop reports for a
// combination, as a desktop portal would.
#pragma once

#include "hotkeybackend.h"

#include <QMap>

class FakeHotKeyBackend : public HotKeyBackend {
public:
    struct Grab {
        HotKeyCombination combination;
        HotKeyId id;
    };

    QList<HotKeyCombination> heldByOthers;
    bool canDeliverEvents = true;
    bool isOffered = true;         // false: a session that gives applications no hot keys
    bool allowsDuplicates = false; // a second grab of a combination is refused unless set
    QMap<quint32, Grab> grabs;     // by reference
    QList<QList<HotKeyCombination>> probes;
    int grabCalls = 0;
    int handlerInstallations = 0;
    EventHandler handler;
    std::function<void()> reportedTriggerHandler;
    QList<std::pair<HotKeyCombination, QString>> reportedTriggers;

    std::optional<quint32> grab(HotKeyCombination combination, HotKeyId id) override
    {
        ++grabCalls;
        if (heldByOthers.contains(combination))
            return std::nullopt;
        for (const Grab& grab : std::as_const(grabs)) {
            if (grab.combination == combination && !allowsDuplicates)
                return std::nullopt;
        }
        const quint32 reference = 100 + m_lastReference++;
        grabs.insert(reference, {combination, id});
        return reference;
    }
    void ungrab(quint32 reference) override { grabs.remove(reference); }
    bool isAvailable() const override { return isOffered; }
    bool setEventHandler(EventHandler newHandler) override
    {
        if (!canDeliverEvents)
            return false;
        ++handlerInstallations;
        handler = std::move(newHandler);
        return true;
    }
    QString reportedTrigger(HotKeyCombination combination) const override
    {
        for (const auto& [reported, trigger] : reportedTriggers) {
            if (reported == combination)
                return trigger;
        }
        return {};
    }
    void setReportedTriggerHandler(std::function<void()> newHandler) override
    {
        reportedTriggerHandler = std::move(newHandler);
    }
    QList<HotKeyCombination> grabbedByOtherClients(const QList<HotKeyCombination>& candidates) override
    {
        probes.append(candidates);
        QList<HotKeyCombination> held;
        for (const HotKeyCombination& candidate : candidates) {
            if (heldByOthers.contains(candidate))
                held.append(candidate);
        }
        return held;
    }

    // The desktop reports `trigger` for the combination from now on, and says so.
    void reportTrigger(HotKeyCombination combination, const QString& trigger)
    {
        reportedTriggers.removeIf([&](const auto& entry) { return entry.first == combination; });
        reportedTriggers.append({combination, trigger});
        if (reportedTriggerHandler)
            reportedTriggerHandler();
    }
    // False when nothing is installed, else the handler's answer.
    bool deliver(const HotKeyEvent& event) { return handler && handler(event); }
    std::optional<HotKeyId> idOf(HotKeyCombination combination) const
    {
        for (const Grab& grab : grabs) {
            if (grab.combination == combination)
                return grab.id;
        }
        return std::nullopt;
    }

private:
    quint32 m_lastReference = 0;
};

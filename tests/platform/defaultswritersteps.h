// The sequence of changes defaultswriter makes to a defaults file, shared with the test that checks
// what a killed writer leaves behind. Step 3n-2 stores "counter" = n, step 3n-1 a large "payload" made
// of n, step 3n "trailer" = n; each step is one write of the whole file by the store.
#pragma once

#include "userdefaults.h"

#include <QJsonObject>
#include <QString>

namespace DefaultsWriterSteps {

// About 200 KiB of JSON text: a torn or mixed write shows as blocks naming different rounds.
inline QString payloadFor(qint64 round)
{
    const QString block = QStringLiteral("round %1;").arg(round, 12, 10, QLatin1Char('0'));
    return block.repeated(10000);
}

inline qint64 roundOf(qint64 step)
{
    return (step + 2) / 3;
}

inline void apply(UserDefaults& defaults, qint64 step)
{
    const qint64 round = roundOf(step);
    switch (step - 3 * (round - 1)) {
    case 1:
        defaults.setInteger(QStringLiteral("counter"), round);
        break;
    case 2:
        defaults.setString(QStringLiteral("payload"), payloadFor(round));
        break;
    default:
        defaults.setInteger(QStringLiteral("trailer"), round);
        break;
    }
}

// What the file holds once the step is written; step 0 is a store that never wrote.
inline QJsonObject stateAfter(qint64 step)
{
    QJsonObject state;
    if (step < 1)
        return state;
    const qint64 round = roundOf(step);
    const qint64 part = step - 3 * (round - 1);
    state.insert(QStringLiteral("counter"), round);
    const qint64 payloadRound = part >= 2 ? round : round - 1;
    if (payloadRound > 0)
        state.insert(QStringLiteral("payload"), payloadFor(payloadRound));
    const qint64 trailerRound = part == 3 ? round : round - 1;
    if (trailerRound > 0)
        state.insert(QStringLiteral("trailer"), trailerRound);
    return state;
}

} // namespace DefaultsWriterSteps

#include "removefromhistorydurationtype.h"

#include "localizedstrings.h"

#include <limits>

std::optional<RemoveFromHistoryDurationType> removeFromHistoryDurationTypeFromRawValue(qint64 rawValue)
{
    if (rawValue < 0 || rawValue >= qint64(allRemoveFromHistoryDurationTypes.size()))
        return std::nullopt;
    return allRemoveFromHistoryDurationTypes[std::size_t(rawValue)];
}

double retentionInterval(RemoveFromHistoryDurationType type)
{
    static constexpr std::array<double, 3> intervals = {60.0, 600.0, std::numeric_limits<double>::max()};
    return intervals[std::size_t(type)];
}

QString removeFromHistoryDurationTitle(RemoveFromHistoryDurationType type)
{
    switch (type) {
    case RemoveFromHistoryDurationType::fast:
        return Strings::settingsClearHistoryAfterDurationOneMinuteTitle();
    case RemoveFromHistoryDurationType::medium:
        return Strings::settingsClearHistoryAfterDurationTenMinutesTitle();
    case RemoveFromHistoryDurationType::never:
        return Strings::settingsClearHistoryAfterDurationNeverTitle();
    }
    return {};
}

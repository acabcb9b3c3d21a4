// How a capture is named in the recent-captures menu: its lines joined by "↩", cut after 25
// user-perceived characters with "…" (also when it has exactly 25). Pure function.
#pragma once

#include <QString>
#include <QStringList>

namespace RecentCaptureTitle {

inline constexpr int maximumLength = 25;

QString of(const QStringList& lines);

} // namespace RecentCaptureTitle

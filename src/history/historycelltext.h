// The texts the history table shows in its cells: the time of day an item was added, a short preview
// of its content and the content for its tooltip. Pure functions, any thread.
#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

namespace HistoryCellText {

// Lines a content cell shows at most, and characters of a line it keeps before the view elides it.
inline constexpr int previewLineLimit = 5;
inline constexpr int previewLineLength = 512;
// Beyond these a tooltip is cut and ends with an ellipsis, so that a huge text never becomes a huge
// tooltip.
inline constexpr int toolTipLineLimit = 40;
inline constexpr int toolTipLength = 4000;

// The locale's time format with seconds and without a time zone (the medium time style).
QString mediumTimeFormat(const QLocale& locale);
// The local time of day at `timestamp` (seconds since the epoch), in `format` of `locale`; the
// fraction of a second is dropped.
QString timeOfDay(double timestamp, const QLocale& locale, const QString& format);
// The first `previewLineLimit` lines of the item's text (its lines joined with "\n"), each cut to
// `previewLineLength` characters, joined with "\n"; an ellipsis ends the last one when lines are left
// out. Reads no more of the text than it shows.
QString contentPreview(const QStringList& lines);
// How many lines contentPreview(lines) has: at least one, at most `previewLineLimit`.
int previewLineCount(const QStringList& lines);
// The item's whole text for a tooltip, cut after `toolTipLineLimit` lines or `toolTipLength`
// characters with an ellipsis.
QString toolTip(const QStringList& lines);

} // namespace HistoryCellText

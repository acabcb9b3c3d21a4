#include "historycelltext.h"

#include <QDateTime>

#include <cmath>

namespace HistoryCellText {

namespace {

const QChar ellipsis(0x2026);

// Calls `visit` with each line of the text formed by joining `lines` with "\n" (a line may itself hold
// line feeds) until it returns false.
template <typename Visit> void forEachLine(const QStringList& lines, Visit visit)
{
    for (const QString& line : lines) {
        qsizetype start = 0;
        while (true) {
            const qsizetype end = line.indexOf(QLatin1Char('\n'), start);
            const QStringView part = QStringView(line).mid(start, end < 0 ? -1 : end - start);
            if (!visit(part))
                return;
            if (end < 0)
                break;
            start = end + 1;
        }
    }
}

} // namespace

QString mediumTimeFormat(const QLocale& locale)
{
    // The long format is the medium one followed (or preceded) by the time zone: drop the zone's
    // letters, but not quoted literal text.
    const QString longFormat = locale.timeFormat(QLocale::LongFormat);
    QString format;
    bool quoted = false;
    for (const QChar c : longFormat) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (quoted || c != QLatin1Char('t'))
            format.append(c);
    }
    return format.trimmed();
}

QString timeOfDay(double timestamp, const QLocale& locale, const QString& format)
{
    const auto milliseconds = static_cast<qint64>(std::floor(timestamp * 1000.0));
    const QTime time = QDateTime::fromMSecsSinceEpoch(milliseconds).time();
    return locale.toString(QTime(time.hour(), time.minute(), time.second()), format);
}

QString contentPreview(const QStringList& lines)
{
    QStringList shown;
    bool cut = false;
    forEachLine(lines, [&](QStringView line) {
        if (shown.size() == previewLineLimit) {
            cut = true;
            return false;
        }
        shown.append(line.left(previewLineLength).toString());
        return true;
    });
    if (cut)
        shown.last().append(ellipsis);
    return shown.join(QLatin1Char('\n'));
}

int previewLineCount(const QStringList& lines)
{
    int count = 0;
    forEachLine(lines, [&count](QStringView) { return ++count < previewLineLimit; });
    return std::max(count, 1);
}

QString toolTip(const QStringList& lines)
{
    QString text;
    int count = 0;
    bool cut = false;
    forEachLine(lines, [&](QStringView line) {
        if (count == toolTipLineLimit || text.size() + line.size() > toolTipLength) {
            cut = true;
            if (count < toolTipLineLimit && text.size() < toolTipLength) {
                if (count > 0)
                    text.append(QLatin1Char('\n'));
                text.append(line.left(toolTipLength - text.size()));
            }
            return false;
        }
        if (count > 0)
            text.append(QLatin1Char('\n'));
        text.append(line);
        ++count;
        return true;
    });
    if (cut)
        text.append(ellipsis);
    return text;
}

} // namespace HistoryCellText

#include "previewtext.h"

#include <QFontMetricsF>
#include <QTextLayout>

namespace {

const QString ellipsis = QString(QChar(0x2026));
constexpr qsizetype charactersPerLineAtMost = 400;

bool isLineEnd(QChar character)
{
    return character == QChar::LineSeparator || character == QLatin1Char('\n');
}

// `text` cut so that it and an ellipsis after it fit in `width`.
QString withEllipsis(QString text, const QFontMetricsF& metrics, double width)
{
    if (metrics.horizontalAdvance(text) > width)
        text = metrics.elidedText(text, Qt::ElideRight, width);
    if (text.endsWith(ellipsis))
        return text;
    while (!text.isEmpty() && metrics.horizontalAdvance(text + ellipsis) > width)
        text.chop(1);
    return text + ellipsis;
}

} // namespace

namespace PreviewText {

QStringList displayLines(const QString& text, const QFont& font, double width, int maximumLines)
{
    if (maximumLines <= 0)
        return {};
    // No line of a card holds more than a few hundred characters, so only the start of a long text is
    // laid out: a megabyte of text costs what a paragraph does.
    QString laidOut = text.left(qsizetype(maximumLines) * charactersPerLineAtMost);
    laidOut.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(laidOut, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);

    QStringList lines;
    bool isTruncated = false;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (lines.size() == maximumLines) {
            isTruncated = true;
            break;
        }
        QString shown = laidOut.mid(line.textStart(), line.textLength());
        while (!shown.isEmpty() && (isLineEnd(shown.back()) || shown.back().isSpace()))
            shown.chop(1);
        lines.append(shown);
    }
    layout.endLayout();

    if (isTruncated) {
        // The last line shows what is left of its own line of the text, as much as fits with the ellipsis.
        const QTextLine last = layout.lineAt(maximumLines - 1);
        qsizetype end = last.textStart();
        while (end < laidOut.size() && !isLineEnd(laidOut.at(end)))
            ++end;
        QString rest = laidOut.mid(last.textStart(), end - last.textStart()).trimmed();
        lines.last() = withEllipsis(rest, QFontMetricsF(font), width);
    }
    return lines;
}

double height(int lineCount, const QFont& font)
{
    if (lineCount <= 0)
        return 0;
    const QFontMetricsF metrics(font);
    return lineCount * metrics.lineSpacing() - metrics.leading();
}

} // namespace PreviewText

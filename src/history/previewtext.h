// The text of a preview card as it is drawn: wrapped to the text width, at most five lines, the last
// one cut short with an ellipsis when the text goes on. Pure text layout, no widgets; main thread only
// (it measures with the application's fonts).
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

namespace PreviewText {

inline constexpr int maximumLines = 5;

// The lines `text` shows in at most `maximumLines` lines of `width`: its line feeds kept, long lines
// wrapped at word boundaries (anywhere when a word is wider than the line).
QStringList displayLines(const QString& text, const QFont& font, double width,
                         int maximumLines = PreviewText::maximumLines);

// The height that `lineCount` lines of `font` take.
double height(int lineCount, const QFont& font);

} // namespace PreviewText

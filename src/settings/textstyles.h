// The text styles of the settings and welcome windows, derived from the widget's own font so that they
// follow the desktop's font size, and the secondary text colour of a palette. Main thread only.
#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>

namespace TextStyles {

QFont largeTitle(const QFont& base); // the welcome headline, bold
QFont title(const QFont& base);      // the product name on the About tab
QFont headline(const QFont& base);   // the title of a welcome step, bold
QFont footnote(const QFont& base);   // the body of a welcome step
QFont caption(const QFont& base);    // copyright line and licence texts
QFont caption2(const QFont& base);   // the welcome window's permission note
QFont small(const QFont& base);      // the hint of the Web Search tab

// Text that is less prominent than the labels: the window text, partly blended into the window.
QColor secondaryColor(const QPalette& palette);

// The catalogue keeps line breaks of its English texts as the two characters "\n", as the strings
// tables write them; shown, they are real line breaks.
QString displayText(const QString& catalogueText);

} // namespace TextStyles

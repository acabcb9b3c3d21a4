// The tray icon: a viewfinder over lines of text, drawn in one light colour with a dark rim so that it
// reads on light and on dark panels, at the sizes panels use (16, 22, 24 and 32 px, and twice that).
#pragma once

#include <QIcon>
#include <QImage>

namespace StatusItemIcon {

QIcon make();
// One size of it, for tests and screenshots.
QImage draw(int size, qreal devicePixelRatio = 1.0);

} // namespace StatusItemIcon

// Oculo's application icon, as windows and the About view show it: the icon theme's under the
// application's identifier (the installed hicolor icon), else the drawings compiled in, rendered at the
// sizes the hicolor theme has. Main thread; never null.
#pragma once

#include <QIcon>

namespace ApplicationIcon {

QIcon make();
// The drawings compiled in, whatever the theme has.
QIcon compiledIn();

} // namespace ApplicationIcon

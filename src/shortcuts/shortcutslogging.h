// Log category of the shortcut module (keys, key names, hot keys, named shortcuts).
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcShortcuts)

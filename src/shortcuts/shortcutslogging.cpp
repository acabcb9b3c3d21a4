#include "shortcutslogging.h"

// Debug lines are off unless QT_LOGGING_RULES="oculo.*.debug=true" asks for them.
Q_LOGGING_CATEGORY(lcShortcuts, "oculo.shortcuts", QtInfoMsg)

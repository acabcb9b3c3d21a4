#include "applogging.h"

// Debug lines are off unless QT_LOGGING_RULES="oculo.*.debug=true" asks for them.
Q_LOGGING_CATEGORY(lcApp, "oculo.app", QtInfoMsg)

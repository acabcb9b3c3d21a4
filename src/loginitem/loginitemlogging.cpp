#include "loginitemlogging.h"

// Debug lines are off unless QT_LOGGING_RULES="oculo.*.debug=true" asks for them.
Q_LOGGING_CATEGORY(lcLoginItem, "oculo.loginitem", QtInfoMsg)

#include "applogging.h"

Q_LOGGING_CATEGORY(lcApp, "oculo.app")

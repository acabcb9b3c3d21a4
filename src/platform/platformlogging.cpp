#include "platformlogging.h"

Q_LOGGING_CATEGORY(lcPlatform, "oculo.platform")

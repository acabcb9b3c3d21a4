// Log category of text recognition (the engine, its image preparation and the recogniser).
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcRecognition)

#include "recognitionlogging.h"

// Debug lines (one per image read) are shown with QT_LOGGING_RULES="oculo.recognition.debug=true".
Q_LOGGING_CATEGORY(lcRecognition, "oculo.recognition", QtInfoMsg)

// Chooses the real platform services for this session at start-up.
#pragma once

#include "platform.h"

std::unique_ptr<Platform> loadPlatform();
// The image loader alone, for headless use (no display needed).
std::shared_ptr<const ImageLoader> loadImageLoader();
// The language identification alone, shared with the recognition workers (no display needed).
std::shared_ptr<const LanguageRecognizer> loadLanguageRecognizer();

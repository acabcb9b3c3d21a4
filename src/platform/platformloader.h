// Chooses the real platform services for this session at start-up.
#pragma once

#include "platform.h"

// Every service but the instance channel, which is loaded and claimed on its own before the others.
std::unique_ptr<Platform> loadPlatform();
// The channel to the one Oculo of the session: over the session bus, or a channel that leaves every
// process alone where the session has no bus (no display needed, no bus started).
std::unique_ptr<InstanceChannel> loadInstanceChannel();
// The image loader alone, for headless use (no display needed).
std::shared_ptr<const ImageLoader> loadImageLoader();
// The language identification alone, shared with the recognition workers (no display needed).
std::shared_ptr<const LanguageRecognizer> loadLanguageRecognizer();

// The platform services the application delegate hands to the modules, chosen by the platform loader.
#pragma once

#include "applicationservice.h"
#include "displaycapture.h"
#include "hotkeybackend.h"
#include "imageloader.h"
#include "instancechannel.h"
#include "languagerecognizer.h"
#include "modifierkeys.h"
#include "openpanel.h"
#include "pasteboard.h"
#include "reviewprompt.h"
#include "screens.h"
#include "speechsynthesizer.h"
#include "systemsound.h"
#include "urlopener.h"
#include "userdefaults.h"
#include "windowlist.h"

#include <memory>

struct Platform {
    // True when no settings had been stored before this start: Oculo runs for the first time.
    bool isFirstLaunch = false;
    std::unique_ptr<UserDefaults> userDefaults;
    std::unique_ptr<Pasteboard> pasteboard;
    std::unique_ptr<UrlOpener> urlOpener;
    std::unique_ptr<ModifierKeys> modifierKeys;
    std::shared_ptr<const ImageLoader> imageLoader; // shared with worker threads
    std::unique_ptr<OpenPanel> openPanel;
    std::unique_ptr<SystemSound> systemSound;
    std::unique_ptr<ReviewPrompt> reviewPrompt;
    std::unique_ptr<Screens> screens;
    std::unique_ptr<DisplayCapture> displayCapture;
    std::unique_ptr<WindowList> windowList;
    std::unique_ptr<ApplicationService> application;
    std::unique_ptr<HotKeyBackend> hotKeyBackend;
    std::unique_ptr<SpeechSynthesizer> speechSynthesizer;
    std::unique_ptr<LanguageRecognizer> languageRecognizer;
    // Loaded and claimed before the other services are made (none when not loaded); the delegate
    // carries out its requests.
    std::unique_ptr<InstanceChannel> instanceChannel;
};

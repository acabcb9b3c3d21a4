// A Platform made entirely of fakes, with typed access to each, for unit tests of the modules.
#pragma once

#include "fakeapplicationservice.h"
#include "fakedisplaycapture.h"
#include "fakehotkeybackend.h"
#include "fakeimageloader.h"
#include "fakeinstancechannel.h"
#include "fakelanguagerecognizer.h"
#include "fakemodifierkeys.h"
#include "fakeopenpanel.h"
#include "fakepasteboard.h"
#include "fakereviewprompt.h"
#include "fakescreens.h"
#include "fakespeechsynthesizer.h"
#include "fakesystemsound.h"
#include "fakeurlopener.h"
#include "fakewindowlist.h"
#include "memoryuserdefaults.h"
#include "platform.h"

struct FakePlatform {
    Platform platform;
    MemoryUserDefaults* userDefaults = adopt<MemoryUserDefaults>(platform.userDefaults);
    FakePasteboard* pasteboard = adopt<FakePasteboard>(platform.pasteboard);
    FakeUrlOpener* urlOpener = adopt<FakeUrlOpener>(platform.urlOpener);
    FakeModifierKeys* modifierKeys = adopt<FakeModifierKeys>(platform.modifierKeys);
    FakeOpenPanel* openPanel = adopt<FakeOpenPanel>(platform.openPanel);
    FakeSystemSound* systemSound = adopt<FakeSystemSound>(platform.systemSound);
    FakeReviewPrompt* reviewPrompt = adopt<FakeReviewPrompt>(platform.reviewPrompt);
    FakeScreens* screens = adopt<FakeScreens>(platform.screens);
    FakeDisplayCapture* displayCapture = adopt<FakeDisplayCapture>(platform.displayCapture);
    FakeWindowList* windowList = adopt<FakeWindowList>(platform.windowList);
    FakeApplicationService* application = adopt<FakeApplicationService>(platform.application);
    FakeHotKeyBackend* hotKeyBackend = adopt<FakeHotKeyBackend>(platform.hotKeyBackend);
    FakeSpeechSynthesizer* speechSynthesizer = adopt<FakeSpeechSynthesizer>(platform.speechSynthesizer);
    FakeLanguageRecognizer* languageRecognizer = adopt<FakeLanguageRecognizer>(platform.languageRecognizer);
    FakeInstanceChannel* instanceChannel = adopt<FakeInstanceChannel>(platform.instanceChannel);
    std::shared_ptr<FakeImageLoader> imageLoader = makeImageLoader();

private:
    // Makes the fake, hands it to the platform's slot and returns it.
    template <typename Fake, typename Interface> static Fake* adopt(std::unique_ptr<Interface>& slot)
    {
        auto* fake = new Fake;
        slot.reset(fake);
        return fake;
    }
    std::shared_ptr<FakeImageLoader> makeImageLoader()
    {
        auto loader = std::make_shared<FakeImageLoader>();
        platform.imageLoader = loader;
        return loader;
    }
};

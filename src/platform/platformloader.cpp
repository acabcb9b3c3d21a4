#include "platformloader.h"

#include "linux/boundedimageloader.h"
#include "linux/canberrasystemsound.h"
#include "linux/cld2languagerecognizer.h"
#include "linux/clipboardpasteboard.h"
#include "linux/desktopurlopener.h"
#include "linux/filedialogopenpanel.h"
#include "linux/jsonfileuserdefaults.h"
#include "linux/nullreviewprompt.h"
#include "linux/qtapplicationservice.h"
#include "linux/qtmodifierkeys.h"
#include "linux/qtscreens.h"
#include "linux/qtspeechsynthesizer.h"
#include "platformlogging.h"
#include "x11/displaycapturex11.h"
#include "x11/hotkeybackendx11.h"
#include "x11/windowlistx11.h"

#include <QFileInfo>
#include <QGuiApplication>

std::shared_ptr<const ImageLoader> loadImageLoader()
{
    return std::make_shared<BoundedImageLoader>();
}

std::shared_ptr<const LanguageRecognizer> loadLanguageRecognizer()
{
    return std::make_shared<Cld2LanguageRecognizer>();
}

std::unique_ptr<Platform> loadPlatform()
{
    auto platform = std::make_unique<Platform>();
    platform->isFirstLaunch = !QFileInfo::exists(JsonFileUserDefaults::defaultFilePath());
    platform->userDefaults = std::make_unique<JsonFileUserDefaults>();
    platform->pasteboard = std::make_unique<ClipboardPasteboard>();
    platform->urlOpener = std::make_unique<DesktopUrlOpener>();
    platform->modifierKeys = std::make_unique<QtModifierKeys>();
    platform->imageLoader = loadImageLoader();
    platform->openPanel = std::make_unique<FileDialogOpenPanel>();
    platform->systemSound = std::make_unique<CanberraSystemSound>();
    platform->reviewPrompt = std::make_unique<NullReviewPrompt>();
    platform->screens = std::make_unique<QtScreens>();
    platform->displayCapture = std::make_unique<DisplayCaptureX11>();
    platform->windowList = std::make_unique<WindowListX11>();
    platform->application = std::make_unique<QtApplicationService>();
    platform->hotKeyBackend = std::make_unique<HotKeyBackendX11>();
    platform->speechSynthesizer = std::make_unique<QtSpeechSynthesizer>();
    platform->languageRecognizer = std::make_unique<Cld2LanguageRecognizer>();
    qCDebug(lcPlatform) << "Platform services for" << QGuiApplication::platformName();
    return platform;
}

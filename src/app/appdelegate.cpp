#include "appdelegate.h"

#include "appkitviewmodel.h"
#include "applicationicon.h"
#include "applogging.h"
#include "automaticlanguageengine.h"
#include "captureprocessing.h"
#include "capturewindow.h"
#include "defaultsearchengines.h"
#include "displaysnapshot.h"
#include "globalshortcuts.h"
#include "historyview.h"
#include "historyviewmodel.h"
#include "historywindow.h"
#include "hotkeycenter.h"
#include "key.h"
#include "keynames.h"
#include "localizedstrings.h"
#include "loginitem.h"
#include "mainthread.h"
#include "notificationcenter.h"
#include "platform.h"
#include "recognitionenginepool.h"
#include "settingskeys.h"
#include "settingsviewmodel.h"
#include "settingswindow.h"
#include "statusitemcontroller.h"
#include "statusitemdrop.h"
#include "statusitemicon.h"
#include "tesseractlanguages.h"
#include "textpreviewwindow.h"
#include "websearch.h"
#include "welcomeview.h"
#include "welcomewindow.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QPointer>
#include <QtConcurrent>

namespace {

// How long a capture waits at most for the desktop to paint over the windows of ours it took away.
constexpr std::chrono::milliseconds redrawBound{150};

} // namespace

AppDelegate::AppDelegate(Platform& platform, std::shared_ptr<RecognitionEnginePool> recognitionPool,
                         QObject* parent)
    : QObject(parent)
    , m_platform(platform)
    , m_recognitionPool(std::move(recognitionPool))
{
    // Recognition cuts captures out of the images taken when the capture started, never out of a
    // live image that could show the overlay.
    m_displaySnapshot = std::make_unique<DisplaySnapshot>(*m_platform.displayCapture);
    m_processor = std::make_unique<CaptureProcessing>(
        CaptureProcessing::Services{*m_displaySnapshot, *m_platform.windowList, *m_platform.screens,
                                    *m_platform.userDefaults, *m_platform.systemSound},
        m_recognitionPool);
    m_appKitViewModel = std::make_unique<AppKitViewModel>();
    registerDefaults(m_platform);
    m_settingsViewModel = std::make_unique<SettingsViewModel>(*m_platform.userDefaults);
    m_historyViewModel = std::make_unique<HistoryViewModel>(
        *m_settingsViewModel, *m_platform.speechSynthesizer, *m_platform.languageRecognizer);
    m_statusItemController =
        std::make_unique<StatusItemController>(*m_historyViewModel, *m_platform.pasteboard);
    m_loginItem = std::make_unique<LoginItem>();
    // The named shortcuts keep their choices in the same store; nothing is grabbed before a name is
    // declared.
    GlobalShortcuts::setUserDefaults(m_platform.userDefaults.get());
    if (m_platform.hotKeyBackend) {
        m_hotKeyCenter = std::make_unique<HotKeyCenter>(*m_platform.hotKeyBackend);
        HotKeyCenter::setShared(m_hotKeyCenter.get());
        GlobalShortcuts::setHotKeyCenter(m_hotKeyCenter.get());
    }
}

AppDelegate::~AppDelegate()
{
    if (m_platform.instanceChannel)
        m_platform.instanceChannel->setRequestHandler({});
    GlobalShortcuts::setApplicationMenuItems({});
    GlobalShortcuts::removeAllHandlers();
    if (m_hotKeyCenter) {
        GlobalShortcuts::setHotKeyCenter(nullptr);
        if (HotKeyCenter::shared() == m_hotKeyCenter.get())
            HotKeyCenter::setShared(nullptr);
    }
    GlobalShortcuts::setUserDefaults(nullptr);
}

void AppDelegate::setRecognitionLanguageChoice(std::shared_ptr<RecognitionLanguageChoice> choice)
{
    m_recognitionLanguageChoice = std::move(choice);
    if (!m_recognitionLanguageChoice)
        return;
    m_settingsViewModel->recognitionLanguage().subscribe(this, [this](const QString& language) {
        if (m_recognitionLanguageChoice)
            m_recognitionLanguageChoice->set(language);
    });
}

const GlobalShortcuts::Name& AppDelegate::toggleScreenCaptureMode()
{
    if (!m_toggleScreenCaptureMode) {
        m_toggleScreenCaptureMode.emplace(QStringLiteral("toggleScreenCaptureMode"),
                                          Shortcut(Key::two, ModifierFlag::shift | ModifierFlag::command));
    }
    return *m_toggleScreenCaptureMode;
}

void AppDelegate::registerDefaults(Platform& platform)
{
    platform.userDefaults->registerDefaults({
        {SettingsKeys::playSound, true},
        {SettingsKeys::showTextPreview, true},
        {SettingsKeys::searchEngineTemplate, rawValue(DefaultSearchEngines::duckduckgo)},
    });
}

QStringList AppDelegate::openableFileTypes()
{
    return {QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("png"),  QStringLiteral("pdf"),
            QStringLiteral("pct"), QStringLiteral("bmp"),  QStringLiteral("tiff"), QStringLiteral("tif")};
}

void AppDelegate::applicationDidFinishLaunching()
{
    m_captureWindow = std::make_unique<CaptureWindow>(
        *m_appKitViewModel, *m_platform.screens, [this](const QRectF& rect) { handleSelectedFrame(rect); });
    // Switching to another application during a capture hides the application.
    connect(m_captureWindow.get(), &CaptureWindow::hiddenOnDeactivation, this, [this] {
        stepBack();
        m_platform.application->hide();
    });
    // The screen images are needed from the start of a capture until its rectangle has been cut out
    // (at once, after the capture stopped): then they go, with the overlay's copy.
    m_appKitViewModel->isCapturing().subscribe(this, [this](const bool& capturing) {
        if (capturing)
            return;
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_appKitViewModel->isCapturing().value())
                    return;
                m_displaySnapshot->clear();
                m_captureWindow->setBackgroundImage(QImage());
                // What went out of the way of the capture comes back, done or cancelled.
                stepBack();
            },
            Qt::QueuedConnection);
    });
    // The preview window shows itself wherever it has cards, and nothing elsewhere.
    m_textPreviewWindow =
        std::make_unique<TextPreviewWindow>(*m_historyViewModel, *m_appKitViewModel, *m_platform.screens);
    m_textPreviewWindow->show();
    // A capture starts when the shortcut is released, not when it is pressed.
    GlobalShortcuts::onKeyUp(toggleScreenCaptureMode(), [delegate = QPointer<AppDelegate>(this)] {
        if (delegate)
            delegate->startCapture();
    });
    m_appKitViewModel->mouseDidLeaveScreenPublisher().subscribe(this, [this](const AppKitViewModel::Event&) {
        const auto& screen = m_appKitViewModel->currentScreen().value();
        if (!screen) {
            m_captureWindow->stopCapture();
            return;
        }
        m_captureWindow->setScreenFrame(*screen);
        if (screen->displayId)
            m_captureWindow->setBackgroundImage(m_displaySnapshot->createDisplayImage(*screen->displayId));
        m_textPreviewWindow->setScreenFrame(*screen);
    });
    m_statusItemController->setUp(toggleScreenCaptureMode());
    // No global shortcut may take a key a menu item of ours shows.
    GlobalShortcuts::setApplicationMenuItems([this] { return m_statusItemController->menuItemShortcuts(); });
    m_statusItemController->command().subscribe(this,
                                                [this](const MenuCommand& command) { perform(command); });
    m_statusItemController->dropped().subscribe(this, [this](const QImage& image) {
        if (!image.isNull())
            m_processor->recognize(image, std::nullopt);
    });
    m_historyViewModel->historicalText().subscribe(
        this, [this](const QStringList& lines) { copyToPasteboard(lines); });
    m_statusItemController->restoreCommand().subscribe(
        this, [this](const QStringList& lines) { copyToPasteboard(lines); });
    m_processor->recognizedText().subscribe(this,
                                            [this](const CaptureItem& item) { handleRecognizedText(item); });
    // Later starts of Oculo hand their request over: a capture as the shortcut starts it, a window or the
    // Quit of the menu.
    if (m_platform.instanceChannel) {
        m_platform.instanceChannel->setRequestHandler([this](InstanceRequest request) { perform(request); });
    }
    // The first capture should not wait for the OCR model to load.
    m_recognitionPool->warmUp();
    // Without the access nothing can be captured; on the very first start the window also introduces
    // the shortcut. Shown from the event loop, once launching is done.
    if (!m_platform.displayCapture->hasScreenCaptureAccess() || m_platform.isFirstLaunch) {
        QMetaObject::invokeMethod(
            this, [this] { showWelcome(); }, Qt::QueuedConnection);
    }
    qCDebug(lcApp) << "Launched; captures so far:" << m_settingsViewModel->numberOfCaptures().value();
}

void AppDelegate::startCapture()
{
    // A start while the overlay is up belongs to that capture: its snapshot stays (a new one would show
    // the overlay), and the overlay follows the pointer to its screen with that screen's image.
    if (m_appKitViewModel->isCapturing().value() && m_captureWindow->isVisible()) {
        m_captureWindow->followPointer();
        return;
    }
    // From here on the desktop's drawing is noted, so that the snapshot can wait for it to paint over
    // the windows of ours that go now or went a moment ago (the menu whose item started this).
    m_platform.displayCapture->beginRedrawWatch();
    const auto screen = AppKitViewModel::screenUnderPointer(m_platform.screens->screens(),
                                                            m_platform.screens->mouseLocation());
    if (!screen)
        return;
    if (m_historyWindow)
        m_historyWindow->close();
    if (WelcomeWindow* welcome = makeWelcomeWindowIfNeeded())
        welcome->close();
    m_settingsViewModel->countCapture();
    // Every screen once, before anything of ours is on it. A desktop portal answers while events run: a
    // second start meanwhile is the same capture.
    if (m_takingSnapshot)
        return;
    m_takingSnapshot = true;
    stepAside();
    m_displaySnapshot->take(m_platform.screens->screens());
    m_takingSnapshot = false;
    m_captureWindow->setScreenFrame(*screen);
    if (screen->displayId)
        m_captureWindow->setBackgroundImage(m_displaySnapshot->createDisplayImage(*screen->displayId));
    m_captureWindow->startCapture(*screen);
}

void AppDelegate::stepAside()
{
    QElapsedTimer clock;
    clock.start();
    const QRegion uncovered = m_platform.application->stepAside();
    m_isSteppedAside = true;
    // The cards count down only while they can be read.
    m_historyViewModel->setIsPreviewCountdownHeld(true);
    if (uncovered.isEmpty())
        return;
    const bool redrawn = m_platform.displayCapture->waitForRedraw(uncovered, redrawBound);
    qCDebug(lcApp).nospace() << "Oculo's windows out of the way after " << clock.elapsed() << " ms"
                             << (redrawn ? "" : " (not all seen redrawn)");
}

void AppDelegate::stepBack()
{
    if (!m_isSteppedAside)
        return;
    m_isSteppedAside = false;
    m_platform.application->stepBack();
    m_historyViewModel->setIsPreviewCountdownHeld(false);
}

void AppDelegate::handleSelectedFrame(const QRectF& rect)
{
    if (m_appKitViewModel->isCapturingCancelled().value())
        return;
    const auto underPointer = AppKitViewModel::screenUnderPointer(m_platform.screens->screens(),
                                                                  m_platform.screens->mouseLocation());
    if (!underPointer)
        return;
    // The selection lies on the screen the drag began on, wherever it ended.
    const ScreenDescription screen = m_appKitViewModel->currentScreen().value().value_or(*underPointer);
    m_captureWindow->stopCapture();
    m_processor->captureAndRecognize(screen, rect);
}

void AppDelegate::handleRecognizedText(const CaptureItem& item)
{
    const bool commandHeld = (m_platform.modifierKeys->currentModifierFlags() & ModifierFlag::command) != 0;
    if (commandHeld)
        openWebSearch(item.text);
    else
        copyToPasteboard(item.text);
    m_historyViewModel->addCapture(item, commandHeld);
}

void AppDelegate::copyToPasteboard(const QStringList& lines)
{
    if (m_settingsViewModel->shouldRequestReview())
        m_platform.reviewPrompt->requestReview();
    m_platform.pasteboard->setString(lines.join(u'\n'));
}

void AppDelegate::openWebSearch(const QStringList& lines)
{
    const auto urlPrefix = m_settingsViewModel->searchEngineTemplate().value();
    if (!urlPrefix)
        return;
    const auto url = WebSearch::searchUrl(*urlPrefix, lines);
    if (!url)
        return;
    if (!m_platform.urlOpener->openEncodedUrl(*url))
        qCDebug(lcApp) << "No handler opened" << *url;
    m_platform.application->hide();
}

void AppDelegate::openDocument()
{
    m_platform.application->activate();
    OpenPanelRequest request;
    request.title = Strings::panelOpenImportImageTitle();
    request.allowsMultipleSelection = false;
    request.canChooseDirectories = false;
    request.canChooseFiles = true;
    request.canCreateDirectories = false;
    request.allowedFileTypes = openableFileTypes();
    const auto chosen = m_platform.openPanel->runModal(request);
    if (!chosen || chosen->isEmpty())
        return;
    recognizeFileInBackground(chosen->first());
}

void AppDelegate::importClipboard()
{
    const QByteArray data = m_platform.pasteboard->imageData();
    if (data.isEmpty())
        return;
    recognizeClipboardDataInBackground(data);
}

void AppDelegate::quit()
{
    m_platform.application->terminate();
}

HistoryWindow* AppDelegate::makeHistoryWindowIfNeeded()
{
    if (m_historyWindow || m_historyWindowHasNoScreen)
        return m_historyWindow.get();
    if (!hasMainScreen()) {
        m_historyWindowHasNoScreen = true;
        return nullptr;
    }
    m_historyWindow = std::make_unique<HistoryWindow>(*m_historyViewModel, *m_platform.pasteboard);
    // A tray icon takes no drops here, so the history window takes them for it.
    m_historyWindow->setDragAcceptor([](const QList<QUrl>& urls) {
        return StatusItemDrop::dragOperation(urls) == StatusItemDrop::DragOperation::copy;
    });
    m_historyWindow->setDropHandler([this](const QList<QUrl>& urls) { return acceptDrop(urls); });
    return m_historyWindow.get();
}

void AppDelegate::showHistory()
{
    HistoryWindow* window = makeHistoryWindowIfNeeded();
    m_platform.application->activate();
    if (!window)
        return;
    window->show();
    window->raise();
    window->activateWindow();
}

bool AppDelegate::hasMainScreen() const
{
    return m_platform.screens->mainScreen().has_value();
}

QRect AppDelegate::mainScreenArea() const
{
    const std::optional<ScreenDescription> screen = m_platform.screens->mainScreen();
    return screen ? m_platform.screens->topDownFrame(screen->frame).toRect() : QRect();
}

SettingsWindow* AppDelegate::makeSettingsWindowIfNeeded()
{
    if (m_settingsWindow || m_settingsWindowHasNoScreen)
        return m_settingsWindow.get();
    if (!hasMainScreen()) {
        m_settingsWindowHasNoScreen = true;
        return nullptr;
    }
    m_settingsWindow = std::make_unique<SettingsWindow>(*m_settingsViewModel, toggleScreenCaptureMode(),
                                                        *m_loginItem, *m_platform.urlOpener);
    m_settingsWindow->setAboutTabIcon(StatusItemIcon::make());
    m_settingsWindow->setApplicationIcon(ApplicationIcon::make());
    m_settingsWindow->centerOn(mainScreenArea());
    return m_settingsWindow.get();
}

WelcomeWindow* AppDelegate::makeWelcomeWindowIfNeeded()
{
    if (m_welcomeWindow || m_welcomeWindowHasNoScreen)
        return m_welcomeWindow.get();
    if (!hasMainScreen()) {
        m_welcomeWindowHasNoScreen = true;
        return nullptr;
    }
    DisplayCapture& capture = *m_platform.displayCapture;
    ScreenCaptureAccess access{[&capture] { return capture.hasScreenCaptureAccess(); },
                               [&capture] { capture.requestScreenCaptureAccess(); }};
    m_welcomeWindow = std::make_unique<WelcomeWindow>(access, installedRecognitionLanguages());
    showCaptureShortcutInWelcome();
    // The desktop may report its keys for the shortcut later, or others once the user changed them there.
    connect(&NotificationCenter::defaultCenter(), &NotificationCenter::posted, m_welcomeWindow.get(),
            [this](const QString& notification) {
                if (notification == GlobalShortcuts::reportedTriggerDidChange)
                    showCaptureShortcutInWelcome();
            });
    // Where the desktop shows no tray, the line says where the menu's commands are instead.
    if (!StatusItemController::isTrayAvailable())
        m_welcomeWindow->view().setTrayNote(Strings::welcomeNoTrayBody());
    m_welcomeWindow->centerOn(mainScreenArea());
    return m_welcomeWindow.get();
}

void AppDelegate::showCaptureShortcutInWelcome()
{
    WelcomeView& view = m_welcomeWindow->view();
    // Where the desktop gives no global shortcuts, the line says how to start a capture instead.
    if (m_platform.hotKeyBackend && !m_platform.hotKeyBackend->isAvailable()) {
        view.setCaptureShortcutNote(Strings::welcomeStepSelectCommand());
        return;
    }
    // The keys in the desktop's own words where it reports them: it may have let the user pick others.
    const QString reported = GlobalShortcuts::reportedTrigger(toggleScreenCaptureMode());
    const std::optional<Shortcut> shortcut = GlobalShortcuts::getShortcut(toggleScreenCaptureMode());
    view.setCaptureShortcut(!reported.isEmpty() ? reported
                            : shortcut          ? KeyNames::nativeText(*shortcut)
                                                : QString());
}

void AppDelegate::showSettingsWindow(SettingsTab tab)
{
    SettingsWindow* window = makeSettingsWindowIfNeeded();
    m_platform.application->activate();
    if (window)
        window->showOnTab(tab);
}

void AppDelegate::showPreferences()
{
    showSettingsWindow(SettingsTab::general);
}

void AppDelegate::showAbout()
{
    showSettingsWindow(SettingsTab::about);
}

void AppDelegate::showWelcome()
{
    WelcomeWindow* window = makeWelcomeWindowIfNeeded();
    if (!window)
        return;
    m_platform.application->activate();
    window->runModal();
}

bool AppDelegate::acceptDrop(const QList<QUrl>& urls)
{
    const std::optional<QString> path = StatusItemDrop::droppedFile(urls);
    if (!path)
        return false;
    std::shared_ptr<const ImageLoader> loader = m_platform.imageLoader;
    const QPointer<AppDelegate> delegate(this);
    (void)QtConcurrent::run([loader, path = *path, delegate] {
        const QImage image = loader->loadFile(path);
        postToMainThread([delegate, image, path] {
            if (!delegate)
                return;
            if (image.isNull()) {
                qCDebug(lcApp) << "No image in the dropped" << path;
                return;
            }
            delegate->m_statusItemController->sendDropped(image);
        });
    });
    return true;
}

void AppDelegate::perform(MenuCommand command)
{
    switch (command) {
    case MenuCommand::startCapture:
        startCapture();
        break;
    case MenuCommand::open:
        openDocument();
        break;
    case MenuCommand::importClipboard:
        importClipboard();
        break;
    case MenuCommand::showHistory:
        showHistory();
        break;
    case MenuCommand::showAbout:
        showAbout();
        break;
    case MenuCommand::showPreferences:
        showPreferences();
        break;
    case MenuCommand::quit:
        quit();
        break;
    }
}

void AppDelegate::perform(InstanceRequest request)
{
    switch (request) {
    case InstanceRequest::capture:
        startCapture();
        break;
    case InstanceRequest::showPreferences:
        showPreferences();
        break;
    case InstanceRequest::showHistory:
        showHistory();
        break;
    case InstanceRequest::showAbout:
        showAbout();
        break;
    case InstanceRequest::quit:
        quit();
        break;
    }
}

void AppDelegate::recognizeFileInBackground(const QString& path)
{
    std::shared_ptr<const ImageLoader> loader = m_platform.imageLoader;
    const QPointer<AppDelegate> delegate(this);
    (void)QtConcurrent::run([loader, path, delegate] {
        const QImage image = loader->loadFile(path);
        postToMainThread([delegate, image, path] {
            if (!delegate)
                return;
            if (image.isNull()) {
                qCDebug(lcApp) << "No image in" << path;
                return;
            }
            delegate->m_processor->recognize(image, std::nullopt);
        });
    });
}

void AppDelegate::recognizeClipboardDataInBackground(const QByteArray& data)
{
    std::shared_ptr<const ImageLoader> loader = m_platform.imageLoader;
    const QPointer<AppDelegate> delegate(this);
    (void)QtConcurrent::run([loader, data, delegate] {
        const QImage image = loader->loadData(data);
        postToMainThread([delegate, image] {
            if (!delegate)
                return;
            if (image.isNull()) {
                qCDebug(lcApp) << "The clipboard's image could not be decoded";
                return;
            }
            SettingsViewModel& settings = *delegate->m_settingsViewModel;
            settings.countCapture();
            delegate->m_processor->recognize(image, std::nullopt);
        });
    });
}

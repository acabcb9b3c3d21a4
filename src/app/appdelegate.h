// The application's root object: creates and owns every long-lived model, wires them together at
// launch, carries out the user's commands and delivers each recognition result to the clipboard or,
// with Ctrl held, to a web search. Main thread only; a command that lacks what it needs ends quietly.
#pragma once

#include "cancellable.h"
#include "globalshortcutsname.h"
#include "instancechannel.h"
#include "menucommand.h"
#include "settingstab.h"
#include "textrecognitionengine.h"

#include <QObject>
#include <QRect>
#include <QRectF>
#include <QStringList>
#include <QUrl>

#include <memory>

struct CaptureItem;
struct Platform;
class AppKitViewModel;
class CaptureProcessing;
class CaptureWindow;
class DisplaySnapshot;
class HistoryViewModel;
class HistoryWindow;
class LoginItem;
class RecognitionLanguageChoice;
class SettingsWindow;
class WelcomeWindow;
class HotKeyCenter;
class RecognitionEnginePool;
class SettingsViewModel;
class StatusItemController;
class TextPreviewWindow;

class AppDelegate : public QObject {
    Q_OBJECT
public:
    AppDelegate(Platform& platform, std::shared_ptr<RecognitionEnginePool> recognitionPool,
                QObject* parent = nullptr);
    ~AppDelegate() override;

    // The fallbacks the settings read while nothing is stored; never written to the store.
    static void registerDefaults(Platform& platform);
    // The file types the open panel offers.
    static QStringList openableFileTypes();

    void applicationDidFinishLaunching();
    // The choice the recognition workers read; it follows the settings' recognition language.
    void setRecognitionLanguageChoice(std::shared_ptr<RecognitionLanguageChoice> choice);

    // Commands of the status menu.
    void startCapture();
    void openDocument();
    void importClipboard();
    void quit();
    void showHistory();
    void showAbout();
    void showPreferences();
    void showWelcome();
    void showSettingsWindow(SettingsTab tab);
    // Carries out a command of the status menu.
    void perform(MenuCommand command);
    // Carries out what a start of Oculo asked for (`oculo --history`, say), here or in a later start.
    void perform(InstanceRequest request);

    // The capture window's frame handler: `rect` in points from the top-left corner of the screen.
    void handleSelectedFrame(const QRectF& rect);
    void handleRecognizedText(const CaptureItem& item);
    void copyToPasteboard(const QStringList& lines);
    void openWebSearch(const QStringList& lines);

    CaptureProcessing& processor() const { return *m_processor; }
    AppKitViewModel& appKitViewModel() const { return *m_appKitViewModel; }
    // Made at launch.
    CaptureWindow* captureWindow() const { return m_captureWindow.get(); }
    // Made at launch.
    TextPreviewWindow* textPreviewWindow() const { return m_textPreviewWindow.get(); }
    // Made when the history is first shown; none before, and none when there is no screen.
    HistoryWindow* historyWindow() const { return m_historyWindow.get(); }
    SettingsWindow* settingsWindow() const { return m_settingsWindow.get(); }
    WelcomeWindow* welcomeWindow() const { return m_welcomeWindow.get(); }
    LoginItem& loginItem() const { return *m_loginItem; }
    SettingsViewModel& settingsViewModel() const { return *m_settingsViewModel; }
    HistoryViewModel& historyViewModel() const { return *m_historyViewModel; }
    StatusItemController& statusItemController() const { return *m_statusItemController; }
    // The global shortcut that starts a capture when released: Shift-Command-2 (Shift+Ctrl+2) unless
    // the user chose another. Declared on first use, which stores the default if nothing is stored.
    const GlobalShortcuts::Name& toggleScreenCaptureMode();

private:
    // Takes Oculo's windows off the screen for the snapshot and waits for the desktop to paint over
    // them; stepBack() brings them back when the capture is over.
    void stepAside();
    void stepBack();
    // Decodes the file or data off the main thread, then recognises it with no window.
    void recognizeFileInBackground(const QString& path);
    void recognizeClipboardDataInBackground(const QByteArray& data);
    // Decodes a dropped file off the main thread and hands the image to the status item's channel.
    bool acceptDrop(const QList<QUrl>& urls);
    HistoryWindow* makeHistoryWindowIfNeeded();
    SettingsWindow* makeSettingsWindowIfNeeded();
    WelcomeWindow* makeWelcomeWindowIfNeeded();
    // The welcome window's line on starting a capture: the shortcut in the desktop's words where it reports
    // them, else in ours, or what to bind where the desktop gives applications no global shortcuts.
    void showCaptureShortcutInWelcome();
    // The settings, welcome and history windows are made only when there is a screen to show them on.
    bool hasMainScreen() const;
    QRect mainScreenArea() const;

    Platform& m_platform;
    std::shared_ptr<RecognitionEnginePool> m_recognitionPool;
    std::unique_ptr<DisplaySnapshot> m_displaySnapshot;
    std::unique_ptr<CaptureProcessing> m_processor;
    std::unique_ptr<AppKitViewModel> m_appKitViewModel;
    std::unique_ptr<SettingsViewModel> m_settingsViewModel;
    std::unique_ptr<HistoryViewModel> m_historyViewModel;
    std::unique_ptr<StatusItemController> m_statusItemController;
    std::unique_ptr<CaptureWindow> m_captureWindow;
    std::unique_ptr<TextPreviewWindow> m_textPreviewWindow;
    std::unique_ptr<HistoryWindow> m_historyWindow;
    bool m_historyWindowHasNoScreen = false;
    std::unique_ptr<LoginItem> m_loginItem;
    std::shared_ptr<RecognitionLanguageChoice> m_recognitionLanguageChoice;
    std::unique_ptr<SettingsWindow> m_settingsWindow;
    bool m_settingsWindowHasNoScreen = false;
    std::unique_ptr<WelcomeWindow> m_welcomeWindow;
    bool m_welcomeWindowHasNoScreen = false;
    bool m_takingSnapshot = false;
    bool m_isSteppedAside = false;
    std::unique_ptr<HotKeyCenter> m_hotKeyCenter;
    std::optional<GlobalShortcuts::Name> m_toggleScreenCaptureMode;
    Cancellables m_cancellables;
};

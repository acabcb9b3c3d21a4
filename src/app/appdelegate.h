// The application's root object: creates and owns every long-lived model and window, wires them
// together at launch and carries out the user's commands. Main thread only.
#pragma once

#include "cancellable.h"

#include <QObject>

#include <memory>

struct Platform;
class SettingsViewModel;

class AppDelegate : public QObject {
    Q_OBJECT
public:
    explicit AppDelegate(Platform& platform, QObject* parent = nullptr);
    ~AppDelegate() override;

    // The fallbacks the settings read while nothing is stored; never written to the store.
    static void registerDefaults(Platform& platform);

    void applicationDidFinishLaunching();

    SettingsViewModel& settingsViewModel() const { return *m_settingsViewModel; }

private:
    Platform& m_platform;
    std::unique_ptr<SettingsViewModel> m_settingsViewModel;
    Cancellables m_cancellables;
};

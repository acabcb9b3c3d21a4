// The settings window: a titled, closable window whose row of tabs (General, Web Search, About) switches
// between the three views, which edit the settings model directly. The window follows the model's
// selectedTab only for `about`: asking for another tab leaves the tab shown as it is, and clicking a tab
// does not write the model. Made once by the application delegate and kept; closing only hides it.
// Main thread only; everything passed in must outlive the window.
#pragma once

#include "cancellable.h"
#include "settingstab.h"

#include <QIcon>
#include <QWidget>

class AboutView;
class GeneralSettingsView;
class LoginItem;
class QStackedWidget;
class SearchSettingsView;
class SettingsTabBar;
class SettingsViewModel;
class UrlOpener;

namespace GlobalShortcuts {
class Name;
} // namespace GlobalShortcuts

class SettingsWindow : public QWidget {
    Q_OBJECT
public:
    // The room the tabs' content gets at least, below the row of tabs.
    static constexpr int contentWidth = 450;
    static constexpr int contentHeight = 250;

    // `captureShortcut`: the shortcut name the General tab records. Links of the About tab are opened
    // with `urlOpener`.
    SettingsWindow(SettingsViewModel& viewModel, const GlobalShortcuts::Name& captureShortcut,
                   LoginItem& loginItem, UrlOpener& urlOpener, QWidget* parent = nullptr);
    ~SettingsWindow() override;

    // Sets the model's selectedTab to `tab`, then shows the window in front with the keyboard focus.
    void showOnTab(SettingsTab tab);
    // Places the window in the middle of `area` (global top-down coordinates).
    void centerOn(const QRect& area);

    // The image of the About tab; by default the application's window icon.
    void setAboutTabIcon(const QIcon& icon);
    // The icon beside the product information on the About tab; by default the application's window icon.
    void setApplicationIcon(const QIcon& icon);

    // The index of the tab shown: 0 General, 1 Web Search, 2 About.
    int currentTabIndex() const;

    SettingsTabBar& tabBar() const { return *m_tabBar; }
    GeneralSettingsView& generalView() const { return *m_general; }
    SearchSettingsView& searchView() const { return *m_search; }
    AboutView& aboutView() const { return *m_about; }

private:
    void selectTab(int index);

    SettingsViewModel& m_viewModel;
    SettingsTabBar* m_tabBar;
    QStackedWidget* m_pages;
    GeneralSettingsView* m_general;
    SearchSettingsView* m_search;
    AboutView* m_about;
    Cancellable m_tabControlCancellable;
};

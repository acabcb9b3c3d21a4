#include "settingswindow.h"

#include "aboutview.h"
#include "generalsettingsview.h"
#include "localizedstrings.h"
#include "searchsettingsview.h"
#include "settingstabbar.h"
#include "settingsviewmodel.h"

#include <QGuiApplication>
#include <QStackedWidget>
#include <QVBoxLayout>

SettingsWindow::SettingsWindow(SettingsViewModel& viewModel, const GlobalShortcuts::Name& captureShortcut,
                               LoginItem& loginItem, UrlOpener& urlOpener, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_viewModel(viewModel)
    , m_tabBar(new SettingsTabBar(this))
    , m_pages(new QStackedWidget(this))
    , m_general(new GeneralSettingsView(viewModel, captureShortcut, loginItem, m_pages))
    , m_search(new SearchSettingsView(viewModel, m_pages))
    , m_about(new AboutView(urlOpener, ProductInformation::current(), {}, m_pages))
{
    setWindowTitle(Strings::windowPreferencesTitle());

    m_tabBar->addTab(settingsTabTitle(SettingsTab::general), SettingsSymbol::gearshape);
    m_tabBar->addTab(settingsTabTitle(SettingsTab::webSearch), SettingsSymbol::textMagnifyingglass);
    m_tabBar->addTab(settingsTabTitle(SettingsTab::about), std::nullopt);
    m_pages->addWidget(m_general);
    m_pages->addWidget(m_search);
    m_pages->addWidget(m_about);
    connect(m_tabBar, &SettingsTabBar::tabClicked, this, &SettingsWindow::selectTab);
    setAboutTabIcon(QGuiApplication::windowIcon());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_tabBar);
    layout->addWidget(m_pages, 1);
    m_pages->setMinimumSize(contentWidth, contentHeight);
    // Titled and closable, not resizable: as large as the largest tab needs.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Every value moves the window to its tab, so that Preferences... shows General even after About.
    m_tabControlCancellable =
        viewModel.selectedTab().subscribe([this](const SettingsTab& tab) { selectTab(int(tab)); });
}

SettingsWindow::~SettingsWindow() = default;

void SettingsWindow::showOnTab(SettingsTab tab)
{
    m_viewModel.setSelectedTab(tab);
    // Also when the model held the tab already while the user had clicked another one.
    selectTab(int(tab));
    show();
    raise();
    activateWindow();
}

void SettingsWindow::centerOn(const QRect& area)
{
    adjustSize();
    QRect frame(QPoint(), size());
    frame.moveCenter(area.center());
    move(frame.topLeft());
}

void SettingsWindow::setAboutTabIcon(const QIcon& icon)
{
    m_tabBar->tab(int(SettingsTab::about))->setIcon(icon);
}

void SettingsWindow::setApplicationIcon(const QIcon& icon)
{
    m_about->setApplicationIcon(icon);
}

int SettingsWindow::currentTabIndex() const
{
    return m_pages->currentIndex();
}

void SettingsWindow::selectTab(int index)
{
    m_tabBar->setCurrentIndex(index);
    m_pages->setCurrentIndex(index);
}

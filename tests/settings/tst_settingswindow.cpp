#include "aboutview.h"
#include "applicationicon.h"
#include "defaultsearchengines.h"
#include "fakeurlopener.h"
#include "generalsettingsview.h"
#include "globalshortcuts.h"
#include "key.h"
#include "loginitem.h"
#include "loginitemtoggle.h"
#include "memoryuserdefaults.h"
#include "modifierflags.h"
#include "recorder.h"
#include "searchsettingsview.h"
#include "settingskeys.h"
#include "settingstabbar.h"
#include "settingsviewmodel.h"
#include "settingswindow.h"
#include "statusitemicon.h"
#include "widgetscreenshots.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QUrlQuery>

namespace {

// Everything a settings window needs, with the store and the autostart folder of its own.
struct Harness {
    QTemporaryDir autostart;
    MemoryUserDefaults defaults;
    FakeUrlOpener urlOpener;
    std::unique_ptr<SettingsViewModel> viewModel;
    std::unique_ptr<GlobalShortcuts::Name> captureShortcut;
    std::unique_ptr<LoginItem> loginItem;
    std::unique_ptr<SettingsWindow> window;

    Harness()
    {
        defaults.registerDefaults(
            {{SettingsKeys::playSound, true},
             {SettingsKeys::showTextPreview, true},
             {SettingsKeys::searchEngineTemplate, rawValue(DefaultSearchEngines::duckduckgo)}});
        GlobalShortcuts::setUserDefaults(&defaults);
        captureShortcut = std::make_unique<GlobalShortcuts::Name>(
            QStringLiteral("toggleScreenCaptureMode"),
            Shortcut(Key::two, ModifierFlag::shift | ModifierFlag::command));
        viewModel = std::make_unique<SettingsViewModel>(defaults);
        loginItem = std::make_unique<LoginItem>(autostart.path(), QStringLiteral("/usr/bin/oculo"));
        window = std::make_unique<SettingsWindow>(*viewModel, *captureShortcut, *loginItem, urlOpener);
    }

    ~Harness()
    {
        window.reset();
        GlobalShortcuts::resetModuleState();
        GlobalShortcuts::setUserDefaults(nullptr);
    }

    void show()
    {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    void clickTab(int index) { QTest::mouseClick(window->tabBar().tab(index), Qt::LeftButton); }

    GeneralSettingsView& general() const { return window->generalView(); }
    QLineEdit* urlField() const { return window->searchView().urlPrefixField(); }
};

// A licence list in a file of its own.
QString writeLicenses(const QTemporaryDir& dir, const QByteArray& json)
{
    const QString path = dir.filePath(QStringLiteral("licenses.json"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size())
        return {};
    return path;
}

QString labelText(const QWidget& view, const char* name)
{
    auto* label = view.findChild<QLabel*>(QLatin1String(name));
    return label ? label->text() : QString();
}

} // namespace

class TestSettingsWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        WidgetScreenshots::useFusion(false);
    }

    void isATitledFixedSizeWindowWithThreeTabs()
    {
        Harness harness;
        SettingsWindow& window = *harness.window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Preferences"));
        QVERIFY(window.windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(window.tabBar().count(), 3);
        QCOMPARE(window.tabBar().tab(0)->text(), QStringLiteral("General"));
        QCOMPARE(window.tabBar().tab(1)->text(), QStringLiteral("Web Search"));
        QCOMPARE(window.tabBar().tab(2)->text(), QStringLiteral("About"));
        harness.show();
        QCOMPARE(window.currentTabIndex(), 0);
        QVERIFY(window.width() >= SettingsWindow::contentWidth);
        QVERIFY(window.height() >= SettingsWindow::contentHeight + window.tabBar().height());
        QCOMPARE(window.minimumSize(), window.maximumSize());
        // Closing only hides it; it can be shown again as it was.
        window.close();
        QVERIFY(!window.isVisible());
        window.showOnTab(SettingsTab::general);
        QVERIFY(window.isVisible());
    }

    void theTabFollowsWhatIsAskedFor()
    {
        Harness harness;
        SettingsWindow& window = *harness.window;
        harness.show();
        window.showOnTab(SettingsTab::about);
        QCOMPARE(harness.viewModel->selectedTab().value(), SettingsTab::about);
        QCOMPARE(window.currentTabIndex(), 2);
        QCOMPARE(window.tabBar().currentIndex(), 2);
        // Preferences... after About shows General.
        window.showOnTab(SettingsTab::general);
        QCOMPARE(window.currentTabIndex(), 0);
        harness.viewModel->setSelectedTab(SettingsTab::webSearch);
        QCOMPARE(window.currentTabIndex(), 1);
        // A click chooses the tab without telling the model; the model's tab can be asked for again.
        harness.clickTab(2);
        QCOMPARE(window.currentTabIndex(), 2);
        QCOMPARE(window.tabBar().currentIndex(), 2);
        QCOMPARE(harness.viewModel->selectedTab().value(), SettingsTab::webSearch);
        window.showOnTab(SettingsTab::webSearch);
        QCOMPARE(window.currentTabIndex(), 1);
    }

    void aModelAlreadyOnAboutOpensTheWindowOnAbout()
    {
        MemoryUserDefaults defaults;
        SettingsViewModel viewModel(defaults);
        viewModel.setSelectedTab(SettingsTab::about);
        QTemporaryDir autostart;
        LoginItem loginItem(autostart.path(), QStringLiteral("/usr/bin/oculo"));
        FakeUrlOpener urlOpener;
        const GlobalShortcuts::Name name(QStringLiteral("toggleScreenCaptureMode"));
        SettingsWindow window(viewModel, name, loginItem, urlOpener);
        QCOMPARE(window.currentTabIndex(), 2);
    }

    void theRecognitionLanguageIsChosenOnTheGeneralTab()
    {
        Harness harness;
        harness.defaults.stored.insert(SettingsKeys::recognitionLanguage, QStringLiteral("fra"));
        harness.viewModel = std::make_unique<SettingsViewModel>(harness.defaults);
        harness.window = std::make_unique<SettingsWindow>(*harness.viewModel, *harness.captureShortcut,
                                                          *harness.loginItem, harness.urlOpener);
        harness.show();
        QComboBox* picker = harness.general().recognitionLanguagePicker();
        QCOMPARE(picker->itemText(0), QStringLiteral("Automatic"));
        QCOMPARE(picker->currentText(), QStringLiteral("French")); // the data of all eight is installed here
        QCOMPARE(picker->count(), 9);
        QCOMPARE(picker->itemText(7), QStringLiteral("Chinese (Simplified)"));
        picker->setCurrentIndex(0);
        QVERIFY(!harness.defaults.stored.contains(SettingsKeys::recognitionLanguage));
        harness.viewModel->setRecognitionLanguage(QStringLiteral("deu"));
        QCOMPARE(picker->currentText(), QStringLiteral("German"));
        harness.viewModel->setRecognitionLanguage(QStringLiteral("xyz")); // gone: shown as automatic
        QCOMPARE(picker->currentIndex(), 0);
    }

    void theGeneralControlsEditTheModelBothWays()
    {
        Harness harness;
        harness.defaults.stored.insert(SettingsKeys::playSound, false);
        harness.defaults.stored.insert(SettingsKeys::removeFromHistoryDurationType, 1);
        harness.viewModel = std::make_unique<SettingsViewModel>(harness.defaults);
        harness.window = std::make_unique<SettingsWindow>(*harness.viewModel, *harness.captureShortcut,
                                                          *harness.loginItem, harness.urlOpener);
        harness.show();
        GeneralSettingsView& general = harness.general();
        SettingsViewModel& model = *harness.viewModel;

        // The model's values are shown.
        QVERIFY(!general.playSoundCheckBox()->isChecked());
        QVERIFY(general.showPreviewCheckBox()->isChecked());
        QCOMPARE(general.clearHistoryPicker()->currentText(), QStringLiteral("After 10 Minute"));
        QCOMPARE(general.clearHistoryPicker()->count(), 3);
        QCOMPARE(general.clearHistoryPicker()->itemText(0), QStringLiteral("After 1 Minute"));
        QCOMPARE(general.clearHistoryPicker()->itemText(2), QStringLiteral("Never"));

        // A click is stored at once.
        QTest::mouseClick(general.playSoundCheckBox(), Qt::LeftButton, {},
                          general.playSoundCheckBox()->rect().topLeft() + QPoint(8, 8));
        QVERIFY(model.isPlayingSounds().value());
        QCOMPARE(harness.defaults.stored.value(SettingsKeys::playSound), QJsonValue(true));
        general.showPreviewCheckBox()->click();
        QVERIFY(!model.isShowingPreview().value());
        QCOMPARE(harness.defaults.stored.value(SettingsKeys::showTextPreview), QJsonValue(false));
        general.clearHistoryPicker()->setCurrentIndex(2);
        QCOMPARE(model.removeFromHistoryDurationType().value(), RemoveFromHistoryDurationType::never);
        QCOMPARE(harness.defaults.stored.value(SettingsKeys::removeFromHistoryDurationType), QJsonValue(2));

        // Changes of the model show, and are not written back a second time.
        const int writes = harness.defaults.writeCount;
        model.setIsPlayingSounds(false);
        model.setRemoveFromHistoryDurationType(RemoveFromHistoryDurationType::fast);
        QVERIFY(!general.playSoundCheckBox()->isChecked());
        QCOMPARE(general.clearHistoryPicker()->currentIndex(), 0);
        QCOMPARE(harness.defaults.writeCount, writes + 2);
    }

    void theGeneralTabHoldsTheLoginToggleAndTheRecorder()
    {
        Harness harness;
        harness.show();
        GeneralSettingsView& general = harness.general();
        QCOMPARE(general.loginItemToggle()->text(), QStringLiteral("Start at login"));
        QVERIFY(!general.loginItemToggle()->isChecked());
        general.loginItemToggle()->click();
        QVERIFY(harness.loginItem->isEnabled());
        QCOMPARE(general.recorder()->field()->shortcutName(), *harness.captureShortcut);
        QVERIFY(!general.recorder()->field()->text().isEmpty());
        // The form: labels right-aligned against one column of controls, in the order of the tab.
        const int column = general.loginItemToggle()->mapTo(&general, QPoint()).x();
        int previousBottom = -1;
        for (QWidget* control :
             {static_cast<QWidget*>(general.loginItemToggle()), static_cast<QWidget*>(general.recorder()),
              static_cast<QWidget*>(general.playSoundCheckBox()),
              static_cast<QWidget*>(general.showPreviewCheckBox()),
              static_cast<QWidget*>(general.clearHistoryPicker())}) {
            const QRect frame(control->mapTo(&general, QPoint()), control->size());
            QCOMPARE(frame.left(), column);
            QVERIFY(frame.top() > previousBottom);
            QVERIFY(frame.right() < general.width());
            QVERIFY(control->height() >= control->minimumSizeHint().height());
            previousBottom = frame.bottom();
        }
        QVERIFY(previousBottom < general.height());
        // Two lines for the sound check box, whose text has a line break.
        QVERIFY(general.playSoundCheckBox()->text().contains(u'\n'));
        QVERIFY(!general.playSoundCheckBox()->text().contains(QLatin1String("\\n")));
    }

    void theUrlPrefixIsTheTemplateTypedOrFromAPreset()
    {
        Harness harness;
        harness.show();
        SettingsViewModel& model = *harness.viewModel;
        QLineEdit* field = harness.urlField();
        QCOMPARE(field->placeholderText(), QStringLiteral("URL prefix:"));
        harness.clickTab(1);
        QCOMPARE(field->text(), rawValue(DefaultSearchEngines::duckduckgo));

        // The presets menu lists the three presets in order; choosing one stores its prefix at once.
        QMenu* menu = harness.window->searchView().presetsButton()->menu();
        QVERIFY(menu);
        QStringList labels;
        for (QAction* action : menu->actions())
            labels.append(action->text());
        QCOMPARE(labels, (QStringList{QStringLiteral("DuckDuckGo"), QStringLiteral("Bing"),
                                      QStringLiteral("Google")}));
        menu->actions().at(1)->trigger();
        QCOMPARE(field->text(), rawValue(DefaultSearchEngines::bing));
        QCOMPARE(model.searchEngineTemplate().value(), rawValue(DefaultSearchEngines::bing));
        QCOMPARE(harness.defaults.stored.value(SettingsKeys::searchEngineTemplate),
                 QJsonValue(rawValue(DefaultSearchEngines::bing)));

        // Typed text is stored as typed, without checks; an emptied field stores an empty template.
        field->selectAll();
        QTest::keyClicks(field, QStringLiteral("not a url "));
        QCOMPARE(model.searchEngineTemplate().value(), QStringLiteral("not a url "));
        field->clear();
        QCOMPARE(model.searchEngineTemplate().value(), std::optional<QString>(QString()));
        QCOMPARE(harness.defaults.stored.value(SettingsKeys::searchEngineTemplate), QJsonValue(QString()));
    }

    void theFieldTakesTheTemplateEachTimeTheTabIsShown()
    {
        Harness harness;
        harness.show();
        SettingsViewModel& model = *harness.viewModel;
        harness.clickTab(1);
        harness.clickTab(0);
        // Changed elsewhere while the tab was hidden: shown anew on return.
        model.setSearchEngineTemplate(rawValue(DefaultSearchEngines::google));
        harness.clickTab(1);
        QCOMPARE(harness.urlField()->text(), rawValue(DefaultSearchEngines::google));
    }

    void anAbsentTemplateShowsAsAnEmptyFieldAndStaysAbsent()
    {
        Harness harness;
        harness.viewModel->setSearchEngineTemplate(std::nullopt);
        harness.show();
        const int writes = harness.defaults.writeCount;
        harness.clickTab(1);
        QCOMPARE(harness.urlField()->text(), QString());
        QCOMPARE(harness.viewModel->searchEngineTemplate().value(), std::nullopt);
        QCOMPARE(harness.defaults.writeCount, writes);
    }

    void aboutShowsTheProductInformation()
    {
        FakeUrlOpener urlOpener;
        AboutView about(urlOpener, ProductInformation::make("Oculo", "0.1.0", "7", "Copyright here"));
        QCOMPARE(labelText(about, "productName"), QStringLiteral("Oculo"));
        QCOMPARE(labelText(about, "productVersion"), QStringLiteral("0.1.0 (7)"));
        QCOMPARE(labelText(about, "productCopyright"), QStringLiteral("Copyright here"));
        // Missing values read "N/A".
        QCOMPARE(ProductInformation::make("Oculo", "0.1.0", nullptr, "").versionLine(),
                 QStringLiteral("0.1.0 (N/A)"));
        QCOMPARE(ProductInformation::make(nullptr, "", "", nullptr).copyright, QStringLiteral("N/A"));
        // The window shows Oculo's, from the generated header.
        Harness harness;
        QCOMPARE(labelText(harness.window->aboutView(), "productName"), QStringLiteral("Oculo"));
        QVERIFY(labelText(harness.window->aboutView(), "productVersion").contains(u'('));
    }

    void aboutShowsTheIconWhenThereIsOne()
    {
        FakeUrlOpener urlOpener;
        AboutView about(urlOpener);
        about.setApplicationIcon(QIcon());
        about.show();
        QVERIFY(!about.iconLabel()->isVisible());
        about.setApplicationIcon(StatusItemIcon::make());
        QVERIFY(about.iconLabel()->isVisible());
        QCOMPARE(about.iconLabel()->size(), QSize(100, 100));
    }

    void theAcknowledgementsToggleWithTheProductInformation()
    {
        QTemporaryDir dir;
        const QString path =
            writeLicenses(dir, R"([{"name":"Alpha","type":"MIT","text":"Alpha licence\nsecond line"},
                     {"name":"Beta","type":"BSD","text":"Beta licence"},
                     {"name":"Alpha","type":"MIT","text":"Alpha again"}])");
        FakeUrlOpener urlOpener;
        AboutView about(urlOpener, ProductInformation::current(), path);
        about.resize(450, 250);
        about.show();
        QVERIFY(!about.isShowingAcknowledgements());
        QCOMPARE(about.acknowledgementsButton()->text(), QStringLiteral("Acknowledgements"));
        about.acknowledgementsButton()->click();
        QVERIFY(about.isShowingAcknowledgements());
        QVERIFY(about.acknowledgementsView()->isVisible());
        QVERIFY(!about.findChild<QLabel*>(QStringLiteral("productName"))->isVisible());
        QCOMPARE(about.acknowledgementsButton()->text(), QStringLiteral("Version Info"));
        // A name listed twice is one item.
        QCOMPARE(about.shownLicenseNames(), (QStringList{QStringLiteral("Alpha"), QStringLiteral("Beta")}));
        const QString shown = about.acknowledgementsView()->toPlainText();
        QVERIFY(shown.startsWith(QStringLiteral("Alpha\nAlpha licence")));
        QVERIFY(shown.contains(QStringLiteral("Beta\nBeta licence")));
        QVERIFY(!shown.contains(QStringLiteral("Alpha again")));
        // The name is bold, the licence smaller.
        const QTextBlock name = about.acknowledgementsView()->document()->begin();
        QVERIFY(name.begin().fragment().charFormat().fontWeight() >= QFont::Bold);
        QVERIFY(name.next().begin().fragment().charFormat().font().pointSizeF() < about.font().pointSizeF());

        // Shown again, the tab starts with the product information.
        about.hide();
        about.show();
        QVERIFY(!about.isShowingAcknowledgements());
        QCOMPARE(about.acknowledgementsButton()->text(), QStringLiteral("Acknowledgements"));
        QVERIFY(about.findChild<QLabel*>(QStringLiteral("productName"))->isVisible());
    }

    void unreadableAcknowledgementsLeaveTheListAsItWas()
    {
        QTemporaryDir dir;
        const QString path = writeLicenses(dir, R"([{"name":"Alpha","type":"MIT","text":"A"}])");
        FakeUrlOpener urlOpener;
        AboutView about(urlOpener, ProductInformation::current(), path);
        about.show();
        QCOMPARE(about.shownLicenseNames(), QStringList{QStringLiteral("Alpha")});
        // The file goes bad: reloading on the next showing keeps what was shown.
        QVERIFY(!writeLicenses(dir, R"([{"name":"Beta","text":"no type"}])").isEmpty());
        about.hide();
        about.show();
        QCOMPARE(about.shownLicenseNames(), QStringList{QStringLiteral("Alpha")});
        // None at all: an empty area.
        AboutView empty(urlOpener, ProductInformation::current(),
                        dir.filePath(QStringLiteral("missing.json")));
        empty.show();
        QVERIFY(empty.shownLicenseNames().isEmpty());
        QVERIFY(empty.acknowledgementsView()->toPlainText().isEmpty());
    }

    void theWindowListsTheBuiltInAcknowledgements()
    {
        Harness harness;
        harness.show();
        harness.window->showOnTab(SettingsTab::about);
        QVERIFY(harness.window->aboutView().shownLicenseNames().contains(QStringLiteral("Qt")));
    }

    void theLinksOpenTheWebSiteAndANewEmail()
    {
        Harness harness;
        harness.show();
        harness.window->showOnTab(SettingsTab::about);
        AboutView& about = harness.window->aboutView();
        QTest::mouseClick(about.websiteButton(), Qt::LeftButton);
        QTest::mouseClick(about.contactButton(), Qt::LeftButton);
        QCOMPARE(harness.urlOpener.openedUrls.size(), 2);
        const QUrl website = harness.urlOpener.openedUrls.at(0);
        QCOMPARE(website.scheme(), QStringLiteral("https"));
        QCOMPARE(website.query(), QStringLiteral("utm_source=about-dialog"));
        const QUrl mail = harness.urlOpener.openedUrls.at(1);
        QCOMPARE(mail.scheme(), QStringLiteral("mailto"));
        QVERIFY(mail.path().contains(u'@'));
        QCOMPARE(QUrlQuery(mail).queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
                 QStringLiteral("Hello Oculo"));
        QVERIFY(mail.toEncoded().endsWith("?subject=Hello%20Oculo"));
    }

    void screenshots_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }

    void screenshots()
    {
        QFETCH(bool, dark);
        WidgetScreenshots::useFusion(dark);
        {
            Harness harness;
            harness.window->setAboutTabIcon(StatusItemIcon::make());
            harness.window->setApplicationIcon(ApplicationIcon::make());
            harness.show();
            QStringList saved;
            saved << WidgetScreenshots::save(*harness.window, QStringLiteral("settings-general"), dark);
            harness.clickTab(1);
            saved << WidgetScreenshots::save(*harness.window, QStringLiteral("settings-websearch"), dark);
            harness.window->showOnTab(SettingsTab::about);
            saved << WidgetScreenshots::save(*harness.window, QStringLiteral("settings-about"), dark);
            harness.window->aboutView().acknowledgementsButton()->click();
            saved << WidgetScreenshots::save(*harness.window, QStringLiteral("settings-acknowledgements"),
                                             dark);
            for (const QString& path : saved) {
                QVERIFY(!path.isEmpty());
                qInfo("saved %s", qPrintable(path));
            }
        }
        WidgetScreenshots::useFusion(false);
    }
};

QTEST_MAIN(TestSettingsWindow)
#include "tst_settingswindow.moc"

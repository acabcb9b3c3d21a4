#include "localizedstrings.h"

#include "stringformat.h"

#include <QCoreApplication>

namespace Strings {

namespace {

QString lookUp(const char* table, const char* key, const QStringList& arguments, const QString& fallback)
{
    const QString found = QCoreApplication::translate(table, key);
    const QString text = found == QLatin1String(key) ? fallback : found;
    return formatString(text, arguments);
}

QString fixedText(const char* key, const char* fallback)
{
    return lookUp("Localizable", key, {}, QString::fromUtf8(fallback));
}

QString formattedText(const char* key, const QString& argument, const char* fallback)
{
    return lookUp("Localizable", key, {argument}, QString::fromUtf8(fallback));
}

} // namespace

QString tr(const char* table, const char* key, const QStringList& arguments, const QString& fallback)
{
    return lookUp(table, key, arguments, fallback);
}

QString menuRecentCapturesTitle()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "menu.recent-captures.title"), "Recent Texts");
    return text;
}

QString panelOpenImportImageTitle()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "panel.open.import-image.title"), "Select Image");
    return text;
}

QString settingsAboutAcknowledgementsButtonTitle()
{
    static const QString text = fixedText(
        QT_TRANSLATE_NOOP("Localizable", "settings.about.acknowledgements.button.title"), "Acknowledgements");
    return text;
}

QString settingsAboutContactUsButtonTitle()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "settings.about.contact-us.button.title"), "Contact us");
    return text;
}

QString settingsAboutVersionInfoButtonTitle()
{
    static const QString text = fixedText(
        QT_TRANSLATE_NOOP("Localizable", "settings.about.version-info.button.title"), "Version Info");
    return text;
}

QString settingsAboutVisitWebsiteButtonTitle()
{
    static const QString text = fixedText(
        QT_TRANSLATE_NOOP("Localizable", "settings.about.visit-website.button.title"), "Visit our Website");
    return text;
}

QString settingsClearHistoryAfterTitle()
{
    static const QString text = fixedText(
        QT_TRANSLATE_NOOP("Localizable", "settings.clear-history-after.title"), "Clear text from history:");
    return text;
}

QString settingsClearHistoryAfterDurationNeverTitle()
{
    static const QString text = fixedText(
        QT_TRANSLATE_NOOP("Localizable", "settings.clear-history-after.duration.never.title"), "Never");
    return text;
}

QString settingsClearHistoryAfterDurationOneMinuteTitle()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "settings.clear-history-after.duration.one-minute.title"),
                  "After 1 Minute");
    return text;
}

QString settingsClearHistoryAfterDurationTenMinutesTitle()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "settings.clear-history-after.duration.ten-minutes.title"),
                  "After 10 Minute");
    return text;
}

QString settingsPlayCaptureSoundTitle()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "settings.play-capture-sound.title"),
                  "Play sound after copying\\ntext to Clipboard");
    return text;
}

QString settingsSearchWebHintTitle()
{
    static const QString text = fixedText(QT_TRANSLATE_NOOP("Localizable", "settings.search-web.hint.title"),
                                          "When holding down the Ctrl key on releasing touchpad or mouse the "
                                          "scanned text can be searched via the selected search engine.");
    return text;
}

QString settingsSearchWebPresetsTitle()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "settings.search-web.presets.title"), "Presets");
    return text;
}

QString settingsSearchWebUrlPrefixTitle()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "settings.search-web.url-prefix.title"), "URL prefix:");
    return text;
}

QString settingsShowPreviewTitle()
{
    static const QString text = fixedText(QT_TRANSLATE_NOOP("Localizable", "settings.show-preview.title"),
                                          "Show preview of recognized text");
    return text;
}

QString settingsStartAtLoginTitle()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "settings.start-at-login.title"), "Start at login");
    return text;
}

QString settingsStartCapturingTitle()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "settings.start-capturing.title"), "Start Capturing:");
    return text;
}

QString settingsTabAboutTitle()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "settings.tab.about.title"), "About");
    return text;
}

QString settingsTabGeneralTitle()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "settings.tab.general.title"), "General");
    return text;
}

QString settingsTabWebSearchTitle()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "settings.tab.web-search.title"), "Web Search");
    return text;
}

QString statusMenuConvertClipboardItemTitle()
{
    static const QString text = fixedText(
        QT_TRANSLATE_NOOP("Localizable", "status-menu.convert-clipboard.item.title"), "Convert Clipboard");
    return text;
}

QString statusMenuOpenFileItemTitle()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "status-menu.open-file.item.title"), "Open...");
    return text;
}

QString statusMenuPreferencesItemTitle()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "status-menu.preferences.item.title"), "Preferences...");
    return text;
}

QString statusMenuRecentCapturesItemTitle()
{
    static const QString text = fixedText(
        QT_TRANSLATE_NOOP("Localizable", "status-menu.recent-captures.item.title"), "Recent Captures");
    return text;
}

QString statusMenuShowWorkflowItemTitle()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "status-menu.show-workflow.item.title"), "Show Workflow");
    return text;
}

QString statusMenuStartCaptureItemTitle()
{
    static const QString text = fixedText(
        QT_TRANSLATE_NOOP("Localizable", "status-menu.start-capture.item.title"), "Start Text Capture");
    return text;
}

QString welcomeHeadlineTitle()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "welcome.headline.title"), "Welcome to Oculo");
    return text;
}

QString welcomeInfoInternationalTitle()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "welcome.info.international.title"), "International");
    return text;
}

QString welcomePermissionsBody()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "welcome.permissions.body"),
                  "To work correctly Oculo needs permission to take screenshots.\\n\\nIf your desktop "
                  "asks, allow Oculo to take screenshots. You can change this later in your desktop's "
                  "Settings under Privacy.");
    return text;
}

QString welcomePermissionsDoneButtonTitle()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "welcome.permissions.done.button.title"), "Done");
    return text;
}

QString welcomePermissionsOpenPreferencesButtonTitle()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "welcome.permissions.open-preferences.button.title"),
                  "Open Desktop Settings...");
    return text;
}

QString welcomeStepPasteBody()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "welcome.step.paste.body"),
                  "Find all detected text in your clipboard ready to paste it into every text field.");
    return text;
}

QString welcomeStepPasteTitle()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "welcome.step.paste.title"), "Paste anywhere");
    return text;
}

QString welcomeStepSelectBody()
{
    static const QString text = fixedText(QT_TRANSLATE_NOOP("Localizable", "welcome.step.select.body"),
                                          "Select any text on your screen by drawing a rectangle to start "
                                          "OCR detection. Use it with web sites, PDFs, videos, and images.");
    return text;
}

QString welcomeStepSelectTitle()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "welcome.step.select.title"), "Select Screen Region");
    return text;
}

QString windowCaptureHintTitle()
{
    static const QString text = fixedText(QT_TRANSLATE_NOOP("Localizable", "window.capture.hint.title"),
                                          "Select a region to copy text");
    return text;
}

QString windowPreferencesTitle()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "window.preferences.title"), "Preferences");
    return text;
}

QString workflowClearButtonTitle()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "workflow.clear.button.title"), "Clear");
    return text;
}

QString workflowExportAllButtonTitle()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "workflow.export-all.button.title"), "Export All");
    return text;
}

QString workflowTableColumnAddedTitle()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "workflow.table.column.added.title"), "Added");
    return text;
}

QString workflowTableColumnContentTitle()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "workflow.table.column.content.title"), "Content");
    return text;
}

QString workflowTableColumnSourceTitle()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "workflow.table.column.source.title"), "Source");
    return text;
}

QString workflowTableRowMenuSpeakTitle()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "workflow.table.row.menu.speak.title"), "Speak");
    return text;
}

QString workflowTableSourceUnknown()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "workflow.table.source.unknown"), "<unknown>");
    return text;
}

QString menuStatusItemTitle(const QString& applicationName)
{
    return formattedText(QT_TRANSLATE_NOOP("Localizable", "menu.status-item.title"), applicationName,
                         "%@ menu");
}

QString statusMenuAboutItemTitle(const QString& applicationName)
{
    return formattedText(QT_TRANSLATE_NOOP("Localizable", "status-menu.about.item.title"), applicationName,
                         "About %@");
}

QString statusMenuQuitItemTitle(const QString& applicationName)
{
    return formattedText(QT_TRANSLATE_NOOP("Localizable", "status-menu.quit.item.title"), applicationName,
                         "Quit %@");
}

QString welcomeInfoInternationalBody(const QString& languages)
{
    return formattedText(QT_TRANSLATE_NOOP("Localizable", "welcome.info.international.body"), languages,
                         "Supports %@");
}

QString settingsRecognitionLanguageTitle()
{
    static const QString text = fixedText(
        QT_TRANSLATE_NOOP("Localizable", "settings.recognition-language.title"), "Recognition language:");
    return text;
}

QString settingsRecognitionLanguageAutomaticTitle()
{
    static const QString text = fixedText(
        QT_TRANSLATE_NOOP("Localizable", "settings.recognition-language.automatic.title"), "Automatic");
    return text;
}

QString welcomeStepSelectShortcut(const QString& shortcut)
{
    return formattedText(QT_TRANSLATE_NOOP("Localizable", "welcome.step.select.shortcut"), shortcut,
                         "Press %@ to start.");
}

QString welcomeStepSelectCommand()
{
    static const QString text =
        fixedText(QT_TRANSLATE_NOOP("Localizable", "welcome.step.select.no-shortcuts.body"),
                  "This desktop gives applications no global shortcuts: bind the command \"oculo --capture\" "
                  "to a key in the desktop's keyboard settings to start a capture.");
    return text;
}

QString welcomeNoTrayBody()
{
    static const QString text = fixedText(
        QT_TRANSLATE_NOOP("Localizable", "welcome.no-tray.body"),
        "This desktop shows no system tray: open Preferences, the history and Quit from Oculo's icon in the "
        "applications menu (right-click it), or run \"oculo --preferences\", \"oculo --history\" or "
        "\"oculo --quit\".");
    return text;
}

} // namespace Strings

// The catalogue of the application's own user-visible texts: each is looked up by its dotted key in the
// "Localizable" translation context, with its English text compiled in as the fallback. A fixed text is
// computed once, on first use, and kept for the life of the process; a formatted text is looked up and
// formatted on every call. Main thread only (the first use must follow the translator's installation).
#pragma once

#include <QString>
#include <QStringList>

namespace Strings {

// Looks the key up in the named context and formats the result with the arguments: "%@" (or "%n$@")
// takes the next (or the n-th) argument, "%%" is a percent sign, and any other conversion is consumed.
QString tr(const char* table, const char* key, const QStringList& arguments, const QString& fallback);

QString menuRecentCapturesTitle();
QString panelOpenImportImageTitle();
QString settingsAboutAcknowledgementsButtonTitle();
QString settingsAboutContactUsButtonTitle();
QString settingsAboutVersionInfoButtonTitle();
QString settingsAboutVisitWebsiteButtonTitle();
QString settingsClearHistoryAfterTitle();
QString settingsClearHistoryAfterDurationNeverTitle();
QString settingsClearHistoryAfterDurationOneMinuteTitle();
QString settingsClearHistoryAfterDurationTenMinutesTitle();
QString settingsPlayCaptureSoundTitle();
QString settingsSearchWebHintTitle();
QString settingsSearchWebPresetsTitle();
QString settingsSearchWebUrlPrefixTitle();
QString settingsShowPreviewTitle();
QString settingsStartAtLoginTitle();
QString settingsStartCapturingTitle();
QString settingsTabAboutTitle();
QString settingsTabGeneralTitle();
QString settingsTabWebSearchTitle();
QString statusMenuConvertClipboardItemTitle();
QString statusMenuOpenFileItemTitle();
QString statusMenuPreferencesItemTitle();
QString statusMenuRecentCapturesItemTitle();
QString statusMenuShowWorkflowItemTitle();
QString statusMenuStartCaptureItemTitle();
QString welcomeHeadlineTitle();
QString welcomeInfoInternationalTitle();
QString welcomePermissionsBody();
QString welcomePermissionsDoneButtonTitle();
QString welcomePermissionsOpenPreferencesButtonTitle();
QString welcomeStepPasteBody();
QString welcomeStepPasteTitle();
QString welcomeStepSelectBody();
QString welcomeStepSelectTitle();
QString windowCaptureHintTitle();
QString windowPreferencesTitle();
QString workflowClearButtonTitle();
QString workflowExportAllButtonTitle();
QString workflowTableColumnAddedTitle();
QString workflowTableColumnContentTitle();
QString workflowTableColumnSourceTitle();
QString workflowTableRowMenuSpeakTitle();
QString workflowTableSourceUnknown();

QString menuStatusItemTitle(const QString& applicationName);
QString statusMenuAboutItemTitle(const QString& applicationName);
QString statusMenuQuitItemTitle(const QString& applicationName);
QString welcomeInfoInternationalBody(const QString& languages);
// Oculo's own: the language setting of the General tab.
QString settingsRecognitionLanguageTitle();
QString settingsRecognitionLanguageAutomaticTitle();
// Oculo's own: the capture shortcut named on the welcome window, so that a new user learns it.
QString welcomeStepSelectShortcut(const QString& shortcut);
// Where the desktop gives applications no global shortcuts: how to start a capture instead.
QString welcomeStepSelectCommand();
// Where the desktop shows no system tray: where the commands of the tray menu are instead.
QString welcomeNoTrayBody();

} // namespace Strings

// The user-defaults keys of the settings.
#pragma once

#include <QString>

namespace SettingsKeys {
inline const QString playSound = QStringLiteral("playSound");
inline const QString showTextPreview = QStringLiteral("showTextPreview");
inline const QString removeFromHistoryDurationType = QStringLiteral("removeFromHistoryDurationType");
inline const QString searchEngineTemplate = QStringLiteral("searchEngineTemplate");
inline const QString numberOfCaptures = QStringLiteral("numberOfCaptures");
// Oculo's own: the trained-data code of the language every capture is read in; absent for the
// automatic choice.
inline const QString recognitionLanguage = QStringLiteral("recognitionLanguage");
} // namespace SettingsKeys

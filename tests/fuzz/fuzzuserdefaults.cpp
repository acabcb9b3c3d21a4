// The defaults file as Oculo reads it at start (JsonFileUserDefaults with the application's fallbacks,
// the settings and the capture shortcut read from it) and writes it on a change. A file that is a JSON
// object is read as it is and never rewritten by reading; any other file is kept aside byte for byte and
// the fallbacks answer; a change writes a file that reads back with every other value unchanged.
#include "fuzztargets.h"

#include "defaultsearchengines.h"
#include "globalshortcuts.h"
#include "linux/jsonfileuserdefaults.h"
#include "settingskeys.h"
#include "settingsviewmodel.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <limits>
#include <memory>

namespace FuzzTargets {

namespace {

std::unique_ptr<QTemporaryDir>& folder()
{
    static std::unique_ptr<QTemporaryDir> instance;
    return instance;
}

void setUpUserDefaults()
{
    if (folder())
        return;
    folder() = std::make_unique<QTemporaryDir>();
    FUZZ_CHECK(folder()->isValid());
}

QByteArray contentsOf(const QString& path)
{
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// The fallbacks the application registers before anything reads the store.
const QJsonObject& registered()
{
    static const QJsonObject fallbacks{
        {SettingsKeys::playSound, true},
        {SettingsKeys::showTextPreview, true},
        {SettingsKeys::searchEngineTemplate, rawValue(DefaultSearchEngines::duckduckgo)},
    };
    return fallbacks;
}

// Each typed read answers the stored value when it converts, else the fallback, else the neutral value.
void checkReads(const UserDefaults& defaults, const QJsonObject& stored, const QString& key)
{
    const QJsonValue value = stored.value(key);
    const QJsonValue fallback = registered().value(key);
    FUZZ_CHECK(defaults.object(key) == (value.isUndefined() ? fallback : value));
    FUZZ_CHECK(defaults.contains(key) == !(value.isUndefined() && fallback.isUndefined()));
    FUZZ_CHECK(defaults.boolForKey(key) ==
               UserDefaults::toBool(value).value_or(UserDefaults::toBool(fallback).value_or(false)));
    FUZZ_CHECK(defaults.integerForKey(key) ==
               UserDefaults::toInteger(value).value_or(UserDefaults::toInteger(fallback).value_or(0)));
    const std::optional<QString> text = defaults.stringForKey(key);
    const std::optional<QString> expected = value.isString()      ? value.toString()
                                            : fallback.isString() ? std::optional(fallback.toString())
                                                                  : std::nullopt;
    FUZZ_CHECK(text == expected);
}

void runUserDefaults(QByteArrayView input)
{
    const QString configFolder = folder()->filePath(QStringLiteral("oculo"));
    QDir(configFolder).removeRecursively();
    FUZZ_CHECK(QDir().mkpath(configFolder));
    const QString path = configFolder + QStringLiteral("/defaults.json");
    const QByteArray data = input.toByteArray();
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly));
        FUZZ_CHECK(file.write(data) == data.size());
    }

    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    const bool usable = error.error == QJsonParseError::NoError && document.isObject();
    const QJsonObject stored = usable ? document.object() : QJsonObject();

    JsonFileUserDefaults defaults(path);
    defaults.registerDefaults(registered());
    FUZZ_CHECK(defaults.isPersistent());
    if (usable) {
        FUZZ_CHECK(defaults.backupPath().isEmpty());
        FUZZ_CHECK(contentsOf(path) == data); // reading writes nothing
    } else {
        // Never lost: the unusable file is the backup, unchanged, and nothing took its place.
        FUZZ_CHECK(!defaults.backupPath().isEmpty());
        FUZZ_CHECK(!QFile::exists(path));
        FUZZ_CHECK(contentsOf(defaults.backupPath()) == data);
    }
    for (auto it = stored.begin(); it != stored.end(); ++it)
        checkReads(defaults, stored, it.key());
    for (const QString& key : registered().keys())
        checkReads(defaults, stored, key);

    // What the application reads at start: the settings and the capture shortcut.
    SettingsViewModel settings(defaults);
    FUZZ_CHECK(settings.numberOfCaptures().value() == defaults.integerForKey(SettingsKeys::numberOfCaptures));
    GlobalShortcuts::resetModuleState();
    GlobalShortcuts::setUserDefaults(&defaults);
    const GlobalShortcuts::Name capture(QStringLiteral("toggleScreenCaptureMode"));
    const std::optional<QString> storedShortcut =
        defaults.stringForKey(GlobalShortcuts::keyPrefix + capture.rawValue);
    FUZZ_CHECK(GlobalShortcuts::getShortcut(capture) ==
               (storedShortcut ? Shortcut::fromJson(storedShortcut->toUtf8()) : std::nullopt));
    GlobalShortcuts::setUserDefaults(nullptr);

    // A capture counts itself, as the application counts every capture, and the file is written; a
    // count that is already the largest stays so.
    const qint64 captures = settings.numberOfCaptures().value();
    const qint64 counted = captures == std::numeric_limits<qint64>::max() ? captures : captures + 1;
    settings.countCapture();
    FUZZ_CHECK(settings.numberOfCaptures().value() == counted);
    FUZZ_CHECK(QFile::exists(path));
    const JsonFileUserDefaults reread(path);
    FUZZ_CHECK(reread.backupPath().isEmpty());
    QJsonObject expected = stored;
    expected.insert(SettingsKeys::numberOfCaptures, counted);
    for (auto it = expected.begin(); it != expected.end(); ++it)
        FUZZ_CHECK(reread.object(it.key()) == it.value());
    FUZZ_CHECK(QJsonDocument::fromJson(contentsOf(path)).object() == expected);
}

} // namespace

const Target userDefaults{"userdefaults", &setUpUserDefaults, &runUserDefaults};

} // namespace FuzzTargets

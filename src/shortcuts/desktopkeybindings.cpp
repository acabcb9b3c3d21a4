#include "desktopkeybindings.h"

#include "shortcutslogging.h"

#include <QFile>
#include <QKeySequence>
#include <QProcess>
#include <QStandardPaths>

namespace {

constexpr int gsettingsTimeoutMs = 3000;

const QStringList gnomeSchemas{
    QStringLiteral("org.gnome.desktop.wm.keybindings"),
    QStringLiteral("org.gnome.settings-daemon.plugins.media-keys"),
    QStringLiteral("org.gnome.shell.keybindings"),
    QStringLiteral("org.gnome.mutter.keybindings"),
};
const QString mediaKeysSchema = QStringLiteral("org.gnome.settings-daemon.plugins.media-keys");
const QString customBindingSchema =
    QStringLiteral("org.gnome.settings-daemon.plugins.media-keys.custom-keybinding");
const QString customBindingsKey = QStringLiteral("custom-keybindings");

std::optional<QString> runGSettings(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(gsettingsTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput());
}

// One quoted GVariant string at the start of `text`, which it then leaves after the closing quote.
std::optional<QString> takeQuoted(QStringView& text)
{
    if (text.isEmpty() || (text.front() != u'\'' && text.front() != u'"'))
        return std::nullopt;
    const QChar quote = text.front();
    QString result;
    for (qsizetype i = 1; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size()) {
            result += text[++i];
        } else if (text[i] == quote) {
            text = text.sliced(i + 1).trimmed();
            return result;
        } else {
            result += text[i];
        }
    }
    return std::nullopt;
}

void appendBindings(const QStringList& accelerators, const DesktopAccelerators& parser, QList<Shortcut>& into)
{
    for (const QString& accelerator : accelerators) {
        if (const std::optional<Shortcut> shortcut = parser.fromGnomeAccelerator(accelerator))
            into.append(*shortcut);
    }
}

// The bindings of `gsettings list-recursively SCHEMA`: one "schema key value" line per key.
void appendGnomeSchema(const DesktopKeyBindings::Sources& sources, const QString& schema,
                       const DesktopAccelerators& parser, QList<Shortcut>& into)
{
    const std::optional<QString> listing = sources.gsettings({QStringLiteral("list-recursively"), schema});
    if (!listing)
        return;
    for (const QStringView line : QStringView(*listing).split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype keyStart = line.indexOf(u' ');
        const qsizetype valueStart = keyStart < 0 ? -1 : line.indexOf(u' ', keyStart + 1);
        if (valueStart < 0)
            continue;
        const QStringView key = line.sliced(keyStart + 1, valueStart - keyStart - 1);
        const std::optional<QStringList> values =
            DesktopKeyBindings::gvariantStrings(line.sliced(valueStart));
        if (!values)
            continue;
        if (schema != mediaKeysSchema || key != customBindingsKey) {
            appendBindings(*values, parser, into);
            continue;
        }
        // The user's own bindings live in a relocatable schema, one path each.
        for (const QString& path : *values) {
            const std::optional<QString> binding = sources.gsettings(
                {QStringLiteral("get"), customBindingSchema + u':' + path, QStringLiteral("binding")});
            if (const std::optional<QStringList> accelerators =
                    binding ? DesktopKeyBindings::gvariantStrings(*binding) : std::nullopt)
                appendBindings(*accelerators, parser, into);
        }
    }
}

// A value of a KDE configuration file with its escapes resolved.
QString unescaped(QStringView value)
{
    QString result;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != u'\\' || i + 1 == value.size()) {
            result += value[i];
            continue;
        }
        const QChar next = value[++i];
        result += next == u't' ? u'\t' : next == u's' ? u' ' : next == u'n' ? u'\n' : next;
    }
    return result;
}

} // namespace

namespace DesktopKeyBindings {

Sources Sources::ofThisSession()
{
    Sources sources;
    const QString gsettings = QStandardPaths::findExecutable(QStringLiteral("gsettings"));
    if (!gsettings.isEmpty())
        sources.gsettings = [gsettings](const QStringList& arguments) {
            return runGSettings(gsettings, arguments);
        };
    sources.kdeGlobalShortcutsPath = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                                     QStringLiteral("/kglobalshortcutsrc");
    return sources;
}

QList<Shortcut> read(const Sources& sources, const DesktopAccelerators& accelerators)
{
    QList<Shortcut> shortcuts;
    if (sources.gsettings) {
        for (const QString& schema : gnomeSchemas)
            appendGnomeSchema(sources, schema, accelerators, shortcuts);
    }
    if (!sources.kdeGlobalShortcutsPath.isEmpty()) {
        QFile file(sources.kdeGlobalShortcutsPath);
        if (file.open(QIODevice::ReadOnly | QIODevice::Text))
            shortcuts += kdeGlobalShortcuts(QString::fromUtf8(file.readAll()), accelerators);
        else if (file.exists())
            qCDebug(lcShortcuts) << "Cannot read" << file.fileName() << file.errorString();
    }
    return shortcuts;
}

std::optional<QStringList> gvariantStrings(QStringView text)
{
    text = text.trimmed();
    if (text.startsWith(u"@as "))
        text = text.sliced(4).trimmed();
    if (!text.startsWith(u'[')) {
        std::optional<QString> single = takeQuoted(text);
        if (!single || !text.isEmpty())
            return std::nullopt;
        return QStringList{*single};
    }
    text = text.sliced(1).trimmed();
    QStringList strings;
    while (!text.startsWith(u']')) {
        std::optional<QString> string = takeQuoted(text);
        if (!string)
            return std::nullopt;
        strings.append(*string);
        if (text.startsWith(u','))
            text = text.sliced(1).trimmed();
        else if (!text.startsWith(u']'))
            return std::nullopt;
    }
    if (text.sliced(1).trimmed().size() != 0)
        return std::nullopt;
    return strings;
}

QList<Shortcut> kdeGlobalShortcuts(QStringView fileText, const DesktopAccelerators& accelerators)
{
    QList<Shortcut> shortcuts;
    for (QStringView line : fileText.split(u'\n', Qt::SkipEmptyParts)) {
        line = line.trimmed();
        const qsizetype equals = line.indexOf(u'=');
        if (line.startsWith(u'#') || line.startsWith(u'[') || equals <= 0 ||
            line.startsWith(u"_k_friendly_name"))
            continue;
        // active shortcuts (tab-separated), default shortcuts, description
        const QString active = unescaped(line.sliced(equals + 1)).section(u',', 0, 0);
        if (active.compare(u"none", Qt::CaseInsensitive) == 0)
            continue;
        for (const QString& text : active.split(u'\t', Qt::SkipEmptyParts)) {
            const QKeySequence sequence = QKeySequence::fromString(text, QKeySequence::PortableText);
            if (sequence.count() != 1)
                continue;
            if (const std::optional<Shortcut> shortcut = accelerators.fromKeyCombination(sequence[0]))
                shortcuts.append(*shortcut);
        }
    }
    return shortcuts;
}

} // namespace DesktopKeyBindings

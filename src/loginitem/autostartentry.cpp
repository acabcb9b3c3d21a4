#include "autostartentry.h"

#include "oculoversion.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QStringDecoder>

namespace AutostartEntry {

namespace {

// Characters that make an Exec argument need quotes.
const QString reservedInExec = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
// Characters that need a backslash inside a quoted Exec argument.
const QString escapedInQuotes = QStringLiteral("\"`$\\");

std::optional<bool> booleanValue(const QHash<QString, QString>& group, const QString& key)
{
    const auto it = group.constFind(key);
    if (it == group.constEnd())
        return std::nullopt;
    const QString value = unescapeString(*it);
    // "true" and "false" are the values; older entries still say 1 and 0, which sessions accept too.
    if (value == u"true" || value == u"1")
        return true;
    if (value == u"false" || value == u"0")
        return false;
    return std::nullopt;
}

QString comparablePath(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

bool startsExecutable(const QString& program, const QString& executable)
{
    QString resolved = program;
    if (!program.contains(u'/'))
        resolved = QStandardPaths::findExecutable(program);
    if (resolved.isEmpty() || !QDir::isAbsolutePath(resolved))
        return false;
    return comparablePath(resolved) == comparablePath(executable);
}

} // namespace

QByteArray contents(const QString& executable)
{
    const QString exec = escapeString(quoteExecArgument(executable));
    const QString lines[] = {
        QStringLiteral("[Desktop Entry]"),
        QStringLiteral("Type=Application"),
        QStringLiteral("Version=1.4"),
        QStringLiteral("Name=") + escapeString(QString::fromUtf8(OculoVersion::name)),
        QStringLiteral("Comment=Copy the text of a screen region to the clipboard"),
        QStringLiteral("Exec=") + exec,
        QStringLiteral("TryExec=") + escapeString(executable),
        QStringLiteral("Icon=") + QString::fromUtf8(OculoVersion::identifier),
        QStringLiteral("Terminal=false"),
        QStringLiteral("X-GNOME-Autostart-enabled=true"),
    };
    QString text;
    for (const QString& line : lines)
        text += line + u'\n';
    return text.toUtf8();
}

Kind classify(const QByteArray& data, const QString& executable)
{
    const std::optional<QHash<QString, QString>> group = desktopEntryGroup(data);
    if (!group)
        return Kind::foreign;
    const std::optional<QStringList> arguments =
        splitExec(unescapeString(group->value(QStringLiteral("Exec"))));
    if (!arguments || arguments->isEmpty())
        return Kind::foreign;
    const QString program = QString(arguments->first()).replace(QStringLiteral("%%"), QStringLiteral("%"));
    if (QFileInfo(program).fileName() != QFileInfo(executable).fileName())
        return Kind::foreign;

    const bool isApplication = unescapeString(group->value(QStringLiteral("Type"))) == u"Application";
    const bool isNamed = !unescapeString(group->value(QStringLiteral("Name"))).isEmpty();
    const bool isHidden = booleanValue(*group, QStringLiteral("Hidden")).value_or(false);
    const bool isSwitchedOn =
        booleanValue(*group, QStringLiteral("X-GNOME-Autostart-enabled")).value_or(true);
    if (isApplication && isNamed && !isHidden && isSwitchedOn && startsExecutable(program, executable))
        return Kind::enabled;
    return Kind::disabled;
}

std::optional<QHash<QString, QString>> desktopEntryGroup(const QByteArray& data)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(data);
    if (decoder.hasError() || text.contains(QChar(0)))
        return std::nullopt;

    static const QRegularExpression keyPattern(QStringLiteral("^[A-Za-z0-9-]+(\\[[^\\[\\]]+\\])?$"));
    QHash<QString, QString> entry;
    QSet<QString> groupNames;
    QSet<QString> keysOfGroup;
    QString group;
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            if (!line.endsWith(u']') || line.size() < 3)
                return std::nullopt;
            group = line.mid(1, line.size() - 2).toString();
            if (group.contains(u'[') || group.contains(u']') || groupNames.contains(group))
                return std::nullopt;
            if (groupNames.isEmpty() && group != u"Desktop Entry")
                return std::nullopt;
            groupNames.insert(group);
            keysOfGroup.clear();
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (group.isEmpty() || equals < 0)
            return std::nullopt;
        const QString key = line.left(equals).trimmed().toString();
        if (!keyPattern.match(key).hasMatch() || keysOfGroup.contains(key))
            return std::nullopt;
        keysOfGroup.insert(key);
        if (group == u"Desktop Entry")
            entry.insert(key, line.mid(equals + 1).trimmed().toString());
    }
    if (groupNames.isEmpty())
        return std::nullopt;
    return entry;
}

QString escapeString(const QString& value)
{
    QString escaped;
    escaped.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == u'\\')
            escaped += QStringLiteral("\\\\");
        else if (c == u'\n')
            escaped += QStringLiteral("\\n");
        else if (c == u'\t')
            escaped += QStringLiteral("\\t");
        else if (c == u'\r')
            escaped += QStringLiteral("\\r");
        else if (c == u' ' && i == 0)
            escaped += QStringLiteral("\\s"); // a leading space would be taken for padding
        else
            escaped += c;
    }
    return escaped;
}

QString unescapeString(const QString& value)
{
    QString plain;
    plain.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != u'\\' || i + 1 == value.size()) {
            plain += c;
            continue;
        }
        const QChar next = value.at(++i);
        switch (next.unicode()) {
        case 's':
            plain += u' ';
            break;
        case 'n':
            plain += u'\n';
            break;
        case 't':
            plain += u'\t';
            break;
        case 'r':
            plain += u'\r';
            break;
        case '\\':
            plain += u'\\';
            break;
        default:
            plain += c;
            plain += next;
            break; // not a string escape: kept for the Exec rules
        }
    }
    return plain;
}

QString quoteExecArgument(const QString& argument)
{
    QString text = argument;
    text.replace(u'%', QStringLiteral("%%"));
    // Any other white space too: a value loses it at its ends when the entry is read.
    const bool needsQuotes = text.isEmpty() || std::any_of(text.cbegin(), text.cend(), [](QChar c) {
                                 return reservedInExec.contains(c) || c.isSpace();
                             });
    if (!needsQuotes)
        return text;
    QString quoted = QStringLiteral("\"");
    for (const QChar c : text) {
        if (escapedInQuotes.contains(c))
            quoted += u'\\';
        quoted += c;
    }
    return quoted + u'"';
}

std::optional<QStringList> splitExec(const QString& commandLine)
{
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool inQuotes = false;
    for (qsizetype i = 0; i < commandLine.size(); ++i) {
        const QChar c = commandLine.at(i);
        if (inQuotes) {
            if (c == u'"') {
                inQuotes = false;
            } else if (c == u'\\') {
                if (i + 1 == commandLine.size() || !escapedInQuotes.contains(commandLine.at(i + 1)))
                    return std::nullopt;
                current += commandLine.at(++i);
            } else {
                current += c;
            }
        } else if (c == u' ' || c == u'\t' || c == u'\n') {
            if (inArgument)
                arguments.append(std::exchange(current, QString()));
            inArgument = false;
        } else if (c == u'"') {
            inQuotes = true;
            inArgument = true;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inQuotes)
        return std::nullopt;
    if (inArgument)
        arguments.append(current);
    return arguments;
}

} // namespace AutostartEntry

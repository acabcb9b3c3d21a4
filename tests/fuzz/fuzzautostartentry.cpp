// Autostart desktop entries: any bytes found in the autostart folder get an answer, and an entry counts
// as Oculo's only when it parses and starts a program of Oculo's name; the entry Oculo writes for any
// executable path reads back as enabled for that path, and the string and Exec escapes undo themselves.
#include "fuzztargets.h"

#include "autostartentry.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace FuzzTargets {

namespace {

void setUpAutostartEntry() {}

void checkClassified(const QByteArray& data, const QString& executable)
{
    using AutostartEntry::Kind;
    const Kind kind = AutostartEntry::classify(data, executable);
    FUZZ_CHECK(kind == Kind::foreign || kind == Kind::disabled || kind == Kind::enabled);
    const std::optional<QHash<QString, QString>> group = AutostartEntry::desktopEntryGroup(data);
    if (!group) {
        FUZZ_CHECK(kind == Kind::foreign);
        return;
    }
    const std::optional<QStringList> arguments =
        AutostartEntry::splitExec(AutostartEntry::unescapeString(group->value(QStringLiteral("Exec"))));
    if (!arguments || arguments->isEmpty()) {
        FUZZ_CHECK(kind == Kind::foreign);
        return;
    }
    const QString program = QString(arguments->first()).replace(QStringLiteral("%%"), QStringLiteral("%"));
    if (QFileInfo(program).fileName() != QFileInfo(executable).fileName())
        FUZZ_CHECK(kind == Kind::foreign);
    else
        FUZZ_CHECK(kind != Kind::foreign);
    if (kind == Kind::enabled) {
        FUZZ_CHECK(AutostartEntry::unescapeString(group->value(QStringLiteral("Type"))) == u"Application");
        FUZZ_CHECK(!AutostartEntry::unescapeString(group->value(QStringLiteral("Name"))).isEmpty());
        const QString hidden = AutostartEntry::unescapeString(group->value(QStringLiteral("Hidden")));
        FUZZ_CHECK(hidden != u"true" && hidden != u"1");
        const QString switchedOn =
            AutostartEntry::unescapeString(group->value(QStringLiteral("X-GNOME-Autostart-enabled")));
        FUZZ_CHECK(switchedOn != u"false" && switchedOn != u"0");
    }
}

void runAutostartEntry(QByteArrayView input)
{
    const QByteArray data = input.toByteArray();
    checkClassified(data, QCoreApplication::applicationFilePath());
    checkClassified(data, QStringLiteral("/usr/bin/oculo"));

    // The input as text: escapes and quoting give it back.
    const QString text = QString::fromUtf8(data);
    FUZZ_CHECK(AutostartEntry::unescapeString(AutostartEntry::escapeString(text)) == text);
    const std::optional<QStringList> split =
        AutostartEntry::splitExec(AutostartEntry::quoteExecArgument(text));
    FUZZ_CHECK(split == QStringList{QString(text).replace(u'%', QStringLiteral("%%"))});
    if (const std::optional<QStringList> arguments = AutostartEntry::splitExec(text)) {
        // Each argument quoted again (a % doubled, as field codes are escaped) splits the same way.
        QStringList quoted, doubled;
        for (const QString& argument : *arguments) {
            quoted.append(AutostartEntry::quoteExecArgument(argument));
            doubled.append(QString(argument).replace(u'%', QStringLiteral("%%")));
        }
        FUZZ_CHECK(AutostartEntry::splitExec(quoted.join(u' ')) == doubled);
    }

    // The entry Oculo writes for an executable at that path (a path holds no NUL) is Oculo's and enabled.
    const QString executable = u'/' + QString(text).remove(QChar(0));
    const QByteArray entry = AutostartEntry::contents(executable);
    FUZZ_CHECK(AutostartEntry::desktopEntryGroup(entry));
    FUZZ_CHECK(AutostartEntry::classify(entry, executable) == AutostartEntry::Kind::enabled);
    checkClassified(entry, executable);
}

} // namespace

const Target autostartEntry{"autostartentry", &setUpAutostartEntry, &runAutostartEntry};

} // namespace FuzzTargets

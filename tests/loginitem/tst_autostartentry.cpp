#include "autostartentry.h"

#include <QFileInfo>
#include <QTest>

using AutostartEntry::Kind;

namespace {

const QString oculo = QStringLiteral("/usr/bin/oculo");

QByteArray entry(const QByteArray& extraLines, const QByteArray& exec = "/usr/bin/oculo")
{
    return "[Desktop Entry]\nType=Application\nName=Oculo\nExec=" + exec + "\n" + extraLines;
}

QString execProgram(const QByteArray& contents)
{
    const auto group = AutostartEntry::desktopEntryGroup(contents);
    if (!group)
        return QStringLiteral("<not an entry>");
    const auto arguments = AutostartEntry::splitExec(AutostartEntry::unescapeString(group->value("Exec")));
    if (!arguments || arguments->isEmpty())
        return QStringLiteral("<no program>");
    return QString(arguments->first()).replace(QStringLiteral("%%"), QStringLiteral("%"));
}

} // namespace

class TestAutostartEntry : public QObject {
    Q_OBJECT
private slots:
    void execStartsTheExecutableWhateverItsPath_data()
    {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QByteArray>("execLine");
        QTest::newRow("plain") << oculo << QByteArray("Exec=/usr/bin/oculo");
        QTest::newRow("spaces") << QStringLiteral("/opt/My Apps/oculo")
                                << QByteArray("Exec=\"/opt/My Apps/oculo\"");
        // Quoting escapes the quote and the backslash, then the string escape doubles every backslash.
        QTest::newRow("quote and backslash")
            << QStringLiteral("/tmp/a\"b\\c/oculo") << QByteArray("Exec=\"/tmp/a\\\\\"b\\\\\\\\c/oculo\"");
        QTest::newRow("dollar and backtick") << QStringLiteral("/tmp/$HOME`x`/oculo")
                                             << QByteArray("Exec=\"/tmp/\\\\$HOME\\\\`x\\\\`/oculo\"");
        QTest::newRow("percent") << QStringLiteral("/tmp/100%/oculo") << QByteArray("Exec=/tmp/100%%/oculo");
        QTest::newRow("leading space in a folder")
            << QStringLiteral("/tmp/ x/oculo") << QByteArray("Exec=\"/tmp/ x/oculo\"");
        QTest::newRow("tab and newline")
            << QStringLiteral("/tmp/a\tb\nc/oculo") << QByteArray("Exec=\"/tmp/a\\tb\\nc/oculo\"");
        QTest::newRow("non-ASCII") << QStringLiteral("/home/zoë/Bücher/oculo")
                                   << QStringLiteral("Exec=/home/zoë/Bücher/oculo").toUtf8();
    }

    void execStartsTheExecutableWhateverItsPath()
    {
        QFETCH(QString, executable);
        QFETCH(QByteArray, execLine);
        const QByteArray contents = AutostartEntry::contents(executable);
        QVERIFY2(contents.split('\n').contains(execLine), contents.constData());
        QCOMPARE(execProgram(contents), executable);
        const auto group = AutostartEntry::desktopEntryGroup(contents);
        QVERIFY(group);
        QCOMPARE(AutostartEntry::unescapeString(group->value("TryExec")), executable);
        QCOMPARE(AutostartEntry::classify(contents, executable), Kind::enabled);
    }

    void theWrittenEntryNamesOculoAndIsSwitchedOn()
    {
        const auto group = AutostartEntry::desktopEntryGroup(AutostartEntry::contents(oculo));
        QVERIFY(group);
        QCOMPARE(group->value("Type"), QStringLiteral("Application"));
        QCOMPARE(group->value("Name"), QStringLiteral("Oculo"));
        QCOMPARE(group->value("X-GNOME-Autostart-enabled"), QStringLiteral("true"));
        QVERIFY(!group->contains("Hidden"));
        QVERIFY(!group->value("Icon").isEmpty());
        QVERIFY(!group->value("Comment").isEmpty());
    }

    void entriesFoundInTheDirectory_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("executable");
        QTest::addColumn<Kind>("expected");

        QTest::newRow("ours") << entry({}) << oculo << Kind::enabled;
        QTest::newRow("with arguments and field codes")
            << entry({}, "/usr/bin/oculo --quiet %U") << oculo << Kind::enabled;
        QTest::newRow("comments, blank lines, padding, CRLF")
            << QByteArray("# made by hand\r\n\r\n[Desktop Entry]\r\nType = Application\r\nName=Oculo\r\n"
                          "Exec= /usr/bin/oculo\r\n")
            << oculo << Kind::enabled;
        QTest::newRow("Hidden=false") << entry("Hidden=false\n") << oculo << Kind::enabled;
        QTest::newRow("switched on") << entry("X-GNOME-Autostart-enabled=true\n") << oculo << Kind::enabled;
        QTest::newRow("Hidden in another group")
            << entry("[Desktop Action quiet]\nName=Quiet\nHidden=true\n") << oculo << Kind::enabled;
        QTest::newRow("program on PATH") << entry({}, "sh") << QStringLiteral("/bin/sh") << Kind::enabled;

        QTest::newRow("Hidden=true") << entry("Hidden=true\n") << oculo << Kind::disabled;
        QTest::newRow("Hidden=1") << entry("Hidden=1\n") << oculo << Kind::disabled;
        QTest::newRow("switched off")
            << entry("X-GNOME-Autostart-enabled=false\n") << oculo << Kind::disabled;
        QTest::newRow("switched off, old style")
            << entry("X-GNOME-Autostart-enabled=0\n") << oculo << Kind::disabled;
        QTest::newRow("another copy of oculo") << entry({}, "/opt/old/oculo") << oculo << Kind::disabled;
        QTest::newRow("a link, not an application")
            << QByteArray("[Desktop Entry]\nType=Link\nName=Oculo\nExec=/usr/bin/oculo\n") << oculo
            << Kind::disabled;
        QTest::newRow("no name") << QByteArray("[Desktop Entry]\nType=Application\nExec=/usr/bin/oculo\n")
                                 << oculo << Kind::disabled;

        QTest::newRow("another program") << entry({}, "/usr/bin/xterm") << oculo << Kind::foreign;
        QTest::newRow("a program named like oculo")
            << entry({}, "/usr/bin/oculo-helper") << oculo << Kind::foreign;
        QTest::newRow("empty") << QByteArray() << oculo << Kind::foreign;
        QTest::newRow("no Exec") << QByteArray("[Desktop Entry]\nType=Application\nName=Oculo\n") << oculo
                                 << Kind::foreign;
        QTest::newRow("open quote") << entry({}, "\"/usr/bin/oculo") << oculo << Kind::foreign;
        QTest::newRow("bad escape in quotes")
            << entry({}, "\"/usr/bin/\\\\oculo\"") << oculo << Kind::foreign;
        QTest::newRow("not UTF-8") << entry("Comment=\xff\xfe\n") << oculo << Kind::foreign;
        QTest::newRow("NUL byte") << entry(QByteArray("Comment=a\0b\n", 12)) << oculo << Kind::foreign;
        QTest::newRow("key twice") << entry("Name=Oculo\n") << oculo << Kind::foreign;
        QTest::newRow("other group first")
            << QByteArray("[Desktop Action x]\nName=X\n[Desktop Entry]\nType=Application\nName=Oculo\n"
                          "Exec=/usr/bin/oculo\n")
            << oculo << Kind::foreign;
        QTest::newRow("key before any group")
            << QByteArray("Exec=/usr/bin/oculo\n") << oculo << Kind::foreign;
        QTest::newRow("stray line") << entry("this is not a key\n") << oculo << Kind::foreign;
        QTest::newRow("bad key") << entry("Bad Key=1\n") << oculo << Kind::foreign;
        QTest::newRow("binary") << QByteArray("\x7f"
                                              "ELF\x02\x01\x01\0\0\0",
                                              10)
                                << oculo << Kind::foreign;
    }

    void entriesFoundInTheDirectory()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, executable);
        QFETCH(Kind, expected);
        if (QTest::currentDataTag() == QLatin1String("program on PATH") && !QFileInfo::exists(executable))
            QSKIP("no /bin/sh here");
        QCOMPARE(AutostartEntry::classify(contents, executable), expected);
    }

    void localisedKeysAreKeys()
    {
        const auto group = AutostartEntry::desktopEntryGroup(entry("Name[de]=Oculo\nName[sr@latin]=Oculo\n"));
        QVERIFY(group);
        QCOMPARE(group->value("Name[de]"), QStringLiteral("Oculo"));
    }

    void execSplitting_data()
    {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("words") << QStringLiteral("a  b\tc") << QStringList{"a", "b", "c"};
        QTest::newRow("quoted") << QStringLiteral("\"a b\" c") << QStringList{"a b", "c"};
        QTest::newRow("escapes") << QStringLiteral("\"\\\"\\`\\$\\\\\"") << QStringList{"\"`$\\"};
        QTest::newRow("empty quotes") << QStringLiteral("a \"\"") << QStringList{"a", ""};
        QTest::newRow("nothing") << QString() << QStringList{};
    }

    void execSplitting()
    {
        QFETCH(QString, commandLine);
        QFETCH(QStringList, arguments);
        QCOMPARE(AutostartEntry::splitExec(commandLine), std::optional<QStringList>(arguments));
    }
};

QTEST_GUILESS_MAIN(TestAutostartEntry)
#include "tst_autostartentry.moc"

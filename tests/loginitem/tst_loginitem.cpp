#include "autostartentry.h"
#include "loginitem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSaveFile>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeInPlace(const QString& path, const QByteArray& contents)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(contents);
}

// As an editor saves: a new file renamed over the old one.
void writeByRename(const QString& path, const QByteArray& contents)
{
    QSaveFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
    QVERIFY(file.commit());
}

QByteArray entryFor(const QString& program, const QByteArray& extraLines = {})
{
    return "[Desktop Entry]\nType=Application\nName=Someone\nExec=" + program.toUtf8() + "\n" + extraLines;
}

// Records the order in which the three kinds of observers hear of a change, and what each of them sees.
struct Observations {
    explicit Observations(LoginItem& item)
    {
        QObject::connect(&item, &LoginItem::objectWillChange, &context, [this, &item] {
            events.append(QStringLiteral("objectWillChange(reads %1)").arg(item.isEnabled()));
        });
        QObject::connect(&item, &LoginItem::isEnabledWillChange, &context, [this, &item] {
            events.append(QStringLiteral("willChange(reads %1)").arg(item.isEnabled()));
        });
        QObject::connect(&item, &LoginItem::isEnabledChanged, &context,
                         [this](bool value) { events.append(QStringLiteral("changed(%1)").arg(value)); });
        token = item.isEnabledPublisher().subscribe(
            [this](const bool& value) { events.append(QStringLiteral("published(%1)").arg(value)); });
    }

    QObject context;
    QStringList events;
    Cancellable token;
};

} // namespace

class TestLoginItem : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        QVERIFY(m_root.isValid());
        m_directory = m_root.path() + QStringLiteral("/config-%1/autostart").arg(++m_run);
        m_executable = m_root.path() + QStringLiteral("/bin/oculo");
    }

    void theEntryIsNamedAfterTheHelperAndFollowsXdgConfigHome()
    {
        QCOMPARE(LoginItem::helperBundleIdentifier(), QStringLiteral("org.oculo.Oculo-LoginItemHelper"));
        const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", m_root.path().toUtf8());
        LoginItem item;
        qputenv("XDG_CONFIG_HOME", saved);
        QCOMPARE(item.autostartDirectory(), m_root.path() + QStringLiteral("/autostart"));
        QCOMPARE(item.entryFilePath(),
                 m_root.path() + QStringLiteral("/autostart/org.oculo.Oculo-LoginItemHelper.desktop"));
        QCOMPARE(item.executable(), QCoreApplication::applicationFilePath());
    }

    void enablingWritesAnEntryTheValidatorAcceptsAndDisablingRemovesIt_data()
    {
        QTest::addColumn<QString>("executable");
        QTest::newRow("the running executable") << QString();
        QTest::newRow("a path with spaces and quotes") << QStringLiteral("/opt/My \"Apps\"/oculo");
    }

    void enablingWritesAnEntryTheValidatorAcceptsAndDisablingRemovesIt()
    {
        QFETCH(QString, executable);
        LoginItem item(m_directory, executable);
        QVERIFY(!item.isEnabled());
        QVERIFY(!item.isEnabledPublisher().value());

        item.setIsEnabled(true);
        QVERIFY(item.isEnabled());
        const QByteArray contents = readAll(item.entryFilePath());
        const auto group = AutostartEntry::desktopEntryGroup(contents);
        QVERIFY(group);
        const auto arguments =
            AutostartEntry::splitExec(AutostartEntry::unescapeString(group->value("Exec")));
        QVERIFY(arguments);
        QCOMPARE(arguments->value(0),
                 executable.isEmpty() ? QCoreApplication::applicationFilePath() : executable);
        QCOMPARE(QDir(m_directory).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"org.oculo.Oculo-LoginItemHelper.desktop"});

        const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        if (validator.isEmpty()) {
            qWarning("desktop-file-validate is not installed: the entry is not validated");
        } else {
            QProcess process;
            process.start(validator, {item.entryFilePath()});
            QVERIFY(process.waitForFinished());
            const QByteArray output = process.readAllStandardOutput() + process.readAllStandardError();
            QVERIFY2(process.exitCode() == 0 && !output.contains("error:"), output.constData());
        }

        item.setIsEnabled(false);
        QVERIFY(!item.isEnabled());
        QVERIFY(!QFile::exists(item.entryFilePath()));
        QVERIFY(QFileInfo(m_directory).isDir());
        item.setIsEnabled(false); // nothing left to remove
        QVERIFY(!item.isEnabled());
    }

    void everyAssignmentIsAnnouncedBeforeAndAfterTheWrite()
    {
        LoginItem item(m_directory, m_executable);
        Observations observed(item);
        item.setIsEnabled(true);
        item.setIsEnabled(true);
        item.setIsEnabled(false);
        QCOMPARE(observed.events, (QStringList{"published(0)", "objectWillChange(reads 0)",
                                               "willChange(reads 0)", "changed(1)", "published(1)",
                                               "objectWillChange(reads 1)", "willChange(reads 1)",
                                               "changed(1)", "published(1)", "objectWillChange(reads 1)",
                                               "willChange(reads 1)", "changed(0)", "published(0)"}));
        // The writes themselves, seen by the watcher afterwards, change nothing and are not announced again.
        QTest::qWait(200);
        QCOMPARE(observed.events.size(), 13);
    }

    void aFailedWriteStillPublishesTheRequestedValue()
    {
        QVERIFY(QDir().mkpath(QFileInfo(m_directory).path()));
        writeInPlace(m_directory, "a file where the directory should be");
        LoginItem item(m_directory, m_executable);
        QSignalSpy changed(&item, &LoginItem::isEnabledChanged);
        item.setIsEnabled(true);
        QCOMPARE(changed.value(0).value(0).toBool(), false);
        QVERIFY(item.isEnabledPublisher().value());
        QVERIFY(!item.isEnabled());
        QCOMPARE(readAll(m_directory), QByteArray("a file where the directory should be"));
    }

    void entriesThatAreNotOursAreNeverTouched_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("another program's entry") << QStringLiteral("foreign");
        QTest::newRow("garbage") << QStringLiteral("garbage");
        QTest::newRow("a directory") << QStringLiteral("directory");
        // Tests run as root, which reads any file whatever its mode: a pipe stands for a file that
        // cannot be read (opening it would block), a link loop for one that cannot even be opened.
        QTest::newRow("a pipe") << QStringLiteral("pipe");
        QTest::newRow("a link loop") << QStringLiteral("loop");
    }

    void entriesThatAreNotOursAreNeverTouched()
    {
        QFETCH(QString, kind);
        QVERIFY(QDir().mkpath(m_directory));
        LoginItem item(m_directory, m_executable);
        const QString path = item.entryFilePath();
        const QByteArray foreign = entryFor(QStringLiteral("/usr/bin/xterm"));
        if (kind == u"foreign")
            writeInPlace(path, foreign);
        else if (kind == u"garbage")
            writeInPlace(path, "\x89PNG\r\n\x1a\n");
        else if (kind == u"directory")
            QVERIFY(QDir().mkpath(path + QStringLiteral("/inside")));
        else if (kind == u"pipe")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
        else
            QVERIFY(QFile::link(path, path));
        const QFileInfo before(path);

        for (const bool value : {true, false, true}) {
            item.setIsEnabled(value);
            QVERIFY(!item.isEnabled());
        }
        const QFileInfo after(path);
        QCOMPARE(after.isDir(), before.isDir());
        QCOMPARE(after.isSymLink(), before.isSymLink());
        QCOMPARE(after.lastModified(), before.lastModified());
        if (kind == u"foreign")
            QCOMPARE(readAll(path), foreign);
        if (kind == u"directory")
            QVERIFY(QFileInfo::exists(path + QStringLiteral("/inside")));
    }

    void disabledOrStaleEntriesOfOursAreReplacedAndRemoved_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("hidden") << entryFor(m_root.path() + QStringLiteral("/bin/oculo"), "Hidden=true\n");
        QTest::newRow("another copy of oculo") << entryFor(QStringLiteral("/opt/old/oculo"));
    }

    void disabledOrStaleEntriesOfOursAreReplacedAndRemoved()
    {
        QFETCH(QByteArray, contents);
        QVERIFY(QDir().mkpath(m_directory));
        LoginItem item(m_directory, m_executable);
        writeInPlace(item.entryFilePath(), contents);
        QVERIFY(!item.isEnabled());
        item.setIsEnabled(true);
        QVERIFY(item.isEnabled());
        QCOMPARE(readAll(item.entryFilePath()), AutostartEntry::contents(m_executable));

        writeInPlace(item.entryFilePath(), contents);
        item.setIsEnabled(false);
        QVERIFY(!QFileInfo::exists(item.entryFilePath()));
    }

    void changesMadeOutsideAreHeardWhileRunning_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::newRow("Hidden=true, saved in place") << QStringLiteral("hidden in place");
        QTest::newRow("Hidden=true, saved by rename") << QStringLiteral("hidden by rename");
        QTest::newRow("switched off") << QStringLiteral("switched off");
        QTest::newRow("deleted") << QStringLiteral("deleted");
        QTest::newRow("made a directory") << QStringLiteral("directory");
        QTest::newRow("made another program's") << QStringLiteral("foreign");
        QTest::newRow("autostart directory removed") << QStringLiteral("directory removed");
    }

    void changesMadeOutsideAreHeardWhileRunning()
    {
        QFETCH(QString, edit);
        LoginItem item(m_directory, m_executable);
        item.setIsEnabled(true);
        Observations observed(item);
        observed.events.clear();
        const QString path = item.entryFilePath();
        const QByteArray ours = readAll(path);

        if (edit == u"hidden in place") {
            writeInPlace(path, ours + "Hidden=true\n");
        } else if (edit == u"hidden by rename") {
            writeByRename(path, ours + "Hidden=true\n");
        } else if (edit == u"switched off") {
            writeByRename(path, QByteArray(ours).replace("X-GNOME-Autostart-enabled=true",
                                                         "X-GNOME-Autostart-enabled=false"));
        } else if (edit == u"deleted") {
            QVERIFY(QFile::remove(path));
        } else if (edit == u"directory") {
            QVERIFY(QFile::remove(path));
            QVERIFY(QDir().mkdir(path));
        } else if (edit == u"foreign") {
            writeByRename(path, entryFor(QStringLiteral("/usr/bin/xterm")));
        } else {
            QVERIFY(QDir(m_directory).removeRecursively());
        }

        QTRY_COMPARE(observed.events, (QStringList{"objectWillChange(reads 0)", "willChange(reads 0)",
                                                   "changed(0)", "published(0)"}));
        QVERIFY(!item.isEnabledPublisher().value());
    }

    void anEntryMadeOutsideIsHeardEvenBeforeItsDirectoryExists()
    {
        LoginItem item(m_directory, m_executable);
        QSignalSpy changed(&item, &LoginItem::isEnabledChanged);
        // Made one step at a time, as a careful program would, giving the watcher time to follow.
        QVERIFY(QDir().mkdir(QFileInfo(m_directory).path()));
        QTest::qWait(50);
        QVERIFY(QDir().mkdir(m_directory));
        QTest::qWait(50);
        writeByRename(item.entryFilePath(), AutostartEntry::contents(m_executable));
        QTRY_COMPARE(changed.size(), 1);
        QCOMPARE(changed.at(0).at(0).toBool(), true);
        QVERIFY(item.isEnabledPublisher().value());

        // Switched back on by hand after being switched off by hand.
        writeInPlace(item.entryFilePath(), AutostartEntry::contents(m_executable) + "Hidden=true\n");
        QTRY_COMPARE(changed.size(), 2);
        writeInPlace(item.entryFilePath(), AutostartEntry::contents(m_executable));
        QTRY_COMPARE(changed.size(), 3);
        QCOMPARE(changed.at(2).at(0).toBool(), true);
    }

    void anotherLoginItemOnTheSameDirectoryHearsTheChange()
    {
        LoginItem settingsWindow(m_directory, m_executable);
        LoginItem elsewhere(m_directory, m_executable);
        settingsWindow.setIsEnabled(true);
        QTRY_VERIFY(elsewhere.isEnabledPublisher().value());
        elsewhere.setIsEnabled(false);
        QTRY_VERIFY(!settingsWindow.isEnabledPublisher().value());
    }

private:
    QTemporaryDir m_root;
    QString m_directory;
    QString m_executable;
    int m_run = 0;
};

QTEST_GUILESS_MAIN(TestLoginItem)
#include "tst_loginitem.moc"

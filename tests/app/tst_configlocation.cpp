// Where the real oculo keeps its settings when HOME or XDG_CONFIG_HOME is missing, empty, relative or
// points where nothing is yet (or nothing can be made): it starts, runs on the offscreen platform
// without a session bus until it is sent SIGTERM, and writes its settings file where the base directory
// rules put it, creating the folders, or nowhere.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <pwd.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

const QString oculoPath = QStringLiteral(OCULO_BINARY_DIR "/oculo");
// What oculo stores as it starts: the capture shortcut's default.
const QString startupKey = QStringLiteral("GlobalShortcuts_toggleScreenCaptureMode");

// The home folder of the account running the tests, from the password database.
QString accountHome()
{
    const passwd* account = ::getpwuid(::getuid());
    return account && account->pw_dir ? QFile::decodeName(account->pw_dir) : QString();
}

struct Run {
    bool ranUntilTerminated = false;
    QProcess::ExitStatus exitStatus = QProcess::NormalExit;
    int exitCode = -1;
    QString errors;
};

} // namespace

class TestConfigLocation : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QString path(const QString& relative) const { return m_dir.filePath(relative); }

    // Runs oculo until the file it should write is there (two seconds when it should write none), then
    // sends SIGTERM. The bind source, when given, is mounted over the account's home folder in a
    // mount namespace of the child's own.
    Run runOculo(const QProcessEnvironment& environment, const QString& expectedFile,
                 const QString& workFolder, const QByteArray& homeReplacement = {})
    {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(workFolder);
        if (!homeReplacement.isEmpty()) {
            const QByteArray target = QFile::encodeName(accountHome());
            process.setChildProcessModifier([homeReplacement, target] {
                if (::unshare(CLONE_NEWNS) != 0 ||
                    ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                    ::mount(homeReplacement.constData(), target.constData(), nullptr, MS_BIND, nullptr) != 0)
                    ::_exit(97);
            });
        }
        process.start(oculoPath, {});
        Run run;
        if (!process.waitForStarted(10000))
            return run;
        QElapsedTimer clock;
        clock.start();
        while (process.state() == QProcess::Running &&
               clock.elapsed() < (expectedFile.isEmpty() ? 2000 : 15000)) {
            if (!expectedFile.isEmpty() && QFileInfo(expectedFile).size() > 0)
                break;
            process.waitForFinished(50);
        }
        // A moment more for a start that would fall over right after its first write.
        if (process.state() == QProcess::Running)
            process.waitForFinished(500);
        run.ranUntilTerminated = process.state() == QProcess::Running;
        if (run.ranUntilTerminated)
            ::kill(pid_t(process.processId()), SIGTERM);
        if (!process.waitForFinished(10000)) {
            process.kill();
            process.waitForFinished(10000);
        }
        run.exitStatus = process.exitStatus();
        run.exitCode = process.exitCode();
        run.errors = QString::fromLocal8Bit(process.readAllStandardError());
        return run;
    }

    static void checkEndedBySigtermOnly(const Run& run)
    {
        QVERIFY2(run.ranUntilTerminated, qPrintable(run.errors));
        QCOMPARE(run.exitStatus, QProcess::CrashExit);
        QCOMPARE(run.exitCode, SIGTERM);
    }

    static void checkSettingsFile(const QString& file)
    {
        QFile settings(file);
        QVERIFY2(settings.open(QIODevice::ReadOnly), qPrintable(file));
        const QJsonObject stored = QJsonDocument::fromJson(settings.readAll()).object();
        QVERIFY2(stored.contains(startupKey), qPrintable(file));
    }

    QProcessEnvironment baseEnvironment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        for (const char* name : {"DBUS_SESSION_BUS_ADDRESS", "DISPLAY", "WAYLAND_DISPLAY", "XDG_CONFIG_HOME"})
            environment.remove(QLatin1String(name));
        environment.insert(QStringLiteral("HOME"), path(QStringLiteral("home")));
        return environment;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QFile::exists(oculoPath));
        QVERIFY(QDir().mkpath(path(QStringLiteral("home"))));
        QFile plain(path(QStringLiteral("plain-file")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
    }

    void writesWhereTheBaseDirectoryRulesSay_data()
    {
        QTest::addColumn<QString>("home");       // "-": unset
        QTest::addColumn<QString>("configHome"); // "-": unset
        QTest::addColumn<QString>("expected");   // below the row's own folder
        QTest::newRow("XDG_CONFIG_HOME not made yet") << "home"
                                                      << "@/new/deeper"
                                                      << "new/deeper/oculo/defaults.json";
        QTest::newRow("XDG_CONFIG_HOME unset") << "home"
                                               << "-"
                                               << "home/.config/oculo/defaults.json";
        QTest::newRow("XDG_CONFIG_HOME empty") << "home"
                                               << ""
                                               << "home/.config/oculo/defaults.json";
        QTest::newRow("XDG_CONFIG_HOME relative, so not valid") << "home"
                                                                << "relative/config"
                                                                << "home/.config/oculo/defaults.json";
        QTest::newRow("HOME not made yet, XDG_CONFIG_HOME unset")
            << "@/missing-home"
            << "-"
            << "missing-home/.config/oculo/defaults.json";
    }

    void writesWhereTheBaseDirectoryRulesSay()
    {
        QFETCH(QString, home);
        QFETCH(QString, configHome);
        QFETCH(QString, expected);
        const QString base = path(QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_'));
        QVERIFY(QDir().mkpath(base));
        const auto resolve = [&](const QString& value) {
            return value.startsWith(u'@') ? base + value.mid(1) : value == u"home" ? base + "/home" : value;
        };
        QVERIFY(QDir().mkpath(base + "/home"));
        QProcessEnvironment environment = baseEnvironment();
        environment.insert(QStringLiteral("HOME"), resolve(home));
        if (configHome != u"-")
            environment.insert(QStringLiteral("XDG_CONFIG_HOME"), resolve(configHome));
        const QString file = base + u'/' + expected;

        const QString work = base + QStringLiteral("/work");
        QVERIFY(QDir().mkpath(work));
        const Run run = runOculo(environment, file, work);
        checkEndedBySigtermOnly(run);
        checkSettingsFile(file);
        // Nothing followed the working folder.
        QVERIFY(QDir(work).isEmpty());
    }

    void runsWithoutSettingsFileWhereNoneCanBeMade()
    {
        // Both lead below a plain file, where no folder can be made.
        QProcessEnvironment environment = baseEnvironment();
        environment.insert(QStringLiteral("HOME"), path(QStringLiteral("plain-file/home")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("plain-file/config")));
        const Run run = runOculo(environment, {}, m_dir.path());
        checkEndedBySigtermOnly(run);
        // The store says so once, and carries on in memory.
        QCOMPARE(run.errors.count(QStringLiteral("Cannot write the settings file")), 1);
        QVERIFY(QFileInfo(path(QStringLiteral("plain-file"))).isFile());
    }

    void withoutHomeUsesTheAccountsHomeFolder()
    {
        const QString home = accountHome();
        if (::geteuid() != 0 || home.isEmpty() || !QFileInfo(home).isDir())
            QSKIP("Only as root can the test put a home folder of its own in place of the account's; "
                  "without one, Oculo would write into the real one");
        const QString replacement = path(QStringLiteral("account-home"));
        QVERIFY(QDir().mkpath(replacement));
        const bool rootConfigExisted = QFileInfo::exists(QStringLiteral("/.config/oculo"));
        QProcessEnvironment environment = baseEnvironment();
        environment.remove(QStringLiteral("HOME"));
        const QString file = replacement + QStringLiteral("/.config/oculo/defaults.json");

        const Run run = runOculo(environment, file, m_dir.path(), QFile::encodeName(replacement));
        if (run.exitStatus == QProcess::NormalExit && run.exitCode == 97)
            QSKIP("No mount namespace of its own for the child: cannot hide the account's home folder");
        // Qt alone would take the root folder for the home folder.
        if (!rootConfigExisted && QFileInfo::exists(QStringLiteral("/.config/oculo"))) {
            QDir(QStringLiteral("/.config/oculo")).removeRecursively();
            QDir(QStringLiteral("/")).rmdir(QStringLiteral(".config"));
            QFAIL("The settings went to /.config");
        }
        checkEndedBySigtermOnly(run);
        checkSettingsFile(file);
    }
};

QTEST_GUILESS_MAIN(TestConfigLocation)
#include "tst_configlocation.moc"

// The defaults file when things go wrong around it: a writer killed at random moments, a full disk and
// a read-only settings folder. As root the test mounts small file systems of its own (tmpfs, read-only
// bind mounts) and unmounts them again; elsewhere it falls back to a file size limit and chmod.
#include "defaultswritersteps.h"
#include "linux/jsonfileuserdefaults.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString writerPath = QStringLiteral(DEFAULTS_WRITER_PATH);

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList entriesOf(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Counts the store's reports of a failed write; every message still reaches the test log.
class WriteFailureLog {
public:
    WriteFailureLog()
    {
        s_count = 0;
        s_previous = qInstallMessageHandler(&handle);
    }
    ~WriteFailureLog() { qInstallMessageHandler(s_previous); }
    int count() const { return s_count; }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (type == QtWarningMsg && qstrcmp(context.category, "oculo.platform") == 0 &&
            message.startsWith(QLatin1String("Cannot write the settings file")))
            ++s_count;
        s_previous(type, context, message);
    }
    static inline int s_count = 0;
    static inline QtMessageHandler s_previous = nullptr;
};

// File systems mounted for one test, unmounted (lazily, last first) when it ends. Needs root.
class ScopedMounts {
public:
    ScopedMounts() = default;
    ScopedMounts(const ScopedMounts&) = delete;
    ScopedMounts& operator=(const ScopedMounts&) = delete;
    ~ScopedMounts()
    {
        for (auto it = m_mounted.crbegin(); it != m_mounted.crend(); ++it)
            ::umount2(it->constData(), MNT_DETACH);
    }

    bool tmpfs(const QString& dir, const char* options)
    {
        const QByteArray target = QFile::encodeName(dir);
        if (::geteuid() != 0 || ::mount("tmpfs", target, "tmpfs", MS_NOSUID | MS_NODEV, options) != 0)
            return false;
        m_mounted.append(target);
        return true;
    }

    // The folder mounted onto itself, read-only.
    bool readOnly(const QString& dir)
    {
        const QByteArray target = QFile::encodeName(dir);
        if (::geteuid() != 0 || ::mount(target, target, nullptr, MS_BIND, nullptr) != 0)
            return false;
        m_mounted.append(target);
        return ::mount(nullptr, target, nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
    }

private:
    QList<QByteArray> m_mounted;
};

// XDG_CONFIG_HOME for one scenario, set back afterwards.
class ScopedConfigHome {
public:
    explicit ScopedConfigHome(const QString& path)
        : m_wasSet(qEnvironmentVariableIsSet("XDG_CONFIG_HOME"))
        , m_previous(qgetenv("XDG_CONFIG_HOME"))
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(path));
    }
    ~ScopedConfigHome()
    {
        if (m_wasSet)
            qputenv("XDG_CONFIG_HOME", m_previous);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }

private:
    bool m_wasSet;
    QByteArray m_previous;
};

// Makes the disk refuse writes and accept them again.
struct Disk {
    std::function<bool()> fill;
    std::function<void()> free;
};

#define EXPECT(condition, message)                                                                           \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            return QStringLiteral("%1 (line %2)").arg(QStringLiteral(message)).arg(__LINE__);                \
    } while (false)

// The store on $XDG_CONFIG_HOME while the disk fills up and empties again; what went wrong, or nothing.
QString fullDiskScenario(const QString& configHome, const Disk& disk)
{
    const ScopedConfigHome home(configHome);
    const QString path = JsonFileUserDefaults::defaultFilePath();
    EXPECT(path == configHome + QStringLiteral("/oculo/defaults.json"), "the file is not in XDG_CONFIG_HOME");
    const WriteFailureLog log;
    JsonFileUserDefaults defaults;
    defaults.setBool(QStringLiteral("playSound"), false);
    defaults.setInteger(QStringLiteral("numberOfCaptures"), 3);
    defaults.setBool(QStringLiteral("showTextPreview"), false);
    const QByteArray before = readAll(path);
    EXPECT(!before.isEmpty() && log.count() == 0, "the first writes failed");

    EXPECT(disk.fill(), "the disk could not be filled");
    const QString longText(16384, u'x');
    defaults.setString(QStringLiteral("searchEngineTemplate"), longText);
    defaults.setInteger(QStringLiteral("numberOfCaptures"), 4);
    defaults.setBool(QStringLiteral("playSound"), true);
    defaults.removeObject(QStringLiteral("showTextPreview"));
    EXPECT(log.count() == 1, "the failed writes were not reported exactly once");
    EXPECT(defaults.stringForKey(QStringLiteral("searchEngineTemplate")) == longText, "a value was lost");
    EXPECT(defaults.integerForKey(QStringLiteral("numberOfCaptures")) == 4, "a value was lost");
    EXPECT(defaults.boolForKey(QStringLiteral("playSound")), "a value was lost");
    EXPECT(!defaults.contains(QStringLiteral("showTextPreview")), "a removed value came back");
    EXPECT(readAll(path) == before, "the old file changed");
    EXPECT(entriesOf(QFileInfo(path).absolutePath()) == QStringList{QStringLiteral("defaults.json")},
           "the failed writes left files behind");

    // Once there is room again, the next change writes everything the session holds.
    disk.free();
    defaults.setInteger(QStringLiteral("numberOfCaptures"), 5);
    EXPECT(log.count() == 1, "a successful write was reported as failed");
    const QJsonObject onDisk = QJsonDocument::fromJson(readAll(path)).object();
    EXPECT(onDisk.value(QStringLiteral("searchEngineTemplate")).toString() == longText &&
               onDisk.value(QStringLiteral("numberOfCaptures")).toInteger() == 5 &&
               onDisk.value(QStringLiteral("playSound")) == QJsonValue(true) &&
               !onDisk.contains(QStringLiteral("showTextPreview")),
           "the file after the disk emptied does not hold the session's values");

    // A later outage is reported again, once.
    EXPECT(disk.fill(), "the disk could not be filled again");
    defaults.setInteger(QStringLiteral("numberOfCaptures"), 6);
    defaults.setInteger(QStringLiteral("numberOfCaptures"), 7);
    EXPECT(log.count() == 2, "a second outage was not reported exactly once");
    disk.free();
    return {};
}

// The store starting on a configuration it cannot write: the settings folder (or, when there is none
// yet, the configuration folder above it) is read-only once makeReadOnly has run.
QString readOnlyScenario(const QString& configHome, bool withSettingsFolder,
                         const std::function<bool(const QString&)>& makeReadOnly)
{
    const ScopedConfigHome home(configHome);
    const QString path = JsonFileUserDefaults::defaultFilePath();
    const QString folder = QFileInfo(path).absolutePath();
    if (withSettingsFolder) {
        JsonFileUserDefaults earlier;
        earlier.setBool(QStringLiteral("playSound"), false);
        earlier.setInteger(QStringLiteral("numberOfCaptures"), 3);
    }
    const QByteArray before = readAll(path);
    EXPECT(before.isEmpty() != withSettingsFolder, "the earlier session did not write its file");
    EXPECT(makeReadOnly(withSettingsFolder ? folder : configHome), "the folder could not be made read-only");

    const WriteFailureLog log;
    JsonFileUserDefaults defaults;
    EXPECT(defaults.backupPath().isEmpty(), "a readable file was moved aside");
    EXPECT(defaults.integerForKey(QStringLiteral("numberOfCaptures")) == (withSettingsFolder ? 3 : 0),
           "the old file was not read");
    defaults.setInteger(QStringLiteral("numberOfCaptures"), 4);
    defaults.setBool(QStringLiteral("playSound"), true);
    defaults.setString(QStringLiteral("searchEngineTemplate"), QStringLiteral("https://x/?q="));
    EXPECT(log.count() == 1, "the failed writes were not reported exactly once");
    EXPECT(defaults.integerForKey(QStringLiteral("numberOfCaptures")) == 4 &&
               defaults.boolForKey(QStringLiteral("playSound")) &&
               defaults.stringForKey(QStringLiteral("searchEngineTemplate")) ==
                   QStringLiteral("https://x/?q="),
           "the session's values were lost");
    EXPECT(readAll(path) == before, "the old file changed");
    EXPECT(QFileInfo::exists(path) == withSettingsFolder, "a settings file appeared");
    EXPECT(!withSettingsFolder || entriesOf(folder) == QStringList{QStringLiteral("defaults.json")},
           "the failed writes left files behind");
    return {};
}

#undef EXPECT

// Runs the scenario in a child process of its own and hands back what it found; for process-wide
// conditions (a file size limit) that must not reach the test itself.
QString inChildProcess(const std::function<QString()>& scenario)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return QStringLiteral("no pipe");
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(channel[0]);
        const QByteArray result = scenario().toUtf8();
        const ssize_t written = ::write(channel[1], result.constData(), size_t(result.size()));
        ::_exit(written == result.size() ? 0 : 1);
    }
    ::close(channel[1]);
    QByteArray result;
    char buffer[1024];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, n);
    ::close(channel[0]);
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return QStringLiteral("the scenario's process did not finish normally");
    return QString::fromUtf8(result);
}

qint64 lastReportedStep(const QByteArray& output)
{
    const QList<QByteArray> lines = output.split('\n');
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        bool ok = false;
        const qint64 step = it->toLongLong(&ok);
        if (ok)
            return step;
    }
    return 0;
}

} // namespace

class TestDefaultsDurability : public QObject {
    Q_OBJECT
private slots:
    void aKilledWriterLeavesOneWholeVersion()
    {
        QVERIFY2(QFile::exists(writerPath), qPrintable(writerPath));
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const quint32 seed = qEnvironmentVariableIsSet("OCULO_TEST_SEED")
                                 ? quint32(qEnvironmentVariableIntValue("OCULO_TEST_SEED"))
                                 : QRandomGenerator::global()->generate();
        qInfo("Kill moments drawn from seed %u (OCULO_TEST_SEED=%u draws them again)", seed, seed);
        QRandomGenerator random(seed);

        constexpr int rounds = 200;
        int kills = 0, broken = 0, mixed = 0, lost = 0, refused = 0, leftovers = 0;
        qint64 steps = 0;
        QStringList problems;
        for (int round = 0; round < rounds; ++round) {
            const QString folder = dir.filePath(QString::number(round));
            QVERIFY(QDir().mkpath(folder));
            const QString path = folder + QStringLiteral("/defaults.json");
            QProcess writer;
            writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            writer.start(writerPath, {path});
            QVERIFY(writer.waitForStarted(10000));
            // Killed only once it writes: a kill before the first write would prove nothing.
            QVERIFY2(writer.waitForReadyRead(10000), "the writer finished no write");
            QTest::qWait(int(random.bounded(40)));
            ::usleep(random.bounded(1000));
            writer.kill();
            QVERIFY(writer.waitForFinished(10000));
            QCOMPARE(writer.exitStatus(), QProcess::CrashExit);
            ++kills;

            const qint64 reported = lastReportedStep(writer.readAllStandardOutput());
            steps += reported;
            const QByteArray contents = readAll(path);
            QJsonParseError error{};
            const QJsonDocument document = QJsonDocument::fromJson(contents, &error);
            if (contents.isEmpty() || error.error != QJsonParseError::NoError || !document.isObject()) {
                ++broken;
                problems.append(QStringLiteral("round %1: %2 bytes that do not parse (%3)")
                                    .arg(round)
                                    .arg(contents.size())
                                    .arg(error.errorString()));
                continue;
            }
            const QJsonObject onDisk = document.object();
            const qint64 counter = onDisk.value(QStringLiteral("counter")).toInteger();
            qint64 step = -1;
            for (qint64 candidate = 3 * counter - 2; candidate <= 3 * counter; ++candidate) {
                if (DefaultsWriterSteps::stateAfter(candidate) == onDisk)
                    step = candidate;
            }
            if (step < 0) {
                ++mixed;
                problems.append(QStringLiteral("round %1: keys of different writes (counter %2)")
                                    .arg(round)
                                    .arg(counter));
                continue;
            }
            // The last finished write, or the one it was doing when it was killed.
            if (step != reported && step != reported + 1) {
                ++lost;
                problems.append(QStringLiteral("round %1: step %2 on disk after step %3 was done")
                                    .arg(round)
                                    .arg(step)
                                    .arg(reported));
            }
            const JsonFileUserDefaults reopened(path);
            if (!reopened.backupPath().isEmpty() ||
                reopened.integerForKey(QStringLiteral("counter")) != counter) {
                ++refused;
                problems.append(QStringLiteral("round %1: the store did not take the file back").arg(round));
            }
            // A write cut short leaves its temporary file (QSaveFile's defaults.json.XXXXXX) next to
            // the file; it is never read, so it is only counted.
            leftovers += int(entriesOf(folder).size()) - 1;
            QDir(folder).removeRecursively();
        }
        qInfo("%d kills after %lld writes: %d broken, %d mixed, %d stale, %d not taken back, %d temporary "
              "files left",
              kills, steps, broken, mixed, lost, refused, leftovers);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.mid(0, 10).join(u'\n')));
        QCOMPARE(kills, rounds);
    }

    void aFullDiskKeepsTheSessionsValuesAndTheOldFile()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString configHome = dir.filePath(QStringLiteral("config"));
        QVERIFY(QDir().mkpath(configHome));
        ScopedMounts mounts;
        if (mounts.tmpfs(configHome, "size=1m,mode=0755")) {
            const QString filler = configHome + QStringLiteral("/filler");
            const Disk disk{
                [filler] {
                    QFile file(filler);
                    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
                        return false;
                    const QByteArray chunk(64 * 1024, '\0');
                    while (file.write(chunk) == chunk.size()) {
                    }
                    // Whatever is left is smaller than a page: nothing more fits.
                    while (file.write(chunk.left(512)) > 0) {
                    }
                    return true;
                },
                [filler] { QFile::remove(filler); }};
            const QString failure = fullDiskScenario(configHome, disk);
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
            return;
        }
        qInfo("No tmpfs of its own (%s): a file size limit stands for the full disk",
              ::geteuid() == 0 ? "mount refused" : "not root");
        const QString failure = inChildProcess([configHome] {
            std::signal(SIGXFSZ, SIG_IGN);
            struct rlimit unlimited {};
            ::getrlimit(RLIMIT_FSIZE, &unlimited);
            const Disk disk{[unlimited] {
                                struct rlimit small = unlimited;
                                small.rlim_cur = 4096;
                                return ::setrlimit(RLIMIT_FSIZE, &small) == 0;
                            },
                            [unlimited] { ::setrlimit(RLIMIT_FSIZE, &unlimited); }};
            return fullDiskScenario(configHome, disk);
        });
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }

    void aReadOnlyConfigurationKeepsTheSessionsValuesAndTheOldFile_data()
    {
        QTest::addColumn<bool>("withSettingsFolder");
        QTest::newRow("read-only settings folder") << true;
        QTest::newRow("read-only configuration folder, no settings folder yet") << false;
    }

    void aReadOnlyConfigurationKeepsTheSessionsValuesAndTheOldFile()
    {
        QFETCH(bool, withSettingsFolder);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString configHome = dir.filePath(QStringLiteral("config"));
        QVERIFY(QDir().mkpath(configHome));
        ScopedMounts mounts;
        QStringList chmodded;
        // Permissions do not stop root: as root the folder is a read-only mount instead.
        const auto makeReadOnly = [&](const QString& folder) {
            if (::geteuid() == 0)
                return mounts.readOnly(folder);
            chmodded.append(folder);
            return ::chmod(QFile::encodeName(folder), 0555) == 0;
        };
        if (::geteuid() == 0 && !ScopedMounts().readOnly(configHome))
            QSKIP("Running as root without the right to mount: a read-only folder cannot be made");
        const QString failure = readOnlyScenario(configHome, withSettingsFolder, makeReadOnly);
        for (const QString& folder : std::as_const(chmodded))
            ::chmod(QFile::encodeName(folder), 0755);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }
};

QTEST_GUILESS_MAIN(TestDefaultsDurability)
#include "tst_defaultsdurability.moc"

// Runs the real oculo executable: on the offscreen platform, and (labelled x11) on a real X display.
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString oculoPath = QStringLiteral(OCULO_BINARY_DIR "/oculo");

bool onRealDisplay()
{
    return qEnvironmentVariable("QT_QPA_PLATFORM") != u"offscreen";
}

} // namespace

class TestOculoProcess : public QObject {
    Q_OBJECT
    QTemporaryDir m_config;

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
        // Alone, so that an Oculo running in the desktop's session cannot take its place.
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        return env;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QFile::exists(oculoPath));
        if (onRealDisplay() && qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("No X display: run through scripts/test, which starts Xvfb");
    }

    void versionHelpAndQuitNeedNoDisplay()
    {
        QProcess process;
        QProcessEnvironment env = environment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        process.setProcessEnvironment(env);
        process.start(oculoPath, {QStringLiteral("--version")});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 0);
        QVERIFY(process.readAllStandardOutput().startsWith("Oculo "));

        process.start(oculoPath, {QStringLiteral("--help")});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 0);
        const QByteArray help = process.readAllStandardOutput();
        QVERIFY(help.contains("--version"));
        QVERIFY(help.contains("--capture"));
        QVERIFY(help.contains("--quit"));

        // Only the running Oculo is asked, and there is none.
        process.start(oculoPath, {QStringLiteral("--quit")});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 1);
        QVERIFY(process.readAllStandardError().contains("Oculo is not running"));
    }

    void keepsRunningWithoutWindowsEvenOnABrokenSettingsFile()
    {
        const QString settings = m_config.filePath(QStringLiteral("oculo/defaults.json"));
        QDir().mkpath(QFileInfo(settings).absolutePath());
        QFile file(settings);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{\"playSound\": fal");
        file.close();

        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(oculoPath, {});
        QVERIFY(process.waitForStarted(30000));
        // It moves the broken file aside as it starts, and goes on running.
        const auto backups = [&] {
            return QDir(QFileInfo(settings).absolutePath())
                .entryList({QStringLiteral("defaults.json.broken-*")})
                .size();
        };
        QTRY_VERIFY_WITH_TIMEOUT(backups() > 0 || process.state() != QProcess::Running, 60000);
        QVERIFY2(!process.waitForFinished(2000), process.readAllStandardError().constData());
        QCOMPARE(process.state(), QProcess::Running);
        process.terminate();
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(backups(), 1);
    }
};

QTEST_GUILESS_MAIN(TestOculoProcess)
#include "tst_oculoprocess.moc"

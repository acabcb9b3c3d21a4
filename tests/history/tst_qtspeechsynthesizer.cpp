#include "historyviewmodel.h"
#include "linux/cld2languagerecognizer.h"
#include "linux/qtspeechsynthesizer.h"
#include "memoryuserdefaults.h"
#include "settingsviewmodel.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

const QString frenchText = QStringLiteral("Bonjour à tous. Le chat dort sur le canapé pendant que les "
                                          "enfants jouent dans le jardin.");
const QRegularExpression unavailableWarning(QStringLiteral("^Speech is unavailable"));

bool hasSpeechDispatcher()
{
    return !QStandardPaths::findExecutable(QStringLiteral("speech-dispatcher")).isEmpty();
}

// A speech-dispatcher of the test's own: the synthesizer starts it on demand (as it would start the
// desktop's) with runtime and configuration directories in a temporary folder, its audio going to
// ALSA's null device, so nothing is heard and no sound card is needed. `audioOutput` "pulse" with no
// sound server gives a dispatcher whose audio cannot be opened. The recorder reads no sound: it takes
// two seconds over each text and then writes it down, so a text cancelled meanwhile is not written.
class PrivateSpeechDispatcher {
public:
    enum class Reader { espeak, recorder };

    explicit PrivateSpeechDispatcher(const QString& audioOutput = QStringLiteral("alsa"),
                                     Reader reader = Reader::espeak)
    {
        QDir root(m_dir.path());
        root.mkpath(QStringLiteral("run"));
        QFile::setPermissions(root.filePath(QStringLiteral("run")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        root.mkpath(QStringLiteral("config/speech-dispatcher"));
        write(QStringLiteral("asound.conf"), "pcm.!default { type null }\nctl.!default { type hw card 0 }\n");
        const QByteArray recorderConf = m_dir.filePath(QStringLiteral("recorder.conf")).toUtf8();
        write(QStringLiteral("recorder.conf"),
              "GenericExecuteSynth \"sleep 2 && printf '%s\\\\n' \\'$DATA\\' >> " + readFile().toUtf8() +
                  "\"\nGenericLanguage \"en\" \"en\" \"utf-8\"\nAddVoice \"en\" \"MALE1\" \"default\"\n");
        const QByteArray module =
            reader == Reader::espeak
                ? "AddModule \"espeak-ng\" \"sd_espeak-ng\" \"espeak-ng.conf\"\n"
                  "DefaultModule espeak-ng\n"
                : "AddModule \"recorder\" \"sd_generic\" \"" + recorderConf + "\"\nDefaultModule recorder\n";
        write(QStringLiteral("config/speech-dispatcher/speechd.conf"),
              "LogLevel 3\nLogDir \"default\"\nTimeout 5\nAudioOutputMethod \"" + audioOutput.toUtf8() +
                  "\"\n" + module);
        qputenv("XDG_RUNTIME_DIR", root.filePath(QStringLiteral("run")).toUtf8());
        qputenv("XDG_CONFIG_HOME", root.filePath(QStringLiteral("config")).toUtf8());
        qputenv("ALSA_CONFIG_PATH", root.filePath(QStringLiteral("asound.conf")).toUtf8());
        qputenv("PULSE_SERVER", ("unix:" + root.filePath(QStringLiteral("no-pulse"))).toUtf8());
        // The address is named explicitly: the runtime directory is read once per process.
        qputenv("SPEECHD_ADDRESS", socketAddress(root.filePath(QStringLiteral("run"))));
        qunsetenv("SPEECHD_CMD");
    }

    // Ends the dispatcher that was started for this test, by the process id it wrote down.
    ~PrivateSpeechDispatcher()
    {
        QFile pidFile(m_dir.filePath(QStringLiteral("run/speech-dispatcher/pid/speech-dispatcher.pid")));
        if (!pidFile.open(QIODevice::ReadOnly))
            return;
        const pid_t pid = pid_t(pidFile.readAll().trimmed().toLongLong());
        if (pid <= 1 || ::kill(pid, SIGTERM) != 0)
            return;
        QElapsedTimer waited;
        waited.start();
        while (::kill(pid, 0) == 0 && waited.elapsed() < 3000)
            QTest::qWait(50);
        // One whose audio output hangs does not answer SIGTERM.
        if (::kill(pid, 0) == 0)
            ::kill(pid, SIGKILL);
    }

    // The texts the recorder read to the end, in order.
    QStringList readTexts() const
    {
        QFile file(readFile());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

    static QByteArray socketAddress(const QString& runtimeDir)
    {
        return "unix_socket:" +
               QDir(runtimeDir).filePath(QStringLiteral("speech-dispatcher/speechd.sock")).toUtf8();
    }

private:
    QString readFile() const { return m_dir.filePath(QStringLiteral("read.txt")); }

    void write(const QString& name, const QByteArray& content)
    {
        QFile file(m_dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    QTemporaryDir m_dir;
};

// The history model on the real synthesizer and recognizer, with one French capture.
struct SpeakingHistory {
    MemoryUserDefaults defaults;
    SettingsViewModel settings{defaults};
    QtSpeechSynthesizer synthesizer;
    Cld2LanguageRecognizer recognizer;
    HistoryViewModel model{settings, synthesizer, recognizer};
    QList<bool> states;
    Cancellable token = model.isSpeaking().subscribe([this](const bool& value) { states.append(value); });

    double capture(const QString& text)
    {
        model.addCapture({{text}, std::nullopt}, false);
        return model.items().value().constLast().timestamp;
    }
    double captureFrench() { return capture(frenchText); }
};

// With no speech service: speak returns at once, warns once, and the model never speaks.
void checkSpeechStaysOffQuietly(SpeakingHistory& history)
{
    const double id = history.captureFrench();
    QTest::ignoreMessage(QtWarningMsg, unavailableWarning);
    QElapsedTimer elapsed;
    elapsed.start();
    history.model.speak(id);
    QVERIFY2(elapsed.elapsed() < 2000, qPrintable(QString::number(elapsed.elapsed())));

    QTest::failOnWarning(unavailableWarning);
    history.model.speak(id);
    QTest::qWait(300);
    QVERIFY(!history.synthesizer.isSpeaking());
    QCOMPARE(history.states, QList<bool>{false});
}

} // namespace

class TestQtSpeechSynthesizer : public QObject {
    Q_OBJECT
private slots:
    void bestLocale_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("expected");
        QTest::newRow("fr prefers France") << "fr"
                                           << "fr_FR";
        QTest::newRow("en prefers the US") << "en"
                                           << "en_US";
        QTest::newRow("pt takes Brazil") << "pt"
                                         << "pt_BR";
        QTest::newRow("zh-Hans") << "zh-Hans"
                                 << "zh_CN";
        QTest::newRow("zh-Hant by script") << "zh-Hant"
                                           << "zh_HK";
        QTest::newRow("no German voice") << "de"
                                         << "";
    }

    void bestLocale()
    {
        QFETCH(QString, code);
        QFETCH(QString, expected);
        QList<QLocale> available;
        for (const char* name :
             {"fr_BE", "fr_CH", "fr_FR", "en_GB", "en_US", "pt_BR", "yue_HK", "zh_CN", "zh_HK"})
            available.append(QLocale(QString::fromLatin1(name)));
        const std::optional<QLocale> best =
            QtSpeechSynthesizer::bestLocale(available, QtSpeechSynthesizer::localeForLanguageCode(code));
        QCOMPARE(best ? best->name() : QString(), expected);
    }

    void speaksFrenchThroughSpeechDispatcher()
    {
        if (!hasSpeechDispatcher()) {
            qInfo("speech-dispatcher is not installed: checking that speech stays off quietly");
            SpeakingHistory history;
            checkSpeechStaysOffQuietly(history);
            return;
        }
        if (!QFile::exists(QStringLiteral("/usr/lib/speech-dispatcher-modules/sd_espeak-ng")))
            QSKIP("speech-dispatcher has no espeak-ng module (Debian's speech-dispatcher-espeak-ng)");
        PrivateSpeechDispatcher dispatcher;
        SpeakingHistory history;
        history.model.speak(history.captureFrench());
        QTRY_COMPARE_WITH_TIMEOUT(history.states, (QList<bool>{false, true, false}), 30000);
        QCOMPARE(history.synthesizer.currentVoice().locale().language(), QLocale::French);
        QVERIFY(!history.synthesizer.isSpeaking());
    }

    void aSecondSpeakStopsTheFirst_data()
    {
        QTest::addColumn<bool>("firstStarted");
        QTest::addColumn<QList<bool>>("states");
        QTest::newRow("before the first is reported started")
            << false << QList<bool>{false, false, true, false};
        QTest::newRow("after it started") << true << QList<bool>{false, true, false, true, false};
    }

    void aSecondSpeakStopsTheFirst()
    {
        QFETCH(bool, firstStarted);
        QFETCH(QList<bool>, states);
        if (!hasSpeechDispatcher())
            QSKIP("needs speech-dispatcher");
        PrivateSpeechDispatcher dispatcher(QStringLiteral("alsa"), PrivateSpeechDispatcher::Reader::recorder);
        // Qt's engine starts in a voice for the default locale; the recorder has an English one only.
        const QLocale locale;
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const auto restoreLocale = qScopeGuard([&] { QLocale::setDefault(locale); });
        SpeakingHistory history;
        const double first = history.capture(QStringLiteral("first"));
        const double second = history.capture(QStringLiteral("second"));
        history.model.speak(first);
        QVERIFY(history.synthesizer.isSpeaking());
        if (firstStarted)
            QTRY_COMPARE_WITH_TIMEOUT(history.states, (QList<bool>{false, true}), 30000);
        history.model.speak(second);
        QVERIFY(history.synthesizer.isSpeaking());
        // The first is reported cancelled by the second speak, which alone is read to the end.
        QTRY_COMPARE_WITH_TIMEOUT(history.states, states, 30000);
        QVERIFY(!history.synthesizer.isSpeaking());
        QCOMPARE(dispatcher.readTexts(), QStringList{QStringLiteral("second")});
    }

    void missingSpeechDispatcherLeavesSpeechOff()
    {
        QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        qputenv("SPEECHD_CMD", QByteArray("/nonexistent/speech-dispatcher"));
        qputenv("SPEECHD_ADDRESS", PrivateSpeechDispatcher::socketAddress(runtime.path()));
        SpeakingHistory history;
        checkSpeechStaysOffQuietly(history);
        qunsetenv("SPEECHD_CMD");
        qunsetenv("SPEECHD_ADDRESS");
    }

    void anUtteranceThatNeverEndsIsGivenUp()
    {
        if (!hasSpeechDispatcher())
            QSKIP("needs speech-dispatcher");
        PrivateSpeechDispatcher dispatcher(QStringLiteral("pulse"));
        SpeakingHistory history;
        history.synthesizer.setStallAllowance(std::chrono::milliseconds(1500), std::chrono::milliseconds(0));
        QTest::ignoreMessage(QtWarningMsg, unavailableWarning);
        history.model.speak(history.captureFrench());
        QTRY_COMPARE_WITH_TIMEOUT(history.states, (QList<bool>{false, true, false}), 30000);
        QVERIFY(!history.synthesizer.isSpeaking());
    }
};

QTEST_GUILESS_MAIN(TestQtSpeechSynthesizer)
#include "tst_qtspeechsynthesizer.moc"

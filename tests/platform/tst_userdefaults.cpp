#include "linux/jsonfileuserdefaults.h"
#include "memoryuserdefaults.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QStringList backupsIn(const QString& dir)
{
    return QDir(dir).entryList({QStringLiteral("defaults.json.broken-*")}, QDir::Files);
}

} // namespace

class TestUserDefaults : public QObject {
    Q_OBJECT
private slots:
    void typedReads_data()
    {
        QTest::addColumn<QJsonValue>("stored");
        QTest::addColumn<bool>("asBool");
        QTest::addColumn<qint64>("asInteger");
        QTest::addColumn<QVariant>("asText"); // invalid: no text

        QTest::newRow("nothing") << QJsonValue(QJsonValue::Undefined) << false << qint64(0) << QVariant();
        QTest::newRow("true") << QJsonValue(true) << true << qint64(1) << QVariant();
        QTest::newRow("false") << QJsonValue(false) << false << qint64(0) << QVariant();
        QTest::newRow("integer") << QJsonValue(qint64(7)) << true << qint64(7) << QVariant();
        QTest::newRow("large integer")
            << QJsonValue(qint64(9007199254740993)) << true << qint64(9007199254740993) << QVariant();
        QTest::newRow("negative") << QJsonValue(-1) << true << qint64(-1) << QVariant();
        QTest::newRow("fraction") << QJsonValue(2.9) << true << qint64(2) << QVariant();
        QTest::newRow("zero") << QJsonValue(0) << false << qint64(0) << QVariant();
        QTest::newRow("text") << QJsonValue(QStringLiteral("hello")) << false << qint64(0)
                              << QVariant("hello");
        QTest::newRow("empty text") << QJsonValue(QString()) << false << qint64(0) << QVariant("");
        QTest::newRow("numeric text")
            << QJsonValue(QStringLiteral("42")) << false << qint64(42) << QVariant("42");
        QTest::newRow("YES") << QJsonValue(QStringLiteral("YES")) << true << qint64(0) << QVariant("YES");
        QTest::newRow("array") << QJsonValue(QJsonArray{1}) << false << qint64(0) << QVariant();
        QTest::newRow("object") << QJsonValue(QJsonObject{{"a", 1}}) << false << qint64(0) << QVariant();
    }

    void typedReads()
    {
        QFETCH(QJsonValue, stored);
        QFETCH(bool, asBool);
        QFETCH(qint64, asInteger);
        QFETCH(QVariant, asText);
        MemoryUserDefaults defaults;
        if (!stored.isUndefined())
            defaults.stored.insert(QStringLiteral("key"), stored);
        QCOMPARE(defaults.boolForKey(QStringLiteral("key")), asBool);
        QCOMPARE(defaults.integerForKey(QStringLiteral("key")), asInteger);
        const auto text = defaults.stringForKey(QStringLiteral("key"));
        QCOMPARE(text.has_value(), asText.isValid());
        if (text)
            QCOMPARE(*text, asText.toString());
        QCOMPARE(defaults.contains(QStringLiteral("key")), !stored.isUndefined());
    }

    void registeredFallbacksAnswerButAreNeverStored()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("oculo/defaults.json"));
        {
            JsonFileUserDefaults defaults(path);
            defaults.registerDefaults({{"flag", true}, {"name", "fallback"}});
            QVERIFY(defaults.boolForKey(QStringLiteral("flag")));
            QCOMPARE(defaults.stringForKey(QStringLiteral("name")), QStringLiteral("fallback"));
            QVERIFY(defaults.contains(QStringLiteral("flag")));
            QVERIFY(!QFile::exists(path));

            defaults.setBool(QStringLiteral("flag"), false);
            QVERIFY(!defaults.boolForKey(QStringLiteral("flag")));
            defaults.removeObject(QStringLiteral("flag"));
            QVERIFY(defaults.boolForKey(QStringLiteral("flag")));
        }
        const QJsonObject onDisk = QJsonDocument::fromJson(readAll(path)).object();
        QVERIFY(onDisk.isEmpty());
    }

    void storedValuesKeepTheirTypesAcrossARestart()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("defaults.json"));
        {
            JsonFileUserDefaults defaults(path);
            defaults.setBool(QStringLiteral("off"), false);
            defaults.setInteger(QStringLiteral("count"), 49);
            defaults.setString(QStringLiteral("template"), QString());
            defaults.setObject(QStringLiteral("shortcut"), QStringLiteral("{\"carbonKeyCode\":19}"));
        }
        const QJsonObject onDisk = QJsonDocument::fromJson(readAll(path)).object();
        QVERIFY(onDisk.value(QStringLiteral("off")).isBool());
        QVERIFY(onDisk.value(QStringLiteral("count")).isDouble());
        QVERIFY(onDisk.value(QStringLiteral("template")).isString());

        JsonFileUserDefaults reopened(path);
        reopened.registerDefaults({{"off", true}, {"template", "fallback"}});
        QVERIFY(!reopened.boolForKey(QStringLiteral("off")));
        QCOMPARE(reopened.integerForKey(QStringLiteral("count")), 49);
        QCOMPARE(reopened.stringForKey(QStringLiteral("template")), QString());
        QCOMPARE(reopened.stringForKey(QStringLiteral("shortcut")), QStringLiteral("{\"carbonKeyCode\":19}"));
    }

    void unusableFilesAreKeptAsideAndTheFallbacksAnswer_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not JSON") << QByteArray("playSound = false\n");
        QTest::newRow("array") << QByteArray("[false, true]");
        QTest::newRow("truncated") << QByteArray("{\"playSound\": false, \"numberOfCa");
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe{", 4);
    }

    void unusableFilesAreKeptAsideAndTheFallbacksAnswer()
    {
        QFETCH(QByteArray, contents);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("defaults.json"));
        writeAll(path, contents);

        JsonFileUserDefaults defaults(path);
        defaults.registerDefaults({{"playSound", true}});
        QVERIFY(defaults.boolForKey(QStringLiteral("playSound")));
        QCOMPARE(defaults.integerForKey(QStringLiteral("numberOfCaptures")), 0);
        QVERIFY(!defaults.backupPath().isEmpty());
        QCOMPARE(readAll(defaults.backupPath()), contents);

        defaults.setInteger(QStringLiteral("numberOfCaptures"), 1);
        QCOMPARE(
            QJsonDocument::fromJson(readAll(path)).object().value(QStringLiteral("numberOfCaptures")).toInt(),
            1);
        // The backup is not touched by later writes, and a second bad file gets a backup of its own.
        QCOMPARE(readAll(defaults.backupPath()), contents);
        writeAll(path, contents);
        JsonFileUserDefaults again(path);
        QCOMPARE(backupsIn(dir.path()).size(), 2);
    }

    void valuesOfTheWrongTypeAnswerTheFallbacksAndOtherKeysSurvive()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("defaults.json"));
        writeAll(path, R"({"playSound": "loud", "numberOfCaptures": [3], "searchEngineTemplate": 5,
                          "showTextPreview": false, "future": {"kept": true}})");
        JsonFileUserDefaults defaults(path);
        defaults.registerDefaults({{"playSound", true}, {"searchEngineTemplate", "https://x/?q="}});
        QVERIFY(defaults.backupPath().isEmpty());
        QVERIFY(defaults.boolForKey(QStringLiteral("playSound")));
        QCOMPARE(defaults.integerForKey(QStringLiteral("numberOfCaptures")), 0);
        QCOMPARE(defaults.stringForKey(QStringLiteral("searchEngineTemplate")),
                 QStringLiteral("https://x/?q="));
        QVERIFY(!defaults.boolForKey(QStringLiteral("showTextPreview")));

        defaults.setInteger(QStringLiteral("numberOfCaptures"), 4);
        const QJsonObject onDisk = QJsonDocument::fromJson(readAll(path)).object();
        QCOMPARE(onDisk.value(QStringLiteral("future")).toObject().value(QStringLiteral("kept")),
                 QJsonValue(true));
        QCOMPARE(onDisk.value(QStringLiteral("showTextPreview")), QJsonValue(false));
    }

    void anInterruptedWriteLeavesTheOldFileWhole()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("defaults.json"));
        JsonFileUserDefaults defaults(path);
        defaults.setInteger(QStringLiteral("numberOfCaptures"), 12);
        const QByteArray before = readAll(path);
        QVERIFY(!before.isEmpty());

        // Let the file system refuse every byte past 64: the write fails half-way.
        struct rlimit saved {};
        getrlimit(RLIMIT_FSIZE, &saved);
        auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = saved;
        small.rlim_cur = 64;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        defaults.setString(QStringLiteral("searchEngineTemplate"), QString(4096, u'x'));
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);

        QCOMPARE(readAll(path), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("defaults.json")});
        // The value is still answered for this session.
        QCOMPARE(defaults.stringForKey(QStringLiteral("searchEngineTemplate"))->size(), 4096);
    }
};

QTEST_GUILESS_MAIN(TestUserDefaults)
#include "tst_userdefaults.moc"

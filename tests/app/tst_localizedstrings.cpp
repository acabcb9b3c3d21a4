#include "localizedstrings.h"
#include "stringformat.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>

namespace {

// Answers a few keys of the "Localizable" context, as a translation file would.
class TableTranslator : public QTranslator {
public:
    QHash<QString, QString> table;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* sourceText, const char*, int) const override
    {
        if (QLatin1String(context) != QLatin1String("Localizable"))
            return {};
        return table.value(QString::fromUtf8(sourceText));
    }
};

} // namespace

class TestLocalizedStrings : public QObject {
    Q_OBJECT
    TableTranslator m_translator;

private slots:
    void initTestCase()
    {
        m_translator.table = {
            {"settings.tab.about.title", "Über"},
            {"workflow.clear.button.title", "100%% of %d done%"},
            {"status-menu.quit.item.title", "%@ beenden"},
        };
        QCoreApplication::installTranslator(&m_translator);
    }

    void missingKeysYieldTheirFallbackExactly()
    {
        QCOMPARE(Strings::settingsPlayCaptureSoundTitle(),
                 QStringLiteral("Play sound after copying\\ntext to Clipboard"));
        QCOMPARE(Strings::workflowTableSourceUnknown(), QStringLiteral("<unknown>"));
        QCOMPARE(Strings::settingsClearHistoryAfterDurationTenMinutesTitle(),
                 QStringLiteral("After 10 Minute"));
        QCOMPARE(Strings::statusMenuOpenFileItemTitle(), QStringLiteral("Open..."));
        QCOMPARE(Strings::windowCaptureHintTitle(), QStringLiteral("Select a region to copy text"));
        QCOMPARE(Strings::menuStatusItemTitle(QStringLiteral("Oculo")), QStringLiteral("Oculo menu"));
        QCOMPARE(Strings::welcomeInfoInternationalBody(QStringLiteral("English and French")),
                 QStringLiteral("Supports English and French"));
    }

    void foundTextsGoThroughTheFormatter()
    {
        QCOMPARE(Strings::settingsTabAboutTitle(), QStringLiteral("Über"));
        // A lone conversion is consumed even with no argument; "%%" is one percent sign.
        QCOMPARE(Strings::workflowClearButtonTitle(), QStringLiteral("100% of  done%"));
        QCOMPARE(Strings::statusMenuQuitItemTitle(QStringLiteral("Oculo")), QStringLiteral("Oculo beenden"));
        QCOMPARE(Strings::statusMenuAboutItemTitle(QStringLiteral("Oculo")), QStringLiteral("About Oculo"));
    }

    void fixedTextsAreComputedOnceFormattedOnesOnEveryCall()
    {
        const QString before = Strings::settingsTabAboutTitle();
        m_translator.table.insert("settings.tab.about.title", "Info");
        m_translator.table.insert("status-menu.quit.item.title", "Quitter %@");
        QCOMPARE(Strings::settingsTabAboutTitle(), before);
        QCOMPARE(Strings::statusMenuQuitItemTitle(QStringLiteral("Oculo")), QStringLiteral("Quitter Oculo"));
        m_translator.table.insert("status-menu.quit.item.title", "%@ beenden");
    }

    void formatString_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "Quit" << QStringList{"x"} << "Quit";
        QTest::newRow("object") << "Quit %@" << QStringList{"Oculo"} << "Quit Oculo";
        QTest::newRow("two in order") << "%@ and %@" << QStringList{"a", "b"} << "a and b";
        QTest::newRow("positional") << "%2$@ before %1$@" << QStringList{"a", "b"} << "b before a";
        QTest::newRow("missing argument") << "About %@" << QStringList{} << "About ";
        QTest::newRow("percent") << "50%% off" << QStringList{} << "50% off";
        QTest::newRow("integer conversion") << "%d items" << QStringList{} << " items";
        QTest::newRow("with flags and length") << "[%-5lld]" << QStringList{"7"} << "[7]";
        QTest::newRow("lone trailing percent") << "100%" << QStringList{} << "100%";
        QTest::newRow("percent before non-conversion") << "50% K" << QStringList{} << "50% K";
        QTest::newRow("argument with percent stays") << "%@" << QStringList{"%d"} << "%d";
    }

    void formatString()
    {
        QFETCH(QString, format);
        QFETCH(QStringList, arguments);
        QFETCH(QString, expected);
        QCOMPARE(Strings::formatString(format, arguments), expected);
    }

    void theTranslationSourceListsEveryKey()
    {
        QFile file(QStringLiteral(OCULO_SOURCE_DIR "/resources/translations/oculo_en.ts"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        QString context;
        QStringList keys;
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement())
                continue;
            if (xml.name() == u"name")
                context = xml.readElementText();
            else if (xml.name() == u"source" && context == u"Localizable")
                keys.append(xml.readElementText());
        }
        QVERIFY(!xml.hasError());
        // The 48 of the catalogue, Oculo's own welcome lines (the shortcut, the desktop without global
        // shortcuts or without a tray) and its language setting.
        QCOMPARE(keys.size(), 53);
        for (const QString& key : keys) {
            QVERIFY2(key.endsWith(u".title") || key.endsWith(u".body") ||
                         key == u"workflow.table.source.unknown" || key == u"welcome.step.select.shortcut",
                     qPrintable(key));
        }
        QVERIFY(keys.contains(QStringLiteral("welcome.info.international.body")));
    }
};

QTEST_GUILESS_MAIN(TestLocalizedStrings)
#include "tst_localizedstrings.moc"

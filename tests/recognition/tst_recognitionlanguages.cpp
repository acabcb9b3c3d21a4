#include "recognitionlanguages.h"

#include <QTest>

using namespace RecognitionLanguages;

class TestRecognitionLanguages : public QObject {
    Q_OBJECT
private slots:
    void rewriteChineseDisplayName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("two parts") << "Chinese, Traditional"
                                   << "Chinese (Traditional)";
        QTest::newRow("spaces and tabs trimmed") << " \tChinese\t ,  Simplified "
                                                 << "Chinese (Simplified)";
        QTest::newRow("empty pieces dropped") << "Chinese,,Simplified,"
                                              << "Chinese (Simplified)";
        QTest::newRow("no comma") << "Traditional Chinese"
                                  << "Traditional Chinese";
        QTest::newRow("three parts") << "Chinese, Traditional, Hong Kong"
                                     << "Chinese, Traditional, Hong Kong";
        QTest::newRow("only commas") << ",,"
                                     << ",,";
    }

    void rewriteChineseDisplayName()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(RecognitionLanguages::rewriteChineseDisplayName(name), expected);
    }

    void displayNames()
    {
        QCOMPARE(languageDisplayName(QStringLiteral("zh-Hant")), QStringLiteral("Chinese (Traditional)"));
        QCOMPARE(languageDisplayName(QStringLiteral("zh-Hans")), QStringLiteral("Chinese (Simplified)"));
        QCOMPARE(languageDisplayName(QStringLiteral("de-DE")), QStringLiteral("German"));
        QCOMPARE(languageDisplayName(QStringLiteral("pt-BR")), QStringLiteral("Portuguese"));
        QCOMPARE(languageDisplayName(QStringLiteral("not a language")), std::nullopt);
    }

    void supportedLanguagesFollowTheInstalledDataInTheFixedOrder()
    {
        QCOMPARE(supportedLanguageCodes({"chi_tra", "osd", "eng", "fra"}),
                 (QStringList{"en-US", "fr-FR", "zh-Hant"}));
        QCOMPARE(supportedLanguageCodes({}), fallbackLanguageCodes());
        QCOMPARE(supportedLanguageCodes({"osd", "equ"}), fallbackLanguageCodes());
        QCOMPARE(fallbackLanguageCodes(),
                 (QStringList{"en-US", "fr-FR", "it-IT", "de-DE", "es-ES", "pt-BR", "zh-Hans", "zh-Hant"}));
        QCOMPARE(supportedLanguageNames({"eng", "chi_sim"}),
                 (QStringList{"English", "Chinese (Simplified)"}));
        QCOMPARE(localeCodeForEngineLanguage(QStringLiteral("spa")), QStringLiteral("es-ES"));
        QCOMPARE(localeCodeForEngineLanguage(QStringLiteral("osd")), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestRecognitionLanguages)
#include "tst_recognitionlanguages.moc"

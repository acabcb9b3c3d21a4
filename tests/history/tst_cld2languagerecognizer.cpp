#include "linux/cld2languagerecognizer.h"

#include <QTest>

namespace {

const QStringList allCandidates = {"en", "fr", "it", "de", "es", "pt", "zh-Hans", "zh-Hant"};

} // namespace

class TestCld2LanguageRecognizer : public QObject {
    Q_OBJECT
private slots:
    void detectsTheCandidates_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<QString>>("expected");
        QTest::newRow("french") << QStringLiteral("Le chat dort sur le canapé pendant que les enfants jouent "
                                                  "dans le jardin avec leurs amis.")
                                << std::optional<QString>("fr");
        QTest::newRow("german") << QStringLiteral("Die Katze schläft auf dem Sofa, während die Kinder mit "
                                                  "ihren Freunden im Garten spielen.")
                                << std::optional<QString>("de");
        QTest::newRow("english") << QStringLiteral("The cat is sleeping on the sofa while the children play "
                                                   "in the garden with their friends.")
                                 << std::optional<QString>("en");
        QTest::newRow("simplified chinese")
            << QStringLiteral("猫在沙发上睡觉，孩子们和他们的朋友在花园里玩耍。我们今天下午去图书馆看书。")
            << std::optional<QString>("zh-Hans");
        QTest::newRow("traditional chinese")
            << QStringLiteral("貓在沙發上睡覺，孩子們和他們的朋友在花園裡玩耍。我們今天下午去圖書館看書。")
            << std::optional<QString>("zh-Hant");
        QTest::newRow("digits") << QStringLiteral("0123 4567 89 / 2024-06-01") << std::optional<QString>();
        QTest::newRow("empty") << QString() << std::optional<QString>();
    }

    void detectsTheCandidates()
    {
        QFETCH(QString, text);
        QFETCH(std::optional<QString>, expected);
        QCOMPARE(Cld2LanguageRecognizer().dominantLanguage(text, allCandidates), expected);
    }

    void answersOnlyWithACandidate()
    {
        const Cld2LanguageRecognizer recognizer;
        const QString french = QStringLiteral("Le chat dort sur le canapé pendant que les enfants jouent "
                                              "dans le jardin avec leurs amis.");
        const std::optional<QString> restricted = recognizer.dominantLanguage(french, {"de", "it"});
        QVERIFY(!restricted || restricted == u"de" || restricted == u"it");
        QCOMPARE(recognizer.dominantLanguage(french, {}), std::optional<QString>());
    }
};

QTEST_GUILESS_MAIN(TestCld2LanguageRecognizer)
#include "tst_cld2languagerecognizer.moc"

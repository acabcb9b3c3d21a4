#include "websearch.h"

#include <QTest>

class TestWebSearch : public QObject {
    Q_OBJECT
private slots:
    void percentEncoding_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("spaces") << "a b c"
                                << "a%20b%20c";
        QTest::newRow("ascii punctuation") << "C++ /?&=#%"
                                           << "C%2B%2B%20%2F%3F%26%3D%23%25";
        QTest::newRow("unreserved marks are encoded too") << "a-b_c.d~e"
                                                          << "a%2Db%5Fc%2Ed%7Ee";
        QTest::newRow("accented letters stay") << "café"
                                               << "café";
        QTest::newRow("combining mark stays") << QStringLiteral("e\u0301") << QStringLiteral("e\u0301");
        QTest::newRow("han and digits of other scripts stay") << "日本語 ١٢٣"
                                                              << "日本語%20١٢٣";
        QTest::newRow("no-break space is three bytes") << QStringLiteral("a\u00a0b") << "a%C2%A0b";
        QTest::newRow("ideographic full stop") << "好。"
                                               << "好%E3%80%82";
        QTest::newRow("emoji outside the BMP") << QStringLiteral("\U0001F600") << "%F0%9F%98%80";
        QTest::newRow("letter outside the BMP stays")
            << QStringLiteral("\U00020000") << QStringLiteral("\U00020000");
        QTest::newRow("line feed") << "a\nb"
                                   << "a%0Ab";
        QTest::newRow("empty") << ""
                               << "";
    }

    void percentEncoding()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(WebSearch::percentEncodeAlphanumerics(text), expected);
    }

    void unpairedSurrogatesCannotBeEncoded()
    {
        QCOMPARE(WebSearch::percentEncodeAlphanumerics(QString(QChar(0xD800))), std::nullopt);
        QCOMPARE(WebSearch::percentEncodeAlphanumerics(QStringLiteral("a") + QChar(0xDC00)), std::nullopt);
        QCOMPARE(WebSearch::searchUrl(QStringLiteral("https://example.org/?q="), {QString(QChar(0xD800))}),
                 std::nullopt);
    }

    void theSearchUrlIsThePrefixFollowedByTheEncodedText()
    {
        QCOMPARE(WebSearch::searchUrl(QStringLiteral("https://duckduckgo.com/?q="), {"a b", "c"}),
                 QStringLiteral("https://duckduckgo.com/?q=a%20b%20c"));
        // Reserved and unreserved marks alike stay encoded all the way to the opener.
        QCOMPARE(WebSearch::searchUrl(QStringLiteral("https://x.org/s?q="), {"a&b=c#d", "e.g. x-y_z~"}),
                 QStringLiteral("https://x.org/s?q=a%26b%3Dc%23d%20e%2Eg%2E%20x%2Dy%5Fz%7E"));
        QCOMPARE(WebSearch::searchUrl(QStringLiteral("not a url ["), {"x"}), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestWebSearch)
#include "tst_websearch.moc"

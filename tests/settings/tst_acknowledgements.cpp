#include "acknowledgements.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray twoRecords = R"([{"name": "Alpha", "type": "MIT", "text": "Permission is hereby granted"},
                                  {"name": "Beta", "type": "Apache-2.0", "text": "Licensed under", "url": "x"}])";

void write(const QString& path, const QByteArray& contents)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(contents);
}

} // namespace

class TestAcknowledgements : public QObject {
    Q_OBJECT
private slots:
    void theBuiltInResourceAcknowledgesEveryLibrary()
    {
        LicensesViewModel model;
        QVERIFY(model.licenses().value().isEmpty());
        model.load();
        QStringList names;
        for (const License& license : model.licenses().value()) {
            names.append(license.name);
            QVERIFY2(!license.type.isEmpty(), qPrintable(license.name));
            QVERIFY2(license.text.size() > 500, qPrintable(license.name));
        }
        QCOMPARE(names, (QStringList{"Qt", "Tesseract", "Tesseract trained data", "Leptonica", "Poppler",
                                     "libcanberra", "CLD2", "xcb", "xkbcommon", "speech-dispatcher"}));

        // The texts are the licences themselves, not pointers to them.
        const QList<License>& licenses = model.licenses().value();
        QVERIFY(licenses.at(0).text.contains(u"GNU LESSER GENERAL PUBLIC LICENSE"));
        QVERIFY(licenses.at(0).text.contains(u"GNU GENERAL PUBLIC LICENSE"));
        QVERIFY(
            licenses.at(1).text.contains(u"TERMS AND CONDITIONS FOR USE, REPRODUCTION, AND DISTRIBUTION"));
        QVERIFY(licenses.at(4).text.contains(u"Version 2, June 1991"));
        QVERIFY(licenses.at(7).text.contains(u"Permission is hereby granted"));
    }

    void decoding_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("count"); // -1: the whole decode fails
        QTest::newRow("two records, an unknown key ignored") << twoRecords << 2;
        QTest::newRow("empty array") << QByteArray("[]") << 0;
        QTest::newRow("empty strings") << QByteArray(R"([{"name": "", "type": "", "text": ""}])") << 1;
        QTest::newRow("one element lacks type")
            << QByteArray(R"([{"name": "A", "type": "MIT", "text": "t"}, {"name": "B", "text": "t"}])") << -1;
        QTest::newRow("a number for a text")
            << QByteArray(R"([{"name": "A", "type": "MIT", "text": 3}])") << -1;
        QTest::newRow("null for a name")
            << QByteArray(R"([{"name": null, "type": "MIT", "text": "t"}])") << -1;
        QTest::newRow("an element that is not an object") << QByteArray(R"(["Qt"])") << -1;
        QTest::newRow("an object, not an array")
            << QByteArray(R"({"name": "A", "type": "MIT", "text": "t"})") << -1;
        QTest::newRow("cut short") << twoRecords.left(60) << -1;
        QTest::newRow("empty file") << QByteArray() << -1;
        QTest::newRow("not JSON") << QByteArray("\x89PNG\r\n\x1a\n") << -1;
        QTest::newRow("nested far too deep") << QByteArray(100000, '[') << -1;
    }

    void decoding()
    {
        QFETCH(QByteArray, json);
        QFETCH(int, count);
        const std::optional<QList<License>> decoded = decodeLicenses(json);
        QCOMPARE(decoded.has_value(), count >= 0);
        if (decoded)
            QCOMPARE(decoded->size(), count);
    }

    void recordsKeepTheirOrderAndFields()
    {
        const auto decoded = decodeLicenses(twoRecords);
        QVERIFY(decoded);
        QCOMPARE(decoded->at(0), (License{"Alpha", "MIT", "Permission is hereby granted"}));
        QCOMPARE(decoded->at(1), (License{"Beta", "Apache-2.0", "Licensed under"}));
    }

    void aRecordIsIdentifiedByItsNameAndEqualByAllFields()
    {
        const License first{"Qt", "LGPL-3", "one text"};
        const License sameName{"Qt", "GPL-2", "another text"};
        QCOMPARE(first.id(), sameName.id());
        QVERIFY(first != sameName);
        QVERIFY(first != (License{"Qt", "LGPL-3", "one text!"}));
        QCOMPARE(first, (License{"Qt", "LGPL-3", "one text"}));
        QCOMPARE(qHash(first), qHash(License{"Qt", "LGPL-3", "one text"}));
        QCOMPARE((QSet<License>{first, sameName, License{"Qt", "LGPL-3", "one text"}}).size(), 2);
    }

    void aFailedLoadKeepsTheListAndTellsNobody()
    {
        QTemporaryDir directory;
        QVERIFY(directory.isValid());
        const QString path = directory.filePath(QStringLiteral("acknowledgements.json"));

        LicensesViewModel model(path);
        int announcements = 0;
        Cancellable token = model.licenses().subscribe([&](const QList<License>&) { ++announcements; });
        model.load(); // missing
        QVERIFY(model.licenses().value().isEmpty());

        write(path, "[{\"name\": \"Alpha\"");
        model.load(); // malformed on the first attempt
        QVERIFY(model.licenses().value().isEmpty());
        QCOMPARE(announcements, 1);

        write(path, twoRecords);
        model.load();
        QCOMPARE(model.licenses().value().size(), 2);
        QCOMPARE(announcements, 2);

        write(path, R"([{"name": "Gamma", "text": "no type"}])");
        model.load();
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkdir(path));
        model.load(); // a directory where the file was
        QCOMPARE(model.licenses().value().size(), 2);
        QCOMPARE(model.licenses().value().at(0).name, QStringLiteral("Alpha"));
        QCOMPARE(announcements, 2);

        QVERIFY(QDir().rmdir(path));
        write(path, "[]");
        model.load();
        QVERIFY(model.licenses().value().isEmpty());
        QCOMPARE(announcements, 3);
    }
};

QTEST_GUILESS_MAIN(TestAcknowledgements)
#include "tst_acknowledgements.moc"

#include "tesseractlanguages.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestTesseractLanguages : public QObject {
    Q_OBJECT
private slots:
    void theInstalledLanguagesAreListed()
    {
        const QStringList languages = installedRecognitionLanguages();
        QVERIFY2(languages.contains("eng") && !languages.contains("osd"), qPrintable(languages.join(' ')));
        const QDir folder(recognitionDataPath());
        for (const QString& language : languages)
            QVERIFY2(folder.exists(language + ".traineddata"), qPrintable(language));
    }

    void aDataFolderIsReadForLanguages_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("empty") << QStringList{} << QStringList{};
        QTest::newRow("sorted") << QStringList{"fra.traineddata", "deu.traineddata"}
                                << QStringList{"deu", "fra"};
        QTest::newRow("no languages")
            << QStringList{"osd.traineddata", "equ.traineddata", "eng.traineddata"} << QStringList{"eng"};
        QTest::newRow("other files") << QStringList{"README", "eng.user-words", "pdf.ttf", "spa.traineddata"}
                                     << QStringList{"spa"};
        QTest::newRow("script models")
            << QStringList{"script/Latin.traineddata", "ita.traineddata"} << QStringList{"ita"};
    }

    void aDataFolderIsReadForLanguages()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, expected);
        QTemporaryDir folder;
        for (const QString& name : files) {
            QDir(folder.path()).mkpath(QFileInfo(name).path());
            QFile file(folder.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QCOMPARE(installedRecognitionLanguages(folder.path()), expected);
        QCOMPARE(QDir(recognitionDataPath(folder.path())), QDir(folder.path()));
        QCOMPARE(installedRecognitionLanguages(folder.filePath("missing")), QStringList{});
    }
};

QTEST_GUILESS_MAIN(TestTesseractLanguages)
#include "tst_tesseractlanguages.moc"

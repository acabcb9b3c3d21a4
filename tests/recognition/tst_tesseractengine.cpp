#include "tesseractengine.h"
#include "textimages.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

namespace {

const QStringList prose = {"Recognition runs locally on this computer",
                           "Press the shortcut and drag over any text",
                           "Version 1.0.3 was released on 12 May 2024"};
const QStringList code = {
    "def count_matches(names, prefix):",   "    count = 0",          "    for name in names:",
    "        if name.startswith(prefix):", "            count += 1", "    return count"};

struct Theme {
    const char* name;
    QColor ink;
    QColor background;
};
const Theme themes[] = {{"light", Qt::black, Qt::white},
                        {"dark", "#d4d4d4", "#1e1e1e"},
                        {"dim", "#a8a8a8", "#2d2d2d"},
                        {"white on navy", Qt::white, "#1c3d72"}};

QStringList texts(const RecognitionOutcome& outcome)
{
    QStringList lines;
    for (const TextObservation& observation : outcome.results.value_or(QList<TextObservation>()))
        lines.append(observation.topCandidates.value(0));
    return lines;
}

} // namespace

class TestTesseractEngine : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        for (const char* family : {"DejaVu Sans", "DejaVu Sans Mono", "Liberation Sans", "Liberation Serif"})
            QVERIFY2(TextImages::hasFont(family), family);
        QVERIFY2(m_engine.isReady(), "the English trained data must be installed");
    }

    void readsScreenTextLineForLine_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<QStringList>("expected");
        using TextImages::render;
        for (const char* family : {"DejaVu Sans", "Liberation Sans", "Liberation Serif"}) {
            for (int scale : {1, 2}) {
                for (const Theme& theme : themes)
                    QTest::addRow("%s %dx %s", family, scale, theme.name)
                        << render(prose, family, 13, theme.ink, theme.background, scale) << prose;
            }
        }
        QTest::newRow("10 px") << render(prose, "DejaVu Sans", 10, Qt::black, Qt::white) << prose;
        QTest::newRow("32 px") << render(prose, "Liberation Sans", 32, Qt::black, Qt::white) << prose;
        QTest::newRow("one line") << render(prose.mid(1, 1), "DejaVu Sans", 14, Qt::black, Qt::white)
                                  << prose.mid(1, 1);
        // Code keeps its indentation, one space per character.
        QTest::newRow("code 1x light") << render(code, "DejaVu Sans Mono", 13, Qt::black, Qt::white) << code;
        QTest::newRow("code 2x dark")
            << render(code, "DejaVu Sans Mono", 13, "#d4d4d4", "#1e1e1e", 2) << code;
        QTest::newRow("code 1x dim") << render(code, "Liberation Mono", 13, "#a8a8a8", "#2d2d2d") << code;
    }

    void readsScreenTextLineForLine()
    {
        QFETCH(QImage, image);
        QFETCH(QStringList, expected);
        const RecognitionOutcome outcome = m_engine.perform(image);
        QVERIFY(!outcome.error);
        QCOMPARE(texts(outcome), expected);
    }

    void nothingToReadGivesNoLines_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::newRow("null") << QImage();
        QTest::newRow("no pixels") << QImage(0, 0, QImage::Format_RGB32);
        QImage blank(320, 90, QImage::Format_RGB32);
        blank.fill(Qt::white);
        QTest::newRow("white") << blank;
        QTest::newRow("one pixel") << blank.copy(0, 0, 1, 1);
        blank.fill(QColor("#1e1e1e"));
        QTest::newRow("dark") << blank;
        QImage strip(2000, 2, QImage::Format_Grayscale8);
        strip.fill(0);
        QTest::newRow("thin black strip") << strip;
    }

    void nothingToReadGivesNoLines()
    {
        QFETCH(QImage, image);
        const RecognitionOutcome outcome = m_engine.perform(image);
        QVERIFY(!outcome.error);
        QVERIFY(outcome.results.has_value());
        QCOMPARE(texts(outcome).join(QString()), QString());
    }

    void aMissingLanguageIsAnErrorNotACrash_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("dataPath");
        QTest::newRow("unknown language") << "xyz" << QString();
        QTest::newRow("osd") << "osd" << QString();
        QTest::newRow("empty") << "" << QString();
        QTest::newRow("one of two") << "eng+xyz" << QString();
        QTest::newRow("missing folder") << "eng"
                                        << "/nonexistent/tessdata";
    }

    void aMissingLanguageIsAnErrorNotACrash()
    {
        QFETCH(QString, language);
        QFETCH(QString, dataPath);
        TesseractEngine engine(language, dataPath);
        QVERIFY(!engine.isReady());
        for (int i = 0; i < 2; ++i) {
            const RecognitionOutcome outcome =
                engine.perform(TextImages::render(prose, "DejaVu Sans", 13, Qt::black, Qt::white));
            const QString error = outcome.error.value_or("no error");
            QVERIFY2(error.contains("could not be loaded"), qPrintable(error));
            QVERIFY(!outcome.results);
        }
    }

    void unreadableTrainedDataIsAnError()
    {
        QTemporaryDir folder;
        QFile broken(folder.filePath("eng.traineddata"));
        QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("not a model") > 0);
        broken.close();
        TesseractEngine engine("eng", folder.path());
        QVERIFY(!engine.isReady());
        QVERIFY(engine.perform(QImage(10, 10, QImage::Format_RGB32)).error.has_value());
    }

    void oneEngineReadsManyImagesOnChangingThreads()
    {
        const QImage first = TextImages::render(prose, "DejaVu Sans", 12, Qt::black, Qt::white);
        const QImage second = TextImages::render(code, "DejaVu Sans Mono", 13, "#d4d4d4", "#1e1e1e", 2);
        QImage blank(200, 60, QImage::Format_RGB32);
        blank.fill(Qt::white);
        for (int round = 0; round < 4; ++round) {
            QCOMPARE(texts(m_engine.perform(first)), prose);
            QCOMPARE(texts(m_engine.perform(blank)), QStringList());
            // The next image on another worker thread, as the engine pool may do.
            RecognitionOutcome elsewhere;
            std::thread worker([&] { elsewhere = m_engine.perform(second); });
            worker.join();
            QCOMPARE(texts(elsewhere), code);
        }
    }

    void indentationCountsCharacterWidths_data()
    {
        QTest::addColumn<QList<int>>("lefts");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("flush left") << QList<int>{10, 10, 11} << QStringList{"a", "b", "c"};
        QTest::newRow("code") << QList<int>{10, 42, 74, 10} << QStringList{"a", "    b", "        c", "d"};
        QTest::newRow("first line indented") << QList<int>{26, 10} << QStringList{"  a", "b"};
        QTest::newRow("measured short, long") << QList<int>{10, 40, 44} << QStringList{"a", "    b", "    c"};
        QTest::newRow("side bearings") << QList<int>{10, 14} << QStringList{"a", "b"};
        QTest::newRow("one character") << QList<int>{10, 17} << QStringList{"a", " b"};
    }

    void indentationCountsCharacterWidths()
    {
        QFETCH(QList<int>, lefts);
        QFETCH(QStringList, expected);
        QList<RecognisedLine> lines;
        for (int i = 0; i < lefts.size(); ++i)
            lines.append({QString(QChar(u'a' + i)), lefts[i]});
        QCOMPARE(indentedLines(lines, 8.0), expected);
        QCOMPARE(indentedLines(lines, 0.0).join(QString()).count(' '), 0);
        // Empty lines have no indentation and do not set the margin.
        lines.prepend({QString(), 0});
        QCOMPARE(indentedLines(lines, 8.0), QStringList{QString()} + expected);
    }

private:
    TesseractEngine m_engine;
};

QTEST_MAIN(TestTesseractEngine)
#include "tst_tesseractengine.moc"

#include "automaticlanguageengine.h"
#include "fakelanguagerecognizer.h"
#include "linux/cld2languagerecognizer.h"
#include "recognitionenginepool.h"
#include "tesseractlanguages.h"
#include "textimages.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <vector>

namespace {

struct Sample {
    const char* language;
    const char* font;
    QStringList lines;
};

const QList<Sample>& samples()
{
    static const QList<Sample> list = {
        {"eng",
         "DejaVu Sans",
         {"Recognition runs locally on this computer", "Press the shortcut and drag over any text"}},
        {"fra",
         "DejaVu Sans",
         {"Veuillez vérifier votre adresse électronique avant de continuer.",
          "Le fichier a été téléchargé avec succès dans le dossier."}},
        {"ita",
         "Liberation Sans",
         {"Il file è stato salvato correttamente nella cartella dei documenti.",
          "Controlla la connessione e riprova più tardi, per favore."}},
        {"deu",
         "DejaVu Sans",
         {"Die Größe der Datei überschreitet das Limit von fünfzig Megabyte.",
          "Für Rückfragen stehen wir Ihnen gerne zur Verfügung."}},
        {"spa",
         "Liberation Sans",
         {"El archivo se guardó correctamente en la carpeta de documentos.",
          "Por favor, revise su conexión e inténtelo de nuevo más tarde."}},
        {"por",
         "DejaVu Sans",
         {"O arquivo foi salvo com sucesso na pasta de documentos.",
          "Por favor, verifique sua conexão e tente novamente mais tarde."}},
        {"chi_sim",
         "Noto Sans CJK SC",
         {"明天上午九点在三楼会议室开会，请准时参加。", "系统将在今晚十一点进行维护，届时服务暂停两小时。"}},
        {"chi_tra",
         "Noto Sans CJK TC",
         {"請確認收件人地址是否正確。本週末將舉辦書展，入場免費。", "這本書的作者是一位年輕的台灣作家。"}},
    };
    return list;
}

QImage rendered(const Sample& sample, int pixelSize = 16)
{
    return TextImages::render(sample.lines, sample.font, pixelSize, Qt::black, Qt::white);
}

QStringList texts(const RecognitionOutcome& outcome)
{
    QStringList lines;
    for (const TextObservation& observation : outcome.results.value_or(QList<TextObservation>()))
        lines.append(observation.topCandidates.value(0));
    return lines;
}

// Levenshtein distance over the expected text's length.
double errorRate(const QString& read, const QString& expected)
{
    std::vector<qsizetype> row(std::size_t(read.size()) + 1);
    for (qsizetype j = 0; j <= read.size(); ++j)
        row[std::size_t(j)] = j;
    for (qsizetype i = 1; i <= expected.size(); ++i) {
        qsizetype diagonal = row[0];
        row[0] = i;
        for (qsizetype j = 1; j <= read.size(); ++j) {
            const qsizetype above = row[std::size_t(j)];
            row[std::size_t(j)] = std::min({above + 1, row[std::size_t(j - 1)] + 1,
                                            diagonal + (expected[i - 1] == read[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return expected.isEmpty() ? 0 : double(row.back()) / double(expected.size());
}

// Counts the lines of the recognition log while it lives.
class WarningCounter {
public:
    WarningCounter() { s_count = 0, s_previous = qInstallMessageHandler(&WarningCounter::handle); }
    ~WarningCounter() { qInstallMessageHandler(s_previous); }
    int count() const { return s_count; }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (type != QtDebugMsg && QByteArray(context.category) == "oculo.recognition")
            ++s_count;
        s_previous(type, context, message);
    }
    static inline int s_count = 0;
    static inline QtMessageHandler s_previous = nullptr;
};

} // namespace

class TestAutomaticLanguageEngine : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        for (const Sample& sample : samples()) {
            QVERIFY2(TextImages::hasFont(sample.font), sample.font);
            QVERIFY2(installedRecognitionLanguages().contains(sample.language), sample.language);
        }
    }

    void choosesTheLanguageOfTheText_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < samples().size(); ++i)
            QTest::newRow(samples()[i].language) << i;
    }

    void choosesTheLanguageOfTheText()
    {
        QFETCH(int, index);
        const Sample& sample = samples()[index];
        const RecognitionOutcome outcome = m_engine.perform(rendered(sample));
        QVERIFY(!outcome.error);
        QCOMPARE(m_engine.lastReport().language, QString(sample.language));
        const QString read = texts(outcome).join('\n');
        const double rate = errorRate(read, sample.lines.join('\n'));
        QVERIFY2(rate < 0.05, qPrintable(QString("%1 (error rate %2)").arg(read).arg(rate)));
        // English is read once; another language at most once more per script step.
        QVERIFY(m_engine.lastReport().readings <= (sample.language == QString("eng") ? 1 : 3));
    }

    void warmModelsAreNotLoadedAgain()
    {
        // The crops above loaded each language once; reading all of them again loads nothing.
        const int loaded = m_models->totalLoads();
        QCOMPARE(loaded, 8);
        for (const Sample& sample : samples()) {
            m_engine.perform(rendered(sample, 18));
            QCOMPARE(m_engine.lastReport().loadMs, 0);
        }
        QCOMPARE(m_models->totalLoads(), loaded);
        for (const Sample& sample : samples())
            QCOMPARE(m_models->loads(sample.language), 1);
    }

    void workersShareOneModelPerLanguage()
    {
        // Two workers, each with its engine, reading crops of every language at the same time: each
        // model is loaded once for both, and every crop is still read in its own language.
        auto models = std::make_shared<RecognitionLanguageModels>(QString(), installedRecognitionLanguages(),
                                                                  QString("eng"));
        RecognitionEnginePool pool(
            [models, recognizer = m_recognizer] {
                return std::make_unique<AutomaticLanguageEngine>(models, recognizer);
            },
            2);
        QList<QFuture<RecognitionOutcome>> futures;
        for (int round = 0; round < 2; ++round) {
            for (const Sample& sample : samples())
                futures.append(pool.perform(rendered(sample)));
        }
        pool.waitForDone();
        QCOMPARE(pool.enginesMade(), 2);
        for (int i = 0; i < futures.size(); ++i) {
            const Sample& sample = samples()[i % samples().size()];
            const QString read = texts(futures[i].result()).join('\n');
            QVERIFY2(errorRate(read, sample.lines.join('\n')) < 0.05, qPrintable(read));
        }
        for (const Sample& sample : samples())
            QCOMPARE(models->loads(sample.language), 1);
        QCOMPARE(models->totalLoads(), 8);
    }

    void mixedEnglishAndChineseIsReadable()
    {
        const QStringList lines = {"点击 Settings 打开设置，然后选择 General。",
                                   "Oculo 会把文字复制到剪贴板。"};
        const RecognitionOutcome outcome =
            m_engine.perform(TextImages::render(lines, "Noto Sans CJK SC", 18, Qt::black, Qt::white));
        const QString read = texts(outcome).join('\n');
        QVERIFY2(errorRate(read, lines.join('\n')) < 0.1, qPrintable(read));
        QVERIFY2(read.contains("Settings") && read.contains("剪贴板"), qPrintable(read));
        QVERIFY(RecognitionLanguageModels::isHan(m_engine.lastReport().language));
    }

    void shortTextStaysWithTheDefaultLanguage()
    {
        // Too short to tell: the locale's language when it is installed, else English.
        const QImage image = TextImages::render({"Save as"}, "DejaVu Sans", 15, Qt::black, Qt::white);
        auto recognizer = std::make_shared<FakeLanguageRecognizer>();
        recognizer->answer = "fr";
        const QStringList installed = RecognitionLanguageModels::engineLanguages();
        for (const auto& [locale, expected] : {std::pair{"deu", "deu"}, {"", "eng"}, {"jpn", "eng"}}) {
            AutomaticLanguageEngine engine(
                std::make_shared<RecognitionLanguageModels>(QString(), installed, locale), recognizer);
            QCOMPARE(texts(engine.perform(image)), QStringList{"Save as"});
            QCOMPARE(engine.lastReport().language, QString(expected));
            QCOMPARE(engine.lastReport().readings, 1);
        }
        QVERIFY(recognizer->questions.isEmpty());
    }

    void aFixedLanguageIsTheOnlyOneRead()
    {
        AutomaticLanguageEngine engine(m_models, m_recognizer, "fra");
        const RecognitionOutcome outcome = engine.perform(rendered(samples()[0]));
        QCOMPARE(engine.lastReport().language, QString("fra"));
        QCOMPARE(engine.lastReport().readings, 1);
        QVERIFY(errorRate(texts(outcome).join('\n'), samples()[0].lines.join('\n')) < 0.05);

        AutomaticLanguageEngine missing(m_models, m_recognizer, "xyz");
        QVERIFY(missing.perform(rendered(samples()[0])).error.has_value());
    }

    void theUsersChoiceAppliesFromTheNextCrop()
    {
        auto choice = std::make_shared<RecognitionLanguageChoice>();
        QCOMPARE(choice->current(), QString());
        choice->set("xyz"); // not one of ours: automatic
        QCOMPARE(choice->current(), QString());
        AutomaticLanguageEngine engine(m_models, m_recognizer, {}, choice);
        choice->set("ita");
        QCOMPARE(choice->current(), QString("ita"));
        (void)engine.perform(rendered(samples()[0]));
        QCOMPARE(engine.lastReport().language, QString("ita"));
        QCOMPARE(engine.lastReport().readings, 1);
        choice->set(QString());
        (void)engine.perform(rendered(samples()[0]));
        QCOMPARE(engine.lastReport().language, QString(samples()[0].language));
    }

    void awkwardCropsGiveAnAnswerNotACrash()
    {
        auto* random = QRandomGenerator::global();
        QImage noise(400, 120, QImage::Format_RGB32);
        for (int y = 0; y < noise.height(); ++y)
            for (int x = 0; x < noise.width(); ++x)
                noise.setPixel(x, y, random->generate() | 0xff000000u);
        const RecognitionOutcome noisy = m_engine.perform(noise);
        QVERIFY(!noisy.error);
        QVERIFY(noisy.results.has_value());

        const RecognitionOutcome one =
            m_engine.perform(TextImages::render({"K"}, "DejaVu Sans", 20, Qt::black, Qt::white));
        QVERIFY(!one.error);
        QCOMPARE(texts(one).join(QString()).trimmed(), QString("K"));

        // A 20,000 pixel wide single line: read whole, in a bounded time.
        QStringList words;
        while (TextImages::render({words.join(' ')}, "DejaVu Sans", 14, Qt::black, Qt::white).width() < 20000)
            words.append(samples()[0].lines[words.size() % 2]);
        const QImage wide = TextImages::render({words.join(' ')}, "DejaVu Sans", 14, Qt::black, Qt::white);
        QElapsedTimer timer;
        timer.start();
        const RecognitionOutcome line = m_engine.perform(wide);
        QVERIFY(!line.error);
        QVERIFY2(timer.elapsed() < 60000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(m_engine.lastReport().language, QString("eng"));
        QVERIFY(errorRate(texts(line).join(' '), words.join(' ')) < 0.05);
    }

    void missingOrUnreadableDataIsSkippedWithOneLogLine()
    {
        // A data folder with a broken French model and no German at all.
        QTemporaryDir folder;
        const QString system = recognitionDataPath();
        for (const char* code : {"eng", "ita", "spa", "por", "chi_sim", "chi_tra"})
            QVERIFY(QFile::link(system + "/" + code + ".traineddata",
                                folder.filePath(QString(code) + ".traineddata")));
        QFile broken(folder.filePath("fra.traineddata"));
        QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("not a model") > 0);
        broken.close();
        WarningCounter lines;
        auto models = std::make_shared<RecognitionLanguageModels>(
            folder.path(), installedRecognitionLanguages(folder.path()), QString());
        QCOMPARE(lines.count(), 1);
        AutomaticLanguageEngine first(models, m_recognizer);
        AutomaticLanguageEngine second(models, m_recognizer);
        for (int round = 0; round < 2; ++round) {
            for (AutomaticLanguageEngine* engine : {&first, &second}) {
                for (int index : {1, 3}) { // French, German
                    const Sample& sample = samples()[index];
                    const RecognitionOutcome outcome = engine->perform(rendered(sample));
                    QVERIFY(!outcome.error);
                    QCOMPARE(engine->lastReport().language, QString("eng"));
                    QVERIFY(errorRate(texts(outcome).join('\n'), sample.lines.join('\n')) < 0.2);
                }
            }
        }
        QCOMPARE(lines.count(), 2);
        QCOMPARE(models->loads("fra"), 0);
    }

    void noSpacesBetweenCjkCharacters_data()
    {
        QTest::addColumn<QString>("read");
        QTest::addColumn<QString>("expected");
        QTest::newRow("han") << "设 定 说明"
                             << "设定说明";
        QTest::newRow("full-width punctuation") << "你好 ， 世界 。 真的 ？"
                                                << "你好，世界。真的？";
        QTest::newRow("latin between") << "点击 Settings 打开"
                                       << "点击 Settings 打开";
        QTest::newRow("latin only") << "a  b c"
                                    << "a  b c";
        QTest::newRow("indented") << "    缩 进"
                                  << "    缩进";
        QTest::newRow("trailing") << "中 "
                                  << "中 ";
        QTest::newRow("supplementary") << "𠀀 𠀁"
                                       << "𠀀𠀁";
    }

    void noSpacesBetweenCjkCharacters()
    {
        QFETCH(QString, read);
        QFETCH(QString, expected);
        QCOMPARE(withoutSpacesBetweenCjk(read), expected);
    }

    void wordSpacingAndChinesePunctuation_data()
    {
        QTest::addColumn<QString>("read");
        QTest::addColumn<QString>("expected");
        // As the Chinese models space a menu row: one space between the cells; indentation stays.
        QTest::newRow("menu row") << "撤销                     Ctrl+Z"
                                  << "撤销 Ctrl+Z";
        QTest::newRow("indented code") << "    if (a  ==  b)"
                                       << "    if (a == b)";
        QTest::newRow("comma between han") << "本週末將舉辦書展 , 入場免費"
                                           << "本週末將舉辦書展，入場免費";
        QTest::newRow("colon and question") << "注意:请问?"
                                            << "注意：请问？";
        QTest::newRow("at the end") << "你好 !"
                                    << "你好！";
        QTest::newRow("latin after") << "你好, world"
                                     << "你好, world";
        QTest::newRow("latin before") << "Hello, 世界"
                                      << "Hello, 世界";
        QTest::newRow("latin only") << "a, b: c!"
                                    << "a, b: c!";
        QTest::newRow("full stop stays") << "版本 1.2"
                                         << "版本 1.2";
    }

    void wordSpacingAndChinesePunctuation()
    {
        QFETCH(QString, read);
        QFETCH(QString, expected);
        QCOMPARE(withCjkPunctuation(withoutSpacesBetweenCjk(withSingleSpaces(read))), expected);
    }

private:
    std::shared_ptr<RecognitionLanguageModels> m_models = std::make_shared<RecognitionLanguageModels>(
        QString(), installedRecognitionLanguages(), QString("eng"));
    std::shared_ptr<const LanguageRecognizer> m_recognizer = std::make_shared<Cld2LanguageRecognizer>();
    AutomaticLanguageEngine m_engine{m_models, m_recognizer};
};

QTEST_MAIN(TestAutomaticLanguageEngine)
#include "tst_automaticlanguageengine.moc"

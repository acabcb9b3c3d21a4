// `oculo --recognize` with the real engine, on text rendered here the way screens show it.
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString oculoPath = QStringLiteral(OCULO_BINARY_DIR "/oculo");

QImage renderLines(const QStringList& lines, double scale, bool dark, const QString& family)
{
    QFont font(family);
    font.setPixelSize(int(15 * scale));
    const QFontMetrics metrics(font);
    int width = 0;
    for (const QString& line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    const int margin = int(8 * scale);
    const int lineHeight = int(metrics.height() * 1.3);
    QImage image(width + 2 * margin, lineHeight * int(lines.size()) + 2 * margin, QImage::Format_RGB32);
    image.fill(dark ? QColor(30, 30, 30) : QColor(Qt::white));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font);
    painter.setPen(dark ? QColor(230, 230, 230) : QColor(20, 20, 20));
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(margin, margin + i * lineHeight + metrics.ascent(), lines.at(i));
    return image;
}

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

// `standardInput`: what oculo reads for "-".
Run recognize(const QStringList& files, const QByteArray& standardInput = {})
{
    QProcess process;
    QStringList arguments{QStringLiteral("--recognize")};
    arguments.append(files);
    process.start(oculoPath, arguments);
    process.write(standardInput);
    process.closeWriteChannel();
    Run run;
    if (!process.waitForFinished(120000))
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace

class TestRecognizeCommand : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void printsExactlyTheLinesOfRenderedText_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<bool>("dark");
        QTest::addColumn<QString>("family");
        for (double scale : {1.0, 2.0}) {
            for (bool dark : {false, true}) {
                for (const char* family : {"DejaVu Sans", "Liberation Serif"})
                    QTest::addRow("%s %gx %s", family, scale, dark ? "dark" : "light")
                        << scale << dark << family;
            }
        }
    }

    void printsExactlyTheLinesOfRenderedText()
    {
        QFETCH(double, scale);
        QFETCH(bool, dark);
        QFETCH(QString, family);
        const QStringList lines{QStringLiteral("Release the mouse button to copy"),
                                QStringLiteral("the selected text to the clipboard."),
                                QStringLiteral("Invoice 2041, due on 12 March")};
        const QString path = m_dir.filePath(QStringLiteral("%1-%2-%3.png").arg(family).arg(scale).arg(dark));
        QVERIFY(renderLines(lines, scale, dark, family).save(path));
        const Run run = recognize({path});
        QCOMPARE(run.err, QString());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, lines.join(u'\n') + u'\n');
    }

    void unreadableFilesAreReportedAndTheOthersStillDone()
    {
        const QString good = m_dir.filePath(QStringLiteral("good.png"));
        QVERIFY(
            renderLines({QStringLiteral("Hello there")}, 2, false, QStringLiteral("DejaVu Sans")).save(good));
        const QString empty = m_dir.filePath(QStringLiteral("empty.png"));
        QFile(empty).open(QIODevice::WriteOnly);
        const QString text = m_dir.filePath(QStringLiteral("notes.png"));
        QFile file(text);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("just some words, not an image\n");
        file.close();
        const QString directory = m_dir.filePath(QStringLiteral("folder.png"));
        QVERIFY(QDir().mkpath(directory));
        const QString missing = m_dir.filePath(QStringLiteral("missing.jpg"));

        const Run run = recognize({empty, good, text, directory, missing, good});
        QCOMPARE(run.exitCode, 1);
        const QStringList errors = run.err.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(errors.size(), 4);
        QVERIFY(errors[0].contains(empty));
        QVERIFY(errors[3].contains(missing));
        QCOMPARE(run.out, QStringLiteral("==> %1 <==\nHello there\n==> %1 <==\nHello there\n").arg(good));
    }

    void readsTheImageOnStandardInputForADash()
    {
        const QString invoice = QStringLiteral("Invoice 2041, due on 12 March");
        QByteArray png;
        QBuffer buffer(&png);
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        QVERIFY(renderLines({invoice}, 2, false, QStringLiteral("DejaVu Sans")).save(&buffer, "PNG"));
        const QString good = m_dir.filePath(QStringLiteral("hello.png"));
        QVERIFY(
            renderLines({QStringLiteral("Hello there")}, 2, false, QStringLiteral("DejaVu Sans")).save(good));

        const Run alone = recognize({QStringLiteral("-")}, png);
        QCOMPARE(alone.err, QString());
        QCOMPARE(alone.exitCode, 0);
        QCOMPARE(alone.out, invoice + u'\n');
        const Run among = recognize({good, QStringLiteral("-"), good}, png);
        QCOMPARE(among.exitCode, 0);
        QCOMPARE(among.out, QStringLiteral("==> %1 <==\nHello there\n==> standard input <==\n%2\n"
                                           "==> %1 <==\nHello there\n")
                                .arg(good, invoice));
        const Run nothing = recognize({QStringLiteral("-")}, "not an image");
        QCOMPARE(nothing.exitCode, 1);
        QCOMPARE(nothing.out, QString());
        QVERIFY2(nothing.err.startsWith(QStringLiteral("oculo: standard input: ")), qPrintable(nothing.err));
    }

    void aBlankImageGivesAnEmptyBlock()
    {
        QImage blank(200, 80, QImage::Format_RGB32);
        blank.fill(Qt::white);
        const QString path = m_dir.filePath(QStringLiteral("blank.png"));
        QVERIFY(blank.save(path));
        const Run run = recognize({path});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QString());
    }
};

QTEST_MAIN(TestRecognizeCommand)
#include "tst_recognizecommand.moc"

// `oculo --recognize` given files that are not what they say they are, all in one command line with
// good ones after them: one line on standard error for each bad file, the good files' text still
// printed, exit status 1; each file done within the time limit and the process within the memory limit
// (hostilefiles.h).
#include "hostilefiles.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString oculoPath = QStringLiteral(OCULO_BINARY_DIR "/oculo");

QImage renderedText(const QString& text)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(30);
    const QFontMetrics metrics(font);
    QImage image(metrics.horizontalAdvance(text) + 32, metrics.height() + 32, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(16, 16 + metrics.ascent(), text);
    return image;
}

// A 200 x 200 inch page, the largest PDF allows, with a line of large type near its top left corner.
bool writePoster(const QString& path, const QString& text)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QSizeF(200, 200), QPageSize::Inch));
    writer.setPageMargins(QMarginsF());
    writer.setResolution(72);
    QPainter painter(&writer);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(90);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(400, 600, text);
    return painter.end();
}

} // namespace

class TestRecognizeHostileFiles : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QString path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }

private slots:
    void badFilesAreReportedQuicklyWithinMemoryAndGoodOnesStillRead()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QFile::exists(oculoPath));
        const QStringList bad = HostileFiles::writeMisleadingFiles(m_dir.path());
        QCOMPARE(bad.size(), 10);
        const QString posterText = QStringLiteral("Printed on a large poster");
        QVERIFY(writePoster(path("poster.pdf"), posterText));
        const QString goodText = QStringLiteral("Hello there");
        QVERIFY(renderedText(goodText).save(path("good.png")));

        const QStringList good{path("poster.pdf"), path("good.png")};
        const int limitMs = HostileFiles::timeLimitMs();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        const HostileFiles::MeasuredRun run =
            HostileFiles::runMeasured(oculoPath, QStringList{QStringLiteral("--recognize")} + bad + good,
                                      limitMs * int(bad.size() + good.size()) + 30000, environment);
        QVERIFY(run.started);
        QVERIFY2(!run.timedOut, run.err.constData());
        qInfo("whole run: %.2f s, peak %lld MiB", run.seconds, run.peakKiB / 1024);

        // Each file's time and memory: from the previous file's last line to its own.
        QStringList timings;
        double previousAt = 0;
        qint64 previousPeak = 0;
        QStringList errors;
        qsizetype goodSeen = 0;
        for (const HostileFiles::MeasuredRun::Line& line : run.lines) {
            const QString text = QString::fromLocal8Bit(line.text);
            QString file;
            if (line.onError) {
                errors.append(text);
                file = bad.value(errors.size() - 1);
            } else if (text.startsWith(u"==> ")) {
                file = good.value(goodSeen++);
            } else {
                continue;
            }
            const double seconds = line.seconds - previousAt;
            qInfo("%s: %.2f s, peak %lld MiB (+%lld MiB)", qPrintable(QFileInfo(file).fileName()), seconds,
                  line.peakKiB / 1024, (line.peakKiB - previousPeak) / 1024);
            // A file that is read, not refused, has the time of recognising it too: the poster's page
            // is 64 megapixels, so good files get three times the limit.
            if (seconds * 1000 >= limitMs * (line.onError ? 1 : 3))
                timings.append(QStringLiteral("%1 took %2 s").arg(file).arg(seconds));
            previousAt = line.seconds;
            previousPeak = std::max(previousPeak, line.peakKiB);
        }
        QVERIFY2(run.exited, qPrintable(QStringLiteral("ended by signal %1").arg(run.termSignal)));
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(errors.size() == bad.size(), qPrintable(errors.join(u'\n')));
        for (qsizetype i = 0; i < bad.size(); ++i)
            QVERIFY2(errors[i].startsWith(QStringLiteral("oculo: %1: ").arg(bad[i])), qPrintable(errors[i]));
        QCOMPARE(
            QString::fromUtf8(run.out),
            QStringLiteral("==> %1 <==\n%2\n==> %3 <==\n%4\n").arg(good[0], posterText, good[1], goodText));
        QVERIFY2(timings.isEmpty(), qPrintable(timings.join(u'\n')));
        QVERIFY2(run.peakKiB < HostileFiles::memoryLimitKiB(), qPrintable(QString::number(run.peakKiB)));
    }
};

QTEST_MAIN(TestRecognizeHostileFiles)
#include "tst_recognizehostilefiles.moc"

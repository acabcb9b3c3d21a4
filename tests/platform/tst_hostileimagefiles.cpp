// Files that are not what they say they are, given to the image loader as Open..., drops (a path) and
// Convert Clipboard (the bytes) give them: each load runs in a process of its own (imageloadprobe) that
// must end within the time limit without its resident memory passing the limit (hostilefiles.h).
#include "hostilefiles.h"
#include "linux/boundedimageloader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

const QString probePath = QStringLiteral(IMAGE_LOAD_PROBE_PATH);

// The side of the square page below once rendered: as large as the pixel budget allows.
int renderedSideOfSquarePage()
{
    const BoundedImageLoader::Limits limits;
    return int(std::min<double>(limits.maxSide, std::sqrt(double(limits.maxPixels))));
}

} // namespace

class TestHostileImageFiles : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QString path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY2(QFile::exists(probePath), qPrintable(probePath));
        QCOMPARE(HostileFiles::writeMisleadingFiles(m_dir.path()).size(), 10);
        // 1 GiB of pixels in about a megabyte, and 512 MiB (the largest image allowed, at 16 bits per
        // channel) in less.
        QVERIFY(HostileFiles::writeZeroPng(path("bomb-allowed.png"), 8192, 8192, 16, 6));
        QVERIFY(QFileInfo(path("bomb.png")).size() < 2 * 1024 * 1024);
        QVERIFY(HostileFiles::writeBytes(path("poster.pdf"), HostileFiles::pdfPage(200 * 72, 200 * 72)));
    }

    void endsQuicklyWithinMemory_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size"); // empty: no image
        const QSize none;
        const int poster = renderedSideOfSquarePage();
        const struct {
            const char* name;
            QSize size;
            bool asData; // a regular file, whose bytes a clipboard could offer as well
        } cases[] = {
            {"x.png", none, false},
            {"zero.png", none, false},
            {"big.png", none, false},
            {"loop-a.png", none, false},
            {"folder.png", none, false},
            {"empty.pdf", none, true},
            {"truncated.pdf", none, true},
            {"claims.png", none, true},
            {"bomb.png", none, true},
            {"claims.tiff", none, true},
            {"bomb-allowed.png", QSize(8192, 8192), true},
            {"poster.pdf", QSize(poster, poster), true},
        };
        for (const auto& c : cases) {
            QTest::addRow("%s (file)", c.name) << "file" << c.name << c.size;
            if (c.asData)
                QTest::addRow("%s (data)", c.name) << "data" << c.name << c.size;
        }
    }

    void endsQuicklyWithinMemory()
    {
        QFETCH(QString, mode);
        QFETCH(QString, name);
        QFETCH(QSize, size);
        // The whole pixel budget at 16 bits per channel is not refused but decoded: that takes the
        // decoder's time (two to four seconds here), so it has more than the time given to a refusal.
        const int limitMs = HostileFiles::timeLimitMs() * (name == u"bomb-allowed.png" ? 3 : 1);
        const HostileFiles::MeasuredRun run =
            HostileFiles::runMeasured(probePath, {mode, m_dir.filePath(name)}, limitMs + 5000);
        qInfo("%s %s: %.2f s, peak %lld MiB", qPrintable(name), qPrintable(mode), run.seconds,
              run.peakKiB / 1024);
        QVERIFY(run.started);
        QVERIFY2(!run.timedOut, "the load did not end");
        QVERIFY2(run.exited && run.exitCode == 0, run.err.constData());
        QVERIFY2(run.seconds * 1000 < limitMs, qPrintable(QString::number(run.seconds)));
        QVERIFY2(run.peakKiB < HostileFiles::memoryLimitKiB(), qPrintable(QString::number(run.peakKiB)));
        const QList<QByteArray> result = run.out.trimmed().split(' ');
        if (size.isEmpty()) {
            QCOMPARE(run.out, QByteArray("null\n"));
            return;
        }
        QCOMPARE(result.value(0), QByteArray::number(size.width()) + 'x' + QByteArray::number(size.height()));
        if (name.endsWith(u".pdf")) {
            // Black in the top left tenth of the page, white in its middle.
            QVERIFY2(result.value(1) == "corner=0" && result.value(2) == "centre=255", run.out.constData());
        }
    }
};

QTEST_GUILESS_MAIN(TestHostileImageFiles)
#include "tst_hostileimagefiles.moc"

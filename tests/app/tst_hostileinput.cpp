// Convert Clipboard, drops on the history window and Open... given input that is not what it says it
// is, through the delegate with the real clipboard (of the offscreen platform) and the real image
// loader: each ends quietly (nothing recognised, nothing counted, nothing copied) within the time
// limit, and the process stays within the memory limit (hostilefiles.h). A good image still goes
// through each path.
#include "appdelegate.h"
#include "fakeplatform.h"
#include "fakerecognitionengine.h"
#include "historywindow.h"
#include "hostilefiles.h"
#include "linux/boundedimageloader.h"
#include "linux/clipboardpasteboard.h"
#include "recognitionenginepool.h"
#include "settingsviewmodel.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageWriter>
#include <QMimeData>
#include <QTemporaryDir>
#include <QtEndian>
#include <QTest>

#include <atomic>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The real loader, counting the loads that have finished.
class CountingImageLoader : public ImageLoader {
public:
    QImage loadFile(const QString& path) const override
    {
        const QImage image = m_loader.loadFile(path);
        ++m_finished;
        return image;
    }
    QImage loadData(const QByteArray& data) const override
    {
        const QImage image = m_loader.loadData(data);
        ++m_finished;
        return image;
    }
    int finished() const { return m_finished; }

private:
    BoundedImageLoader m_loader;
    mutable std::atomic<int> m_finished = 0;
};

QByteArray encoded(const QImage& image, const char* format)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(image);
    return buffer.data();
}

QImage sample()
{
    QImage image(120, 80, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 20; y < 60; ++y) {
        for (int x = 10; x < 110; ++x)
            image.setPixel(x, y, qRgb((x * 37 + y * 11) % 256, (x * y) % 256, (x * 5 + y * 97) % 256));
    }
    return image;
}

QByteArray bmpClaiming(qint32 width, qint32 height)
{
    QByteArray bmp = encoded(sample(), "bmp");
    qToLittleEndian(width, bmp.data() + 18);
    qToLittleEndian(height, bmp.data() + 22);
    return bmp;
}

} // namespace

class TestHostileInput : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    struct Fixture {
        FakePlatform fakes;
        std::shared_ptr<CountingImageLoader> loader = std::make_shared<CountingImageLoader>();
        std::shared_ptr<FakeRecognitionRecord> record = std::make_shared<FakeRecognitionRecord>();
        std::shared_ptr<RecognitionEnginePool> pool = std::make_shared<RecognitionEnginePool>(
            FakeRecognitionEngine::factory(
                record, [](const QImage&) { return FakeRecognitionEngine::lines({"recognised"}); }),
            1);
        std::unique_ptr<AppDelegate> delegate;

        Fixture()
        {
            // The real clipboard and loader in place of the fakes.
            fakes.platform.pasteboard = std::make_unique<ClipboardPasteboard>();
            fakes.pasteboard = nullptr;
            fakes.platform.imageLoader = loader;
            fakes.screens->screenList = {{QStringLiteral("ONE"), QRectF(0, 0, 800, 600), 1.0, 1}};
            delegate = std::make_unique<AppDelegate>(fakes.platform, pool);
            delegate->applicationDidFinishLaunching();
            QGuiApplication::clipboard()->clear();
        }

        int recognised()
        {
            std::lock_guard lock(record->mutex);
            return int(record->images.size());
        }

        // Waits for the load to finish and its result to reach the main thread; the load's time.
        double settle(const QElapsedTimer& clock)
        {
            const int limit = HostileFiles::timeLimitMs();
            // A load that never ends shows as a time past the limit.
            (void)QTest::qWaitFor([&] { return loader->finished() > 0; }, limit + 5000);
            const double seconds = double(clock.nsecsElapsed()) / 1e9;
            QTest::qWait(100);
            return seconds;
        }

        // Drags the file over the history window and drops it there if the drag is accepted.
        bool drop(const QString& path)
        {
            delegate->showHistory();
            HistoryWindow* window = delegate->historyWindow();
            QMimeData files;
            files.setUrls({QUrl::fromLocalFile(path)});
            QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(window, &enter);
            if (!enter.isAccepted())
                return false;
            QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(window, &drop);
            return true;
        }
    };

    QString path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }

    // The load ended in time within memory; recognised and counted as given.
    static void checkEnd(Fixture& fixture, double seconds, int recognised, qint64 counted)
    {
        qInfo("%.3f s, process peak %lld MiB", seconds, HostileFiles::highWaterKiB(::getpid()) / 1024);
        QCOMPARE(fixture.loader->finished(), 1);
        QVERIFY2(seconds * 1000 < HostileFiles::timeLimitMs(), qPrintable(QString::number(seconds)));
        QVERIFY(HostileFiles::highWaterKiB(::getpid()) < HostileFiles::memoryLimitKiB());
        QCOMPARE(fixture.recognised(), recognised);
        QCOMPARE(fixture.delegate->settingsViewModel().numberOfCaptures().value(), counted);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QGuiApplication::clipboard());
        QCOMPARE(::mkfifo(QFile::encodeName(path("x.png")), 0644), 0);
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path("zero.png")));
        QVERIFY(HostileFiles::writeSparse(path("big.png"), qint64(2) << 30));
        QVERIFY(QFile::link(path("loop-b.png"), path("loop-a.png")));
        QVERIFY(QFile::link(path("loop-a.png"), path("loop-b.png")));
        QVERIFY(HostileFiles::writeBytes(path("empty.pdf"), {}));
        const QByteArray pdf = HostileFiles::pdfPage(612, 792);
        QVERIFY(HostileFiles::writeBytes(path("truncated.pdf"), pdf.left(pdf.size() / 2)));
        QVERIFY(HostileFiles::writeBytes(path("claims.png"), HostileFiles::pngClaiming(100000, 100000)));
        QVERIFY(HostileFiles::writeZeroPng(path("bomb.png"), 32768, 32768, 8, 0));
        QVERIFY(HostileFiles::writeBytes(path("claims.tiff"), HostileFiles::tiffClaiming(1000000, 1000000)));
        QVERIFY(HostileFiles::writeBytes(path("good.png"), encoded(sample(), "png")));
    }

    void convertClipboardEndsQuietlyOnMalformedImages_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QByteArray>("bytes");
        QByteArray garbage(8192, '\0');
        for (qsizetype i = 0; i < garbage.size(); ++i)
            garbage[i] = char((i * 7919 + 13) % 251);
        QFile bomb(path("bomb.png"));
        QVERIFY(bomb.open(QIODevice::ReadOnly));
        const QByteArray png = encoded(sample(), "png");
        QTest::newRow("png of garbage") << "image/png" << garbage;
        QTest::newRow("png signature, then garbage")
            << "image/png" << QByteArray("\x89PNG\r\n\x1a\n") + garbage;
        QTest::newRow("png cut short") << "image/png" << png.left(png.size() / 2);
        QTest::newRow("png claiming 100000 x 100000")
            << "image/png" << HostileFiles::pngClaiming(100000, 100000);
        QTest::newRow("png decompression bomb") << "image/png" << bomb.readAll();
        QTest::newRow("tiff of garbage") << "image/tiff" << QByteArray("II*\0", 4) + garbage;
        QTest::newRow("tiff claiming 1000000 x 1000000")
            << "image/tiff" << HostileFiles::tiffClaiming(1000000, 1000000);
        QTest::newRow("bmp claiming 40000 x 40000") << "image/bmp" << bmpClaiming(40000, 40000);
        QTest::newRow("jpeg of garbage") << "image/jpeg" << QByteArray("\xFF\xD8\xFF\xE0", 4) + garbage;
        QTest::newRow("pdf as png") << "image/png" << HostileFiles::pdfPage(612, 792).chopped(200);
        QTest::newRow("good png") << "image/png" << png;
    }

    void convertClipboardEndsQuietlyOnMalformedImages()
    {
        QFETCH(QString, type);
        QFETCH(QByteArray, bytes);
        Fixture fixture;
        auto* content = new QMimeData;
        content->setData(type, bytes);
        QGuiApplication::clipboard()->setMimeData(content);
        QVERIFY(fixture.fakes.platform.pasteboard->hasImage());
        QCOMPARE(fixture.fakes.platform.pasteboard->imageData(), bytes);

        QElapsedTimer clock;
        clock.start();
        fixture.delegate->perform(MenuCommand::importClipboard);
        const bool good = QTest::currentDataTag() == QByteArray("good png");
        checkEnd(fixture, fixture.settle(clock), good ? 1 : 0, good ? 1 : 0);
        if (QTest::currentTestFailed())
            return;
        // Nothing replaced the image on the clipboard, but a recognised one.
        QCOMPARE(fixture.fakes.platform.pasteboard->string().has_value(), good);
    }

    void dropsAndOpenEndQuietlyOnFilesThatAreNoImages_data()
    {
        QTest::addColumn<bool>("open"); // else dropped
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("dragRefused");
        for (const char* name : {"x.png", "zero.png", "big.png", "loop-a.png", "empty.pdf", "truncated.pdf",
                                 "claims.png", "bomb.png", "claims.tiff", "good.png"}) {
            // A link that leads nowhere is no file to drag.
            QTest::addRow("%s dropped", name) << false << name << (qstrcmp(name, "loop-a.png") == 0);
            QTest::addRow("%s opened", name) << true << name << false;
        }
    }

    void dropsAndOpenEndQuietlyOnFilesThatAreNoImages()
    {
        QFETCH(bool, open);
        QFETCH(QString, name);
        QFETCH(bool, dragRefused);
        Fixture fixture;
        QElapsedTimer clock;
        clock.start();
        if (open) {
            fixture.fakes.openPanel->answer = QStringList{m_dir.filePath(name)};
            fixture.delegate->perform(MenuCommand::open);
        } else if (!fixture.drop(m_dir.filePath(name))) {
            QVERIFY(dragRefused);
            QTest::qWait(100);
            QCOMPARE(fixture.loader->finished(), 0);
            QCOMPARE(fixture.recognised(), 0);
            return;
        }
        QVERIFY(!dragRefused);
        // Open and drops recognise without counting.
        checkEnd(fixture, fixture.settle(clock), name == u"good.png" ? 1 : 0, 0);
    }
};

QTEST_MAIN(TestHostileInput)
#include "tst_hostileinput.moc"

#include "linux/boundedimageloader.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QImageWriter>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QtEndian>
#include <QTest>

#include <atomic>
#include <thread>

namespace {

// 240 x 160: a black block top left, a blue one bottom right, noise between them so that encoded data
// spreads over the whole file.
QImage sample(bool alpha = false)
{
    QImage image(240, 160, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    image.fill(alpha ? QColor(255, 255, 255, 128) : QColor(Qt::white));
    for (int y = 60; y < 100; ++y) {
        for (int x = 0; x < 240; ++x)
            image.setPixel(x, y, qRgb((x * 37 + y * 11) % 256, (x * y) % 256, (x * 5 + y * 97) % 256));
    }
    QPainter painter(&image);
    painter.fillRect(0, 0, 60, 40, Qt::black);
    painter.fillRect(180, 120, 60, 40, Qt::blue);
    return image;
}

QByteArray encode(const QImage& image, const char* format,
                  QImageIOHandler::Transformations transformation = QImageIOHandler::TransformationNone)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setTransformation(transformation);
    return writer.write(image) ? buffer.data() : QByteArray();
}

// Two 4 x 3 inch pages from QPdfWriter: the first black on its left half with a disc on the right, the
// second black on its right half.
QByteArray writtenPdf()
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QSizeF(4, 3), QPageSize::Inch));
    writer.setPageMargins(QMarginsF());
    writer.setResolution(72);
    QPainter painter(&writer);
    painter.fillRect(0, 0, 144, 216, Qt::black);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::black);
    painter.drawEllipse(QPointF(216, 108), 40, 40);
    writer.newPage();
    painter.fillRect(144, 0, 144, 216, Qt::black);
    painter.end();
    return buffer.data();
}

// A hand-made PDF: object n is objects[n - 1]; a correct cross-reference table.
QByteArray pdfFile(const QList<QByteArray>& objects, const QByteArray& trailer = {})
{
    QByteArray out = "%PDF-1.4\n";
    QByteArray xref = "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype i = 0; i < objects.size(); ++i) {
        xref += QByteArray::number(out.size()).rightJustified(10, '0') + " 00000 n \n";
        out += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    return out + xref + "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R " +
           trailer + " >>\nstartxref\n" + QByteArray::number(out.size()) + "\n%%EOF\n";
}

// One 200 x 100 point page whose content stream (filling the left half black) is given.
QByteArray onePagePdf(const QByteArray& pageExtra = {}, const QByteArray& content = "0 0 100 100 re f",
                      const QByteArray& trailer = {}, const QByteArray& extraObject = {})
{
    QList<QByteArray> objects{
        "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Contents 4 0 R " + pageExtra + " >>",
        "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content + "\nendstream"};
    if (!extraObject.isEmpty())
        objects.append(extraObject);
    return pdfFile(objects, trailer);
}

QByteArray rc4(const QByteArray& key, QByteArray data)
{
    quint8 s[256];
    for (int i = 0; i < 256; ++i)
        s[i] = quint8(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + quint8(key[i % key.size()])) % 256;
        std::swap(s[i], s[j]);
    }
    for (qsizetype n = 0, i = 0, j = 0; n < data.size(); ++n) {
        i = (i + 1) % 256;
        j = (j + s[i]) % 256;
        std::swap(s[i], s[j]);
        data[n] = char(data[n] ^ s[(s[i] + s[j]) % 256]);
    }
    return data;
}

// onePagePdf() under the standard 40-bit security handler; an empty user password opens without asking.
QByteArray encryptedPdf(const QByteArray& userPassword)
{
    const auto md5 = [](const QByteArray& data) {
        return QCryptographicHash::hash(data, QCryptographicHash::Md5);
    };
    const QByteArray padding =
        QByteArray::fromHex("28BF4E5E4E758A4164004E56FFFA01082E2E00B6D0683E802F0CA9FE6453697A");
    const auto padded = [&](const QByteArray& password) { return (password + padding).left(32); };
    const QByteArray id = md5("oculo");
    const QByteArray owner = rc4(md5(padded("owner")).left(5), padded(userPassword));
    const QByteArray key =
        md5(padded(userPassword) + owner + QByteArray::fromHex("FCFFFFFF") + id).left(5); // P -4
    const QByteArray contentKey = md5(key + QByteArray::fromHex("0400000000")).left(10);  // object 4
    return onePagePdf({}, rc4(contentKey, "0 0 100 100 re f"),
                      "/Encrypt 5 0 R /ID [<" + id.toHex() + "> <" + id.toHex() + ">]",
                      "<< /Filter /Standard /V 1 /R 2 /P -4 /O <" + owner.toHex() + "> /U <" +
                          rc4(key, padding).toHex() + "> >>");
}

quint32 crc32(const QByteArray& data)
{
    quint32 crc = 0xFFFFFFFF;
    for (char c : data) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

// Real images whose headers are made to claim 40000 x 40000 pixels.
QByteArray hugePng()
{
    QByteArray png = encode(sample(), "png");
    qToBigEndian(quint32(40000), png.data() + 16);
    qToBigEndian(quint32(40000), png.data() + 20);
    qToBigEndian(crc32(png.mid(12, 17)), png.data() + 29); // the header chunk's checksum
    return png;
}

QByteArray hugeBmp(qint32 height)
{
    QByteArray bmp = encode(sample(), "bmp");
    qToLittleEndian(qint32(40000), bmp.data() + 18);
    qToLittleEndian(height, bmp.data() + 22);
    return bmp;
}

QByteArray hugeJpeg()
{
    QByteArray jpeg = encode(sample(), "jpeg");
    const qsizetype frame = jpeg.indexOf("\xFF\xC0");
    qToBigEndian(quint16(40000), jpeg.data() + frame + 5);
    qToBigEndian(quint16(40000), jpeg.data() + frame + 7);
    return jpeg;
}

bool isDark(QRgb pixel)
{
    return qGray(pixel) < 60;
}

bool isLight(QRgb pixel)
{
    return qGray(pixel) > 200;
}

} // namespace

class TestImageLoader : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        QFile file(m_dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? file.fileName()
                                                                                    : QString();
    }

    // Loads the bytes from a file and from memory; a 1 x 1 image stands for the two disagreeing.
    QImage loadBoth(const BoundedImageLoader& loader, const QByteArray& bytes, const QString& name)
    {
        const QImage fromFile = loader.loadFile(writeFile(name, bytes));
        return fromFile == loader.loadData(bytes) ? fromFile : QImage(1, 1, QImage::Format_Mono);
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void decodesByContent_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("alpha");
        QTest::newRow("png") << QByteArray("png") << "image.png" << false;
        QTest::newRow("png with alpha") << QByteArray("png") << "alpha.png" << true;
        QTest::newRow("jpeg") << QByteArray("jpeg") << "photo.jpg" << false;
        QTest::newRow("tiff") << QByteArray("tiff") << "scan.tiff" << false;
        QTest::newRow("bmp") << QByteArray("bmp") << "image.bmp" << false;
        QTest::newRow("webp") << QByteArray("webp") << "image.webp" << false;
        QTest::newRow("png named .jpg") << QByteArray("png") << "misnamed.jpg" << false;
    }

    void decodesByContent()
    {
        QFETCH(QByteArray, format);
        QFETCH(QString, fileName);
        QFETCH(bool, alpha);
        const QImage image =
            loadBoth(BoundedImageLoader(), encode(sample(alpha), format.constData()), fileName);
        QCOMPARE(image.size(), QSize(240, 160));
        QCOMPARE(image.format(), alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        QCOMPARE(image.devicePixelRatio(), 1.0);
        QVERIFY(isDark(image.pixel(20, 20)));
        QVERIFY(qBlue(image.pixel(220, 150)) > 200 && qRed(image.pixel(220, 150)) < 60);
    }

    void appliesOrientation_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::newRow("jpeg") << QByteArray("jpeg");
        QTest::newRow("tiff") << QByteArray("tiff");
    }

    void appliesOrientation()
    {
        QFETCH(QByteArray, format);
        // Stored landscape, tagged as turned a quarter clockwise: the top-left block ends up top right.
        const QImage image = BoundedImageLoader().loadData(
            encode(sample(), format.constData(), QImageIOHandler::TransformationRotate90));
        QCOMPARE(image.size(), QSize(160, 240));
        QVERIFY(isDark(image.pixel(140, 20)));
        QVERIFY(isLight(image.pixel(20, 20)));
    }

    void keepsDataAfterJpegEnd()
    {
        // Some cameras append more (a video, say) after the end of the picture.
        const QByteArray bytes = encode(sample(), "jpeg") + QByteArray(5000, '\x42');
        QCOMPARE(BoundedImageLoader().loadData(bytes).size(), QSize(240, 160));
    }

    void rendersFirstPdfPage()
    {
        const QImage image = loadBoth(BoundedImageLoader(), writtenPdf(), QStringLiteral("document.pdf"));
        QCOMPARE(image.size(), QSize(1200, 900)); // 4 x 3 inches at 300 dpi
        QCOMPARE(image.devicePixelRatio(), 1.0);
        QVERIFY(isDark(image.pixel(300, 450)));
        QVERIFY(isLight(image.pixel(1100, 100)));
        int grey = 0; // along the disc's antialiased edge, around its lower right diagonal
        for (int y = 553; y < 583; ++y) {
            for (int x = 1003; x < 1033; ++x)
                grey += qGray(image.pixel(x, y)) > 40 && qGray(image.pixel(x, y)) < 215;
        }
        QVERIFY(grey > 10);
    }

    void rendersHandMadePdf_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("light");
        QTest::newRow("upright") << onePagePdf() << QSize(833, 416) << QPoint(600, 200);
        QTest::newRow("page turned") << onePagePdf("/Rotate 90") << QSize(416, 833) << QPoint(200, 600);
        QTest::newRow("encrypted, no password") << encryptedPdf({}) << QSize(833, 416) << QPoint(600, 200);
    }

    void rendersHandMadePdf()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, size);
        QFETCH(QPoint, light);
        const QImage image = loadBoth(BoundedImageLoader(), bytes, QStringLiteral("named.png"));
        QCOMPARE(image.size(), size);
        QVERIFY(isDark(image.pixel(200, 200)));
        QVERIFY(isLight(image.pixel(light)));
    }

    void fitsPdfPageInLimits()
    {
        BoundedImageLoader::Limits limits;
        limits.maxSide = 1000;
        limits.maxPixels = 500000;
        const QImage image = BoundedImageLoader(limits).loadData(writtenPdf());
        QVERIFY(image.width() <= 1000 && qint64(image.width()) * image.height() <= 500000);
        QVERIFY(qint64(image.width()) * image.height() > 480000); // as large as fits
        QVERIFY(qAbs(double(image.width()) / image.height() - 4.0 / 3.0) < 0.01);
    }

    void enforcesLimits_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<qint64>("maxPixels");
        QTest::addColumn<bool>("loads");
        const qint64 pixels = BoundedImageLoader::Limits().maxPixels;
        QTest::newRow("longest side") << QSize(16384, 1) << pixels << true;
        QTest::newRow("too wide") << QSize(16385, 1) << pixels << false;
        QTest::newRow("too tall") << QSize(1, 16385) << pixels << false;
        QTest::newRow("most pixels") << QSize(100, 100) << qint64(10000) << true;
        QTest::newRow("too many pixels") << QSize(101, 100) << qint64(10000) << false;
    }

    void enforcesLimits()
    {
        QFETCH(QSize, size);
        QFETCH(qint64, maxPixels);
        QFETCH(bool, loads);
        BoundedImageLoader::Limits limits;
        limits.maxPixels = maxPixels;
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::gray);
        for (const char* format : {"png", "bmp", "tiff"})
            QVERIFY2(BoundedImageLoader(limits).loadData(encode(image, format)).isNull() != loads, format);
    }

    void decodesLargestAllowedImage()
    {
        // The whole pixel budget at four bytes a pixel is 256 MiB, beyond Qt's default allocation limit.
        const BoundedImageLoader loader;
        QCOMPARE(loader.limits().maxPixels, qint64(16384) * 4096);
        QImage image(16384, 4096, QImage::Format_RGB32);
        image.fill(Qt::white);
        image.setPixel(16383, 4095, qRgb(0, 0, 0));
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        writer.setCompression(1);
        QVERIFY(writer.write(image));
        image = QImage();
        const QImage loaded = loader.loadData(buffer.data());
        QCOMPARE(loaded.size(), QSize(16384, 4096));
        QVERIFY(isDark(loaded.pixel(16383, 4095)));
    }

    void refusesBadInput_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("empty") << QByteArray() << "empty.png";
        QTest::newRow("text named .png") << QByteArray("Not an image at all.\nJust text.\n") << "notes.png";
        const QList<std::pair<const char*, QByteArray>> valid{
            {"png", encode(sample(), "png")},   {"jpeg", encode(sample(), "jpeg")},
            {"tiff", encode(sample(), "tiff")}, {"bmp", encode(sample(), "bmp")},
            {"webp", encode(sample(), "webp")}, {"pdf", writtenPdf()}};
        for (const auto& [name, bytes] : valid) {
            for (double fraction : {0.1, 0.5, 0.9}) {
                QTest::addRow("%s cut to %d%%", name, int(fraction * 100))
                    << bytes.left(qsizetype(bytes.size() * fraction)) << QStringLiteral("cut.%1").arg(name);
            }
        }
        QTest::newRow("jpeg without end marker") << valid[1].second.chopped(2) << "photo.jpg";
        QTest::newRow("bmp one byte short") << valid[3].second.chopped(1) << "image.bmp";
        QByteArray damaged = valid[0].second;
        damaged[damaged.size() / 2] = char(damaged[damaged.size() / 2] ^ 0xFF);
        QTest::newRow("png with a damaged byte") << damaged << "image.png";
        // An update appended to a complete file, cut short: only the older version would be left.
        QTest::newRow("pdf update cut short")
            << onePagePdf() + "4 0 obj\n<< /Length 3000 >>\nstream\n" + QByteArray(2000, ' ')
            << "updated.pdf";
        QTest::newRow("pdf header, then junk") << "%PDF-1.7\n" + QByteArray(2000, 'x') + "\n%%EOF\n"
                                               << "junk.pdf";
        QTest::newRow("pdf without pages")
            << pdfFile({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>"})
            << "empty.pdf";
        QTest::newRow("pdf locked by a password") << encryptedPdf("secret") << "locked.pdf";
        QTest::newRow("png claiming 40000 x 40000") << hugePng() << "huge.png";
        QTest::newRow("bmp claiming 40000 x 40000") << hugeBmp(40000) << "huge.bmp";
        QTest::newRow("bmp claiming 40000 x -40000") << hugeBmp(-40000) << "huge.bmp";
        QTest::newRow("jpeg claiming 40000 x 40000") << hugeJpeg() << "huge.jpg";
    }

    void refusesBadInput()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, fileName);
        const BoundedImageLoader loader;
        QVERIFY(loader.loadData(bytes).isNull());
        QVERIFY(loader.loadFile(writeFile(fileName, bytes)).isNull());
    }

    void refusesWhatIsNotAFile()
    {
        const BoundedImageLoader loader;
        for (const QString& path : {m_dir.path(), m_dir.filePath(QStringLiteral("missing.png")), QString(),
                                    QStringLiteral("/dev/zero")})
            QVERIFY2(loader.loadFile(path).isNull(), qPrintable(path));
    }

    void usableFromSeveralThreads()
    {
        const BoundedImageLoader loader;
        const QList<QByteArray> inputs{encode(sample(), "png"),
                                       encode(sample(), "jpeg"),
                                       encode(sample(), "tiff"),
                                       encode(sample(), "webp"),
                                       writtenPdf(),
                                       hugePng()};
        QList<QImage> expected;
        QStringList paths;
        for (const QByteArray& bytes : inputs) {
            expected.append(loader.loadData(bytes));
            paths.append(writeFile(QStringLiteral("shared-%1").arg(paths.size()), bytes));
        }
        std::atomic<int> mismatches = 0;
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&, t] {
                for (qsizetype i = 0; i < 3 * inputs.size(); ++i) {
                    const qsizetype k = (i + t) % inputs.size();
                    mismatches +=
                        (t % 2 ? loader.loadData(inputs[k]) : loader.loadFile(paths[k])) != expected[k];
                }
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        QCOMPARE(mismatches.load(), 0);
        QVERIFY(!expected.first().isNull() && expected.last().isNull());
    }
};

QTEST_GUILESS_MAIN(TestImageLoader)
#include "tst_imageloader.moc"

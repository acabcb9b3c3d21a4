#include "imagepreparation.h"
#include "textimages.h"

#include <QTest>

using namespace ImagePreparation;

namespace {

const QStringList sample = {"Copy the text on the screen", "Paste it anywhere you like"};

int darkestPixel(const QImage& grey)
{
    int darkest = 255;
    for (int y = 0; y < grey.height(); ++y)
        darkest = std::min<int>(
            darkest, *std::min_element(grey.constScanLine(y), grey.constScanLine(y) + grey.width()));
    return darkest;
}

} // namespace

class TestImagePreparation : public QObject {
    Q_OBJECT
private slots:
    void inkIsDarkOnWhiteWhateverItsColour_data()
    {
        QTest::addColumn<QColor>("background");
        QTest::addColumn<QColor>("pixel");
        QTest::addColumn<int>("grey");
        QTest::newRow("black on white") << QColor(Qt::white) << QColor(Qt::black) << 0;
        QTest::newRow("light on dark") << QColor("#1e1e1e") << QColor("#d4d4d4") << 73;
        QTest::newRow("green prompt on dark") << QColor("#1e1e1e") << QColor("#00cd00") << 177;
        QTest::newRow("subpixel fringe on white") << QColor(Qt::white) << QColor("#ff6000") << 117;
        QTest::newRow("subpixel fringe on black") << QColor(Qt::black) << QColor("#0060ff") << 138;
    }

    void inkIsDarkOnWhiteWhateverItsColour()
    {
        QFETCH(QColor, background);
        QFETCH(QColor, pixel);
        QFETCH(int, grey);
        QImage image(3, 3, QImage::Format_RGB32);
        image.fill(background);
        image.setPixelColor(1, 1, pixel);
        QCOMPARE(QColor(backgroundColour(image)), background);
        const QImage ink = inkImage(image, background.rgb());
        QCOMPARE(ink.format(), QImage::Format_Grayscale8);
        QVERIFY(qAbs(qGray(ink.pixel(1, 1)) - grey) <= 1);
        QCOMPARE(qGray(ink.pixel(0, 0)), 255);
    }

    void textHeightIsAboutTheFontSize_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("pixelSize");
        QTest::addColumn<int>("lines");
        QTest::addColumn<bool>("framed");
        for (const char* family : {"DejaVu Sans", "Liberation Serif", "DejaVu Sans Mono"}) {
            for (int size : {9, 13, 18, 26, 40})
                QTest::addRow("%s %d", family, size) << QString(family) << size << 2 << false;
        }
        QTest::newRow("one line") << "DejaVu Sans" << 12 << 1 << false;
        // A box round the text, as when a text field is captured with its border.
        QTest::newRow("framed small") << "DejaVu Sans" << 11 << 2 << true;
        QTest::newRow("framed large") << "DejaVu Sans" << 30 << 2 << true;
    }

    void textHeightIsAboutTheFontSize()
    {
        QFETCH(QString, family);
        QFETCH(int, pixelSize);
        QFETCH(int, lines);
        QFETCH(bool, framed);
        QImage image = TextImages::render(sample.mid(0, lines), family, pixelSize, Qt::black, Qt::white);
        if (framed) {
            QPainter painter(&image);
            painter.drawRect(image.rect().adjusted(0, 0, -1, -1));
        }
        QCOMPARE(QColor(backgroundColour(image)), QColor(Qt::white));
        const int height = estimateTextHeight(inkImage(image, qRgb(255, 255, 255)));
        QVERIFY2(height >= pixelSize * 0.7 && height <= pixelSize * 1.3, qPrintable(QString::number(height)));
    }

    void noInkNoTextHeight()
    {
        QImage image(120, 40, QImage::Format_Grayscale8);
        image.fill(255);
        image.setPixel(60, 10, qRgb(245, 245, 245)); // too faint for ink
        QCOMPARE(estimateTextHeight(image), 0);
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, 20, qRgb(0, 0, 0)); // a rule, no text
        QCOMPARE(estimateTextHeight(image), 0);
        QCOMPARE(estimateTextHeight(QImage()), 0);
    }

    void enlargingKeepsEdgesInPlace()
    {
        QImage step(8, 4, QImage::Format_Grayscale8);
        for (int y = 0; y < step.height(); ++y) {
            std::fill_n(step.scanLine(y), 4, 0);
            std::fill_n(step.scanLine(y) + 4, 4, 255);
        }
        const QImage big = upscaled(step, 2);
        QCOMPARE(big.size(), QSize(16, 8));
        for (int y = 0; y < big.height(); ++y) {
            const uchar* row = big.constScanLine(y);
            QCOMPARE(row[0], uchar(0));
            QCOMPARE(row[15], uchar(255));
            QVERIFY(row[6] < 20 && row[9] > 235);
        }
        QCOMPARE(upscaled(step, 1), step);
    }

    void preparedImages_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<int>("scale");
        QTest::addColumn<bool>("inverted");
        using TextImages::render;
        QTest::newRow("small dark on light")
            << render(sample, "DejaVu Sans", 12, "#1f1f1f", "#f6f6f6") << 2 << false;
        QTest::newRow("small light on dark")
            << render(sample, "DejaVu Sans", 12, "#d8d8d8", "#1e1e1e") << 2 << true;
        QTest::newRow("small dim") << render(sample, "Liberation Sans", 10, "#a8a8a8", "#2d2d2d") << 2
                                   << true;
        QTest::newRow("HiDPI dark") << render(sample, "DejaVu Sans", 12, "#d8d8d8", "#1e1e1e", 2) << 1
                                    << true;
        QTest::newRow("large white on navy")
            << render(sample, "Liberation Serif", 24, Qt::white, "#1c3d72") << 1 << true;
        QTest::newRow("large on grey")
            << render(sample, "DejaVu Sans", 32, "#3c3c3c", "#e4e4e4") << 1 << false;
        QTest::newRow("indexed colours") << render(sample, "DejaVu Sans", 11, Qt::white, Qt::black)
                                                .convertToFormat(QImage::Format_Indexed8)
                                         << 2 << true;
        // Transparency is background: black text on it must not vanish into black.
        QImage transparent(200, 40, QImage::Format_ARGB32);
        transparent.fill(Qt::transparent);
        QPainter painter(&transparent);
        painter.setFont(TextImages::font("DejaVu Sans", 12));
        painter.drawText(6, 25, sample[0]);
        painter.end();
        QTest::newRow("black on transparent") << transparent << 2 << false;
    }

    void preparedImages()
    {
        QFETCH(QImage, image);
        QFETCH(int, scale);
        QFETCH(bool, inverted);
        const PreparedImage prepared = prepare(image);
        QCOMPARE(prepared.scale, scale);
        QCOMPARE(prepared.inverted, inverted);
        QCOMPARE(prepared.image.format(), QImage::Format_Grayscale8);
        // Exactly the crop, enlarged: no border added.
        QCOMPARE(prepared.image.size(), image.size() * scale);
        // Dark text on white, whatever the theme.
        QCOMPARE(qGray(prepared.image.pixel(0, 0)), 255);
        QCOMPARE(qGray(prepared.image.pixel(prepared.image.width() - 1, prepared.image.height() - 1)), 255);
        QVERIFY(darkestPixel(prepared.image) < 170);
        QVERIFY(prepare(QImage()).image.isNull());
    }
};

QTEST_MAIN(TestImagePreparation)
#include "tst_imagepreparation.moc"

#include "previewlayout.h"
#include "previewtext.h"

#include <QFontMetricsF>
#include <QTest>

using namespace PreviewLayout;

class TestPreviewLayout : public QObject {
    Q_OBJECT
private slots:
    void cardsStackUpwardsFromTheBottomRightCorner()
    {
        const QRectF area(100, 50, 1280, 800);
        const QList<QRectF> rects = stack(area, {{337, 106}, {300, 150}, {337, 120}});
        QCOMPARE(rects.size(), 3);
        // The newest at the bottom, 100 above the area's bottom edge and 20 from its right one.
        QCOMPARE(rects[2].bottom(), area.bottom() - 100);
        for (const QRectF& rect : rects)
            QCOMPARE(rect.right(), area.right() - 20);
        // 20 between neighbours, the oldest on top, each keeping its size.
        QCOMPARE(rects[1].bottom(), rects[2].top() - 20);
        QCOMPARE(rects[0].bottom(), rects[1].top() - 20);
        QCOMPARE(rects[1].size(), QSizeF(300, 150));
        QVERIFY(stack(area, {}).isEmpty());
    }

    void cardPartsLeaveTheTextItsFixedWidth_data()
    {
        QTest::addColumn<double>("textHeight");
        QTest::addColumn<double>("cardHeight");
        // The button column: 12 + 3 x 22 + 2 x 8 + 12.
        QTest::newRow("one line") << 16.0 << 106.0;
        QTest::newRow("five lines") << 82.0 << 106.0;
        QTest::newRow("taller than the buttons") << 100.0 << 124.0;
    }
    void cardPartsLeaveTheTextItsFixedWidth()
    {
        QFETCH(double, textHeight);
        QFETCH(double, cardHeight);
        const CardGeometry card = cardGeometry(textHeight);
        QCOMPARE(card.size.height(), cardHeight);
        QCOMPARE(card.text.width(), 270.0);
        QCOMPARE(card.text.top(), 12.0);
        QCOMPARE(card.size.width() - card.text.right(), 12.0);
        QCOMPARE(card.text.left() - card.divider.right(), 12.0); // spacing 8 and padding 4
        QCOMPARE(card.divider.top(), 1.5);
        QCOMPARE(card.size.height() - card.divider.bottom(), 1.5);
        QCOMPARE(card.buttons[0].topLeft(), QPointF(12, 12));
        QCOMPARE(card.buttons[1].top() - card.buttons[0].bottom(), 8.0);
        QCOMPARE(card.buttons[2].top() - card.buttons[1].bottom(), 8.0);
        QCOMPARE(card.divider.left() - card.buttons[0].right(), 8.0);
    }

    void windowHoldsTheCardsAndTheirWaysInAndOut()
    {
        const QRectF area(0, 0, 1000, 700);
        const QList<QRectF> rects{{600, 300, 337, 106}, {643, 450, 300, 150}};
        QCOMPARE(windowGeometry(area, rects), QRect(600, 300, 400, 400));
        // A card entering from below the area, or leaving past its edge, makes it no larger.
        QCOMPARE(windowGeometry(area, {QRectF(600, 700, 337, 106)}), QRect());
        QCOMPARE(windowGeometry(area, {QRectF(1000, 500, 337, 106), QRectF(600, 300, 337, 106)}),
                 QRect(600, 300, 400, 400));
        // A stack taller than the area is cut at its top.
        QCOMPARE(windowGeometry(area, {QRectF(600, -50, 337, 800)}), QRect(600, 0, 400, 700));
        QCOMPARE(windowGeometry(area, {}), QRect());
        QCOMPARE(windowGeometry(QRectF(), rects), QRect());
    }

    void roundedRegionCutsOnlyTheCorners()
    {
        const QRegion region = roundedRegion(QSize(337, 106), 14);
        QCOMPARE(region.boundingRect(), QRect(0, 0, 337, 106));
        for (const QPoint corner :
             {QPoint(0, 0), QPoint(336, 0), QPoint(0, 105), QPoint(336, 105), QPoint(2, 2)})
            QVERIFY2(!region.contains(corner),
                     qPrintable(QStringLiteral("%1,%2").arg(corner.x()).arg(corner.y())));
        for (const QPoint inside :
             {QPoint(14, 0), QPoint(0, 14), QPoint(322, 105), QPoint(336, 91), QPoint(5, 5), QPoint(168, 53)})
            QVERIFY(region.contains(inside));
        // Symmetric: as many pixels cut at the top as at the bottom.
        QCOMPARE((region & QRect(0, 0, 337, 14)).rectCount(), (region & QRect(0, 92, 337, 14)).rectCount());
        QVERIFY(roundedRegion(QSize(0, 10), 4).isEmpty());
        QCOMPARE(roundedRegion(QSize(5, 5), 0), QRegion(0, 0, 5, 5));
    }

    void textShowsAtMostFiveLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("lastIsCut");
        QStringList ten;
        for (int i = 1; i <= 10; ++i)
            ten.append(QStringLiteral("line %1").arg(i));
        QTest::newRow("short") << QStringLiteral("Hello") << QStringList{QStringLiteral("Hello")} << false;
        QTest::newRow("five lines") << ten.mid(0, 5).join(u'\n') << ten.mid(0, 5) << false;
        QTest::newRow("ten lines") << ten.join(u'\n') << ten.mid(0, 5) << true;
        QTest::newRow("empty lines kept")
            << QStringLiteral("a\n\nb") << QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")}
            << false;
    }
    void textShowsAtMostFiveLines()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QFETCH(bool, lastIsCut);
        const QStringList shown = PreviewText::displayLines(text, font(), 270);
        QCOMPARE(shown.size(), lines.size());
        for (int i = 0; i < lines.size() - 1; ++i)
            QCOMPARE(shown[i], lines[i]);
        QCOMPARE(shown.last(), lastIsCut ? lines.last() + QChar(0x2026) : lines.last());
    }

    void longLinesWrapAndTheFifthIsCutToTheWidth()
    {
        const QString words = QStringLiteral("lorem ipsum dolor sit amet ").repeated(40);
        const QStringList shown = PreviewText::displayLines(words, font(), 270);
        QCOMPARE(shown.size(), 5);
        const QFontMetricsF metrics(font());
        for (const QString& line : shown) {
            QVERIFY(metrics.horizontalAdvance(line) <= 270);
            QVERIFY(!line.endsWith(u' '));
        }
        QVERIFY(shown.last().endsWith(QChar(0x2026)));
        QVERIFY(!shown.first().endsWith(QChar(0x2026)));
        // A word wider than the line is broken anywhere rather than overflowing.
        const QStringList broken = PreviewText::displayLines(QStringLiteral("x").repeated(200), font(), 270);
        QVERIFY(broken.size() > 1);
        QVERIFY(metrics.horizontalAdvance(broken.first()) <= 270);
        QCOMPARE(PreviewText::height(0, font()), 0.0);
        QVERIFY(PreviewText::height(5, font()) > 4 * PreviewText::height(1, font()));
    }

private:
    static QFont font()
    {
        QFont font;
        font.setPixelSize(13);
        return font;
    }
};

QTEST_MAIN(TestPreviewLayout)
#include "tst_previewlayout.moc"

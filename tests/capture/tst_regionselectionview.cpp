#include "appkitviewmodel.h"
#include "regionselectionview.h"

#include <QDir>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>

#include <cmath>
#include <functional>

namespace {

constexpr int width = 640;
constexpr int height = 400;

// A page of text, dark on light or light on dark, at the given scale.
QImage screenImage(bool dark, double scale = 1.0)
{
    QImage image(int(width * scale), int(height * scale), QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.fill(dark ? QColor(32, 33, 38) : QColor(244, 244, 240));
    QPainter painter(&image);
    painter.setPen(dark ? QColor(222, 222, 222) : QColor(40, 40, 40));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    painter.setFont(font);
    for (int line = 0; line < 15; ++line)
        painter.drawText(QPointF(24, 52 + 22 * line),
                         QStringLiteral("Recognised text lands on the clipboard, line %1 of a longer page.")
                             .arg(line + 1));
    return image;
}

using PixelTest = std::function<bool(QRgb shown, QRgb original)>;

// How many pixels of `area` outside `excluded` pass the test; both images in device pixels.
int countPixels(const QImage& shown, const QImage& original, const QRect& area, const QList<QRect>& excluded,
                const PixelTest& test)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QPoint p(x, y);
            const bool skipped =
                std::any_of(excluded.begin(), excluded.end(), [p](const QRect& r) { return r.contains(p); });
            if (!skipped && test(shown.pixel(p), original.pixel(p)))
                ++count;
        }
    return count;
}

const PixelTest changed = [](QRgb shown, QRgb original) { return shown != original; };

PixelTest contrastAbove(int amount)
{
    return [amount](QRgb shown, QRgb original) { return std::abs(qGray(shown) - qGray(original)) > amount; };
}

// Whether a pixel is not the original scaled by `factor`, channel by channel.
PixelTest notScaledBy(double factor)
{
    return [factor](QRgb shown, QRgb original) {
        const auto off = [factor](int s, int o) { return std::abs(s - o * factor) > 2; };
        return off(qRed(shown), qRed(original)) || off(qGreen(shown), qGreen(original)) ||
               off(qBlue(shown), qBlue(original));
    };
}

// The crosshair bands and the pointer mark around a pointer at whole point `p`.
QList<QRect> marksAround(QPoint p)
{
    return {QRect(p.x() - 3, 0, 7, height), QRect(0, p.y() - 3, width, 7),
            QRect(p.x() - 7, p.y() - 2, 14, 17)};
}

// Where the hint's text sits, in the middle of the screen.
const QRect hintText(width / 2 - 100, height / 2 - 8, 200, 16);

void save(const QImage& image, const QString& name)
{
    const QString dir = QStringLiteral(OCULO_BINARY_DIR "/screenshots");
    QDir().mkpath(dir);
    QVERIFY(image.save(dir + QStringLiteral("/overlay-%1.png").arg(name)));
}

struct Overlay {
    explicit Overlay(const QImage& background)
    {
        model.setCurrentScreen(
            ScreenDescription{QStringLiteral("main"), QRectF(0, 0, width, height), 1.0, 1});
        view.resize(width, height);
        view.setBackgroundImage(background);
    }

    void pointAt(QPoint p) { model.setFlippedMouseLocation(p.x(), p.y()); }

    void mouse(QEvent::Type type, QPoint p)
    {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, QPointF(p), view.mapToGlobal(QPointF(p)), Qt::LeftButton, held,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &event);
        QCoreApplication::processEvents();
    }

    void drag(QPoint from, QPoint to)
    {
        pointAt(from);
        mouse(QEvent::MouseButtonPress, from);
        mouse(QEvent::MouseMove, to);
    }

    QImage shot() { return view.grab().toImage().convertToFormat(QImage::Format_RGB32); }

    AppKitViewModel model;
    QList<QRectF> handled;
    RegionSelectionView view{model, 3.0, [this](const QRectF& frame) { handled.append(frame); }};
};

// In the page's right margin, so the mark lies on plain background.
const QPoint waitingPointer(560, 100);
const QPoint dragStart(500, 330);
const QPoint dragEnd(360, 240);
const QRect selection(360, 240, 140, 90);

} // namespace

class TestRegionSelectionView : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QCOMPARE(QGuiApplication::platformName(), QStringLiteral("offscreen")); }

    void waiting_data() { themes(); }
    void waiting()
    {
        QFETCH(bool, dark);
        const QImage background = screenImage(dark);
        Overlay overlay(background);
        overlay.pointAt(waitingPointer);
        const QImage shown = overlay.shot();
        save(shown, QStringLiteral("waiting-") + QTest::currentDataTag());

        QVERIFY(countPixels(shown, background, hintText, {}, contrastAbove(60)) > 300);
        const QList<QRect> allowed =
            marksAround(waitingPointer) + QList<QRect>{QRect(width / 2 - 200, height / 2 - 30, 400, 60)};
        QCOMPARE(countPixels(shown, background, shown.rect(), allowed, changed), 0);
        checkPointerMarkStandsOut(shown, background, waitingPointer);
        checkCrosshairIsFaint(shown, background, waitingPointer);
    }

    void dragging_data() { themes(); }
    void dragging()
    {
        QFETCH(bool, dark);
        const QImage background = screenImage(dark);
        Overlay overlay(background);
        overlay.drag(dragStart, dragEnd);
        QCOMPARE(overlay.model.selectedFrame().value(), QRectF(selection));
        const QImage shown = overlay.shot();
        save(shown, QStringLiteral("dragging-") + QTest::currentDataTag());

        QCOMPARE(countPixels(shown, background, hintText, marksAround(dragEnd), changed), 0);
        checkSelection(shown, background, 0.8);
        // The pointer mark takes the desktop's accent colour while dragging.
        const QColor accent = overlay.view.palette().color(QPalette::Highlight);
        QCOMPARE(QColor(shown.pixel(dragEnd + QPoint(0, 8))), accent);
        QCOMPARE(QColor(shown.pixel(dragEnd + QPoint(-5, 0))), accent);

        // Releasing hands the selection on and brings the hint back.
        overlay.mouse(QEvent::MouseButtonRelease, dragEnd);
        QCOMPARE(overlay.handled, QList<QRectF>{QRectF(selection)});
        const QImage after = overlay.shot();
        QVERIFY(countPixels(after, background, hintText, {}, contrastAbove(60)) > 300);
        QCOMPARE(countPixels(after, background, selection.adjusted(10, 10, -10, -10), marksAround(dragEnd),
                             changed),
                 0);
    }

    void movingWithSpace_data() { themes(); }
    void movingWithSpace()
    {
        QFETCH(bool, dark);
        const QImage background = screenImage(dark);
        Overlay overlay(background);
        overlay.drag(dragStart, dragEnd);
        overlay.model.setIsMovingCaptureArea(true);
        overlay.mouse(QEvent::MouseMove, QPoint(300, 200));
        const QImage shown = overlay.shot();
        save(shown, QStringLiteral("moving-") + QTest::currentDataTag());

        QCOMPARE(countPixels(shown, background, hintText, marksAround(dragEnd), changed), 0);
        checkSelection(shown, background, 0.2);
    }

    void webSearchBadge_data() { themes(); }
    void webSearchBadge()
    {
        QFETCH(bool, dark);
        const QImage background = screenImage(dark);
        Overlay overlay(background);
        overlay.pointAt(waitingPointer);
        overlay.model.setIsWebSearchKeyPressed(true);
        const QImage shown = overlay.shot();
        save(shown, QStringLiteral("websearch-") + QTest::currentDataTag());

        const QRect badge(waitingPointer + QPoint(5, 5), QSize(18, 18));
        QVERIFY(countPixels(shown, background, badge.adjusted(1, 1, -1, -1), {}, contrastAbove(30)) > 200);
        QVERIFY(countPixels(shown, background, badge, {}, [](QRgb s, QRgb) { return qGray(s) > 200; }) > 10);
        const QList<QRect> allowed = marksAround(waitingPointer) +
                                     QList<QRect>{badge, QRect(width / 2 - 200, height / 2 - 30, 400, 60)};
        QCOMPARE(countPixels(shown, background, shown.rect(), allowed, changed), 0);

        overlay.model.setIsWebSearchKeyPressed(false);
        QCOMPARE(countPixels(overlay.shot(), background, badge, marksAround(waitingPointer), changed), 0);
    }

    void actionKeyDrawsNothing()
    {
        const QImage background = screenImage(false);
        Overlay overlay(background);
        overlay.pointAt(waitingPointer);
        const QImage before = overlay.shot();
        overlay.model.setIsActionKeyPressed(true);
        QCOMPARE(overlay.shot(), before);
    }

    void crispAtScaleTwo()
    {
        const QImage background = screenImage(true, 2.0);
        Overlay overlay(background);
        overlay.pointAt(waitingPointer);
        QImage shown(background.size(), QImage::Format_RGB32);
        shown.setDevicePixelRatio(2.0);
        overlay.view.render(&shown);

        // Above the text, the vertical line from x - 1.5 to x + 1.5 covers six device pixels: a white
        // edge of two each side of a black core of two, then a soft shadow, then the page untouched.
        const int y = 30;
        const int left = 2 * waitingPointer.x() - 3;
        const auto at = [&](int x) { return qGray(shown.pixel(x, y)) - qGray(background.pixel(x, y)); };
        for (int x : {left, left + 1, left + 4, left + 5})
            QVERIFY2(at(x) > 20, qPrintable(QStringLiteral("edge pixel %1: %2").arg(x).arg(at(x))));
        for (int x : {left + 2, left + 3})
            QVERIFY2(at(x) < 0, qPrintable(QStringLiteral("core pixel %1: %2").arg(x).arg(at(x))));
        for (int x : {left - 3, left + 8})
            QCOMPARE(at(x), 0);
        // The page is drawn pixel for pixel.
        QCOMPARE(countPixels(shown, background, QRect(0, 0, 280, 180), {}, changed), 0);
    }

    void hintFadesWhileShown()
    {
        const QImage background = screenImage(false);
        Overlay overlay(background);
        overlay.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&overlay.view));
        overlay.drag(dragStart, dragEnd);
        QTRY_COMPARE(countPixels(overlay.shot(), background, hintText, marksAround(dragEnd), changed), 0);
        overlay.mouse(QEvent::MouseButtonRelease, dragEnd);
        QTRY_VERIFY(countPixels(overlay.shot(), background, hintText, {}, contrastAbove(60)) > 300);

        overlay.pointAt(waitingPointer);
        overlay.model.setIsWebSearchKeyPressed(true);
        const QRect badge(waitingPointer + QPoint(5, 5), QSize(18, 18));
        QTRY_VERIFY(countPixels(overlay.shot(), background, badge, {}, contrastAbove(30)) > 200);
    }

    void hidingEndsTheDrag()
    {
        Overlay overlay(screenImage(false));
        overlay.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&overlay.view));
        // Escape in the middle of a drag: the release goes to whatever is under the pointer then.
        overlay.drag(dragStart, dragEnd);
        overlay.view.hide();
        overlay.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&overlay.view));
        overlay.drag(dragEnd, dragStart);
        overlay.mouse(QEvent::MouseButtonRelease, dragStart);
        QTRY_COMPARE(overlay.handled, QList<QRectF>{QRectF(selection)});
    }

private:
    static void themes()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }

    // The selection darkens what lies under it by the factor, and leaves everything around it alone.
    static void checkSelection(const QImage& shown, const QImage& background, double factor)
    {
        const QList<QRect> marks = marksAround(dragEnd);
        QCOMPARE(countPixels(shown, background, selection.adjusted(1, 1, -1, -1), marks, notScaledBy(factor)),
                 0);
        QCOMPARE(countPixels(shown, background, shown.rect(), marks + QList<QRect>{selection}, changed), 0);
        // Its edge is light: brighter than the darkened inside next to it.
        const QPoint edge(430, selection.top());
        QVERIFY(qGray(shown.pixel(edge)) > qGray(shown.pixel(edge + QPoint(0, 2))));
    }

    static void checkPointerMarkStandsOut(const QImage& shown, const QImage& background, QPoint pointer)
    {
        for (const QPoint& offset : {QPoint(0, 8), QPoint(0, 12), QPoint(-5, 0), QPoint(4, 0)}) {
            const QPoint p = pointer + offset;
            QVERIFY2(contrastAbove(120)(shown.pixel(p), background.pixel(p)),
                     qPrintable(QStringLiteral("mark pixel %1,%2").arg(p.x()).arg(p.y())));
        }
    }

    // The crosshair shows, but only faintly: across each line, the strongest change is a small one.
    static void checkCrosshairIsFaint(const QImage& shown, const QImage& background, QPoint pointer)
    {
        const auto strongest = [&](QPoint p, QPoint step) {
            int difference = 0;
            for (int i = -1; i <= 1; ++i) {
                const QPoint q = p + i * step;
                difference =
                    std::max(difference, std::abs(qGray(shown.pixel(q)) - qGray(background.pixel(q))));
            }
            return difference;
        };
        for (const int difference : {strongest(QPoint(pointer.x(), 20), QPoint(1, 0)),
                                     strongest(QPoint(600, pointer.y()), QPoint(0, 1))})
            QVERIFY2(difference > 20 && difference < 70, qPrintable(QString::number(difference)));
    }
};

QTEST_MAIN(TestRegionSelectionView)
#include "tst_regionselectionview.moc"

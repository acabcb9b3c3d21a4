#include "actionbuttonstyle.h"
#include "widgetscreenshots.h"

#include <QPainter>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QTest>
#include <QVBoxLayout>

namespace {

// A button with the look, alone in a column of the given width.
struct Column {
    QWidget widget;
    QPushButton* button = new QPushButton(QStringLiteral("Go"));

    Column(bool isActive, int width)
    {
        auto* layout = new QVBoxLayout(&widget);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(button);
        layout->addStretch();
        ActionButtonStyle::apply(button, isActive);
        widget.resize(width, 200);
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
    }

    // A point on the plate away from the label.
    QColor plateAt() const
    {
        const QImage image = button->grab().toImage();
        return image.pixelColor(image.width() / 8, image.height() / 2);
    }
};

} // namespace

class TestActionButtonStyle : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { WidgetScreenshots::useFusion(false); }

    void plateColors()
    {
        QPalette palette;
        palette.setColor(QPalette::Highlight, QColor(40, 120, 200));
        QCOMPARE(ActionButtonStyle::plateColor(palette, true, false), QColor(40, 120, 200));
        QCOMPARE(ActionButtonStyle::plateColor(palette, false, false), QColor(142, 142, 147));
        // Pressing takes 0.15 off each component; none goes below zero.
        const QColor pressed = ActionButtonStyle::plateColor(palette, true, true);
        QCOMPARE(pressed.red(), 2);
        QCOMPARE(pressed.green(), 82);
        QCOMPARE(pressed.blue(), 162);
        palette.setColor(QPalette::Highlight, QColor(10, 10, 250));
        QCOMPARE(ActionButtonStyle::plateColor(palette, true, true).red(), 0);
    }

    void anActiveButtonIsPaintedOnTheAccentColourAndDarkensWhileHeld()
    {
        Column column(true, 300);
        const QColor accent = column.button->palette().color(QPalette::Highlight);
        QCOMPARE(column.plateAt(), accent);
        QTest::mousePress(column.button, Qt::LeftButton);
        QVERIFY(column.button->isDown());
        QCOMPARE(column.plateAt(), ActionButtonStyle::plateColor(column.button->palette(), true, true));
        QTest::mouseRelease(column.button, Qt::LeftButton);
        QCOMPARE(column.plateAt(), accent);
    }

    void anInactiveButtonIsGray()
    {
        Column column(false, 300);
        QCOMPARE(column.plateAt(), QColor(142, 142, 147));
    }

    void aOneWordLabelGetsAFullWidthPlateAtLeast28High()
    {
        Column column(true, 317);
        QCOMPARE(column.button->width(), 317);
        QCOMPARE(column.button->height(), 28);
        // The corners are rounded: the very corner pixel is not the plate's colour.
        const QImage image = column.button->grab().toImage();
        QVERIFY(image.pixelColor(0, 0) != column.button->palette().color(QPalette::Highlight));
    }

    void aBoundedPlateStaysWithinItsHeights()
    {
        QWidget widget;
        auto* layout = new QVBoxLayout(&widget);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* button = new QPushButton(QStringLiteral("Go"));
        layout->addWidget(button, 1);
        ActionButtonStyle::apply(button, true, 40, 60);
        widget.resize(200, 400);
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        QCOMPARE(button->height(), 60);
        widget.resize(200, 20);
        QTRY_COMPARE(button->height(), 40);
    }

    void otherControlsKeepTheBaseLook()
    {
        QPushButton plain(QStringLiteral("Go"));
        QPushButton styled(QStringLiteral("Go"));
        ActionButtonStyle::apply(&styled, true);
        plain.resize(120, 28);
        styled.resize(120, 28);
        // The same base style draws a check box either way.
        QStyleOptionButton option;
        option.initFrom(&plain);
        option.rect = QRect(0, 0, 20, 20);
        QImage viaBase(20, 20, QImage::Format_ARGB32_Premultiplied);
        QImage viaStyle(20, 20, QImage::Format_ARGB32_Premultiplied);
        viaBase.fill(Qt::transparent);
        viaStyle.fill(Qt::transparent);
        {
            QPainter painter(&viaBase);
            plain.style()->drawControl(QStyle::CE_CheckBox, &option, &painter, &plain);
        }
        {
            QPainter painter(&viaStyle);
            styled.style()->drawControl(QStyle::CE_CheckBox, &option, &painter, &styled);
        }
        QCOMPARE(viaStyle, viaBase);
    }
};

QTEST_MAIN(TestActionButtonStyle)
#include "tst_actionbuttonstyle.moc"

#include "textstyles.h"

namespace TextStyles {

namespace {

// Scales the size of the font, in whatever unit it was given; never below a readable size.
QFont scaled(const QFont& base, qreal factor, bool bold = false)
{
    QFont font = base;
    if (base.pointSizeF() > 0)
        font.setPointSizeF(qMax(7.0, base.pointSizeF() * factor));
    else
        font.setPixelSize(qMax(9, qRound(base.pixelSize() * factor)));
    font.setBold(bold);
    return font;
}

} // namespace

QFont largeTitle(const QFont& base)
{
    return scaled(base, 2.0, true);
}

QFont title(const QFont& base)
{
    return scaled(base, 1.6);
}

QFont headline(const QFont& base)
{
    return scaled(base, 1.0, true);
}

QFont footnote(const QFont& base)
{
    return scaled(base, 0.9);
}

QFont caption(const QFont& base)
{
    return scaled(base, 0.9);
}

QFont caption2(const QFont& base)
{
    return scaled(base, 0.85);
}

QFont small(const QFont& base)
{
    return scaled(base, 0.9);
}

QColor secondaryColor(const QPalette& palette)
{
    const QColor text = palette.color(QPalette::WindowText);
    const QColor window = palette.color(QPalette::Window);
    // Two thirds of the way from the window to the text keeps a contrast above 4.5:1 with the default
    // light and dark palettes.
    constexpr qreal weight = 0.68;
    return QColor::fromRgbF(window.redF() + (text.redF() - window.redF()) * weight,
                            window.greenF() + (text.greenF() - window.greenF()) * weight,
                            window.blueF() + (text.blueF() - window.blueF()) * weight);
}

QString displayText(const QString& catalogueText)
{
    QString text = catalogueText;
    text.replace(QLatin1String("\\n"), QLatin1String("\n"));
    return text;
}

} // namespace TextStyles

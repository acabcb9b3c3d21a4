#include "applicationicon.h"

#include "oculoversion.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace ApplicationIcon {

namespace {

// As the theme's icons are rendered: 22 and 24 px from the drawing made on the 22 px grid (24 px with a
// pixel of margin), the other sizes from the main drawing.
QPixmap render(QSvgRenderer& main, QSvgRenderer& small, int size)
{
    QSvgRenderer& drawing = (size == 22 || size == 24) ? small : main;
    const int margin = size == 24 ? 1 : 0;
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    drawing.render(&painter, QRectF(margin, margin, size - 2 * margin, size - 2 * margin));
    return pixmap;
}

} // namespace

QIcon compiledIn()
{
    const QString name = QString::fromUtf8(OculoVersion::identifier);
    QSvgRenderer main(QStringLiteral(":/icons/%1.svg").arg(name));
    QSvgRenderer small(QStringLiteral(":/icons/%1-22.svg").arg(name));
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(render(main, small, size));
    return icon;
}

QIcon make()
{
    const QIcon themed = QIcon::fromTheme(QString::fromUtf8(OculoVersion::identifier));
    return themed.isNull() ? compiledIn() : themed;
}

} // namespace ApplicationIcon

// Renders one of the application icon's SVG drawings into a square PNG, at build time:
//   oculo_render_icon SOURCE.svg SIZE OUTPUT.png [MARGIN]
// The drawing fills the SIZE-pixel square less MARGIN pixels on each side. Exits with status 1 and a
// message when the drawing cannot be read or the image cannot be written.
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "oculo_render_icon: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4 && argc != 5)
        return fail(QStringLiteral("usage: oculo_render_icon SOURCE.svg SIZE OUTPUT.png [MARGIN]"));
    const QString source = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[3]);
    bool sizeOk = false, marginOk = true;
    const int size = QString::fromLocal8Bit(argv[2]).toInt(&sizeOk);
    const int margin = argc == 5 ? QString::fromLocal8Bit(argv[4]).toInt(&marginOk) : 0;
    if (!sizeOk || !marginOk || size <= 0 || margin < 0 || 2 * margin >= size)
        return fail(QStringLiteral("bad size or margin"));

    QSvgRenderer renderer(source);
    if (!renderer.isValid())
        return fail(QStringLiteral("cannot read %1").arg(source));
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(margin, margin, size - 2 * margin, size - 2 * margin));
    painter.end();
    if (!image.convertToFormat(QImage::Format_ARGB32).save(output, "PNG"))
        return fail(QStringLiteral("cannot write %1").arg(output));
    return 0;
}

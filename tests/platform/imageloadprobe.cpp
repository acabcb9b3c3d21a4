// Helper of tst_hostileimagefiles: loads one file with the product's loader in a process of its own, so
// that the test can measure its memory and time and survive a hang. "file" loads the path as Open...
// and dropped files are loaded; "data" reads the file and decodes its bytes as Convert Clipboard does.
// Prints "null", or the image's size and the grey level at a twentieth of its width and height from
// the top left and at its centre.
//   imageloadprobe file|data PATH
#include "linux/boundedimageloader.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    if (argc != 3 || (std::strcmp(argv[1], "file") != 0 && std::strcmp(argv[1], "data") != 0)) {
        std::fputs("usage: imageloadprobe file|data PATH\n", stderr);
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[2]);
    const BoundedImageLoader loader;
    QImage image;
    if (std::strcmp(argv[1], "file") == 0) {
        image = loader.loadFile(path);
    } else {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return 2;
        image = loader.loadData(file.readAll());
    }
    if (image.isNull()) {
        std::puts("null");
        return 0;
    }
    std::printf("%dx%d corner=%d centre=%d\n", image.width(), image.height(),
                qGray(image.pixel(image.width() / 20, image.height() / 20)),
                qGray(image.pixel(image.width() / 2, image.height() / 2)));
    return 0;
}

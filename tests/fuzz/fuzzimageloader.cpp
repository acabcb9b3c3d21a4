// Image loading as Open, drops and --recognize use it (a file) and as Convert Clipboard uses it (the
// encoded data), with the product's limits: both give the same image, and an image that comes back
// respects the limits and the loader's plain format.
#include "fuzztargets.h"

#include "linux/boundedimageloader.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace FuzzTargets {

namespace {

struct ImageLoading {
    BoundedImageLoader loader; // the defaults the platform loader creates it with
    QTemporaryDir folder;
    QString path;
};

std::unique_ptr<ImageLoading>& imageLoading()
{
    static std::unique_ptr<ImageLoading> instance;
    return instance;
}

void setUpImageLoader()
{
    if (imageLoading())
        return;
    imageLoading() = std::make_unique<ImageLoading>();
    FUZZ_CHECK(imageLoading()->folder.isValid());
    imageLoading()->path = imageLoading()->folder.filePath(QStringLiteral("input"));
}

void checkLoaded(const QImage& image, const BoundedImageLoader::Limits& limits)
{
    if (image.isNull())
        return;
    FUZZ_CHECK(image.width() > 0 && image.height() > 0);
    FUZZ_CHECK(image.width() <= limits.maxSide && image.height() <= limits.maxSide);
    FUZZ_CHECK(qint64(image.width()) * image.height() <= limits.maxPixels);
    FUZZ_CHECK(image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32);
    FUZZ_CHECK(image.devicePixelRatio() == 1.0);
}

void runImageLoader(QByteArrayView input)
{
    const ImageLoading& state = *imageLoading();
    const QByteArray data = input.toByteArray();
    {
        QFile file(state.path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(data) == data.size());
    }
    const QImage fromFile = state.loader.loadFile(state.path);
    const QImage fromData = state.loader.loadData(data);
    checkLoaded(fromFile, state.loader.limits());
    checkLoaded(fromData, state.loader.limits());
    FUZZ_CHECK(fromFile.isNull() == fromData.isNull());
    FUZZ_CHECK(fromFile == fromData);
}

} // namespace

const Target imageLoader{"imageloader", &setUpImageLoader, &runImageLoader};

} // namespace FuzzTargets

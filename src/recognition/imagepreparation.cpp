#include "imagepreparation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace ImagePreparation {

namespace {

// Below this difference from the background nothing counts as ink (flat images, faint noise).
constexpr int minimumInkContrast = 24;
// A column or row holding ink over nearly its whole length is a rule or a frame, not text: text in a
// crop has background above, below and beside it.
constexpr double ruleCoverage = 0.95;
// Runs of ink rows shorter than this are specks, dots or rules, not lines of text.
constexpr int minimumLineHeight = 3;
// Enlarging stops at this many pixels; bigger crops are read as they are.
constexpr qint64 maximumUpscaledPixels = 40'000'000;
// Nor does it make a side longer than Tesseract reads.
constexpr qint64 maximumUpscaledSide = 32'000;

// RGB32 copy with any transparency laid over white, the way a viewer shows it.
QImage opaque(const QImage& image)
{
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB32);
    QImage source = image.convertToFormat(QImage::Format_ARGB32);
    QImage result(source.size(), QImage::Format_RGB32);
    for (int y = 0; y < source.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < source.width(); ++x) {
            const int alpha = qAlpha(in[x]);
            const auto over = [alpha](int channel) {
                return (channel * alpha + 255 * (255 - alpha) + 127) / 255;
            };
            out[x] = qRgb(over(qRed(in[x])), over(qGreen(in[x])), over(qBlue(in[x])));
        }
    }
    return result;
}

int median(std::vector<int>& values)
{
    const auto middle = values.begin() + values.size() / 2;
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// Catmull-Rom weights of the four source samples around an offset t in [0, 1).
std::array<float, 4> cubicWeights(double t)
{
    const auto kernel = [](double x) {
        x = std::fabs(x);
        if (x < 1)
            return 1.5 * x * x * x - 2.5 * x * x + 1;
        if (x < 2)
            return -0.5 * x * x * x + 2.5 * x * x - 4 * x + 2;
        return 0.0;
    };
    return {float(kernel(1 + t)), float(kernel(t)), float(kernel(1 - t)), float(kernel(2 - t))};
}

struct Taps {
    std::vector<int> first; // index of the first of four source samples, per output sample
    std::vector<std::array<float, 4>> weights;
};

Taps tapsFor(int sourceLength, int factor)
{
    Taps taps;
    const int length = sourceLength * factor;
    taps.first.resize(length);
    taps.weights.resize(length);
    for (int i = 0; i < length; ++i) {
        const double source = (i + 0.5) / factor - 0.5;
        const int base = int(std::floor(source));
        taps.first[i] = base - 1;
        taps.weights[i] = cubicWeights(source - base);
    }
    return taps;
}

} // namespace

QRgb backgroundColour(const QImage& image)
{
    if (image.isNull() || image.width() == 0 || image.height() == 0)
        return qRgb(255, 255, 255);
    const QImage source = image.format() == QImage::Format_RGB32 ? image : opaque(image);
    std::array<std::array<qint64, 256>, 3> histograms{};
    for (int y = 0; y < source.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        for (int x = 0; x < source.width(); ++x) {
            ++histograms[0][qRed(row[x])];
            ++histograms[1][qGreen(row[x])];
            ++histograms[2][qBlue(row[x])];
        }
    }
    const qint64 half = (qint64(source.width()) * source.height() + 1) / 2;
    std::array<int, 3> medians{};
    for (int channel = 0; channel < 3; ++channel) {
        qint64 seen = 0;
        while (seen + histograms[channel][medians[channel]] < half)
            seen += histograms[channel][medians[channel]++];
    }
    return qRgb(medians[0], medians[1], medians[2]);
}

bool isDarkBackground(QRgb background)
{
    return qRed(background) + qGreen(background) + qBlue(background) < 3 * 128;
}

QImage inkImage(const QImage& image, QRgb background)
{
    if (image.isNull() || image.width() == 0 || image.height() == 0)
        return {};
    const QImage source = image.format() == QImage::Format_RGB32 ? image : opaque(image);
    QImage result(source.size(), QImage::Format_Grayscale8);
    const int red = qRed(background);
    const int green = qGreen(background);
    const int blue = qBlue(background);
    for (int y = 0; y < source.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        uchar* out = result.scanLine(y);
        for (int x = 0; x < source.width(); ++x) {
            const int distance =
                std::abs(qRed(in[x]) - red) + std::abs(qGreen(in[x]) - green) + std::abs(qBlue(in[x]) - blue);
            out[x] = uchar(255 - (distance + 1) / 3);
        }
    }
    return result;
}

int estimateTextHeight(const QImage& ink)
{
    if (ink.isNull() || ink.format() != QImage::Format_Grayscale8)
        return 0;
    const int width = ink.width();
    const int height = ink.height();
    int darkest = 255;
    for (int y = 0; y < height; ++y) {
        const uchar* row = ink.constScanLine(y);
        darkest = std::min<int>(darkest, *std::min_element(row, row + width));
    }
    const int contrast = 255 - darkest;
    if (contrast < minimumInkContrast)
        return 0;
    const int inkBelow = 255 - contrast / 4;

    std::vector<int> columnInk(width, 0);
    for (int y = 0; y < height; ++y) {
        const uchar* row = ink.constScanLine(y);
        for (int x = 0; x < width; ++x)
            columnInk[x] += row[x] < inkBelow;
    }
    std::vector<bool> textColumn(width);
    int textColumns = 0;
    for (int x = 0; x < width; ++x) {
        textColumn[x] = columnInk[x] > 0 && columnInk[x] < ruleCoverage * height;
        textColumns += textColumn[x];
    }
    if (textColumns == 0)
        return 0;

    std::vector<int> lineHeights;
    int run = 0;
    const auto endRun = [&] {
        if (run >= minimumLineHeight)
            lineHeights.push_back(run);
        run = 0;
    };
    for (int y = 0; y < height; ++y) {
        const uchar* row = ink.constScanLine(y);
        int inkColumns = 0;
        for (int x = 0; x < width; ++x)
            inkColumns += textColumn[x] && row[x] < inkBelow;
        if (inkColumns > 0 && inkColumns < ruleCoverage * textColumns)
            ++run;
        else
            endRun();
    }
    endRun();
    return lineHeights.empty() ? 0 : median(lineHeights);
}

int upscaleFactor(int textHeight)
{
    return textHeight > 0 && textHeight < smallTextHeight ? 2 : 1;
}

QImage upscaled(const QImage& grey, int factor)
{
    if (grey.isNull() || factor <= 1)
        return grey;
    const QImage source = grey.convertToFormat(QImage::Format_Grayscale8);
    const int width = source.width();
    const int height = source.height();
    const Taps across = tapsFor(width, factor);
    const Taps down = tapsFor(height, factor);
    const int outWidth = width * factor;

    // Horizontal pass into floats, then the vertical pass into the result.
    std::vector<float> rows(std::size_t(outWidth) * height);
    for (int y = 0; y < height; ++y) {
        const uchar* in = source.constScanLine(y);
        float* out = rows.data() + std::size_t(y) * outWidth;
        for (int x = 0; x < outWidth; ++x) {
            float sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += across.weights[x][k] * in[std::clamp(across.first[x] + k, 0, width - 1)];
            out[x] = sum;
        }
    }
    QImage result(outWidth, height * factor, QImage::Format_Grayscale8);
    for (int y = 0; y < result.height(); ++y) {
        std::array<const float*, 4> in;
        for (int k = 0; k < 4; ++k)
            in[k] = rows.data() + std::size_t(std::clamp(down.first[y] + k, 0, height - 1)) * outWidth;
        const std::array<float, 4>& weights = down.weights[y];
        uchar* out = result.scanLine(y);
        for (int x = 0; x < outWidth; ++x) {
            const float sum =
                weights[0] * in[0][x] + weights[1] * in[1][x] + weights[2] * in[2][x] + weights[3] * in[3][x];
            out[x] = uchar(std::clamp(int(std::lround(sum)), 0, 255));
        }
    }
    return result;
}

PreparedImage prepare(const QImage& image)
{
    PreparedImage prepared;
    if (image.isNull() || image.width() == 0 || image.height() == 0)
        return prepared;
    const QImage source = opaque(image);
    const QRgb background = backgroundColour(source);
    prepared.inverted = isDarkBackground(background);
    prepared.image = inkImage(source, background);
    const int factor = upscaleFactor(estimateTextHeight(prepared.image));
    const qint64 pixels = qint64(image.width()) * image.height() * factor * factor;
    const qint64 side = qint64(std::max(image.width(), image.height())) * factor;
    if (factor > 1 && pixels <= maximumUpscaledPixels && side <= maximumUpscaledSide) {
        prepared.image = upscaled(prepared.image, factor);
        prepared.scale = factor;
    }
    return prepared;
}

} // namespace ImagePreparation

// Turns a screen crop into the image Tesseract reads best: grey, dark text on a white background, small
// text enlarged. Pure functions, safe on any thread; a null or empty image gives a null image back.
#pragma once

#include <QImage>
#include <QRgb>

namespace ImagePreparation {

// Text lines shorter than this (in pixels, ascenders to descenders) are enlarged twice before reading.
inline constexpr int smallTextHeight = 20;

// The background of a crop of screen text: the median of each channel over the whole image, as text
// covers far less of a crop than its background does (a frame or text touching the edge do not count).
QRgb backgroundColour(const QImage& image);

// Whether text on this background is lighter than it (dark themes, white on navy).
bool isDarkBackground(QRgb background);

// Format_Grayscale8 image of how far each pixel is from the background colour, the background white and
// ink darker the further it is, whatever its colour: light text on dark comes out dark on white. The
// channel differences are averaged, so the coloured fringes of subpixel anti-aliasing become the grey
// coverage they stand for.
QImage inkImage(const QImage& image, QRgb background);

// Typical height in pixels of a text line of an ink image (the median run of rows holding ink, rules and
// frames left out), 0 when the image holds no ink.
int estimateTextHeight(const QImage& ink);

// How much to enlarge an image whose text lines are this high: 2 for small text, otherwise 1.
int upscaleFactor(int textHeight);

// A grey image enlarged by an integer factor with bicubic interpolation.
QImage upscaled(const QImage& grey, int factor);

struct PreparedImage {
    QImage image;          // Format_Grayscale8, dark text on white; null for a null or empty input
    int scale = 1;         // how many times larger than the input it is
    bool inverted = false; // the input had light text on a dark background
};

// Everything above in order: background, ink image, text height, enlargement. No border is added; it
// makes Tesseract read screen text worse.
PreparedImage prepare(const QImage& image);

} // namespace ImagePreparation

// The general clipboard (the CLIPBOARD selection). Main thread only.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class Pasteboard {
public:
    virtual ~Pasteboard() = default;
    // Clears the clipboard, then puts the text on it as its only content (plain UTF-8 text).
    virtual void setString(const QString& text) = 0;
    // The plain text on the clipboard, if any.
    virtual std::optional<QString> string() const = 0;
    // The encoded bytes of an image the clipboard offers (PNG, TIFF, BMP, JPEG ...); empty when it
    // offers none. Decoding is left to the image loader, off the main thread.
    virtual QByteArray imageData() const = 0;
    // Whether the clipboard offers an image, without fetching or decoding it (cheap enough for the
    // moment a menu opens).
    virtual bool hasImage() const = 0;
};

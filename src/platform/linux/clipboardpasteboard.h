// The CLIPBOARD selection through QClipboard. Main thread only. When no owner answers, reads give no
// text and no image data.
#pragma once

#include "pasteboard.h"

#include <QStringList>

class QMimeData;

class ClipboardPasteboard : public Pasteboard {
public:
    ClipboardPasteboard() = default;

    void setString(const QString& text) override;
    std::optional<QString> string() const override;
    QByteArray imageData() const override;
    bool hasImage() const override;

    // The image types looked for first, in this order; any other image/* type comes after them.
    static const QStringList& preferredImageTypes();
    // The encoded image the clipboard content offers, by the rules of imageData().
    static QByteArray imageDataOf(const QMimeData& mimeData);
};

#include "clipboardpasteboard.h"

#include "platformlogging.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QMimeData>

namespace {

const QMimeData* clipboardContent()
{
    const QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard ? clipboard->mimeData(QClipboard::Clipboard) : nullptr;
}

QByteArray encodeAsPng(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image)) {
        qCWarning(lcPlatform) << "Cannot encode the clipboard image:" << writer.errorString();
        return {};
    }
    return bytes;
}

} // namespace

void ClipboardPasteboard::setString(const QString& text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) {
        qCWarning(lcPlatform) << "No clipboard to put the text on";
        return;
    }
    // A fresh QMimeData replaces every type the clipboard offered before.
    auto* content = new QMimeData;
    content->setText(text);
    clipboard->setMimeData(content, QClipboard::Clipboard);
}

std::optional<QString> ClipboardPasteboard::string() const
{
    const QMimeData* content = clipboardContent();
    if (!content || !content->hasText())
        return std::nullopt;
    return content->text();
}

QByteArray ClipboardPasteboard::imageData() const
{
    const QMimeData* content = clipboardContent();
    return content ? imageDataOf(*content) : QByteArray();
}

bool ClipboardPasteboard::hasImage() const
{
    const QMimeData* content = clipboardContent();
    if (!content)
        return false;
    const QStringList offered = content->formats();
    return std::any_of(offered.cbegin(), offered.cend(), [](const QString& type) {
        return type.startsWith(QLatin1String("image/")) || type == QLatin1String("application/x-qt-image");
    });
}

const QStringList& ClipboardPasteboard::preferredImageTypes()
{
    static const QStringList types{QStringLiteral("image/png"), QStringLiteral("image/tiff"),
                                   QStringLiteral("image/bmp"), QStringLiteral("image/jpeg"),
                                   QStringLiteral("image/webp")};
    return types;
}

QByteArray ClipboardPasteboard::imageDataOf(const QMimeData& mimeData)
{
    const QStringList offered = mimeData.formats();
    QStringList candidates;
    for (const QString& type : preferredImageTypes()) {
        if (offered.contains(type))
            candidates.append(type);
    }
    for (const QString& type : offered) {
        if (type.startsWith(QLatin1String("image/")) && !candidates.contains(type))
            candidates.append(type);
    }
    for (const QString& type : std::as_const(candidates)) {
        const QByteArray bytes = mimeData.data(type);
        if (!bytes.isEmpty())
            return bytes;
    }
    // An image put on the clipboard by this process is only held as a QImage.
    if (offered.contains(QLatin1String("application/x-qt-image"))) {
        const QImage image = qvariant_cast<QImage>(mimeData.imageData());
        if (!image.isNull())
            return encodeAsPng(image);
    }
    return {};
}

#include "desktopurlopener.h"

#include "platformlogging.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>

namespace {

// The text as the desktop gets it: bytes outside printable ASCII escaped, everything else as written.
QByteArray desktopText(const QString& encodedUrl)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    QByteArray text;
    for (const char byte : encodedUrl.toUtf8()) {
        const auto value = static_cast<unsigned char>(byte);
        if (value > 0x20 && value < 0x7F) {
            text.append(byte);
        } else {
            text.append('%');
            text.append(hex[value >> 4]);
            text.append(hex[value & 0xF]);
        }
    }
    return text;
}

} // namespace

bool DesktopUrlOpener::openUrl(const QUrl& url)
{
    if (!url.isValid() || url.isEmpty()) {
        qCDebug(lcPlatform) << "Not opening an invalid URL" << url;
        return false;
    }
    if (!QDesktopServices::openUrl(url)) {
        qCWarning(lcPlatform) << "No handler could open" << url.toDisplayString();
        return false;
    }
    return true;
}

bool DesktopUrlOpener::openEncodedUrl(const QString& encodedUrl)
{
    const QUrl url(encodedUrl, QUrl::StrictMode);
    const QByteArray text = desktopText(encodedUrl);
    // QDesktopServices runs the handler with the QUrl's encoding, which decodes some escapes.
    if (!url.isValid() || url.isEmpty() || url.toEncoded() == text)
        return openUrl(url);
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (xdgOpen.isEmpty()) {
        qCDebug(lcPlatform) << "No xdg-open: opening" << text << "as" << url.toEncoded();
        return openUrl(url);
    }
    if (!QProcess::startDetached(xdgOpen, {QString::fromLatin1(text)})) {
        qCWarning(lcPlatform) << "xdg-open could not be started for" << text;
        return false;
    }
    return true;
}

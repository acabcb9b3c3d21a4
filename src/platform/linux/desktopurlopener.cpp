#include "desktopurlopener.h"

#include "platformlogging.h"

#include <QDesktopServices>

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

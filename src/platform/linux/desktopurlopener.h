// Opens URLs with the desktop's handler for their scheme (xdg-open on X11). Main thread only; a URL
// that is invalid or has no handler is not opened and reported as false. An encoded URL that a QUrl
// would hand over changed is given to xdg-open directly.
#pragma once

#include "urlopener.h"

class DesktopUrlOpener : public UrlOpener {
public:
    DesktopUrlOpener() = default;

    bool openUrl(const QUrl& url) override;
    bool openEncodedUrl(const QString& encodedUrl) override;
};

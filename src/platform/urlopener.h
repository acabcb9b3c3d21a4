// Opens a URL with the desktop's handler for its scheme.
#pragma once

#include <QUrl>

class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    // False when no handler could be started.
    virtual bool openUrl(const QUrl& url) = 0;
};

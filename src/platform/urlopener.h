// Opens a URL with the desktop's handler for its scheme.
#pragma once

#include <QUrl>

class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    // False when no handler could be started.
    virtual bool openUrl(const QUrl& url) = 0;
    // Opens a URL written out already percent-encoded, handing the handler exactly that text, with only
    // characters outside printable ASCII escaped as UTF-8 bytes: a QUrl would decode the escapes of "-",
    // ".", "_" and "~". False when the text is no valid URL or no handler could be started.
    virtual bool openEncodedUrl(const QString& encodedUrl) = 0;
};

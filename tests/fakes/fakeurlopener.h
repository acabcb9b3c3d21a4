// A URL opener for unit tests: records the URLs and answers with `succeeds`. An encoded URL is recorded
// twice: exactly as given, and among the QUrls.
#pragma once

#include "urlopener.h"

#include <QList>

class FakeUrlOpener : public UrlOpener {
public:
    QList<QUrl> openedUrls;
    QStringList openedEncodedUrls;
    bool succeeds = true;

    bool openUrl(const QUrl& url) override
    {
        openedUrls.append(url);
        return succeeds;
    }
    bool openEncodedUrl(const QString& encodedUrl) override
    {
        openedEncodedUrls.append(encodedUrl);
        return openUrl(QUrl(encodedUrl, QUrl::StrictMode));
    }
};

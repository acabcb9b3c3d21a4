// A URL opener for unit tests: records the URLs and answers with `succeeds`.
#pragma once

#include "urlopener.h"

#include <QList>

class FakeUrlOpener : public UrlOpener {
public:
    QList<QUrl> openedUrls;
    bool succeeds = true;

    bool openUrl(const QUrl& url) override
    {
        openedUrls.append(url);
        return succeeds;
    }
};

// An open panel for unit tests: records each request and answers with `answer` (none: cancelled).
#pragma once

#include "openpanel.h"

#include <QList>

class FakeOpenPanel : public OpenPanel {
public:
    std::optional<QStringList> answer;
    QList<OpenPanelRequest> requests;

    std::optional<QStringList> runModal(const OpenPanelRequest& request) override
    {
        requests.append(request);
        return answer;
    }
};

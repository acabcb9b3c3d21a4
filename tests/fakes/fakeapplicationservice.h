// An application service for unit tests: counts the calls.
#pragma once

#include "applicationservice.h"

class FakeApplicationService : public ApplicationService {
public:
    int activateCount = 0;
    int hideCount = 0;
    int terminateCount = 0;
    int stepAsideCount = 0;
    int stepBackCount = 0;
    // What stepAside() reports as uncovered.
    QRegion uncovered;

    void activate() override { ++activateCount; }
    void hide() override { ++hideCount; }
    QRegion stepAside() override
    {
        ++stepAsideCount;
        return uncovered;
    }
    void stepBack() override { ++stepBackCount; }
    void terminate() override { ++terminateCount; }
};

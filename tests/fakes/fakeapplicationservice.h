// An application service for unit tests: counts the calls.
#pragma once

#include "applicationservice.h"

class FakeApplicationService : public ApplicationService {
public:
    int activateCount = 0;
    int hideCount = 0;
    int terminateCount = 0;

    void activate() override { ++activateCount; }
    void hide() override { ++hideCount; }
    void terminate() override { ++terminateCount; }
};

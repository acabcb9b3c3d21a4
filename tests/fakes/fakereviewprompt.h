// A review prompt for unit tests: counts the requests.
#pragma once

#include "reviewprompt.h"

class FakeReviewPrompt : public ReviewPrompt {
public:
    int requestCount = 0;

    void requestReview() override { ++requestCount; }
};

// The review prompt on Linux, where there is no store to ask: requests are accepted and do nothing.
// Any thread; it cannot fail.
#pragma once

#include "reviewprompt.h"

class NullReviewPrompt : public ReviewPrompt {
public:
    void requestReview() override {}
};

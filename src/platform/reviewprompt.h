// Asks the store to prompt the user for a review. Linux has no store, so the real one does nothing.
#pragma once

class ReviewPrompt {
public:
    virtual ~ReviewPrompt() = default;
    virtual void requestReview() = 0;
};

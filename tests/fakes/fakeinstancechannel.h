// An instance channel for unit tests: the claim answers as the test sets it, no other instance is ever
// reached, and `deliver` hands a request to the installed handler as a later start of Oculo would.
#pragma once

#include "instancechannel.h"

#include <utility>

class FakeInstanceChannel : public InstanceChannel {
public:
    InstanceClaim claimAnswer = InstanceClaim::claimed;
    RequestHandler handler;

    InstanceClaim claim() override { return claimAnswer; }
    void setRequestHandler(RequestHandler newHandler) override { handler = std::move(newHandler); }
    bool send(InstanceRequest) override { return false; }
    bool waitUntilNoneRuns(int) override { return true; }

    // False when no handler is installed.
    bool deliver(InstanceRequest request)
    {
        if (!handler)
            return false;
        handler(request);
        return true;
    }
};

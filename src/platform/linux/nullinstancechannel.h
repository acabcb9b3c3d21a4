// The instance channel where the session announces no bus: every process runs alone, which claim()
// logs once, and no running instance is ever found. Main thread only.
#pragma once

#include "instancechannel.h"

class NullInstanceChannel : public InstanceChannel {
public:
    InstanceClaim claim() override;
    void setRequestHandler(RequestHandler) override {}
    bool send(InstanceRequest) override { return false; }
    bool waitUntilNoneRuns(int) override { return true; }

private:
    bool m_claimed = false;
};

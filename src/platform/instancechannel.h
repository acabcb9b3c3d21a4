// One Oculo per user session. The first process to claim the instance receives what later starts ask
// of it (a capture, one of its windows, to quit); a later start finds it and hands its request over
// instead of running too. Main thread only; requests arrive on the main event loop. Where there is
// nothing to claim on (no session bus), every process runs alone: claim() says so, and no running
// instance is ever found.
#pragma once

#include <functional>

enum class InstanceRequest { capture, showPreferences, showHistory, showAbout, quit };

enum class InstanceClaim {
    claimed, // this process is the instance: the requests of later starts reach its handler
    taken,   // another process is the instance
    alone,   // there is nothing to claim on: this process runs without being found
};

class InstanceChannel {
public:
    using RequestHandler = std::function<void(InstanceRequest)>;

    virtual ~InstanceChannel() = default;
    // Makes this process the instance unless another process is; claiming again answers the same.
    virtual InstanceClaim claim() = 0;
    // Installs the one receiver of requests (an empty one removes it); requests received while none is
    // installed wait for the next one.
    virtual void setRequestHandler(RequestHandler handler) = 0;
    // Hands the request to the running instance and returns once it has taken it; false when none runs
    // or it does not answer in time.
    virtual bool send(InstanceRequest request) = 0;
    // Waits until no instance runs, at most `timeoutMs`; false when one still runs then.
    virtual bool waitUntilNoneRuns(int timeoutMs) = 0;
};

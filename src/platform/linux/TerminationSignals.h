#pragma once
// The termination requests on Linux: SIGTERM, SIGINT and SIGHUP. The handler only writes
// a byte into a pipe the event loop watches, and gives way to the default action once it
// ran (SA_RESETHAND): a second signal ends a program that hangs. Signal handlers belong to
// the process, so one object at a time takes them.

#include "platform/TerminationRequests.h"

namespace x5k {

class TerminationSignals final : public TerminationRequests {
public:
    TerminationSignals() = default;
    // Stops, then closes the pipe.
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    bool start() override;
    int fd() const override;
    bool takeRequests() override;
    void stop() override;
};

}  // namespace x5k

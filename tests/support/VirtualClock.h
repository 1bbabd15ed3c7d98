#pragma once
// A clock that never waits: a pause advances virtual time at once and is recorded, so
// a test checks exact pacing in microseconds of wall time.

#include <chrono>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/Clock.h"

namespace x5k::test {

class VirtualClock final : public Clock {
public:
    void sleepFor(std::chrono::milliseconds duration) override {
        {
            std::lock_guard lock(mutex_);
            pauses_.push_back(duration);
            now_ += duration;
        }
        if (afterPause) afterPause();
    }
    uint32_t tickMs() override {
        std::lock_guard lock(mutex_);
        return static_cast<uint32_t>(now_.count());
    }
    void advance(std::chrono::milliseconds duration) {
        std::lock_guard lock(mutex_);
        now_ += duration;
    }
    std::vector<std::chrono::milliseconds> pauses() const {
        std::lock_guard lock(mutex_);
        return pauses_;
    }

    // Runs after each pause, on the pausing thread: a test's hook into the steps of a
    // worker. Set it while no other thread pauses.
    std::function<void()> afterPause;

private:
    mutable std::mutex mutex_;
    std::chrono::milliseconds now_{0};
    std::vector<std::chrono::milliseconds> pauses_;
};

}  // namespace x5k::test

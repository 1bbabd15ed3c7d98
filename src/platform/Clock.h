#pragma once
// Every pause, timeout and tick count of the system goes through this interface, so
// tests run the exact pacing on a virtual clock without waiting.

#include <chrono>
#include <cstdint>

namespace x5k {

class Clock {
public:
    virtual ~Clock() = default;
    virtual void sleepFor(std::chrono::milliseconds duration) = 0;
    // Milliseconds since an arbitrary start; wraps at 2^32 like the system tick count.
    virtual uint32_t tickMs() = 0;
};

class SteadyClock final : public Clock {
public:
    void sleepFor(std::chrono::milliseconds duration) override;
    uint32_t tickMs() override;
};

}  // namespace x5k

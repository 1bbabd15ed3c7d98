#include "platform/Clock.h"

#include <thread>

namespace x5k {

void SteadyClock::sleepFor(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

uint32_t SteadyClock::tickMs() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // namespace x5k

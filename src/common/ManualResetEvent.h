#pragma once
// An event that stays signalled until it is reset, as the workers' wake-up events are.

#include <condition_variable>
#include <mutex>

namespace x5k {

class ManualResetEvent {
public:
    void set() {
        {
            std::lock_guard lock(mutex_);
            signalled_ = true;
        }
        changed_.notify_all();
    }
    void reset() {
        std::lock_guard lock(mutex_);
        signalled_ = false;
    }
    void wait() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return signalled_; });
    }
    bool isSet() const {
        std::lock_guard lock(mutex_);
        return signalled_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_ = false;
};

}  // namespace x5k

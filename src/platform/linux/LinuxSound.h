#pragma once
// Sound files played through libcanberra, which hands them to the desktop's sound
// server and returns at once.

#include <mutex>

#include "platform/Shell.h"

struct ca_context;

namespace x5k {

class LinuxSound final : public Sound {
public:
    LinuxSound() = default;
    ~LinuxSound() override;
    LinuxSound(const LinuxSound&) = delete;
    LinuxSound& operator=(const LinuxSound&) = delete;

    void playFileAsync(std::string_view path) override;

private:
    std::mutex mutex_;
    // Created at the first sound: most runs never play one, and connecting to the
    // sound server costs time at start-up.
    ca_context* context_ = nullptr;
};

}  // namespace x5k

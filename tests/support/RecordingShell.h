#pragma once
// Keep every target opened and every sound played, so a test sees exactly what would
// have reached the desktop.

#include <mutex>
#include <string>
#include <vector>

#include "platform/Shell.h"

namespace x5k::test {

class RecordingShell final : public Shell {
public:
    void open(std::string_view target) override {
        std::lock_guard lock(mutex_);
        opened_.emplace_back(target);
    }
    bool start(const std::string& program, const std::vector<std::string>& arguments) override {
        std::lock_guard lock(mutex_);
        std::string line = program;
        for (const auto& argument : arguments) line += " " + argument;
        started_.push_back(line);
        return true;
    }
    std::vector<std::string> opened() const {
        std::lock_guard lock(mutex_);
        return opened_;
    }
    // "program argument ..." per start.
    std::vector<std::string> started() const {
        std::lock_guard lock(mutex_);
        return started_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> opened_;
    std::vector<std::string> started_;
};

class RecordingSound final : public Sound {
public:
    void playFileAsync(std::string_view path) override {
        std::lock_guard lock(mutex_);
        played_.emplace_back(path);
    }
    std::vector<std::string> played() const {
        std::lock_guard lock(mutex_);
        return played_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> played_;
};

}  // namespace x5k::test

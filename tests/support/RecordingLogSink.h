#pragma once
// Installs itself as the diagnostic log's sink for its lifetime and keeps every line, so
// a test can look for the cause of a failure in the log.

#include <algorithm>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "common/DiagnosticLog.h"

namespace x5k::test {

class RecordingLogSink final : public LogSink {
public:
    RecordingLogSink() { diagnostic::setSink(this); }
    ~RecordingLogSink() override { diagnostic::setSink(nullptr); }
    RecordingLogSink(const RecordingLogSink&) = delete;
    RecordingLogSink& operator=(const RecordingLogSink&) = delete;

    void write(std::string_view line) override {
        std::lock_guard lock(mutex_);
        lines_.emplace_back(line);
    }

    std::vector<std::string> lines() const {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    // True when some line contains every one of the pieces.
    bool has(std::initializer_list<std::string_view> pieces) const {
        std::lock_guard lock(mutex_);
        return std::ranges::any_of(lines_, [&](const std::string& line) {
            return std::ranges::all_of(pieces, [&](std::string_view piece) {
                return line.find(piece) != std::string::npos;
            });
        });
    }
    // Everything logged, one line each, for a failure message.
    std::string all() const {
        std::lock_guard lock(mutex_);
        std::string text;
        for (const std::string& line : lines_) text += line + '\n';
        return text;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

}  // namespace x5k::test

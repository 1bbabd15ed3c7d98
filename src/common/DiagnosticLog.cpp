#include "common/DiagnosticLog.h"

#include <cstdio>
#include <mutex>

namespace x5k::diagnostic {
namespace {

// The sink is read under a lock only when the log is on; the flag alone decides whether
// a call site does anything.
std::mutex gSinkMutex;
LogSink* gSink = nullptr;

class StandardErrorSink final : public LogSink {
public:
    void write(std::string_view line) override {
        // One call per line, so lines of different threads never interleave.
        std::fprintf(stderr, "x5k: %.*s\n", static_cast<int>(line.size()), line.data());
    }
};

}  // namespace

void setSink(LogSink* sink) {
    std::lock_guard lock(gSinkMutex);
    gSink = sink;
    gEnabled.store(sink != nullptr, std::memory_order_relaxed);
}

void write(std::string_view line) {
    std::lock_guard lock(gSinkMutex);
    if (gSink) gSink->write(line);
}

LogSink& standardErrorSink() {
    static StandardErrorSink sink;
    return sink;
}

bool requestedByEnvironment(const char* value) {
    return value && *value && std::string_view(value) != "0";
}

std::string HexText(std::span<const uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (const uint8_t byte : bytes) {
        if (!text.empty()) text += ' ';
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

std::string HexNumberText(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

}  // namespace x5k::diagnostic

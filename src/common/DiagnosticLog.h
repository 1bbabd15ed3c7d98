#pragma once
// The diagnostic log: what a user attaches to a bug report. It records the reports sent
// to the mouse and its answers, each failure with its cause, the files read and written,
// and the input hooks' state changes.
//
// It is off unless the program is started with --verbose or X5K_DEBUG=1. Every call site
// goes through X5K_LOG, which tests one relaxed atomic flag before its arguments are even
// evaluated, so a disabled log costs one load and a branch: no formatting, no
// allocation, no lock.

#include <atomic>
#include <concepts>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/SysResult.h"

namespace x5k {

// Where log lines go. Called from any thread; a line holds no line feed.
class LogSink {
public:
    virtual ~LogSink() = default;
    virtual void write(std::string_view line) = 0;
};

namespace diagnostic {

// The one flag every X5K_LOG tests; set only while a sink is installed.
inline std::atomic<bool> gEnabled{false};

inline bool enabled() {
    return gEnabled.load(std::memory_order_relaxed);
}

// Installs the sink (nullptr turns the log off). The sink must outlive its use: it is
// set at start-up, before any thread logs, and cleared once they have ended.
void setSink(LogSink* sink);

// Writes one line to the installed sink, if there is one.
void write(std::string_view line);

// The sink that writes each line to stderr, prefixed with "x5k: ".
LogSink& standardErrorSink();

// True when the X5K_DEBUG environment value asks for the log: set, not empty, not "0".
bool requestedByEnvironment(const char* value);

// Bytes to be logged as two-digit upper-case hex separated by spaces: "07 0C 01 34".
struct Hex {
    std::span<const uint8_t> bytes;
};
std::string HexText(std::span<const uint8_t> bytes);
// A number to be logged in hex with a 0x prefix: 0x1020B.
struct HexNumber {
    uint32_t value;
};
std::string HexNumberText(uint32_t value);

inline void append(std::string& line, std::string_view text) {
    line += text;
}
inline void append(std::string& line, const SysResult& result) {
    line += result.describe();
}
inline void append(std::string& line, Hex hex) {
    line += HexText(hex.bytes);
}
inline void append(std::string& line, HexNumber number) {
    line += HexNumberText(number.value);
}
inline void append(std::string& line, const char* text) {
    line += text;
}
inline void append(std::string& line, const std::string& text) {
    line += text;
}
template <std::same_as<bool> T>
void append(std::string& line, T value) {
    line += value ? "yes" : "no";
}
template <std::integral T>
    requires(!std::same_as<T, bool> && !std::same_as<T, char>)
void append(std::string& line, T value) {
    line += std::to_string(value);
}

template <typename... Pieces>
void log(const Pieces&... pieces) {
    std::string line;
    (append(line, pieces), ...);
    write(line);
}

}  // namespace diagnostic
}  // namespace x5k

// X5K_LOG("hid: sent ", x5k::diagnostic::Hex{report}): the pieces are evaluated, joined
// and written only when the log is on.
#define X5K_LOG(...)                             \
    do {                                         \
        if (::x5k::diagnostic::enabled()) {      \
            ::x5k::diagnostic::log(__VA_ARGS__); \
        }                                        \
    } while (false)

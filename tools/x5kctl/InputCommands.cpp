#include "tools/x5kctl/InputCommands.h"

#include <signal.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "functions/KeyNames.h"
#include "macros/InputHooks.h"
#include "platform/linux/EvdevHookBackend.h"
#include "platform/linux/XkbKeyboardLayout.h"

namespace x5k {
namespace {

constexpr int kExitUsage = 64;
constexpr int kExitUnavailable = 69;

struct NamedCode {
    std::string_view name;
    uint32_t code;
};
constexpr std::array<NamedCode, 9> kNamedCodes = {{
    {"left", mouse::kLeftDown},
    {"right", mouse::kRightDown},
    {"middle", mouse::kMiddleDown},
    {"back", mouse::kSide1Down},
    {"side1", mouse::kSide1Down},
    {"forward", mouse::kSide2Down},
    {"side2", mouse::kSide2Down},
    {"wheel-forward", mouse::kWheelForward},
    {"wheel-backward", mouse::kWheelBackward},
}};

// A mouse input code by name, or as a number (0x for hexadecimal).
std::optional<uint32_t> ParseCode(std::string_view text) {
    for (const NamedCode& named : kNamedCodes) {
        if (named.name == text) return named.code;
    }
    const std::string copy(text);
    char* end = nullptr;
    const unsigned long long value = std::strtoull(copy.c_str(), &end, 0);
    if (copy.empty() || *end != '\0' || copy.front() == '-' || value == 0 ||
        value > 0xFFFFFFFFull) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

std::string DescribeMouseCode(uint32_t code) {
    struct Row {
        uint32_t code;
        const char* text;
    };
    static constexpr Row kRows[] = {
        {mouse::kLeftDown, "left button down"},
        {mouse::kLeftUp, "left button up"},
        {mouse::kRightDown, "right button down"},
        {mouse::kRightUp, "right button up"},
        {mouse::kMiddleDown, "middle button down"},
        {mouse::kMiddleUp, "middle button up"},
        {mouse::kSide1Down, "side button 1 (back) down"},
        {mouse::kSide1Up, "side button 1 (back) up"},
        {mouse::kSide2Down, "side button 2 (forward) down"},
        {mouse::kSide2Up, "side button 2 (forward) up"},
        {mouse::kWheelForward, "wheel forward"},
        {mouse::kWheelBackward, "wheel backward"},
    };
    for (const Row& row : kRows) {
        if (row.code == code) return row.text;
    }
    char text[64];
    if ((code & 0xFFFF) == mouse::kHorizontalWheel) {
        const auto delta = static_cast<int16_t>(code >> 16);
        std::snprintf(text, sizeof text, "horizontal wheel %+d", delta);
    } else {
        std::snprintf(text, sizeof text, "mouse message 0x%X", code);
    }
    return text;
}

// Prints what the hooks post, one line each, as it comes (from the input thread).
class PrintingPoster final : public MessagePoster {
public:
    explicit PrintingPoster(const KeyboardLayout& layout) : layout_(layout) {}
    void watch(const InputHooks* hooks) { hooks_ = hooks; }

    void post(Window, uint32_t message, uintptr_t wParam, intptr_t lParam) override {
        const auto code = static_cast<uint32_t>(wParam);
        std::string line;
        char head[64];
        if (message == msg::kHookInput && code <= 0xFF) {
            const auto flags = static_cast<uint32_t>(lParam);
            std::snprintf(head, sizeof head, "key     %-7s 0x%02X  flags 0x%02X  ",
                          (flags & kKeyReleasedFlag) ? "release" : "press", code, flags);
            line = head + VirtualKeyName(code, layout_);
        } else if (message == msg::kHookInput) {
            std::snprintf(head, sizeof head, "mouse   0x%05X  ", code);
            line = head + DescribeMouseCode(code);
        } else if (message == msg::kHookNotify) {
            std::snprintf(head, sizeof head, "notify  0x%05X  ", code);
            line = head + DescribeMouseCode(code);
            if (hooks_ && hooks_->IsBlocked(code)) line += "  (blocked)";
        } else {
            std::snprintf(head, sizeof head, "message 0x%X 0x%zX 0x%zX", message,
                          static_cast<size_t>(wParam), static_cast<size_t>(lParam));
            line = head;
        }
        std::lock_guard lock(mutex_);
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    }
    intptr_t send(Window target, uint32_t message, uintptr_t wParam, intptr_t lParam) override {
        post(target, message, wParam, lParam);
        return 0;
    }

private:
    const KeyboardLayout& layout_;
    const InputHooks* hooks_ = nullptr;
    std::mutex mutex_;
};

int WatchInput(std::span<char*> arguments) {
    std::vector<uint32_t> blocked;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument != "--block") return kExitUsage;
        // --block takes every code up to the next option.
        size_t taken = 0;
        while (i + 1 < arguments.size() && !std::string_view(arguments[i + 1]).starts_with("--")) {
            const auto code = ParseCode(arguments[++i]);
            if (!code) {
                std::fprintf(stderr, "x5kctl: %s is no mouse input code\n", arguments[i]);
                return kExitUsage;
            }
            blocked.push_back(*code);
            ++taken;
        }
        if (taken == 0) return kExitUsage;
    }

    // SIGINT and SIGTERM are taken by sigwait below; blocked before the input thread
    // starts, they stay blocked there too.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    XkbKeyboardLayout layout;
    PrintingPoster poster(layout);
    EvdevHookBackend backend;
    InputHooks hooks(backend, poster);
    InputHooksSink sink(hooks);
    poster.watch(&hooks);
    backend.setSink(&sink);
    for (const uint32_t code : blocked) hooks.BlockMouseCode(code, false);
    hooks.SetForwarding(true, true);
    hooks.SetMouseNotify(true);

    const bool installed = hooks.InstallHooks(Window::MainWindow);
    if (const auto problem = backend.accessProblem()) std::fputs(problem->c_str(), stderr);
    if (!hooks.keyboardHookInstalled() && !hooks.mouseHookInstalled()) {
        std::fprintf(stderr, "x5kctl: neither the keyboard nor the mouse can be watched\n");
        backend.setSink(nullptr);
        return kExitUnavailable;
    }
    std::fprintf(stderr, "watching %s%s; Ctrl+C ends\n",
                 hooks.keyboardHookInstalled() ? "the keyboards" : "",
                 installed                    ? " and the mice"
                 : hooks.mouseHookInstalled() ? "the mice"
                                              : "");

    int signal = 0;
    sigwait(&stopSignals, &signal);

    hooks.RemoveHooks();
    backend.setSink(nullptr);
    return 0;
}

}  // namespace

int RunInputCommand(std::string_view command, std::span<char*> arguments) {
    if (command == "watch-input") return WatchInput(arguments);
    return kExitUsage;
}

}  // namespace x5k

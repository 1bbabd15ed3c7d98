#include "tools/x5kctl/InputCommands.h"

#include <errno.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "functions/KeyNames.h"
#include "macros/InputHooks.h"
#include "platform/linux/EvdevHookBackend.h"
#include "platform/linux/XkbKeyboardLayout.h"
#include "tools/x5kctl/ExitCodes.h"

namespace x5k {
namespace {

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

// The lines waiting to be printed. The input thread only queues them: it holds the
// mouse grabbed, so it must never wait for whoever reads the output (a pager, a pipe
// that is not read). What does not fit is dropped and counted.
class LineQueue {
public:
    static constexpr size_t kCapacity = 4096;

    LineQueue() : wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~LineQueue() {
        if (wakeFd_ >= 0) close(wakeFd_);
    }
    LineQueue(const LineQueue&) = delete;
    LineQueue& operator=(const LineQueue&) = delete;

    bool ready() const { return wakeFd_ >= 0; }
    // Readable when lines are waiting.
    int wakeFd() const { return wakeFd_; }

    // Any thread; never waits for the output.
    void push(std::string line) {
        {
            std::lock_guard lock(mutex_);
            if (lines_.size() >= kCapacity) {
                ++dropped_;
                return;
            }
            lines_.push_back(std::move(line));
        }
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(wakeFd_, &one, sizeof one);
    }

    // Takes the waiting lines as text, led by a note of the lines dropped before them.
    std::string take() {
        uint64_t count = 0;
        [[maybe_unused]] const ssize_t got = read(wakeFd_, &count, sizeof count);
        std::deque<std::string> lines;
        uint64_t dropped = 0;
        {
            std::lock_guard lock(mutex_);
            lines.swap(lines_);
            dropped = dropped_;
            totalDropped_ += dropped_;
            dropped_ = 0;
        }
        std::string text;
        if (dropped > 0) {
            text += "... " + std::to_string(dropped) +
                    " lines dropped: the output was not read in time\n";
        }
        for (const std::string& line : lines) text += line + '\n';
        return text;
    }

    // How many lines were dropped, and are waiting still, in all.
    uint64_t notShown() const {
        std::lock_guard lock(mutex_);
        return totalDropped_ + dropped_ + lines_.size();
    }

private:
    int wakeFd_;
    mutable std::mutex mutex_;
    std::deque<std::string> lines_;
    uint64_t dropped_ = 0;
    uint64_t totalDropped_ = 0;
};

// Turns what the hooks post into lines, one each (on the input thread).
class PrintingPoster final : public MessagePoster {
public:
    PrintingPoster(const KeyboardLayout& layout, LineQueue& lines)
        : layout_(layout), lines_(lines) {}
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
        lines_.push(std::move(line));
    }
    intptr_t send(Window target, uint32_t message, uintptr_t wParam, intptr_t lParam) override {
        post(target, message, wParam, lParam);
        return 0;
    }

private:
    const KeyboardLayout& layout_;
    LineQueue& lines_;
    const InputHooks* hooks_ = nullptr;
};

// Prints the queued lines until SIGINT or SIGTERM comes (through `signals`, a
// signalfd), or the output is closed. It writes only what the output takes at once
// (whole lines of at most PIPE_BUF bytes after poll() says it takes something, which a
// pipe takes whole without waiting), so a stop signal is never kept waiting by a full
// pipe. Returns how many of the lines taken from the queue were left unwritten.
uint64_t PrintUntilStopped(LineQueue& lines, int signals) {
    std::string pending;
    size_t offset = 0;
    for (;;) {
        std::array<pollfd, 3> fds = {
            {{signals, POLLIN, 0}, {lines.wakeFd(), POLLIN, 0}, {STDOUT_FILENO, POLLOUT, 0}}};
        // The queue is read only when what was taken is out, so the lines waiting stay
        // bounded by the queue.
        const bool writing = offset < pending.size();
        const auto unwritten = [&] {
            return static_cast<uint64_t>(
                std::count(pending.begin() + static_cast<ptrdiff_t>(offset), pending.end(), '\n'));
        };
        if (poll(fds.data(), writing ? 3 : 2, -1) < 0) {
            if (errno == EINTR) continue;
            return unwritten();
        }
        if (fds[0].revents & POLLIN) return unwritten();
        if (!writing && (fds[1].revents & POLLIN)) {
            pending = lines.take();
            offset = 0;
            continue;
        }
        if (writing && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP | POLLNVAL))) {
            // Whole lines only, so that a stop never leaves a line cut short.
            size_t chunk = std::min<size_t>(pending.size() - offset, PIPE_BUF);
            if (offset + chunk < pending.size()) {
                const size_t lineEnd = pending.rfind('\n', offset + chunk - 1);
                if (lineEnd != std::string::npos && lineEnd >= offset) chunk = lineEnd + 1 - offset;
            }
            const ssize_t written = write(STDOUT_FILENO, pending.data() + offset, chunk);
            if (written < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            // The reader went away (the pager was left), or there is no output.
            if (written <= 0) return unwritten();
            offset += static_cast<size_t>(written);
        }
    }
}

int WatchInput(std::span<char*> arguments) {
    std::vector<uint32_t> blocked;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument != "--block") {
            return UsageError(
                (argument.starts_with("-") ? "unknown option " : "unexpected argument ") +
                std::string(argument));
        }
        // --block takes every code up to the next option.
        size_t taken = 0;
        while (i + 1 < arguments.size() && !std::string_view(arguments[i + 1]).starts_with("--")) {
            const auto code = ParseCode(arguments[++i]);
            if (!code) {
                return UsageError(std::string(arguments[i]) + " is no mouse input code");
            }
            blocked.push_back(*code);
            ++taken;
        }
        if (taken == 0) return UsageError("--block needs at least one mouse input");
    }

    // SIGINT and SIGTERM are read from a signalfd below; blocked before the input thread
    // starts, they stay blocked there too. SIGPIPE too: a reader that goes away ends the
    // watch as a stop signal does, with the mouse let go properly.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigset_t masked = stopSignals;
    sigaddset(&masked, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &masked, nullptr);
    const int signals = signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK);
    LineQueue lines;
    if (signals < 0 || !lines.ready()) {
        std::perror("x5kctl");
        if (signals >= 0) close(signals);
        return kExitSystem;
    }

    XkbKeyboardLayout layout;
    PrintingPoster poster(layout, lines);
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
        close(signals);
        return kExitDevice;
    }
    std::fprintf(stderr, "watching %s%s; Ctrl+C ends\n",
                 hooks.keyboardHookInstalled() ? "the keyboards" : "",
                 installed                    ? " and the mice"
                 : hooks.mouseHookInstalled() ? "the mice"
                                              : "");

    const uint64_t unwritten = PrintUntilStopped(lines, signals);
    close(signals);

    hooks.RemoveHooks();
    backend.setSink(nullptr);
    if (const uint64_t lost = unwritten + lines.notShown()) {
        std::fprintf(stderr,
                     "x5kctl: %llu lines were not shown: dropped while the output was not read, "
                     "or still waiting at the end\n",
                     static_cast<unsigned long long>(lost));
    }
    return kExitDone;
}

}  // namespace

int RunInputCommand(std::string_view command, std::span<char*> arguments) {
    if (command == "watch-input") return WatchInput(arguments);
    return UsageError("unknown command " + std::string(command));
}

}  // namespace x5k

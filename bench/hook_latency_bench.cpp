// The cost of one input event on the input thread: translation, the input hooks'
// callbacks (posting to a poster that does nothing, with a few codes blocked) and, for
// the grabbed mouse node, the filter that picks what goes on to the virtual clone.
// BM_GrabbedMouseThroughPipes adds the system calls the input thread makes per frame,
// with a pipe standing in for the event node (poll and read) and /dev/null for the
// clone (write). The time per event is the "time_per_event" counter (in seconds, "12.5n" being
// 12.5 ns); events per second is "items_per_second".

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdint>
#include <random>
#include <vector>

#include "macros/InputHooks.h"
#include "platform/linux/EvdevTranslation.h"

namespace x5k {
namespace {

class NoHooks final : public HookBackend {
public:
    bool installKeyboardHook() override { return true; }
    bool installMouseHook() override { return true; }
    void removeKeyboardHook() override {}
    void removeMouseHook() override {}
};

class NoPoster final : public MessagePoster {
public:
    void post(Window, uint32_t, uintptr_t, intptr_t) override {}
    intptr_t send(Window, uint32_t, uintptr_t, intptr_t) override { return 0; }
};

input_event Event(uint16_t type, uint16_t code, int32_t value) {
    input_event e{};
    e.type = type;
    e.code = code;
    e.value = value;
    return e;
}

void Frame(std::vector<input_event>& stream, std::initializer_list<input_event> events) {
    stream.insert(stream.end(), events);
    stream.push_back(Event(EV_SYN, SYN_REPORT, 0));
}

// A mouse at work: mostly motion, with clicks of every button (each press followed by
// its release a few frames later) and wheel turns both ways, notch and high-resolution
// events together as the kernel sends them.
std::vector<input_event> MouseStream(size_t frames) {
    std::mt19937 random(5217);
    std::uniform_int_distribution<int> pick(0, 99);
    std::uniform_int_distribution<int> delta(-12, 12);
    constexpr uint16_t kButtons[] = {BTN_LEFT, BTN_RIGHT, BTN_MIDDLE, BTN_SIDE, BTN_EXTRA};
    std::vector<input_event> stream;
    int held = -1;
    int holdFrames = 0;
    for (size_t f = 0; f < frames; ++f) {
        const int roll = pick(random);
        if (held >= 0 && --holdFrames == 0) {
            Frame(stream,
                  {Event(EV_MSC, MSC_SCAN, 0x90001 + held), Event(EV_KEY, kButtons[held], 0)});
            held = -1;
        } else if (held < 0 && roll < 10) {
            held = roll % 5;
            holdFrames = 3;
            Frame(stream,
                  {Event(EV_MSC, MSC_SCAN, 0x90001 + held), Event(EV_KEY, kButtons[held], 1)});
        } else if (roll < 25) {
            const int notch = roll % 2 == 0 ? 1 : -1;
            Frame(stream,
                  {Event(EV_REL, REL_WHEEL, notch), Event(EV_REL, REL_WHEEL_HI_RES, 120 * notch)});
        } else {
            Frame(stream,
                  {Event(EV_REL, REL_X, delta(random)), Event(EV_REL, REL_Y, delta(random))});
        }
    }
    return stream;
}

// Typing: scan code, key, report; presses, repeats and releases.
std::vector<input_event> KeyboardStream(size_t keys) {
    constexpr uint16_t kKeys[] = {KEY_A,     KEY_S,         KEY_D,   KEY_F,  KEY_SPACE,
                                  KEY_ENTER, KEY_LEFTSHIFT, KEY_KP7, KEY_UP, KEY_RIGHTCTRL};
    std::vector<input_event> stream;
    for (size_t k = 0; k < keys; ++k) {
        const uint16_t key = kKeys[k % std::size(kKeys)];
        for (const int value : {1, 2, 0}) {
            Frame(stream, {Event(EV_MSC, MSC_SCAN, 0x70004 + key), Event(EV_KEY, key, value)});
        }
    }
    return stream;
}

struct Rig {
    NoHooks backend;
    NoPoster poster;
    InputHooks hooks{backend, poster};
    InputHooksSink sink{hooks};
    Rig() {
        hooks.InstallHooks(Window::MainWindow);
        hooks.SetForwarding(true, true);
        hooks.SetMouseNotify(true);
        hooks.BlockMouseCode(mouse::kSide1Down, false);
        hooks.BlockMouseCode(mouse::kWheelBackward, false);
        hooks.BlockMouseCode(mouse::kMiddleDown, false);
    }
};

void Run(benchmark::State& state, const std::vector<input_event>& stream, bool grabbed) {
    Rig rig;
    EvdevFrameFilter filter;
    std::vector<input_event> out;
    out.reserve(64);
    const EvdevFrameFilter::Reporting reporting{true, true};
    for (auto _ : state) {
        for (const input_event& e : stream) {
            filter.feed(e, reporting, rig.sink, grabbed ? &out : nullptr);
            // The input thread hands the survivors to the clone after each read.
            if (out.size() > 32) out.clear();
        }
        benchmark::DoNotOptimize(out.data());
        out.clear();
    }
    const auto events = static_cast<double>(stream.size());
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
    // Seconds per event, printed with an SI prefix ("12.5n" is 12.5 ns).
    state.counters["time_per_event"] = benchmark::Counter(
        events, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_GrabbedMouseThroughPipes(benchmark::State& state) {
    const auto stream = MouseStream(20000);
    // Where each frame ends, so it can be written and read as the kernel hands it over.
    std::vector<size_t> frameEnds;
    for (size_t i = 0; i < stream.size(); ++i) {
        if (stream[i].type == EV_SYN && stream[i].code == SYN_REPORT) frameEnds.push_back(i + 1);
    }
    int node[2];
    if (pipe2(node, O_NONBLOCK) != 0) {
        state.SkipWithError("no pipe");
        return;
    }
    const int clone = open("/dev/null", O_WRONLY);
    Rig rig;
    EvdevFrameFilter filter;
    std::vector<input_event> out;
    std::vector<input_event> buffer(64);
    const EvdevFrameFilter::Reporting reporting{true, true};
    for (auto _ : state) {
        size_t begin = 0;
        for (const size_t end : frameEnds) {
            const size_t bytes = (end - begin) * sizeof(input_event);
            if (write(node[1], &stream[begin], bytes) != static_cast<ssize_t>(bytes)) break;
            begin = end;
            pollfd p{node[0], POLLIN, 0};
            poll(&p, 1, -1);
            const ssize_t got = read(node[0], buffer.data(), buffer.size() * sizeof(input_event));
            for (ssize_t i = 0; i < got / static_cast<ssize_t>(sizeof(input_event)); ++i) {
                filter.feed(buffer[static_cast<size_t>(i)], reporting, rig.sink, &out);
            }
            if (!out.empty()) {
                benchmark::DoNotOptimize(
                    write(clone, out.data(), out.size() * sizeof(input_event)));
                out.clear();
            }
        }
    }
    close(node[0]);
    close(node[1]);
    close(clone);
    const auto events = static_cast<double>(stream.size());
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
    state.counters["time_per_event"] = benchmark::Counter(
        events, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["time_per_frame"] = benchmark::Counter(
        static_cast<double>(frameEnds.size()),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_GrabbedMouseThroughPipes)->Unit(benchmark::kMillisecond);

void BM_GrabbedMouse(benchmark::State& state) {
    const auto stream = MouseStream(20000);
    Run(state, stream, true);
}
BENCHMARK(BM_GrabbedMouse);

void BM_WatchedMouse(benchmark::State& state) {
    const auto stream = MouseStream(20000);
    Run(state, stream, false);
}
BENCHMARK(BM_WatchedMouse);

void BM_Keyboard(benchmark::State& state) {
    const auto stream = KeyboardStream(5000);
    Run(state, stream, false);
}
BENCHMARK(BM_Keyboard);

}  // namespace
}  // namespace x5k

BENCHMARK_MAIN();

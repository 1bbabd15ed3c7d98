// The apply sequence's own CPU cost, apart from its pauses (a clock that never waits),
// and the cost of each report through the device link and the emulated mouse's firmware;
// and what the diagnostic log costs, off (the default) and on.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>

#include "common/DiagnosticLog.h"
#include "device/ApplyWorker.h"
#include "device/emulator/EmulatedMouse.h"
#include "profiles/ProfileImage.h"

namespace x5k {
namespace {

class NoWaitClock final : public Clock {
public:
    void sleepFor(std::chrono::milliseconds) override {}
    uint32_t tickMs() override { return 0; }
};

class Sink final : public MessagePoster, public PointerSettings, public MouseBlockList {
public:
    void post(Window, uint32_t, uintptr_t, intptr_t) override {}
    intptr_t send(Window, uint32_t, uintptr_t, intptr_t) override { return 0; }
    bool setAcceleration(bool) override { return true; }
    bool setSpeed(int) override { return true; }
    bool setWheelScrollLines(int) override { return true; }
    void BlockMouseCode(uint32_t, bool) override {}
};

class FixedProfile final : public ProfileSource {
public:
    ProfileSnapshot snapshot() const override { return snapshot_; }
    ProfileSnapshot snapshot_{DefaultProfile(false), {}};
};

class OneMacro final : public MacroSource {
public:
    std::optional<EncodedMacro> encodeMacro(int32_t) override { return EncodedMacro{}; }
};

struct Rig {
    NoWaitClock clock;
    EmulatedMouse mouse;
    CUSBDriver driver{mouse, clock};
    FixedProfile profile;
    OneMacro macros;
    Sink sink;
    std::atomic<bool> idle{true};
    ApplyWorker worker{{driver, profile, macros, sink, sink, sink, clock, idle}};
    Rig() {
        if (!driver.discover()) std::abort();
    }
};

void BM_ApplyDefaultProfile(benchmark::State& state) {
    Rig rig;
    for (auto _ : state) {
        rig.worker.runOnce();
        state.counters["reports"] = static_cast<double>(rig.mouse.reports().size());
        rig.mouse.clearReports();
    }
    if (!rig.mouse.state().protocolErrors.empty())
        state.SkipWithError("the mouse refused a report");
}
BENCHMARK(BM_ApplyDefaultProfile);

void BM_ApplyWithSevenMacros(benchmark::State& state) {
    Rig rig;
    for (int b = 0; b < kButtonCount; ++b) {
        rig.profile.snapshot_.image.set(profile::FunctionCode(b), 6);
        rig.profile.snapshot_.macroIds[static_cast<size_t>(b)] = 0x15000001 + b;
    }
    rig.profile.snapshot_.image.set(profile::FunctionCode(1), 1);  // one Click stays
    for (auto _ : state) {
        rig.worker.runOnce();
        rig.mouse.clearReports();
    }
}
BENCHMARK(BM_ApplyWithSevenMacros);

// The log on, its lines built and handed to a sink that drops them: what --verbose adds
// to an apply apart from writing to the terminal.
class DroppingSink final : public LogSink {
public:
    void write(std::string_view line) override { benchmark::DoNotOptimize(line.data()); }
};

void BM_ApplyDefaultProfileLogged(benchmark::State& state) {
    Rig rig;
    DroppingSink sink;
    diagnostic::setSink(&sink);
    for (auto _ : state) {
        rig.worker.runOnce();
        rig.mouse.clearReports();
    }
    diagnostic::setSink(nullptr);
}
BENCHMARK(BM_ApplyDefaultProfileLogged);

// One log call with a hex dump of a feature report while the log is off.
void BM_LogCallWhileOff(benchmark::State& state) {
    std::array<uint8_t, 33> report{};
    for (auto _ : state) {
        X5K_LOG("hid: feature report sent: ", diagnostic::Hex{report});
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_LogCallWhileOff);

void BM_FeatureCommand(benchmark::State& state) {
    Rig rig;
    uint32_t colour = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(rig.driver.setLightingColour(++colour & 0xFFFFFF));
        rig.mouse.clearReports();
    }
}
BENCHMARK(BM_FeatureCommand);

void BM_ButtonMatrixTransfer(benchmark::State& state) {
    Rig rig;
    std::array<uint8_t, kButtonMatrixSize> matrix{};
    for (auto _ : state) {
        benchmark::DoNotOptimize(rig.driver.writeButtonMatrix(matrix));
        rig.mouse.clearReports();
    }
}
BENCHMARK(BM_ButtonMatrixTransfer);

}  // namespace
}  // namespace x5k

BENCHMARK_MAIN();

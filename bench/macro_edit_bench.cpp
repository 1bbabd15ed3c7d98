// How long a macro edit (store, delete, rename) keeps the window's thread, with the real
// clock and the real file system: the file's write with its two 100 ms pauses runs on the
// store's writer thread, so an edit should take microseconds, well inside one 16 ms frame.
// Each iteration is timed alone; the counters give the median and the slowest edit.
// Edits come back to back, or 1 ms apart (untimed), so that over about a second some of
// them meet the writer while it copies the table.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "macros/MacroTable.h"
#include "platform/linux/PosixFileSystem.h"
#include "support/RecordingUserMessages.h"
#include "support/SampleMacro.h"
#include "support/TempFolder.h"

namespace x5k {
namespace {

enum Edit { kStore, kDelete, kRename };

void MacroEdit(benchmark::State& state) {
    const auto edit = static_cast<Edit>(state.range(0));
    const auto gap = std::chrono::milliseconds(state.range(1));
    test::TempFolder folder;
    PosixFileSystem files;
    SteadyClock clock;
    test::RecordingUserMessages messages;
    InterfaceStrings strings;
    MacroStore store{files, clock, messages, strings, folder.path()};
    for (int i = 0; i < 100; ++i)
        (void)store.storeMacro(test::SampleMacro(0x15000000 + i, "m" + std::to_string(i)));
    store.flush();

    std::vector<double> micros;
    int n = 0;
    for (auto _ : state) {
        if (gap.count() > 0) std::this_thread::sleep_for(gap);
        const int32_t id = 0x15000000 + n % 100;
        const auto start = std::chrono::steady_clock::now();
        switch (edit) {
            case kStore:
                benchmark::DoNotOptimize(
                    store.storeMacro(test::SampleMacro(id, "s" + std::to_string(n))));
                break;
            case kDelete:
                store.deleteMacro(id);
                break;
            case kRename:
                benchmark::DoNotOptimize(store.renameMacro(id, "r" + std::to_string(n)));
                break;
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        micros.push_back(took.count() * 1e6);
        ++n;
    }
    store.flush();  // after the timed loop: the program does it at exit or before an apply
    std::sort(micros.begin(), micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["max_us"] = micros.back();
}

BENCHMARK(MacroEdit)
    ->ArgNames({"store0_delete1_rename2", "gap_ms"})
    ->ArgsProduct({{kStore, kDelete, kRename}, {0, 1}})
    ->UseManualTime()
    ->Iterations(800)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace x5k

BENCHMARK_MAIN();

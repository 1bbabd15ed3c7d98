// The main window's own start-up work: constructing it with the emulated mouse, its
// initialisation up to the window on screen (the remembered language switched to and the
// first paint done), and its destruction. The clock is virtual, so the pauses the device
// start-up makes (the firmware loader looked for twice, half a second apart, and the
// version read's pause) cost nothing here; what is left is the program's own work.
//
// Two cases: the first run (an empty data folder, seeded from the program folder) and a
// later run (the data folder as an earlier run left it). The time is wall time per start
// in ms; the counters split it into its phases (ms per start):
//   language_ms  the default language loaded (before the window; not in the time)
//   init_ms      the window constructed and onInitDialog() returned, window shown
//   paint_ms     the posted language switch, the first paint and the pictures read once
//                the window shows, until the loop is idle
//   shown_ms     from the window's construction to its first paint: start to window shown
//   destroy_ms   the window destroyed and its deferred deletions done
// A start that does not end with the window shown and painted, or whose device start-up
// did not make exactly the expected pauses, stops the case with an error instead of
// timing a start-up that went another way, and the program then exits with 1.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>
#include <QSystemTrayIcon>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "OffscreenMain.h"
#include "device/emulator/EmulatedMouse.h"
#include "gui/CT7QDriverDlg.h"
#include "localisation/Localisation.h"
#include "macros/InputHooks.h"
#include "platform/linux/PosixFileSystem.h"
#include "support/InertHookBackend.h"
#include "support/RecordingPointerSettings.h"
#include "support/RecordingShell.h"
#include "support/RecordingUserMessages.h"
#include "support/TempFolder.h"
#include "support/VirtualClock.h"
#include "ui/QtMessagePoster.h"
#include "ui/Skin.h"

namespace x5k::gui {
namespace {

using Stopwatch = std::chrono::steady_clock;

void Fail(benchmark::State& state, const char* error) {
    bench::gFailed = true;
    state.SkipWithError(error);
}
using std::chrono::milliseconds;

double Ms(Stopwatch::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// The pauses the device start-up makes on its way to a connected mouse.
const std::vector<milliseconds> kStartUpPauses{milliseconds{500}, milliseconds{500},
                                               milliseconds{50}};

// Counts the paints a widget receives and notes when the first one came.
class PaintCounter final : public QObject {
public:
    int paints = 0;
    Stopwatch::time_point first;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && paints++ == 0) first = Stopwatch::now();
        return QObject::eventFilter(watched, event);
    }
};

struct Phases {
    double language = 0;
    double init = 0;
    double paint = 0;
    double shown = 0;  // from the start of the window to its first paint
    double destroy = 0;
    double window() const { return init + paint + destroy; }
};

// One start of the main window against dataFolder, as the program makes it, with fakes
// for everything that would reach the desktop. Returns an error text, or nullptr.
const char* StartOnce(const std::filesystem::path& dataFolder, Phases& phases) {
    PosixFileSystem files;
    test::VirtualClock clock;
    test::RecordingUserMessages messages;
    test::RecordingShell shell;
    test::RecordingSound sound;
    EmulatedMouse mouse;
    test::RecordingPointerSettings pointer;
    test::InertHookBackend hookBackend;
    ui::QtMessagePoster poster;
    InputHooks hooks{hookBackend, poster};
    DriverServices services{
        files, clock, messages, shell, sound, mouse, pointer, X5K_PROGRAM_DIR, dataFolder, {}, [] {
            return QSystemTrayIcon::isSystemTrayAvailable();
        }};

    const auto t0 = Stopwatch::now();
    Localisation localisation(files, messages, services.programFolder, services.dataFolder);
    localisation.loadDefaultLanguage();
    const auto t1 = Stopwatch::now();

    auto window = std::make_unique<CT7QDriverDlg>(services, localisation, hooks, poster);
    PaintCounter painted;
    window->installEventFilter(&painted);
    const auto started = window->onInitDialog();  // nothing when a close request came
    const bool shown = window->isVisible();
    const auto t2 = Stopwatch::now();

    // The loop's first turns: the posted language switch, the expose and the paint, then
    // what the window reads once it shows, until the loop is idle.
    for (int turn = 0; turn < 100 && painted.paints == 0; ++turn) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    const auto t3 = Stopwatch::now();

    window.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const auto t4 = Stopwatch::now();

    phases.language = Ms(t1 - t0);
    phases.init = Ms(t2 - t1);
    phases.paint = Ms(t3 - t2);
    phases.shown = painted.paints > 0 ? Ms(painted.first - t1) : 0;
    phases.destroy = Ms(t4 - t3);

    if (started != StartUp::Connected) return "the device start-up did not connect";
    if (!shown) return "the window was not shown";
    if (painted.paints == 0) return "the window was never painted";
    if (clock.pauses() != kStartUpPauses) return "the device start-up paused differently";
    if (!messages.shown().empty()) return "the start-up showed a message";
    if (!std::filesystem::exists(dataFolder / "Profile" / "Profile5.cfg")) {
        return "the data folder was not seeded";
    }
    return nullptr;
}

void Report(benchmark::State& state, const Phases& total) {
    const auto avg = benchmark::Counter::kAvgIterations;
    state.counters["language_ms"] = benchmark::Counter(total.language, avg);
    state.counters["init_ms"] = benchmark::Counter(total.init, avg);
    state.counters["paint_ms"] = benchmark::Counter(total.paint, avg);
    state.counters["shown_ms"] = benchmark::Counter(total.shown, avg);
    state.counters["destroy_ms"] = benchmark::Counter(total.destroy, avg);
}

void Add(Phases& total, const Phases& one) {
    total.language += one.language;
    total.init += one.init;
    total.paint += one.paint;
    total.shown += one.shown;
    total.destroy += one.destroy;
}

// The first run: every start finds an empty data folder and seeds it.
void BM_FirstRun(benchmark::State& state) {
    Phases total;
    for (auto _ : state) {
        const test::TempFolder data;
        Phases one;
        if (const char* error = StartOnce(data.path() / "ZINTU" / "X5K", one)) {
            Fail(state, error);
            break;
        }
        state.SetIterationTime(one.window() / 1000.0);
        Add(total, one);
    }
    Report(state, total);
}

// A later run: the data folder exists, as the first start (not timed) left it.
void BM_LaterRun(benchmark::State& state) {
    const test::TempFolder data;
    const std::filesystem::path folder = data.path() / "ZINTU" / "X5K";
    Phases first;
    if (const char* error = StartOnce(folder, first)) {
        Fail(state, error);
        return;
    }
    Phases total;
    for (auto _ : state) {
        Phases one;
        if (const char* error = StartOnce(folder, one)) {
            Fail(state, error);
            break;
        }
        state.SetIterationTime(one.window() / 1000.0);
        Add(total, one);
    }
    Report(state, total);
}

BENCHMARK(BM_FirstRun)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LaterRun)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace x5k::gui

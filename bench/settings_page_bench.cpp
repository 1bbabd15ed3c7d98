// The main settings page's first show on the offscreen platform. The page is made with the
// main window, as a picture with no controls, and starts reading its pictures on a worker;
// it makes its controls when it is first shown. In the program the first show comes with
// the window, after the device start-up's pauses (a second), so the pictures are read by
// then: the case "read" waits for them before it shows the page. The case "at once" shows
// the page right after making it, so the show also waits for the reading. Timed per page,
// in ms: made_ms the construction and the services handed over, shown_ms from show() to
// the first paint done. Each iteration makes a new page in a new parent window, so every
// show is a first one; the pictures come from the build's program folder.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>
#include <QThread>

#include <chrono>
#include <memory>

#include "OffscreenMain.h"
#include "localisation/Localisation.h"
#include "macros/MacroTable.h"
#include "pages/mainset/CDlgMainSet.h"
#include "platform/linux/PosixFileSystem.h"
#include "support/RecordingUserMessages.h"
#include "support/TempFolder.h"
#include "support/UsKeyboardLayout.h"
#include "ui/MessageWindow.h"
#include "ui/Skin.h"

namespace x5k::pages {
namespace {

using Stopwatch = std::chrono::steady_clock;

double Ms(Stopwatch::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void BM_SettingsPageFirstShow(benchmark::State& state) {
    const bool waitForPictures = state.range(0) != 0;
    PosixFileSystem files;
    test::RecordingUserMessages messages;
    test::TempFolder data;
    Localisation localisation(files, messages, X5K_PROGRAM_DIR, data.path());
    localisation.loadDefaultLanguage();
    test::UsKeyboardLayout keyboard;
    MacroTable macros;
    std::array<int32_t, kButtonCount> macroIds{};
    double made = 0;
    double shown = 0;
    for (auto _ : state) {
        ProfileImage profile = DefaultProfile(false);
        ui::MessageWindow parent;
        parent.resize(960, 640);
        parent.show();
        QApplication::processEvents();
        const auto start = Stopwatch::now();
        auto* page = new CDlgMainSet(
            PageContext{&parent, localisation.strings(), false, files, data.path()});
        page->setGeometry(15, 128, 925, 452);
        page->hide();
        page->connectServices(SettingsServices{profile,
                                               macroIds,
                                               messages,
                                               {},
                                               AssignmentServices{localisation.strings(),
                                                                  false,
                                                                  keyboard,
                                                                  nullptr,
                                                                  false,
                                                                  nullptr,
                                                                  nullptr,
                                                                  macros,
                                                                  {}},
                                               {},
                                               {}});
        bench::FirstPaint paint;
        page->installEventFilter(&paint);
        const auto constructed = Stopwatch::now();
        while (waitForPictures && !page->picturesRead()) QThread::usleep(200);
        const auto ready = Stopwatch::now();
        page->show();
        while (!paint.painted) QApplication::processEvents();
        const auto painted = Stopwatch::now();
        if (!page->built()) {
            state.SkipWithError("the page did not build its controls");
            return;
        }
        page->removeEventFilter(&paint);
        made += Ms(constructed - start);
        shown += Ms(painted - ready);
        state.SetIterationTime(std::chrono::duration<double>(painted - ready).count());
    }
    state.counters["made_ms"] = made / static_cast<double>(state.iterations());
    state.counters["shown_ms"] = shown / static_cast<double>(state.iterations());
}
BENCHMARK(BM_SettingsPageFirstShow)
    ->ArgName("read")
    ->Arg(1)
    ->Arg(0)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

}  // namespace
}  // namespace x5k::pages

// The statistics page on the offscreen platform, with the real clock and file system.
// "first show": from show() to the first paint done, the pictures read first (the program
// reads them on a worker from its start); the budget is 30 ms.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QThread>

#include <chrono>
#include <memory>

#include "OffscreenMain.h"
#include "localisation/Localisation.h"
#include "pages/statistics/CDlgSts.h"
#include "platform/linux/PosixFileSystem.h"
#include "support/RecordingUserMessages.h"
#include "support/TempFolder.h"
#include "ui/CGDIBitmapBtn.h"

namespace x5k::pages {
namespace {


struct Services {
    Services() { localisation.loadDefaultLanguage(); }
    // A page in a shown parent, its pictures read, not yet shown itself, its counters at
    // level 5.
    std::unique_ptr<CDlgSts> page(ui::MessageWindow& parent) {
        auto made = std::make_unique<CDlgSts>(
            PageContext{&parent, localisation.strings(), false, files, data.path()});
        made->setGeometry(15, 128, 925, 452);
        made->hide();
        made->connectServices(StatisticsServices{messages, clock, [] { return false; }});
        statistics::StatsRecord record;
        record.setCounter(statistics::Counter::LeftPresses, 2'000'000);
        record.setCounter(statistics::Counter::PointerDistance, 12'345'678);
        made->setCounters(record);
        while (!made->picturesRead()) QThread::usleep(200);
        return made;
    }

    PosixFileSystem files;
    SteadyClock clock;
    test::RecordingUserMessages messages;
    test::TempFolder data;
    Localisation localisation{files, messages, X5K_PROGRAM_DIR, data.path()};
};

void BM_StatisticsPageFirstShow(benchmark::State& state) {
    Services services;
    bench::TimeFirstShows(
        state, [&](ui::MessageWindow& parent) { return services.page(parent); },
        [](CDlgSts& page) {
            return page.built() && page.cell(5)->IsChecked() && !page.cell(6)->IsChecked();
        });
}
BENCHMARK(BM_StatisticsPageFirstShow)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace
}  // namespace x5k::pages

// The lighting page on the offscreen platform with the real file system. "first show":
// from show() to the first paint done, the pictures read first (the program reads them on
// a worker from its start). The page should show within 30 ms.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QThread>

#include <chrono>
#include <memory>

#include "OffscreenMain.h"
#include "localisation/Localisation.h"
#include "pages/lighting/CDlgLEDSet.h"
#include "platform/linux/PosixFileSystem.h"
#include "support/RecordingUserMessages.h"
#include "support/TempFolder.h"
#include "ui/CColorBtn.h"

namespace x5k::pages {
namespace {


struct Services {
    Services() { localisation.loadDefaultLanguage(); }
    // A page in a shown parent, its pictures read, not yet shown itself.
    std::unique_ptr<CDlgLEDSet> page(ui::MessageWindow& parent) {
        auto made = std::make_unique<CDlgLEDSet>(
            PageContext{&parent, localisation.strings(), false, files, data.path()});
        made->setGeometry(15, 128, 925, 452);
        made->hide();
        made->connectServices(profile);
        while (!made->picturesRead()) QThread::usleep(200);
        return made;
    }

    PosixFileSystem files;
    test::RecordingUserMessages messages;
    test::TempFolder data;
    Localisation localisation{files, messages, X5K_PROGRAM_DIR, data.path()};
    ProfileImage profile = DefaultProfile(false);
};

void BM_LightingPageFirstShow(benchmark::State& state) {
    Services services;
    bench::TimeFirstShows(
        state, [&](ui::MessageWindow& parent) { return services.page(parent); },
        [](CDlgLEDSet& page) {
            return page.built() && !page.wheelPicture().isNull() && page.swatch(25) != nullptr;
        });
}
BENCHMARK(BM_LightingPageFirstShow)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace
}  // namespace x5k::pages

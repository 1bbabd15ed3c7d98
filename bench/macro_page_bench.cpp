// The macro page on the offscreen platform, with 500 macros in its group, the real clock
// and the real file system. "first show": from show() to the first paint done, the
// pictures' pieces read first (the program reads them on a worker from its start). "edit":
// how long one edit keeps the window's thread, from the click (or the rename's end, or a
// keystroke in the loop count) until the page shows the result; each edit is timed alone,
// the counters give the median and the slowest. The file's write runs on the macro store's
// writer thread.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "OffscreenMain.h"
#include "localisation/Localisation.h"
#include "macros/InputHooks.h"
#include "macros/MacroTable.h"
#include "pages/macros/CDlgMacro.h"
#include "platform/linux/PosixFileSystem.h"
#include "support/InertHookBackend.h"
#include "support/RecordingUserMessages.h"
#include "support/SampleMacro.h"
#include "support/TempFolder.h"
#include "ui/CGDIBitmapBtn.h"
#include "ui/CListBoxEx.h"
#include "ui/QtMessagePoster.h"

namespace x5k::pages {
namespace {

using Stopwatch = std::chrono::steady_clock;
using Button = CDlgMacro::Button;
constexpr int kMacros = 500;

double Ms(Stopwatch::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// A macro of 30 events: ten keys, each pressed, held 50 ms and released.
MacroRecord TenKeys(int32_t id, std::string_view name) {
    using namespace macro;
    MacroRecord record = test::SampleMacro(id, name);
    constexpr int kEvents = 30;
    record.set(kSizeTag, static_cast<int32_t>(kSizeTagBase + 4 * kEvents));
    record.set(kEventCount, kEvents);
    for (int key = 0; key < 10; ++key) {
        const auto code = static_cast<uint32_t>(0x41 + key);
        record.set(Event(3 * key), static_cast<int32_t>(MakeEvent(kPress, code)));
        record.set(Event(3 * key + 1), static_cast<int32_t>(MakeEvent(kDelay, 50)));
        record.set(Event(3 * key + 2), static_cast<int32_t>(MakeEvent(kRelease, code)));
    }
    return record;
}

// What the page works on, with 500 macros of group 21 in the table and its file.
struct Services {
    Services() {
        localisation.loadDefaultLanguage();
        for (int i = 0; i < kMacros; ++i) {
            (void)store.storeMacro(TenKeys(0x15000000 + i, "m" + std::to_string(i)));
        }
        store.flush();
    }
    // A page in a shown parent, its pictures read, not yet shown itself.
    std::unique_ptr<CDlgMacro> page(ui::MessageWindow& parent) {
        auto made = std::make_unique<CDlgMacro>(
            PageContext{&parent, localisation.strings(), false, files, data.path()});
        made->setGeometry(15, 128, 925, 452);
        made->hide();
        made->connectServices(MacroServices{
            macropage::PageContext{store, hooks, poster, clock, messages, config, profile}, nullptr,
            [] { return false; }, [] { return false; }});
        made->ShowGroup(21);
        while (!made->picturesRead()) QThread::usleep(200);
        return made;
    }

    PosixFileSystem files;
    SteadyClock clock;
    test::RecordingUserMessages messages;
    test::TempFolder data;
    Localisation localisation{files, messages, X5K_PROGRAM_DIR, data.path()};
    test::InertHookBackend backend;
    ui::QtMessagePoster poster;
    InputHooks hooks{backend, poster};
    MacroStore store{files, clock, messages, localisation.strings(), data.path()};
    ConfigBlock config;
    ProfileImage profile = DefaultProfile(false);
};

void BM_MacroPageFirstShow(benchmark::State& state) {
    Services services;
    bench::TimeFirstShows(
        state, [&](ui::MessageWindow& parent) { return services.page(parent); },
        [](const CDlgMacro& page) {
            return page.built() && page.macroList()->GetCount() == kMacros;
        });
}
BENCHMARK(BM_MacroPageFirstShow)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

enum Edit { kInsert, kDeleteEvent, kRename, kLoop };

void BM_MacroPageEdit(benchmark::State& state) {
    const auto edit = static_cast<Edit>(state.range(0));
    Services services;
    ui::MessageWindow parent;
    parent.resize(960, 640);
    parent.show();
    std::unique_ptr<CDlgMacro> page = services.page(parent);
    page->show();
    QApplication::processEvents();
    const auto click = [&](Button which) { page->button(which)->click(); };
    const auto selectEvent = [&](int row) {
        page->eventList()->SetCurSel(row);
        page->dispatch(msg::kListSelectionChanged, macropage::kEventListId, row);
    };
    std::vector<double> micros;
    int n = 0;
    // A key inserted at the second row: the edit is the key OK's click. The key changes
    // each time, as the same key pressed again would be taken for its auto-repeat.
    const auto prepareInsert = [&] {
        selectEvent(1);
        click(Button::Insert);
        click(Button::KeySelector);
        page->dispatch(msg::kHookInput, 0x41 + static_cast<uint32_t>(n % 26), 0);
    };
    const int rowsBefore = page->eventList()->GetCount();
    for (auto _ : state) {
        if (edit == kInsert || edit == kDeleteEvent) prepareInsert();
        if (edit == kDeleteEvent) {
            click(Button::KeyOk);
            selectEvent(1);
        }
        const int row = page->macroList()->GetCount() - 1;
        if (edit == kRename) {
            page->macroList()->item(row)->setText(QString::number(n));
        }
        const auto start = Stopwatch::now();
        switch (edit) {
            case kInsert:
                click(Button::KeyOk);
                break;
            case kDeleteEvent:
                click(Button::DeleteEvent);
                break;
            case kRename:
                page->dispatch(msg::kListEditEnded, macropage::kMacroListId, row);
                break;
            case kLoop:
                page->loopEdit()->setText(QString::number(10 + n % 50));
                emit page->loopEdit()->textEdited(page->loopEdit()->text());
                break;
        }
        const auto took = Stopwatch::now() - start;
        state.SetIterationTime(std::chrono::duration<double>(took).count());
        micros.push_back(Ms(took) * 1000);
        ++n;
    }
    services.store.flush();
    const int grown = page->eventList()->GetCount() - rowsBefore;
    if (grown != (edit == kInsert ? 2 * n : edit == kDeleteEvent ? n : 0)) {
        state.SkipWithError("the edits did not change the event list as they should");
        bench::gFailed = true;
    }
    std::sort(micros.begin(), micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["max_us"] = micros.back();
}
BENCHMARK(BM_MacroPageEdit)
    ->ArgName("insert0_delete1_rename2_loop3")
    ->DenseRange(kInsert, kLoop)
    ->UseManualTime()
    ->Iterations(300)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace x5k::pages

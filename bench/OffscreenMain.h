#pragma once
// The main of the window benchmarks: a GUI application on Qt's offscreen platform, the
// build's program folder for the pictures and language files, and Google Benchmark.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>
#include <QObject>

#include <chrono>

#include "ui/MessageWindow.h"

namespace x5k::bench {

// A benchmark that timed something other than what it should sets this; the program then
// exits with 1.
extern bool gFailed;

// Installed on a window, notes when the window is first painted.
class FirstPaint final : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted = true;
        return QObject::eventFilter(watched, event);
    }
};

// Times a page's first show, one new page in a new shown parent each time: `make(parent)`
// gives the page with its pictures read and not yet shown; the time runs from show() to
// its first paint done. `showsWhatItShould(page)` checks the page afterwards; a page that
// fails it ends the benchmark with an error.
template <class Make, class Check>
void TimeFirstShows(benchmark::State& state, Make make, Check showsWhatItShould) {
    for (auto _ : state) {
        ui::MessageWindow parent;
        parent.resize(960, 640);
        parent.show();
        QApplication::processEvents();
        auto page = make(parent);
        FirstPaint paint;
        page->installEventFilter(&paint);
        const auto start = std::chrono::steady_clock::now();
        page->show();
        while (!paint.painted) QApplication::processEvents();
        const auto painted = std::chrono::steady_clock::now();
        page->removeEventFilter(&paint);
        if (!showsWhatItShould(*page)) {
            state.SkipWithError("the page did not show what it should after its first show");
            gFailed = true;
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(painted - start).count());
    }
}

}  // namespace x5k::bench

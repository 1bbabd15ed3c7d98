#pragma once
// The main of the window benchmarks: a GUI application on Qt's offscreen platform, the
// build's program folder for the pictures and language files, and Google Benchmark.

#include <QEvent>
#include <QObject>

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

}  // namespace x5k::bench

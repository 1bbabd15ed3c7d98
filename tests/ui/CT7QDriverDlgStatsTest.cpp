// The main window picks where the statistics come from and hands what each source sees
// to the statistics page's counters; the page tells once what it cannot see.

#include <QCoreApplication>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>

#include <cstdint>
#include <optional>

#include "gui/CT7QDriverDlg.h"
#include "pages/statistics/CDlgSts.h"
#include "pages/statistics/StatsModel.h"
#include "platform/StatsInput.h"
#include "support/DriverRig.h"
#include "support/UiTest.h"

using namespace x5k;
using namespace x5k::uitest;
using statistics::Counter;

namespace {

// The display's source, faked: it hands what the test gives it, clicks only when it was
// asked for them.
class FakeStatsInput final : public StatsInput {
public:
    explicit FakeStatsInput(bool reachable) : reachable_(reachable) {}
    bool start(StatsInputSink& sink, bool clicks) override {
        ++starts;
        if (!reachable_) return false;
        sink_ = &sink;
        clicks_ = clicks;
        return true;
    }
    void stop() override { sink_ = nullptr; }

    void press(uint32_t code) {
        if (sink_ && clicks_) sink_->mouseCode(code);
    }
    void sample(int32_t x, int32_t y) {
        if (sink_) sink_->cursorSample(x, y);
    }
    bool clicks() const { return clicks_; }
    int starts = 0;

private:
    bool reachable_;
    StatsInputSink* sink_ = nullptr;
    bool clicks_ = false;
};

void Settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

}  // namespace

class CT7QDriverDlgStatsTest : public QObject {
    Q_OBJECT

private slots:
    void eachSourceReachesTheCounters_data() {
        QTest::addColumn<bool>("readsPointer");
        QTest::addColumn<bool>("hasDisplay");
        QTest::addColumn<bool>("displayReachable");
        QTest::addColumn<bool>("displayClicks");
        QTest::addColumn<bool>("ownWindowsCount");
        QTest::addColumn<bool>("distanceGrows");
        QTest::addColumn<bool>("notice");
        QTest::newRow("x11_watch_reads_a_pointer")
            << true << true << true << false << false << true << false;
        QTest::newRow("x11_watch_reads_none")
            << false << true << true << true << false << true << false;
        QTest::newRow("x11_unreachable")
            << false << true << false << false << true << false << true;
        QTest::newRow("wayland_watch_reads_a_pointer")
            << true << false << false << false << false << false << true;
        QTest::newRow("wayland_watch_reads_none")
            << false << false << false << false << true << false << true;
    }

    void eachSourceReachesTheCounters() {
        QFETCH(bool, readsPointer);
        QFETCH(bool, hasDisplay);
        QFETCH(bool, displayReachable);
        QFETCH(bool, displayClicks);
        QFETCH(bool, ownWindowsCount);
        QFETCH(bool, distanceGrows);
        QFETCH(bool, notice);
        FakeStatsInput display(displayReachable);
        Setup setup;
        setup.beforeStart = [&](Rig& rig) {
            rig.services.hooksReadPointer = [readsPointer] { return readsPointer; };
            if (hasDisplay) rig.services.statsInput = &display;
        };
        Rig rig(setup);
        pages::CDlgSts* page = rig.window->statisticsPage();
        const auto count = [page](Counter which) { return page->counters().counter(which); };
        QCOMPARE(display.starts, hasDisplay ? 1 : 0);
        QCOMPARE(display.clicks(), displayClicks);

        // The display's presses and samples.
        display.press(statistics::kLeftDown);
        display.press(statistics::kWheelForward);
        display.sample(100, 50);
        Settle();
        const uint32_t distance = count(Counter::PointerDistance);
        display.sample(130, 10);
        Settle();
        QCOMPARE(count(Counter::LeftPresses), displayClicks ? 1u : 0u);
        QCOMPARE(count(Counter::WheelForward), displayClicks ? 1u : 0u);
        QCOMPARE(count(Counter::PointerDistance) - distance, distanceGrows ? 70u : 0u);

        // A right press and a wheel notch backward on the program's own window.
        QWindow* window = rig.window->windowHandle();
        QVERIFY(window);
        QTest::mouseClick(window, Qt::RightButton, {}, QPoint(480, 20));
        QWheelEvent wheel(QPointF(480, 20), QPointF(rig.window->mapToGlobal(QPoint(480, 20))),
                          QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(window, &wheel);
        Settle();
        QCOMPARE(count(Counter::RightPresses), ownWindowsCount ? 1u : 0u);
        QCOMPARE(count(Counter::WheelBackward), ownWindowsCount ? 1u : 0u);

        // The note reaches the hint line when the page is first shown, and only then.
        QCOMPARE(rig.window->hintText(), QString());
        rig.window->selectPage(4);
        Settle();
        QCOMPARE(!rig.window->hintText().isEmpty(), notice);
        rig.window->post(msg::kPageHover, 0, 99);
        Settle();
        rig.window->selectPage(1);
        rig.window->selectPage(4);
        Settle();
        QCOMPARE(rig.window->hintText(), QString());
    }
};

X5K_UI_TEST_CLASS(CT7QDriverDlgStatsTest);
#include "CT7QDriverDlgStatsTest.moc"

// The statistics page in the running main window: posted mouse input counts, the trophy,
// its cells and the level bar follow the totals, the distance figure waits for the timer,
// reset asks first, the counters are written when the window hides and at most every five
// minutes of virtual time, and the controls have names for screen readers.

#include <QLabel>
#include <QTest>

#include <array>
#include <chrono>
#include <vector>

#include "common/TextFormat.h"
#include "pages/statistics/CDlgSts.h"
#include "support/DriverRig.h"
#include "ui/CGDIBitmapBtn.h"

using namespace x5k;
using namespace x5k::uitest;
using statistics::Counter;
using statistics::Figure;

namespace {

constexpr int kStatisticsPage = 4;

struct StsRig {
    explicit StsRig(bool show = true) {
        rig.window->show();
        if (show) rig.window->selectPage(kStatisticsPage);
        QCoreApplication::processEvents();
    }
    pages::CDlgSts* page() const { return rig.window->statisticsPage(); }
    void post(uint32_t message, uintptr_t wParam, intptr_t lParam) {
        page()->post(message, wParam, lParam);
        QCoreApplication::sendPostedEvents();
    }
    QString figure(Figure which) const { return page()->figure(which)->text(); }
    // The counters "Sts.cfg" holds now.
    std::vector<uint8_t> file() const { return test::ReadBytes(rig.dataFile("Sts.cfg")); }

    Rig rig;
};

statistics::StatsRecord Counters(uint32_t clicks, uint32_t wheel) {
    statistics::StatsRecord record;
    record.setCounter(Counter::LeftPresses, clicks);
    record.setCounter(Counter::WheelForward, wheel);
    return record;
}

}  // namespace

class CDlgStsTest : public QObject {
    Q_OBJECT

private slots:
    void postedInputCounts_data() {
        QTest::addColumn<std::vector<uint32_t>>("codes");
        // left, middle, right, clicks, forward, backward, wheel
        QTest::addColumn<QStringList>("figures");
        QTest::newRow("each counted code once")
            << std::vector<uint32_t>{0x201, 0x207, 0x204, 0x20A01, 0x20A00}
            << QStringList{"1", "1", "1", "3", "1", "1", "2"};
        QTest::newRow("left twice, wheel backward thrice")
            << std::vector<uint32_t>{0x201, 0x20A00, 0x201, 0x20A00, 0x20A00}
            << QStringList{"2", "0", "0", "2", "0", "3", "3"};
        QTest::newRow("releases, extended buttons and keys count nothing")
            << std::vector<uint32_t>{0x202, 0x1020B, 0x2020B, 0x100, 0x20A}
            << QStringList{"0", "0", "0", "0", "0", "0", "0"};
    }
    void postedInputCounts() {
        QFETCH(std::vector<uint32_t>, codes);
        QFETCH(QStringList, figures);
        // Counting runs whether or not the page was ever shown.
        for (const bool shown : {false, true}) {
            StsRig s(shown);
            for (const uint32_t code : codes) s.post(msg::kStatsMouseEvent, code, 0);
            if (!shown) s.rig.window->selectPage(kStatisticsPage);
            QStringList seen;
            for (int f = 0; f < 7; ++f) seen << s.figure(static_cast<Figure>(f));
            QCOMPARE(seen, figures);
            QCOMPARE(s.page()->figure(Figure::Left)->accessibleName(),
                     QStringLiteral("Left clicks: ") + figures[0]);
        }
    }

    void trophyCellsAndBarFollowTheLevel_data() {
        QTest::addColumn<uint32_t>("clicks");
        QTest::addColumn<uint32_t>("wheel");
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("barWidth");
        QTest::newRow("nothing counted") << 0u << 0u << 0 << 21;
        QTest::newRow("clicks reach 100,000") << 99'999u << 0u << 1 << 42;
        QTest::newRow("clicks at 3, wheel at 5") << 1'000'000u << 1'999'999u << 5 << 126;
        QTest::newRow("10,000,000 clicks") << 9'999'999u << 0u << 12 << 273;
    }
    void trophyCellsAndBarFollowTheLevel() {
        QFETCH(uint32_t, clicks);
        QFETCH(uint32_t, wheel);
        QFETCH(int, level);
        QFETCH(int, barWidth);
        StsRig s;
        s.page()->setCounters(Counters(clicks, wheel));
        s.post(msg::kStatsMouseEvent, 0x201, 0);
        s.post(msg::kStatsMouseEvent, 0x20A01, 0);
        QCOMPARE(s.page()->model().trophyLevel(), level);
        for (int i = 0; i < statistics::kCellCount; ++i) {
            QCOMPARE(s.page()->cell(i)->IsChecked(), i <= level);
        }
        QCOMPARE(s.page()->levelBar()->geometry(), QRect(631, 62, barWidth, 15));
        QVERIFY(s.page()->levelBar()->IsChecked());
        QVERIFY(s.page()->trophyDisplay()->IsChecked());
        QCOMPARE(s.page()->levelBar()->accessibleName(),
                 QStringLiteral("Trophy level %1 of 12").arg(level));
    }

    void resetAsksFirst_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("folderGone");
        QTest::newRow("cancel keeps everything") << int{UserMessages::kCancel} << false;
        QTest::newRow("OK zeroes and writes") << int{UserMessages::kOk} << false;
        QTest::newRow("OK without the data folder tells so") << int{UserMessages::kOk} << true;
    }
    void resetAsksFirst() {
        QFETCH(int, answer);
        QFETCH(bool, folderGone);
        StsRig s;
        s.page()->setCounters(Counters(3'000'000, 0));
        s.post(msg::kStatsMouseEvent, 0x204, 0);
        QCOMPARE(s.page()->model().trophyLevel(), 7);
        const std::filesystem::path file = s.rig.dataFile("Sts.cfg");
        std::filesystem::remove(file);
        if (folderGone) std::filesystem::remove_all(s.rig.services.dataFolder);
        s.rig.messages.recorded.answer = answer;
        s.page()->resetButton()->click();
        QCoreApplication::sendPostedEvents();
        std::vector<std::string> told{"Do you want to reset trophy data ?"};
        if (folderGone) told.push_back(FormatText(s.rig.string("str_msg2"), {file.string()}));
        QCOMPARE(s.rig.messages.texts(), told);
        const bool ok = answer == UserMessages::kOk;
        QCOMPARE(s.figure(Figure::Clicks), ok ? QStringLiteral("0") : QStringLiteral("3000001"));
        QCOMPARE(s.page()->model().trophyLevel(), ok ? 0 : 7);
        QCOMPARE(s.page()->cell(1)->IsChecked(), !ok);
        QVERIFY(s.page()->cell(0)->IsChecked());
        QCOMPARE(std::filesystem::exists(file), ok && !folderGone);
        if (ok && !folderGone) QCOMPARE(s.file(), std::vector<uint8_t>(24, 0));
    }

    void distanceShowsAtTheTimer() {
        StsRig s;
        s.post(msg::kStatsCursorSample, 1000, 1000);
        s.page()->setCounters(statistics::StatsRecord{});
        QCOMPARE(s.figure(Figure::Distance), QStringLiteral("0.00"));
        s.post(msg::kStatsCursorSample, 13'000, 655);                    // 12,345 pixels
        s.post(msg::kStatsCursorSample, static_cast<uintptr_t>(-5), 0);  // a screen to the left
        s.post(msg::kStatsCursorSample, 0, 0);
        QCOMPARE(s.page()->counters().counter(Counter::PointerDistance), 12'345u + 13'660u + 5u);
        // A sample alone redraws nothing; the timer shows the figure.
        QCOMPARE(s.figure(Figure::Distance), QStringLiteral("0.00"));
        s.page()->onTimer();
        QCOMPARE(s.figure(Figure::Distance), QStringLiteral("2.60"));
        statistics::StatsRecord record;
        record.setCounter(Counter::PointerDistance, 12'345);
        s.page()->setCounters(record);
        QCOMPARE(s.figure(Figure::Distance), QStringLiteral("1.23"));
    }

    void countsAreWrittenWhenHiddenAndEveryFiveMinutes() {
        StsRig s;
        std::filesystem::remove(s.rig.dataFile("Sts.cfg"));
        s.post(msg::kStatsMouseEvent, 0x201, 0);
        // Before five minutes the timer writes nothing.
        s.rig.clock.advance(std::chrono::minutes(4));
        s.page()->onTimer();
        QVERIFY(!std::filesystem::exists(s.rig.dataFile("Sts.cfg")));
        s.rig.clock.advance(std::chrono::minutes(1));
        s.page()->onTimer();
        QCOMPARE(s.file().at(0), uint8_t{1});
        // Hiding the window writes what changed since.
        s.post(msg::kStatsMouseEvent, 0x201, 0);
        s.rig.window->hideButton()->click();
        QCoreApplication::sendPostedEvents();
        QCOMPARE(s.file().at(0), uint8_t{2});
        // Nothing changed: no write at the next period.
        std::filesystem::remove(s.rig.dataFile("Sts.cfg"));
        s.rig.clock.advance(std::chrono::minutes(10));
        s.page()->onTimer();
        QVERIFY(!std::filesystem::exists(s.rig.dataFile("Sts.cfg")));
    }

    void hintsNamesAndKeys() {
        StsRig s;
        pages::CDlgSts* page = s.page();
        // The areas reach one pixel beyond the controls.
        QCOMPARE(page->hintAt(QPoint(308, 10)), 54);
        QCOMPARE(page->hintAt(QPoint(307, 10)), 0);
        QCOMPARE(page->hintAt(QPoint(832, 410)), 55);
        QCOMPARE(page->hintAt(QPoint(700, 300)), 0);
        moveAt(page->resetButton(), QPoint(3, 3));
        QCoreApplication::sendPostedEvents();
        QCOMPARE(s.rig.window->hintText().toStdString(), s.rig.string("str_resetSts"));
        QCOMPARE(page->resetButton()->accessibleName().toStdString(), s.rig.string("str_resetSts"));
        QCOMPARE(page->trophyDisplay()->accessibleName().toStdString(), s.rig.string("str_cups"));
        QCOMPARE(page->cell(0)->accessibleName(), QStringLiteral("Trophy 0, earned"));
        QCOMPARE(page->cell(3)->accessibleName(), QStringLiteral("Trophy 3, not earned"));
        s.page()->setCounters(Counters(1'000'000, 0));
        QCOMPARE(page->cell(3)->accessibleName(), QStringLiteral("Trophy 3, earned"));
        // Enter, Escape and Space do nothing on the page.
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape, Qt::Key_Space}) {
            QTest::keyClick(page, key);
            QCoreApplication::sendPostedEvents();
        }
        QVERIFY(s.rig.window->isVisible());
        QVERIFY(s.rig.messages.texts().empty());
    }
};

X5K_UI_TEST_CLASS(CDlgStsTest);
#include "CDlgStsTest.moc"

#pragma once
// The statistics page. It counts the mouse input the main window forwards and the pointer
// travel of the cursor samples for the whole run, whether or not it is shown, and keeps
// the counters in "Sts.cfg". The counting, the trophy level and when the counters are
// written are statistics::StatsModel's and statistics::SavePolicy's rules (StatsModel.h);
// the window draws what they give.

#include <QImage>
#include <QTimer>

#include <array>
#include <functional>
#include <future>
#include <memory>
#include <optional>

#include "pages/PageWindow.h"
#include "pages/statistics/StatsModel.h"
#include "pages/statistics/StatsRecord.h"
#include "platform/Clock.h"
#include "platform/UserMessages.h"

class QLabel;

namespace x5k::ui {
class CGDIBitmapBtn;
}  // namespace x5k::ui

namespace x5k::pages {

// What the page works with, owned by the main window.
struct StatisticsServices {
    UserMessages& messages;
    Clock& clock;
    // The interface's built-in language now (the reset question, the figures' names).
    std::function<bool()> chineseInterface;
};

class CDlgSts : public PageWindow {
    Q_OBJECT

public:
    // How often the distance figure is redrawn and the periodic save is considered.
    static constexpr int kTimerMs = 5000;

    explicit CDlgSts(const PageContext& context);
    // Saves the counters: nothing counted is lost when the page goes.
    ~CDlgSts() override;

    // The services, given once the main window has them: from then on the page can ask
    // about a reset and writes the counters besides exit and the session's end.
    void connectServices(const StatisticsServices& services);

    const statistics::StatsRecord& counters() const { return file_.record(); }
    // Sets the counters, as a file read at the start would (the snapshots and tests).
    void setCounters(const statistics::StatsRecord& record);
    // Writes the counters to "Sts.cfg"; false when the file could not be written, or was
    // not written because it could not be read at the start.
    bool saveCounters();
    // The main window was hidden: what changed since the last write is written now, so a
    // crash while the window is out of sight loses nothing counted before.
    bool saveWhenHidden();

    // The program or the desktop session ends: the counters are written, and a failure
    // is told.
    void saveState() override;
    void applyTooltips() override;
    int hintAt(QPoint point) const override;

    // What the page cannot count on this desktop: told once through notice(), when the
    // page is first shown (at once when it is shown already).
    void setLimitNotice(const QString& text);

    // Asks whether to reset the counters and trophies, as the reset button does.
    void resetStatistics();
    // What timer 1 does every five seconds: the distance figure, and the periodic save.
    void onTimer();
    QTimer& timer() { return timer_; }

    // What tests, the benchmark and the snapshots look at.
    bool built() const { return built_; }
    bool picturesRead() const;
    const statistics::StatsModel& model() const { return model_; }
    ui::CGDIBitmapBtn* trophyDisplay() const { return trophy_; }
    ui::CGDIBitmapBtn* levelBar() const { return levelBar_; }
    ui::CGDIBitmapBtn* cell(int index) const;
    ui::CGDIBitmapBtn* resetButton() const { return reset_; }
    QLabel* figure(statistics::Figure which) const;

signals:
    // A mouse input code forwarded by the main window.
    void mouseEvent(uint32_t code);
    // A note for the main window's hint line.
    void notice(const QString& text);

protected:
    std::span<const MessageEntry> messageTable() const override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    // Pieces of the skins, cut on the worker: the reset button's hover and pressed looks, each
    // cell's lit look, and the whole level bar's strip in its three looks. The page's whole
    // picture is read at its first show, so it costs nothing while the page is not looked at.
    struct PagePieces {
        QImage resetOver, resetDown;
        std::array<QImage, statistics::kCellCount> cellsLit;
        QImage barNormal, barOver, barDown;
    };

    intptr_t onMouseEvent(uintptr_t wParam, intptr_t lParam);
    intptr_t onCursorSample(uintptr_t wParam, intptr_t lParam);

    void build(const PagePieces& pieces);
    // Shows the figures that `distance` says (the distance only when asked).
    void showFigures(bool distance);
    // Refreshes the trophy level and shows what it asks for.
    void showTrophy();
    bool chineseInterface() const;
    void tellLimitNotice();
    // Writes the counters and tells the user when that failed.
    void saveAndTell();

    statistics::StatsFile file_;
    FileError loadError_ = FileError::None;
    statistics::StatsModel model_;
    std::optional<StatisticsServices> services_;
    std::unique_ptr<statistics::SavePolicy> savePolicy_;
    std::future<PagePieces> pieces_;
    bool built_ = false;
    QString limitNotice_;
    QTimer timer_;

    ui::CGDIBitmapBtn* trophy_ = nullptr;
    ui::CGDIBitmapBtn* levelBar_ = nullptr;
    std::array<ui::CGDIBitmapBtn*, statistics::kCellCount> cells_{};
    ui::CGDIBitmapBtn* reset_ = nullptr;
    std::array<QLabel*, statistics::kFigureCount> figures_{};
    // The level bar's strip at full width, cut again at each width.
    std::array<QPixmap, 3> barStrip_{};
};

}  // namespace x5k::pages

#pragma once
// The statistics page's rules without a window: which mouse input codes count, how far
// the pointer travelled, the trophy level of the totals and what the page shows for it,
// the eight figures, the reset question, and when the counters are written back.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "pages/statistics/StatsRecord.h"
#include "platform/Clock.h"
#include "platform/UserMessages.h"

namespace x5k::statistics {

// The mouse input codes the page counts (the button-down message numbers, and the wheel
// notch codes (0x20A << 8) | d, d = 1 forward, 0 backward).
inline constexpr uint32_t kLeftDown = 0x201;
inline constexpr uint32_t kRightDown = 0x204;
inline constexpr uint32_t kMiddleDown = 0x207;
inline constexpr uint32_t kWheelForward = 0x20A01;
inline constexpr uint32_t kWheelBackward = 0x20A00;

inline constexpr int kTopLevel = 12;
inline constexpr int kCellCount = 13;
// The shown level before any trophy picture was loaded.
inline constexpr int kNoLevelShown = 800;
// The level bar at full width (level 12).
inline constexpr int kLevelBarFullWidth = 273;

// The number of trophy thresholds the total reaches: 0..12.
int TrophyLevel(uint32_t total);
// The counter an input code increments; nothing for any other code.
std::optional<Counter> CounterOf(uint32_t code);
// The input code of an X11 raw button event's button number: 1 left, 2 middle, 3 right,
// 4 wheel forward, 5 wheel backward; nothing for the others.
std::optional<uint32_t> RawButtonEventCode(int detail);
// The pointer travel between two samples: |dx| + |dy| in screen pixels, modulo 2^32.
uint32_t CursorTravel(int lastX, int lastY, int x, int y);
// The level bar's width in pixels: trunc(min(level + 1, 13) / 13 * 273).
int LevelBarWidth(int level);

// The figures in the page's order; the names are those of the page's layout.
enum class Figure { Left, Middle, Right, Clicks, WheelForward, WheelBackward, Wheel, Distance };
inline constexpr int kFigureCount = 8;
inline constexpr std::array<std::string_view, kFigureCount> kFigureNames = {
    "left", "middle", "right", "clicks", "wheelForward", "wheelBackward", "wheel", "distance"};
// A counter as the page shows it, in decimal. The counters are unsigned: counts past
// 2^31 show as the large numbers they are, never as negative ones.
std::string CountText(uint32_t count);
// The distance in units of ten thousand pixels with two decimals (12,345 -> "1.23"),
// with a point whatever the desktop's locale.
std::string DistanceText(uint32_t pixels);

// What a screen reader calls a figure, in the interface's built-in language.
std::string_view FigureName(Figure figure, bool chinese);

inline constexpr std::string_view kResetQuestionEnglish = "Do you want to reset trophy data ?";
inline constexpr std::string_view kResetQuestionChinese = "确定要重置奖杯和统计数据么？";

// What the user is told when "Sts.cfg" could not be read at the start: only a missing
// file or folder is reported, with the file's full path.
std::optional<std::string> LoadProblemText(FileError error, const std::filesystem::path& path);
// What the user is told when a reset or the program's end could not write the counters:
// `missingText` (str_msg2, "%s" the path) for a missing folder, `deniedText` (str_msg5)
// when access was refused, nothing for other failures.
std::optional<std::string> SaveProblemText(FileError error, const std::filesystem::path& path,
                                           std::string_view missingText,
                                           std::string_view deniedText);

// What the page shows after a refresh.
struct TrophyView {
    int level = 0;
    // The trophy picture of `level` has to be loaded into the trophy display (the first
    // refresh after a start or a reset, and after the level rose).
    bool loadTrophy = false;
    // Cells 0..level are lit.
    std::array<bool, kCellCount> lit{};
    int barWidth = 0;
};

// The counters and the trophy level of the page.
class StatsModel {
public:
    explicit StatsModel(StatsRecord& record);

    // Counts an input code; false when the code is not one that counts.
    bool countEvent(uint32_t code);
    // Where the pointer was when counting began.
    void setCursorStart(int x, int y);
    // A pointer sample: adds the travel since the last one.
    void addCursorSample(int x, int y);

    uint32_t counter(Counter which) const { return record_.counter(which); }
    uint32_t allClicks() const;
    uint32_t allWheel() const;
    // Whether a counter changed since changesSaved().
    bool changed() const { return changed_; }
    void changesSaved() { changed_ = false; }

    // The highest level of the totals since the start or the last reset, and what the
    // page has to show for it.
    TrophyView refresh();
    int trophyLevel() const { return trophyLevel_; }
    int shownLevel() const { return shownLevel_; }
    std::string figureText(Figure figure) const;

    // Asks whether to reset; on OK zeroes every counter and the level, so the next refresh
    // loads trophy 0 again, and returns true. Saving is the caller's.
    bool reset(UserMessages& messages, bool chinese);

private:
    void add(Counter which, uint32_t amount);

    StatsRecord& record_;
    int trophyLevel_ = 0;
    int shownLevel_ = kNoLevelShown;
    std::optional<std::array<int, 2>> lastCursor_;
    bool changed_ = false;
};

// When the counters are written besides a reset and the end of the program: when the main
// window is hidden and, while they changed, at most once every five minutes, so a crash
// loses little.
class SavePolicy {
public:
    static constexpr uint32_t kPeriodMs = 5 * 60 * 1000;

    // `save` writes the counters and says whether it worked.
    SavePolicy(StatsModel& model, Clock& clock, std::function<bool()> save);

    // The main window was hidden: saves what changed.
    bool saveWhenHidden();
    // Called regularly: saves what changed when the last save is five minutes old.
    bool periodicCheck();
    // Saves now whatever changed (reset, exit, end of the session).
    bool saveNow();

private:
    bool save();

    StatsModel& model_;
    Clock& clock_;
    std::function<bool()> save_;
    uint32_t lastSaveMs_;
};

}  // namespace x5k::statistics

#include "pages/statistics/StatsModel.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <utility>

#include "common/BuiltInTexts.h"
#include "common/TextFormat.h"

namespace x5k::statistics {
namespace {

// The totals at which levels 1..12 begin.
constexpr std::array<uint32_t, kTopLevel> kThresholds = {
    100'000,   500'000,   1'000'000, 1'500'000, 2'000'000, 2'500'000,
    3'000'000, 4'000'000, 5'000'000, 6'000'000, 8'000'000, 10'000'000};

}  // namespace

int TrophyLevel(uint32_t total) {
    return static_cast<int>(
        std::ranges::count_if(kThresholds, [total](uint32_t t) { return total >= t; }));
}

std::optional<Counter> CounterOf(uint32_t code) {
    switch (code) {
        case kLeftDown:
            return Counter::LeftPresses;
        case kMiddleDown:
            return Counter::MiddlePresses;
        case kRightDown:
            return Counter::RightPresses;
        case kWheelForward:
            return Counter::WheelForward;
        case kWheelBackward:
            return Counter::WheelBackward;
        default:
            return std::nullopt;
    }
}

std::optional<uint32_t> RawButtonEventCode(int detail) {
    switch (detail) {
        case 1:
            return kLeftDown;
        case 2:
            return kMiddleDown;
        case 3:
            return kRightDown;
        case 4:
            return kWheelForward;
        case 5:
            return kWheelBackward;
        default:
            return std::nullopt;
    }
}

uint32_t CursorTravel(int lastX, int lastY, int x, int y) {
    // The differences in 64 bits, so no pair of positions overflows before the sum wraps.
    const int64_t dx = static_cast<int64_t>(x) - lastX;
    const int64_t dy = static_cast<int64_t>(y) - lastY;
    return static_cast<uint32_t>(std::llabs(dx) + std::llabs(dy));
}

int LevelBarWidth(int level) {
    const int steps = std::clamp(level + 1, 0, kCellCount);
    return steps * kLevelBarFullWidth / kCellCount;
}

std::string CountText(uint32_t count) {
    return std::to_string(count);
}

std::string DistanceText(uint32_t pixels) {
    std::array<char, 32> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), pixels * 0.0001,
                                      std::chars_format::fixed, 2);
    return std::string(text.data(), result.ptr);
}

std::string_view FigureName(Figure figure, bool chinese) {
    static constexpr std::array<std::string_view, kFigureCount> kEnglish = {
        "Left clicks",   "Middle clicks",  "Right clicks",      "All clicks",
        "Wheel forward", "Wheel backward", "All wheel notches", "Pointer travel (10,000 pixels)"};
    static constexpr std::array<std::string_view, kFigureCount> kChinese = {
        "左键点击", "中键点击", "右键点击", "点击总数",
        "滚轮向前", "滚轮向后", "滚轮总数", "指针移动距离（万像素）"};
    const auto index = static_cast<size_t>(figure);
    return chinese ? kChinese[index] : kEnglish[index];
}

std::optional<std::string> LoadProblemText(FileError error, const std::filesystem::path& path) {
    if (error != FileError::NotFound) return std::nullopt;
    return FormatText(kOpenFailedMessage, {path.string()});
}

std::optional<std::string> SaveProblemText(FileError error, const std::filesystem::path& path,
                                           std::string_view missingText,
                                           std::string_view deniedText) {
    switch (error) {
        case FileError::NotFound:
            return FormatText(missingText, {path.string()});
        case FileError::AccessDenied:
            return std::string(deniedText);
        default:
            return std::nullopt;
    }
}

// ---- The counters --------------------------------------------------------------------------

StatsModel::StatsModel(StatsRecord& record) : record_(record) {}

void StatsModel::add(Counter which, uint32_t amount) {
    // Unsigned arithmetic: the counters wrap at 2^32.
    record_.setCounter(which, record_.counter(which) + amount);
    changed_ = true;
}

bool StatsModel::countEvent(uint32_t code) {
    const std::optional<Counter> which = CounterOf(code);
    if (!which) return false;
    add(*which, 1);
    return true;
}

void StatsModel::setCursorStart(int x, int y) {
    lastCursor_ = {x, y};
}

void StatsModel::addCursorSample(int x, int y) {
    if (lastCursor_) {
        const uint32_t travel = CursorTravel((*lastCursor_)[0], (*lastCursor_)[1], x, y);
        if (travel != 0) add(Counter::PointerDistance, travel);
    }
    lastCursor_ = {x, y};
}

uint32_t StatsModel::allClicks() const {
    return counter(Counter::LeftPresses) + counter(Counter::MiddlePresses) +
           counter(Counter::RightPresses);
}

uint32_t StatsModel::allWheel() const {
    return counter(Counter::WheelForward) + counter(Counter::WheelBackward);
}

TrophyView StatsModel::refresh() {
    trophyLevel_ = std::max({trophyLevel_, TrophyLevel(allClicks()), TrophyLevel(allWheel())});
    TrophyView view;
    view.level = trophyLevel_;
    view.loadTrophy = trophyLevel_ != shownLevel_;
    shownLevel_ = trophyLevel_;
    for (int cell = 0; cell < kCellCount; ++cell) {
        view.lit[static_cast<size_t>(cell)] = cell <= trophyLevel_;
    }
    view.barWidth = LevelBarWidth(trophyLevel_);
    return view;
}

std::string StatsModel::figureText(Figure figure) const {
    switch (figure) {
        case Figure::Left:
            return CountText(counter(Counter::LeftPresses));
        case Figure::Middle:
            return CountText(counter(Counter::MiddlePresses));
        case Figure::Right:
            return CountText(counter(Counter::RightPresses));
        case Figure::Clicks:
            return CountText(allClicks());
        case Figure::WheelForward:
            return CountText(counter(Counter::WheelForward));
        case Figure::WheelBackward:
            return CountText(counter(Counter::WheelBackward));
        case Figure::Wheel:
            return CountText(allWheel());
        case Figure::Distance:
            return DistanceText(counter(Counter::PointerDistance));
    }
    return {};
}

bool StatsModel::reset(UserMessages& messages, bool chinese) {
    const std::string_view question = chinese ? kResetQuestionChinese : kResetQuestionEnglish;
    if (messages.showInfoDialog(question, BoxButtons::OkCancel) != UserMessages::kOk) {
        return false;
    }
    for (size_t i = 0; i < kCounterCount; ++i) record_.setCounter(static_cast<Counter>(i), 0);
    trophyLevel_ = 0;
    shownLevel_ = kNoLevelShown;
    changed_ = true;
    return true;
}

// ---- When the counters are written --------------------------------------------------------

SavePolicy::SavePolicy(StatsModel& model, Clock& clock, std::function<bool()> save)
    : model_(model), clock_(clock), save_(std::move(save)), lastSaveMs_(clock.tickMs()) {}

bool SavePolicy::save() {
    // A failed write is tried again at the next occasion, not at once.
    lastSaveMs_ = clock_.tickMs();
    if (!save_()) return false;
    model_.changesSaved();
    return true;
}

bool SavePolicy::saveWhenHidden() {
    return model_.changed() && save();
}

bool SavePolicy::periodicCheck() {
    // Tick differences in unsigned arithmetic stay right across the tick count's wrap.
    if (!model_.changed() || clock_.tickMs() - lastSaveMs_ < kPeriodMs) return false;
    return save();
}

bool SavePolicy::saveNow() {
    return save();
}

}  // namespace x5k::statistics

#include "gui/StatsSources.h"

#include "pages/statistics/StatsModel.h"

namespace x5k::gui {
namespace {

constexpr int kStepDelta = 120;

}  // namespace

bool DisplayCountsClicks(bool watchReadsPointer) {
    return !watchReadsPointer;
}

StatsSources ChooseStatsSources(bool watchReadsPointer, bool displayStarted) {
    StatsSources sources;
    sources.cursorFromDisplay = displayStarted;
    if (watchReadsPointer) {
        sources.clicks = ClickSource::InputWatch;
    } else if (displayStarted) {
        sources.clicks = ClickSource::Display;
    } else {
        sources.clicks = ClickSource::OwnWindows;
    }
    return sources;
}

std::optional<std::string> StatsLimitNotice(const StatsSources& sources,
                                            const std::optional<std::string>& accessText,
                                            bool chinese) {
    std::string text;
    if (sources.clicks == ClickSource::OwnWindows) {
        text += chinese ? "统计只计入在本程序窗口内的点击和滚轮。"
                        : "The statistics count only the clicks and wheel steps made in this "
                          "program's windows.";
    }
    if (!sources.cursorFromDisplay) {
        if (!text.empty()) text += ' ';
        text += chinese ? "此桌面不提供指针位置，移动距离不会增加。"
                        : "This desktop does not tell where the pointer is, so the distance "
                          "does not grow.";
    }
    if (text.empty()) return std::nullopt;
    if (sources.clicks == ClickSource::OwnWindows && accessText) text += "\n" + *accessText;
    return text;
}

std::vector<uint32_t> WheelSteps::add(int angleDelta) {
    // A turn the other way drops what was left of the last one.
    if ((angleDelta > 0 && rest_ < 0) || (angleDelta < 0 && rest_ > 0)) rest_ = 0;
    rest_ += angleDelta;
    std::vector<uint32_t> codes;
    while (rest_ >= kStepDelta) {
        codes.push_back(statistics::kWheelForward);
        rest_ -= kStepDelta;
    }
    while (rest_ <= -kStepDelta) {
        codes.push_back(statistics::kWheelBackward);
        rest_ += kStepDelta;
    }
    return codes;
}

}  // namespace x5k::gui

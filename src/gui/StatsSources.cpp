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

std::optional<std::string> StatsLimitNotice(const StatsSources& sources, bool chinese) {
    const bool ownWindows = sources.clicks == ClickSource::OwnWindows;
    if (ownWindows && !sources.cursorFromDisplay) {
        return chinese ? "只统计本窗口内的点击，不计距离。加入 input 组可统计全部点击。"
                       : "Only this window's clicks count, no distance. Join the \"input\" "
                         "group to count all.";
    }
    if (ownWindows) {
        return chinese ? "只统计本窗口内的点击。加入 input 组可统计全部点击。"
                       : "Only clicks in this window count. Join the \"input\" group to count "
                         "them all.";
    }
    if (!sources.cursorFromDisplay) {
        return chinese ? "此桌面不提供指针位置，距离不会增加。"
                       : "This desktop does not tell where the pointer is: the distance stays.";
    }
    return std::nullopt;
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

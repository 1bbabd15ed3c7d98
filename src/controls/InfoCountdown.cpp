#include "controls/InfoCountdown.h"

namespace x5k::controls {

InfoLayout infoLayout(bool withCancel) {
    // The close button sits in the top-right corner in both layouts; without Cancel the
    // OK button moves right into the place the pair would take.
    constexpr BoxRect kClose{300, 0, 329, 29};
    if (withCancel) {
        return {1006, 1008, 1004, kClose, BoxRect{178, 127, 244, 159}, BoxRect{245, 127, 311, 159}};
    }
    return {1007, 1009, 1005, kClose, BoxRect{240, 127, 306, 159}, std::nullopt};
}

std::string okCaption(bool chinese) {
    return chinese ? "确定" : "OK";
}

std::string cancelCaption(bool chinese) {
    return chinese ? "取消" : "Cancel";
}

std::string tipsTitle(bool chinese) {
    return chinese ? "提示" : "Tips";
}

std::string progressText(bool chinese) {
    return chinese ? "更新进行中，请稍候..." : "Updating is in progress, please wait…";
}

std::string countdownCaption(int seconds, bool chinese) {
    return okCaption(chinese) + " (" + std::to_string(seconds) + "s)";
}

BoxPoint centredOrigin(int areaWidth, int areaHeight) {
    return {(areaWidth - kInfoBoxWidth) / 2, (areaHeight - kInfoBoxHeight) / 2};
}

BoxPoint countdownOrigin(int areaWidth, int areaHeight) {
    return {areaWidth - kInfoBoxWidth - 10, areaHeight - kInfoBoxHeight};
}

std::string InfoCountdown::start() {
    secondsLeft_ = kCountdownSeconds;
    return countdownCaption(secondsLeft_, chinese_);
}

InfoCountdown::Tick InfoCountdown::tick() {
    if (secondsLeft_ <= 0) return {true, {}};
    // The caption shows the count before it goes down, which is why the opening value
    // shows twice.
    Tick result{false, countdownCaption(secondsLeft_, chinese_)};
    --secondsLeft_;
    return result;
}

}  // namespace x5k::controls

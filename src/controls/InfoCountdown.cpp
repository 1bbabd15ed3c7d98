#include "controls/InfoCountdown.h"

namespace x5k::controls {

namespace {

const layout::Control& control(const layout::PageLayout& page, std::string_view name) {
    // The tables are fixed and tested; every name asked for here is in them.
    return *layout::findControl(page, name);
}

int resource(std::string_view page, layout::State state) {
    return layout::pageResource(page, state, false)->id;
}

}  // namespace

InfoLayout infoLayout(bool withCancel) {
    // The close button sits in the top-right corner in both layouts; without Cancel the
    // OK button moves right into the place the pair would take.
    const std::string_view name = withCancel ? "info_cancel" : "info";
    const layout::PageLayout& page = *layout::findPage(name);
    InfoLayout result{resource(name, layout::State::Normal),
                      resource(name, layout::State::Over),
                      resource(name, layout::State::Down),
                      control(page, "close").rect,
                      control(page, "ok").rect,
                      std::nullopt,
                      control(page, "message").rect,
                      control(page, "title").rect};
    if (withCancel) result.cancelButton = control(page, "cancel").rect;
    return result;
}

ProgressLayout progressLayout() {
    const layout::PageLayout& page = *layout::findPage("progress");
    const layout::Control& bar = control(page, "bar");
    return {page.width, page.height, bar.rect, bar.id, control(page, "text").rect,
            control(page, "cancel").rect};
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

std::string closeButtonName(bool chinese) {
    return chinese ? "关闭" : "Close";
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

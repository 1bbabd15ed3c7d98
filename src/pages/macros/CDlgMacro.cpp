#include "pages/macros/CDlgMacro.h"

namespace x5k::pages {

CDlgMacro::CDlgMacro(const PageContext& context) : PageWindow(context, "macros") {}

void CDlgMacro::closeGroupMenu() {}

void CDlgMacro::ToggleRecording() {
    recording_ = !recording_;
}

void CDlgMacro::ShowGroup(int group) {
    group_ = group;
    update();
}

void CDlgMacro::normaliseLoopCounts() {}

void CDlgMacro::leavePage() {
    closeGroupMenu();
    if (isRecording()) ToggleRecording();
}

}  // namespace x5k::pages

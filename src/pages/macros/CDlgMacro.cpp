#include "pages/macros/CDlgMacro.h"

namespace x5k::pages {

CDlgMacro::CDlgMacro(const PageContext& context) : PageWindow(context, "macros") {}

void CDlgMacro::CloseGroupMenu() {}

void CDlgMacro::ToggleRecording() {
    recording_ = !recording_;
}

void CDlgMacro::ShowGroup(int group) {
    group_ = group;
    update();
}

void CDlgMacro::NormaliseLoopCounts() {}

void CDlgMacro::leavePage() {
    CloseGroupMenu();
    if (IsRecording()) ToggleRecording();
}

}  // namespace x5k::pages

#include "pages/mainset/CDlgMainSet.h"

namespace x5k::pages {

CDlgMainSet::CDlgMainSet(const PageContext& context) : PageWindow(context, "settings") {}

void CDlgMainSet::RefreshFromProfile() {
    update();
    emit refreshed();
}

void CDlgMainSet::ValidateScrollLines() {}

void CDlgMainSet::commitEdits(const ProfileImage& profile) {
    if (profile.get(profile::kScrollLines) != -1) ValidateScrollLines();
}

}  // namespace x5k::pages

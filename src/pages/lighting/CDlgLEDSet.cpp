#include "pages/lighting/CDlgLEDSet.h"

namespace x5k::pages {

CDlgLEDSet::CDlgLEDSet(const PageContext& context) : PageWindow(context, "lighting") {}

void CDlgLEDSet::RefreshLighting() {
    update();
    emit refreshed();
}

}  // namespace x5k::pages

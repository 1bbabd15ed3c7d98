#include "pages/support/CDlgSupport.h"

namespace x5k::pages {

CDlgSupport::CDlgSupport(const PageContext& context) : PageWindow(context, "support") {}

}  // namespace x5k::pages

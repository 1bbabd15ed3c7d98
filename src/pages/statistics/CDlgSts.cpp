#include "pages/statistics/CDlgSts.h"

#include "platform/WindowMessages.h"

namespace x5k::pages {

CDlgSts::CDlgSts(const PageContext& context)
    : PageWindow(context, "statistics"), file_(context.files, context.dataFolder / "Sts.cfg") {
    static_cast<void>(file_.load());
}

CDlgSts::~CDlgSts() {
    saveCounters();
}

bool CDlgSts::saveCounters() {
    return file_.save();
}

std::span<const ui::MessageWindow::MessageEntry> CDlgSts::messageTable() const {
    static const MessageEntry table[] = {on(msg::kStatsMouseEvent, &CDlgSts::onMouseEvent)};
    return table;
}

intptr_t CDlgSts::onMouseEvent(uintptr_t wParam, intptr_t) {
    emit mouseEvent(static_cast<uint32_t>(wParam));
    return 0;
}

}  // namespace x5k::pages

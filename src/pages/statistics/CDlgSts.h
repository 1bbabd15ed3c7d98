#pragma once
// The statistics page. It keeps the counters of "Sts.cfg" for the whole run and writes
// them back when asked (at the end of the desktop session and at exit).

#include "pages/PageWindow.h"
#include "pages/statistics/StatsRecord.h"

namespace x5k::pages {

class CDlgSts : public PageWindow {
    Q_OBJECT

public:
    explicit CDlgSts(const PageContext& context);
    // Saves the counters: nothing counted is lost when the page goes.
    ~CDlgSts() override;

    const statistics::StatsRecord& counters() const { return file_.record(); }
    // Writes the counters to "Sts.cfg"; false when the file could not be written, or was
    // not written because it could not be read at the start.
    bool saveCounters();

    void saveState() override { static_cast<void>(saveCounters()); }

signals:
    // A mouse input code forwarded by the main window.
    void mouseEvent(uint32_t code);

protected:
    std::span<const MessageEntry> messageTable() const override;

private:
    intptr_t onMouseEvent(uintptr_t wParam, intptr_t lParam);

    statistics::StatsFile file_;
};

}  // namespace x5k::pages

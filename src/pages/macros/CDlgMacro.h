#pragma once
// The macro manager page: the macros of the 21 groups, their events, and recording.

#include "pages/PageWindow.h"

namespace x5k::pages {

class CDlgMacro : public PageWindow {
    Q_OBJECT

public:
    explicit CDlgMacro(const PageContext& context);

    // Closes the group menu if it is open.
    void closeGroupMenu();
    bool isRecording() const { return recording_; }
    // Starts or ends a recording.
    void ToggleRecording();
    // Shows the macros of a group (1..21).
    void ShowGroup(int group);
    int shownGroup() const { return group_; }
    // Brings the loop counts of the macros into their range.
    void normaliseLoopCounts();

    // Leaving the page closes the group menu and ends a recording.
    void leavePage() override;
    void commitEdits(const ProfileImage&) override { normaliseLoopCounts(); }

private:
    bool recording_ = false;
    int group_ = 0;
};

}  // namespace x5k::pages

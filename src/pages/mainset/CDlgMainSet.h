#pragma once
// The main settings page: the buttons' functions, resolution levels, pointer speed and
// precision, report rate and wheel scroll lines of the working profile. What a click does
// to the profile and what the page shows for it are mainset::MainSetModel's rules
// (MainSetModel.h); the widgets only draw its view state and pass clicks on to it.

#include "pages/PageWindow.h"

namespace x5k::pages {

class CDlgMainSet : public PageWindow {
    Q_OBJECT

public:
    explicit CDlgMainSet(const PageContext& context);

    // Shows the working profile's values.
    void RefreshFromProfile();
    // Brings the wheel scroll lines into their range.
    void ValidateScrollLines();

    void showProfile() override { RefreshFromProfile(); }
    // Before an apply the scroll lines are brought into range, unless they are "one screen".
    void commitEdits(const ProfileImage& profile) override;

signals:
    void refreshed();
};

}  // namespace x5k::pages

#pragma once
// The lighting page: the lighting mode, colour and switch of the working profile.

#include "pages/PageWindow.h"

namespace x5k::pages {

class CDlgLEDSet : public PageWindow {
    Q_OBJECT

public:
    explicit CDlgLEDSet(const PageContext& context);

    // Shows the working profile's lighting.
    void RefreshLighting();

    void showProfile() override { RefreshLighting(); }

signals:
    void refreshed();
};

}  // namespace x5k::pages

#pragma once
// The support page: versions, the web page, profile import and export, restore defaults.

#include <QString>

#include "pages/PageWindow.h"

namespace x5k::pages {

class CDlgSupport : public PageWindow {
    Q_OBJECT

public:
    explicit CDlgSupport(const PageContext& context);

    // The mouse's firmware version as decimal text; empty when unknown.
    QString m_strFirmwareVersion;
};

}  // namespace x5k::pages

#pragma once
// What the five pages of the main window share: the page's normal picture as background,
// the section titles drawn from the interface strings (the pictures carry no words), and
// the hint numbers of the page's areas posted to the main window as the pointer moves.

#include <QString>

#include <string_view>

#include "layout/Layout.h"
#include "localisation/InterfaceStrings.h"
#include "ui/MessageWindow.h"

namespace x5k::pages {

class PageWindow : public ui::MessageWindow {
    Q_OBJECT

public:
    // `layoutName` names the page in the layout tables; `chinese` picks the layout, as it
    // was when the page was created (a later language switch keeps the positions).
    PageWindow(QWidget* mainWindow, std::string_view layoutName, const InterfaceStrings& strings,
               bool chinese);

    const layout::PageLayout& pageLayout() const { return *layout_; }
    bool chineseLayout() const { return chinese_; }

    // Sets the tooltips of the page's controls from the current strings; done at creation
    // and after every language switch.
    virtual void ApplyTooltips() {}

    // The hint number of the page's area under the point (page coordinates); 0 for none.
    int HintAt(QPoint point) const;

protected:
    const InterfaceStrings& strings() const { return strings_; }
    // Posts the hint number to the main window when it differs from the last one posted;
    // leaving every area posts 99, which clears the hint line.
    void showHint(int hint);

    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void childMouseMoved(QWidget* child, QPoint position) override;
    void leaveEvent(QEvent* event) override;

private:
    const layout::PageLayout* layout_;
    const InterfaceStrings& strings_;
    bool chinese_;
    int lastHint_ = 0;
};

}  // namespace x5k::pages

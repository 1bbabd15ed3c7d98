#pragma once
// What the five pages of the main window share: the page's normal picture as background,
// the section titles drawn from the interface strings (the pictures carry no words), and
// the hint numbers of the page's areas posted to the main window as the pointer moves.

#include <QString>

#include <filesystem>
#include <string_view>

#include "layout/Layout.h"
#include "localisation/InterfaceStrings.h"
#include "platform/FileSystem.h"
#include "profiles/ProfileImage.h"
#include "ui/MessageWindow.h"

namespace x5k::pages {

// What a page is made with: the main window it lives in and what the program shares with
// its pages. `chinese` picks the layout, as it is when the page is made (a later language
// switch keeps the positions).
struct PageContext {
    QWidget* mainWindow;
    const InterfaceStrings& strings;
    bool chinese;
    FileSystem& files;
    std::filesystem::path dataFolder;
};

class PageWindow : public ui::MessageWindow {
    Q_OBJECT

public:
    // `layoutName` names the page in the layout tables.
    PageWindow(const PageContext& context, std::string_view layoutName);

    const layout::PageLayout& pageLayout() const { return *layout_; }
    bool chineseLayout() const { return chinese_; }

    // Sets the tooltips of the page's controls from the current strings; done at creation
    // and after every language switch.
    virtual void applyTooltips() {}

    // The hint number of the page's area under the point (page coordinates); 0 for none.
    virtual int hintAt(QPoint point) const;

    // What the main window asks of every page; a page overrides what it takes part in.
    // Shows the working profile's values: after a profile switch or a restore of the
    // defaults, when the page is selected, and when the window is shown again.
    virtual void showProfile() {}
    // Another page was selected.
    virtual void leavePage() {}
    // Apply was pressed: the page's pending edits go into the profile and the macro table
    // before the apply reads them.
    virtual void commitEdits(const ProfileImage& profile) { static_cast<void>(profile); }
    // The program or the desktop session ends: the page writes what it keeps.
    virtual void saveState() {}

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

#pragma once
// The skinned group menu of the macro page. It honours the contract of the menu library
// the program was built around: the page opens it with CreateMenuEx (item height, position,
// three colours, eight skin pictures and the item array) and closes it with DestroyMenuEx;
// a chosen item is sent to the owner as message 0x501 with the item's identifier in
// lParam. Only one menu is open at a time.

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "controls/MenuLayout.h"

namespace x5k::ui {

class MessageWindow;

// A colour as the program stores it: 0x00BBGGRR.
using COLORREF = uint32_t;
QColor colorFromColorref(COLORREF value);

// The skin pictures of the group menu below the program's skins folder, in the order the
// page passes them: normal, hover, pressed, disabled for entries without a submenu, then
// the same four for entries with one.
inline constexpr std::array<const char*, 8> kGroupMenuSkins = {
    "Menu/MenuNorL.BMP",        "Menu/MenuOverL.BMP",      "Menu/MenuDownL.BMP",
    "Menu/MenuNorL.BMP",        "Menu/MenuNorHaveSub.BMP", "Menu/MenuOverHaveSub.BMP",
    "Menu/MenuDownHaveSub.BMP", "Menu/MenuNorHaveSub.BMP"};

// The group menu window. Entries are the top-level items of the array (parent 255), in
// array order; each is a row of the item height drawn from the skin pictures. The three
// colours are the text of a normal row (dark slate), the text of the hovered or pressed
// row (white) and the frame (blue); where a picture is missing a normal row is filled
// white and the hovered or pressed one blue, so the texts stay readable either way.
class MenuExWindow : public QWidget {
    Q_OBJECT

public:
    enum Skin { Normal, Hover, Pressed, Disabled, kSkinCount };

    struct Entry {
        int32_t id = 0;
        QString text;
        bool hasSubmenu = false;
    };

    MenuExWindow(MessageWindow* owner, int itemHeight, std::array<QColor, 3> colours,
                 std::array<QImage, 8> skins, std::vector<Entry> entries);

    const std::vector<Entry>& entries() const { return entries_; }
    // The row of an entry, in the window's coordinates.
    QRect entryRect(int index) const;
    // The hovered entry's index, or -1.
    int highlighted() const;
    void setHighlighted(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QPointer<MessageWindow> owner_;
    int itemHeight_;
    std::array<QColor, 3> colours_;
    std::array<QImage, 8> skins_;
    std::vector<Entry> entries_;
    controls::MenuLayout layout_;
    controls::MenuTracker tracker_;
};

// Opens the group menu at the screen position, closing any menu still open. Items whose
// parent is not the top level are left out (the program's menus have no submenus), and
// so are items past `count` or past the array's capacity. Returns the menu (null when
// nothing could be shown: no items).
MenuExWindow* CreateMenuEx(MessageWindow* owner, int itemHeight, QPoint position, COLORREF colour1,
                           COLORREF colour2, COLORREF colour3, const QString& normal,
                           const QString& hover, const QString& pressed, const QString& disabled,
                           const QString& normalWithSubmenu, const QString& hoverWithSubmenu,
                           const QString& pressedWithSubmenu, const QString& disabledWithSubmenu,
                           const controls::MenuItemRecord* items, int count);

// Closes the open menu, if any.
void DestroyMenuEx();

// The open menu, or null.
MenuExWindow* OpenMenuEx();

}  // namespace x5k::ui

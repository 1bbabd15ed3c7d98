#pragma once
// The rules of the program's pop-up menus that need no window: where each entry of the
// custom pop-up sits and how large the pop-up is, which entry is under the pointer, when a
// press and release choose an entry, and the item records handed to the group menu.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/ByteRecord.h"
#include "layout/Layout.h"

namespace x5k::controls {

// A rectangle by its edges, as the layout tables keep them; right and bottom are exclusive.
using MenuRect = layout::Rect;

enum class MenuEntryKind { Item, Separator };

// One entry's place in the pop-up, in the pop-up's client coordinates.
struct MenuSlot {
    MenuRect rect;
    bool separator = false;
    bool operator==(const MenuSlot&) const = default;
};

struct MenuLayout {
    std::vector<MenuSlot> entries;
    int width = 0;
    int height = 0;
};

// The custom pop-up's geometry: entries are stacked from the top margin; an item is a
// fixed-width row, a separator a one-pixel line indented past the picture column.
inline constexpr int kMenuTopMargin = 6;
inline constexpr int kMenuItemLeft = 6;
inline constexpr int kMenuItemRight = 110;
inline constexpr int kMenuItemHeight = 22;
inline constexpr int kMenuSeparatorLeft = 32;
inline constexpr int kMenuSeparatorOffset = 2;  // the line sits this far below the slot's top
inline constexpr int kMenuSeparatorAdvance = 4;
inline constexpr int kMenuWidth = 116;
inline constexpr int kMenuBottomMargin = 3;

// Stacks the entries in order and sizes the pop-up around them.
MenuLayout LayOutMenu(std::span<const MenuEntryKind> entries);

// The first item (never a separator) whose rectangle holds the point; nothing when the
// point is on a separator, in a margin or outside the pop-up.
std::optional<std::size_t> MenuHitTest(const MenuLayout& layout, int x, int y);

// Highlight and choice of a menu driven by the left mouse button. The highlight follows
// the pointer while the button is up; a press fixes it (so the highlight stays on the
// entry that was pressed), and the release chooses that entry only if the pointer is
// still on it. Releasing anywhere else chooses nothing and clears the highlight, so a user
// can back out of a press by dragging away.
class MenuTracker {
public:
    // The pointer moved. Returns whether the highlight changed (the menu then redraws).
    bool move(const MenuLayout& layout, int x, int y);
    // The left button went down. The entry under the pointer is highlighted first, as a
    // move there would have done, so a press that arrives without a move before it (a
    // touch screen, a synthetic click) still chooses what it is on. Returns whether the
    // highlight changed.
    bool press(const MenuLayout& layout, int x, int y);
    // The left button went up: the chosen entry, if any. Without a press before it nothing
    // is chosen.
    std::optional<std::size_t> release(const MenuLayout& layout, int x, int y);
    // The pointer left the menu: the highlight goes unless the button is held.
    bool leave();
    // Highlights an entry directly (keyboard, demos); a separator or an index past the end
    // clears the highlight.
    bool highlight(const MenuLayout& layout, std::optional<std::size_t> entry);

    std::optional<std::size_t> highlighted() const { return highlighted_; }
    bool pressed() const { return pressed_; }

private:
    bool set(std::optional<std::size_t> entry);

    std::optional<std::size_t> highlighted_;
    bool pressed_ = false;
};

// One item of the group menu's item array: the parent's identifier (kMenuTopLevel for an
// item of the menu itself), the item's own identifier, and its text as zero-terminated
// UTF-16 of 40 units.
class MenuItemRecord : public ByteRecord<88> {
public:
    static constexpr I32Field kParentId{0};
    static constexpr I32Field kItemId{4};
    static constexpr TextField kText{8, 40};

    int32_t parentId() const { return get(kParentId); }
    int32_t itemId() const { return get(kItemId); }
    std::string text() const { return ByteRecord::text(kText); }
    void setParentId(int32_t id) { set(kParentId, id); }
    void setItemId(int32_t id) { set(kItemId, id); }
    // Truncates to 39 units so the terminator always fits; false when it had to.
    bool setText(std::string_view utf8) { return ByteRecord::setText(kText, utf8); }
};
static_assert(sizeof(MenuItemRecord) == 4 + 4 + 40 * 2);
static_assert(MenuItemRecord::kText.offset + MenuItemRecord::kText.units * 2 ==
              MenuItemRecord::kSize);

inline constexpr int32_t kMenuTopLevel = 255;
inline constexpr std::size_t kMenuItemCapacity = 200;

struct MenuItemArray {
    std::array<MenuItemRecord, kMenuItemCapacity> items{};
    int count = 0;
};

// The macro page's group menu: one top-level item per macro group 1..21, identified by
// the group number and labelled with the group's menu text in the chosen built-in language.
MenuItemArray BuildMacroGroupMenu(bool chinese);

}  // namespace x5k::controls

#include "controls/MenuLayout.h"

#include "macros/MacroGroups.h"
#include "macros/MacroRecord.h"

namespace x5k::controls {

MenuLayout LayOutMenu(std::span<const MenuEntryKind> entries) {
    MenuLayout layout;
    layout.entries.reserve(entries.size());
    int y = kMenuTopMargin;
    for (const MenuEntryKind kind : entries) {
        if (kind == MenuEntryKind::Separator) {
            const int line = y + kMenuSeparatorOffset;
            layout.entries.push_back({{kMenuSeparatorLeft, line, kMenuItemRight, line + 1}, true});
            y += kMenuSeparatorAdvance;
        } else {
            layout.entries.push_back(
                {{kMenuItemLeft, y, kMenuItemRight, y + kMenuItemHeight}, false});
            y += kMenuItemHeight;
        }
    }
    layout.width = kMenuWidth;
    layout.height = y + kMenuBottomMargin;
    return layout;
}

std::optional<std::size_t> MenuHitTest(const MenuLayout& layout, int x, int y) {
    for (std::size_t i = 0; i < layout.entries.size(); ++i) {
        const MenuSlot& slot = layout.entries[i];
        if (!slot.separator && slot.rect.contains({x, y})) return i;
    }
    return std::nullopt;
}

bool MenuTracker::set(std::optional<std::size_t> entry) {
    if (entry == highlighted_) return false;
    highlighted_ = entry;
    return true;
}

bool MenuTracker::move(const MenuLayout& layout, int x, int y) {
    if (pressed_) return false;
    // Staying inside the highlighted entry changes nothing, which spares a redraw on
    // every move within a row.
    if (highlighted_ && *highlighted_ < layout.entries.size() &&
        layout.entries[*highlighted_].rect.contains({x, y})) {
        return false;
    }
    return set(MenuHitTest(layout, x, y));
}

bool MenuTracker::press(const MenuLayout& layout, int x, int y) {
    const bool changed = move(layout, x, y);
    pressed_ = true;
    return changed;
}

std::optional<std::size_t> MenuTracker::release(const MenuLayout& layout, int x, int y) {
    const bool wasPressed = pressed_;
    pressed_ = false;
    if (wasPressed && highlighted_ && *highlighted_ < layout.entries.size() &&
        layout.entries[*highlighted_].rect.contains({x, y})) {
        return highlighted_;
    }
    set(std::nullopt);
    return std::nullopt;
}

bool MenuTracker::leave() {
    if (pressed_) return false;
    return set(std::nullopt);
}

bool MenuTracker::highlight(const MenuLayout& layout, std::optional<std::size_t> entry) {
    if (entry && (*entry >= layout.entries.size() || layout.entries[*entry].separator)) {
        entry.reset();
    }
    return set(entry);
}

MenuItemArray BuildMacroGroupMenu(bool chinese) {
    MenuItemArray menu;
    for (int group = 1; group <= macro::kGroupCount; ++group) {
        MenuItemRecord& item = menu.items[static_cast<std::size_t>(menu.count++)];
        item.setParentId(kMenuTopLevel);
        item.setItemId(group);
        item.setText(MacroGroupMenuText(group, chinese));
    }
    return menu;
}

}  // namespace x5k::controls

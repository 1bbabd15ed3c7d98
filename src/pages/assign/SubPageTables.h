#pragma once
// The fixed rows of the assignment pop-up's sub-pages and the texts the pop-up paints,
// declared once so the windows and the tests read the same tables.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace x5k::assign {

// The pop-up's sub-pages, numbered as its tabs are.
inline constexpr int kKeyPage = 1;
inline constexpr int kMacroPage = 2;
inline constexpr int kBasicPage = 3;
inline constexpr int kAdvancedPage = 4;
inline constexpr int kSubPageCount = 4;

// The layout's names of the pop-up and its sub-pages.
inline constexpr std::string_view kPopupLayout = "popup";
inline constexpr std::string_view kKeyLayout = "keys";
inline constexpr std::string_view kMacroLayout = "macro";
inline constexpr std::string_view kBasicLayout = "basic";
inline constexpr std::string_view kAdvancedLayout = "advanced";

// The function codes of the basic sub-page's 24 rows, in the order the list shows them.
// A row's label is the catalogue's language key of its code, so a code and its label
// are written down once. The wheel functions are not offered.
std::span<const int32_t> BasicRowCodes();
// The code of `row`; 0 outside the list, which chooses nothing.
int32_t BasicRowCode(int row);
// The interface string key of the label of `row`; empty outside the list.
std::string_view BasicRowLabelKey(int row);

// The 21 rows of the macro sub-page's game list: the macro groups' texts, except that
// the first group carries no trailing blank, the fifth a blank in Chinese and the last
// the English spelling users know from the group button.
std::string_view GameRowText(int row, bool chinese);
inline constexpr int kGameRowCount = 21;

// How a row of the advanced sub-page asks for its path.
enum class PathDialog { OpenFile, ChooseFolder };

// What the window's file or folder dialog is opened with for one row.
struct PathRequest {
    PathDialog dialog = PathDialog::OpenFile;
    std::vector<std::string> nameFilters;  // Qt name filters, first one selected
    std::string defaultSuffix;             // added to a typed name without one
    std::filesystem::path initialFolder;
};

// Where the dialogs start: the folders the desktop keeps such things in. `exists` is
// asked about the system's sound folder only.
struct DialogFolders {
    std::filesystem::path home;
    std::function<bool(const std::filesystem::path&)> exists;
};

// One row of the advanced sub-page: its layout name (radio; ".label", ".path" and
// ".browse" follow it) and its painted label.
struct AdvancedRow {
    std::string_view name;
    std::string_view labelKey;
};
inline constexpr int kAdvancedRowCount = 4;
std::span<const AdvancedRow> AdvancedRows();

// The dialog request of advanced row `row` (0 sound, 1 program, 2 file, 3 folder).
PathRequest PathRequestOfRow(int row, const DialogFolders& folders);

// A text painted by one of the windows: which layout rectangle, which interface string,
// how it is placed and in which colour (0x00BBGGRR, as the skins' colours are written).
enum class TextAlign { Left, Centre };
struct PaintedText {
    std::string_view page;     // layout page name
    std::string_view control;  // layout control name
    std::string_view key;      // interface string key
    TextAlign align = TextAlign::Left;
    uint32_t colour = 0;
    // The text is followed by the button's current display name.
    bool followedByCurrentName = false;
};
std::span<const PaintedText> PaintedTexts();

// The captions and tooltips of the pop-up's own controls and the sub-pages' buttons.
struct CaptionText {
    std::string_view page;
    std::string_view control;
    std::string_view key;
    bool caption = true;   // shown on the control
    bool tooltip = false;  // shown when the control is hovered
};
std::span<const CaptionText> CaptionTexts();

// The colour of the captured key's name on the key page.
inline constexpr uint32_t kKeyNameColour = 0xC39417;
// The tab captions' colours for the normal, pressed and hovered looks.
inline constexpr uint32_t kTabTextColours[3] = {0x676153, 0xFFFFFF, 0xFFFFFF};

}  // namespace x5k::assign

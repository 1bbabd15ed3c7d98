#include "pages/assign/SubPageTables.h"

#include <array>

#include "functions/FunctionCatalogue.h"
#include "macros/MacroGroups.h"

namespace x5k::assign {
namespace {

// The list's order groups the system functions, the mouse buttons and the media keys.
constexpr std::array<int32_t, 24> kBasicRows = {81,  82, 84, 85, 123, 124, 126, 127,
                                                125, 1,  2,  4,  8,   16,  40,  32,
                                                33,  34, 35, 38, 37,  39,  142, 143};

constexpr std::array<AdvancedRow, kAdvancedRowCount> kAdvancedRows = {{
    {"sound", "str_advanced_sound"},
    {"program", "str_advanced_exe"},
    {"file", "str_advanced_file"},
    {"folder", "str_advanced_dir"},
}};

// The pop-up's title, the current function with the button's name, the disable box's
// label, and the advanced page's row labels.
constexpr uint32_t kTitleColour = 0x695F58;
constexpr uint32_t kPaleColour = 0xC8BDBD;
constexpr std::array<PaintedText, 7> kPaintedTexts = {{
    {kPopupLayout, "title", "str_panel", TextAlign::Centre, kTitleColour, false},
    {kPopupLayout, "current", "str_cur_function", TextAlign::Left, kPaleColour, true},
    {kPopupLayout, "disable.label", "str_disable", TextAlign::Left, kPaleColour, false},
    {kAdvancedLayout, "sound.label", "str_advanced_sound", TextAlign::Left, kTitleColour, false},
    {kAdvancedLayout, "program.label", "str_advanced_exe", TextAlign::Left, kTitleColour, false},
    {kAdvancedLayout, "file.label", "str_advanced_file", TextAlign::Left, kTitleColour, false},
    {kAdvancedLayout, "folder.label", "str_advanced_dir", TextAlign::Left, kTitleColour, false},
}};

constexpr std::array<CaptionText, 11> kCaptionTexts = {{
    {kPopupLayout, "tab1", "str_key_com", true, true},
    {kPopupLayout, "tab2", "str_macro_set", true, true},
    {kPopupLayout, "tab3", "str_basic", true, true},
    {kPopupLayout, "tab4", "str_advance", true, true},
    {kPopupLayout, "disable", "str_disable", false, true},
    {kPopupLayout, "default", "str_default_setting", true, false},
    {kPopupLayout, "ok", "str_ok", true, false},
    {kAdvancedLayout, "sound.browse", "str_browse", true, false},
    {kAdvancedLayout, "program.browse", "str_browse", true, false},
    {kAdvancedLayout, "file.browse", "str_browse", true, false},
    {kAdvancedLayout, "folder.browse", "str_browse", true, false},
}};

}  // namespace

std::span<const int32_t> BasicRowCodes() {
    return kBasicRows;
}

std::string_view BasicRowLabelKey(int row) {
    if (row < 0 || static_cast<size_t>(row) >= kBasicRows.size()) return {};
    const CatalogueEntry* entry = FindCatalogueEntry(kBasicRows[static_cast<size_t>(row)]);
    return entry ? entry->languageKey : std::string_view{};
}

int32_t BasicRowCode(int row) {
    if (row < 0 || static_cast<size_t>(row) >= kBasicRows.size()) return 0;
    return kBasicRows[static_cast<size_t>(row)];
}

std::string_view GameRowText(int row, bool chinese) {
    if (row < 0 || row >= kGameRowCount) return {};
    const int group = row + 1;
    // The list spells three groups as the group button does rather than as the menu.
    if (group == 1 || (group == 5 && chinese) || (group == kGameRowCount && !chinese)) {
        return MacroGroupButtonText(group, chinese);
    }
    return MacroGroupMenuText(group, chinese);
}

std::span<const AdvancedRow> AdvancedRows() {
    return kAdvancedRows;
}

PathRequest PathRequestOfRow(int row, const DialogFolders& folders) {
    PathRequest request;
    switch (row) {
        case 0: {
            // The desktop's sounds live below /usr/share/sounds; a system without them
            // starts the dialog at home. "*.wav*" keeps compressed and suffixed copies.
            const std::filesystem::path sounds = "/usr/share/sounds";
            request.nameFilters = {"(*.wav*)"};
            request.defaultSuffix = "wav";
            request.initialFolder =
                folders.exists && folders.exists(sounds) ? sounds : folders.home;
            break;
        }
        case 1:
            // Programs on this system carry no suffix; the window lists the executable
            // files and the desktop's launchers, which start an installed application.
            request.nameFilters = {"(*)", "(*.desktop)"};
            request.initialFolder = "/usr/bin";
            break;
        case 2:
            request.nameFilters = {"(*)"};
            request.initialFolder = folders.home;
            break;
        default:
            request.dialog = PathDialog::ChooseFolder;
            request.initialFolder = folders.home;
            break;
    }
    return request;
}

std::span<const PaintedText> PaintedTexts() {
    return kPaintedTexts;
}

std::span<const CaptionText> CaptionTexts() {
    return kCaptionTexts;
}

}  // namespace x5k::assign

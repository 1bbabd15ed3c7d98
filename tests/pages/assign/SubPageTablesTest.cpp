#include "pages/assign/SubPageTables.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "functions/FunctionCatalogue.h"
#include "layout/Layout.h"
#include "localisation/InterfaceStrings.h"
#include "pages/assign/AssignmentDialogModel.h"

namespace x5k::assign {
namespace {

TEST(BasicRows, LabelsAndCodesInListOrder) {
    struct Row {
        std::string_view label;
        int32_t code;
    };
    // clang-format off
    constexpr Row kExpected[] = {
        {"str_close", 81}, {"str_lock", 82}, {"str_run", 84}, {"str_show", 85},
        {"str_win8_classic", 123}, {"str_win8_switch", 124}, {"str_win8_winp", 126},
        {"str_win8_winm", 127}, {"str_find", 125}, {"str_mouseleft", 1},
        {"str_mouseright", 2}, {"str_mousemiddle", 4}, {"str_pre", 8}, {"str_back", 16},
        {"str_player", 40}, {"str_PL", 32}, {"str_stop", 33}, {"str_pre_media", 34},
        {"str_next_media", 35}, {"str_vol_dw", 38}, {"str_vol_up", 37}, {"str_mute", 39},
        {"str_snipe", 142}, {"str_fire", 143},
    };
    // clang-format on
    ASSERT_EQ(BasicRowCodes().size(), std::size(kExpected));
    for (int row = 0; row < 24; ++row) {
        const Row& want = kExpected[row];
        EXPECT_EQ(BasicRowCode(row), want.code) << row;
        EXPECT_EQ(BasicRowLabelKey(row), want.label) << row;
        EXPECT_TRUE(InterfaceStrings::indexOf(want.label).has_value()) << want.label;
        BasicPageModel page;
        page.selectRow(row);
        EXPECT_EQ(page.BasicPageResult(), (SubPageChoice{want.code, kKindCatalogue, 0, ""}));
    }
    for (const int outside : {-1, 24}) {
        EXPECT_EQ(BasicRowCode(outside), 0);
        EXPECT_TRUE(BasicRowLabelKey(outside).empty());
    }
    // Every function the catalogue labels for this list is offered exactly once, and the
    // wheel steps are not.
    std::multiset<int32_t> offered(BasicRowCodes().begin(), BasicRowCodes().end());
    for (const CatalogueEntry& entry : Catalogue()) {
        EXPECT_EQ(offered.count(entry.code), entry.languageKey.empty() ? 0u : 1u) << entry.code;
    }
    EXPECT_EQ(offered.count(11), 0u);
    EXPECT_EQ(offered.count(22), 0u);
}

TEST(GameRows, GroupTextsWithTheListsOwnSpellings) {
    struct Case {
        int row;
        bool chinese;
        std::string_view text;
    };
    const Case cases[] = {
        {0, false, "Battlefield 3"},
        {0, true, "战地 3"},
        {4, false, "Team Fortress 2"},
        {4, true, "军团要塞 2"},
        {6, false, "Civilization 5 "},
        {6, true, "文明 5 "},
        {12, false, "Dota 2 "},
        {12, true, "远古遗迹守卫2（Dota 2） "},
        {20, false, "Customisze"},
        {20, true, "玩家自定义"},
        {19, false, "War Thunder"},
        {-1, false, ""},
        {21, true, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GameRowText(c.row, c.chinese), c.text) << c.row << (c.chinese ? " zh" : " en");
    }
    EXPECT_EQ(MacroPageModel::gameRows(false).size(), 21u);
    EXPECT_EQ(MacroPageModel::gameRows(true).front(), "战地 3");
}

TEST(AdvancedRows, DialogsFiltersAndFolders) {
    struct Case {
        int row;
        bool soundsExist;
        PathDialog dialog;
        std::vector<std::string> filters;
        std::filesystem::path folder;
    };
    const std::vector<Case> cases = {
        {0, true, PathDialog::OpenFile, {"(*.wav*)"}, "/usr/share/sounds"},
        {0, false, PathDialog::OpenFile, {"(*.wav*)"}, "/home/u"},
        {1, true, PathDialog::OpenFile, {"(*)", "(*.desktop)"}, "/usr/bin"},
        {2, true, PathDialog::OpenFile, {"(*)"}, "/home/u"},
        {3, true, PathDialog::ChooseFolder, {}, "/home/u"},
    };
    for (const Case& c : cases) {
        std::vector<std::filesystem::path> asked;
        const DialogFolders folders{"/home/u", [&](const std::filesystem::path& p) {
                                        asked.push_back(p);
                                        return c.soundsExist;
                                    }};
        const PathRequest request = PathRequestOfRow(c.row, folders);
        EXPECT_EQ(request.dialog, c.dialog) << c.row;
        EXPECT_EQ(request.nameFilters, c.filters) << c.row;
        EXPECT_EQ(request.initialFolder, c.folder) << c.row;
        // Only the sound row looks at the disk.
        EXPECT_EQ(asked.size(), c.row == 0 ? 1u : 0u) << c.row;
    }
    const auto* page = layout::findPage(kAdvancedLayout);
    ASSERT_NE(page, nullptr);
    for (const AdvancedRow& row : AdvancedRows()) {
        const std::string name(row.name);
        for (const std::string& part : {name, name + ".label", name + ".path", name + ".browse"}) {
            EXPECT_NE(layout::findControl(*page, part), nullptr) << part;
        }
        EXPECT_TRUE(InterfaceStrings::indexOf(row.labelKey).has_value()) << row.labelKey;
    }
}

// Every painted text and caption sits at a rectangle of the layout and names one of the
// interface strings, so a window never paints a missing text at no place.
TEST(PaintedTexts, NameLayoutControlsAndInterfaceStrings) {
    const auto check = [](std::string_view pageName, std::string_view control,
                          std::string_view key) {
        const layout::PageLayout* page = layout::findPage(pageName);
        ASSERT_NE(page, nullptr) << pageName;
        EXPECT_NE(layout::findControl(*page, control), nullptr) << control;
        EXPECT_TRUE(InterfaceStrings::indexOf(key).has_value()) << key;
    };
    for (const PaintedText& t : PaintedTexts()) check(t.page, t.control, t.key);
    for (const CaptionText& t : CaptionTexts()) check(t.page, t.control, t.key);
    const layout::Control* title = layout::findControl(*layout::findPage(kPopupLayout), "title");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->rect, (layout::Rect{75, 1, 317, 20}));
}

}  // namespace
}  // namespace x5k::assign

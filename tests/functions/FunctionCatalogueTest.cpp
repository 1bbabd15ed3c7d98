#include "functions/FunctionCatalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace x5k {
namespace {

struct CatalogueCase {
    int32_t code;
    FunctionGroup group;
    const char* english;
    const char* chinese;
    const char* languageKey;
    uint32_t deviceValue;
};

// Written out independently of the program's table: these are the names the pages
// show and the button-matrix entries the mouse expects.
const CatalogueCase kExpectedCatalogue[] = {
    {1, FunctionGroup::MouseButton, "Click", "单击", "str_mouseleft", 0x00F00001},
    {2, FunctionGroup::MouseButton, "Menu", "菜单", "str_mouseright", 0x00F10001},
    {4, FunctionGroup::MouseButton, "Middle", "中键", "str_mousemiddle", 0x00F20001},
    {8, FunctionGroup::MouseButton, "Forward", "前进", "str_pre", 0x00F40001},
    {16, FunctionGroup::MouseButton, "Back", "后退", "str_back", 0x00F30001},
    {11, FunctionGroup::Wheel, "Scroll up", "滚轮前滚", "", 0x00010004},
    {22, FunctionGroup::Wheel, "Scroll down", "滚轮后滚", "", 0x00020004},
    {32, FunctionGroup::Media, "Play/Pause", "播放/暂停", "str_PL", 0x00CD0003},
    {33, FunctionGroup::Media, "Stop", "停止", "str_stop", 0x00B70003},
    {34, FunctionGroup::Media, "Previous", "上一曲", "str_pre_media", 0x00B60003},
    {35, FunctionGroup::Media, "Next", "下一曲", "str_next_media", 0x00B50003},
    {37, FunctionGroup::Media, "Volume up", "音量+", "str_vol_up", 0x00E90003},
    {38, FunctionGroup::Media, "Volume down", "音量-", "str_vol_dw", 0x00EA0003},
    {39, FunctionGroup::Media, "Mute", "静音", "str_mute", 0x00E20003},
    {40, FunctionGroup::Media, "Music", "音乐", "str_player", 0x01830003},
    {81, FunctionGroup::System, "Close window", "关闭窗口", "str_close", 0x003D0400},
    {82, FunctionGroup::System, "Lock PC", "锁定电脑", "str_lock", 0x000F0800},
    {84, FunctionGroup::System, "Run", "运行", "str_run", 0x00150800},
    {85, FunctionGroup::System, "Show desktop", "显示桌面", "str_show", 0x00070800},
    {123, FunctionGroup::System, "Enter classic desktop", "进入传统界面", "str_win8_classic",
     0x00100800},
    {124, FunctionGroup::System, "Switch applications", "切换应用程序", "str_win8_switch",
     0x002B0400},
    {125, FunctionGroup::System, "Search", "搜索", "str_find", 0x00140800},
    {126, FunctionGroup::System, "sreen zoom in", "放大", "str_win8_winp", 0x00570800},
    {127, FunctionGroup::System, "sreen zoom out", "缩小", "str_win8_winm", 0x00560800},
    {121, FunctionGroup::Disabled, "Disable key", "禁用按键", "", 0x00000007},
    {142, FunctionGroup::Sniper, "SNIPE", "狙击键", "str_snipe", 0x08040007},
    {143, FunctionGroup::Fire, "FIRE", "火力", "str_fire", 0x0218F00A},
};

class CatalogueRowTest : public ::testing::TestWithParam<CatalogueCase> {};

TEST_P(CatalogueRowTest, NamesKeyAndDeviceValue) {
    const CatalogueCase& c = GetParam();
    const CatalogueEntry* entry = FindCatalogueEntry(c.code);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->group, c.group);
    EXPECT_EQ(entry->languageKey, c.languageKey);
    EXPECT_EQ(FunctionName(c.code, false), c.english);
    EXPECT_EQ(FunctionName(c.code, true), c.chinese);
    EXPECT_EQ(CatalogueDeviceValue(c.code), c.deviceValue);
}

INSTANTIATE_TEST_SUITE_P(AllRows, CatalogueRowTest, ::testing::ValuesIn(kExpectedCatalogue),
                         [](const auto& info) { return std::to_string(info.param.code); });

TEST(Catalogue, HoldsExactlyTheListedCodesOnce) {
    std::set<int32_t> expected;
    for (const CatalogueCase& c : kExpectedCatalogue) expected.insert(c.code);
    std::multiset<int32_t> actual;
    for (const CatalogueEntry& e : Catalogue()) actual.insert(e.code);
    EXPECT_EQ(actual, std::multiset<int32_t>(expected.begin(), expected.end()));
}

// A row's word must be of the class the mouse carries out for the row's group.
TEST(Catalogue, EveryRowUsesTheWordClassOfItsGroup) {
    const std::pair<FunctionGroup, uint8_t> classes[] = {
        {FunctionGroup::MouseButton, 0x01}, {FunctionGroup::Wheel, 0x04},
        {FunctionGroup::Media, 0x03},       {FunctionGroup::System, 0x00},
        {FunctionGroup::Disabled, 0x07},    {FunctionGroup::Sniper, 0x07},
        {FunctionGroup::Fire, 0x0A}};
    for (const CatalogueEntry& e : Catalogue()) {
        const auto* row = std::find_if(std::begin(classes), std::end(classes),
                                       [&e](const auto& c) { return c.first == e.group; });
        ASSERT_NE(row, std::end(classes)) << e.code;
        EXPECT_EQ(e.deviceValue & 0xFF, row->second) << e.code;
    }
}

class OutsideCatalogueTest : public ::testing::TestWithParam<int32_t> {};

TEST_P(OutsideCatalogueTest, HasNoNameAndNoDeviceValue) {
    EXPECT_EQ(FunctionName(GetParam(), false), "");
    EXPECT_EQ(FunctionName(GetParam(), true), "");
    EXPECT_EQ(CatalogueDeviceValue(GetParam()), std::nullopt);
}

// Key, macro and host action carry their own names; 0, 7 (the pop-up's disable code)
// and unknown codes have none.
INSTANTIATE_TEST_SUITE_P(Codes, OutsideCatalogueTest, ::testing::Values(5, 6, 19, 0, 7, 999, -1));

struct PositionCase {
    int button;
    int32_t defaultCode;
    uint32_t inputCode;
    uint32_t defaultDeviceValue;
};

class ButtonPositionTest : public ::testing::TestWithParam<PositionCase> {};

TEST_P(ButtonPositionTest, DefaultFunctionAndBlockListCode) {
    const PositionCase& c = GetParam();
    EXPECT_EQ(ButtonPositionOf(c.button).defaultCode, c.defaultCode);
    EXPECT_EQ(ButtonPositionOf(c.button).inputCode, c.inputCode);
    EXPECT_EQ(DefaultDeviceValue(c.button), c.defaultDeviceValue);
}

INSTANTIATE_TEST_SUITE_P(Buttons, ButtonPositionTest,
                         ::testing::Values(PositionCase{0, 1, 0x0201, 0x00F00001},
                                           PositionCase{1, 4, 0x0207, 0x00F20001},
                                           PositionCase{2, 2, 0x0204, 0x00F10001},
                                           PositionCase{3, 8, 0x2020B, 0x00F40001},
                                           PositionCase{4, 16, 0x1020B, 0x00F30001},
                                           PositionCase{5, 11, 0x20A01, 0x00010004},
                                           PositionCase{6, 22, 0x20A00, 0x00020004}),
                         [](const auto& info) { return std::to_string(info.param.button); });

}  // namespace
}  // namespace x5k

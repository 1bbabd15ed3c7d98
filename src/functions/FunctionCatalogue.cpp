#include "functions/FunctionCatalogue.h"

#include <algorithm>
#include <array>
#include <cassert>

namespace x5k {
namespace {

using G = FunctionGroup;

// Device values: byte 0 selects the device's function class (0x01 mouse button with
// byte 2 = 0xF0 left, 0xF1 right, 0xF2 middle, 0xF3 back, 0xF4 forward; 0x04 wheel,
// byte 2 = 1 forward, 2 backward; 0x03 consumer control with the HID consumer usage
// in bytes 2-3; 0x00 keyboard with modifier bits in byte 1 and the usage in byte 2;
// 0x07 disable and sniper; 0x0A fire). The system commands are fixed key
// combinations: Alt+F4, Win+L, Win+R, Win+D, Win+M, Alt+Tab, Win+Q, Win+keypad +/-.
constexpr std::array<CatalogueEntry, 27> kCatalogue = {{
    {1, G::MouseButton, "Click", "单击", "str_mouseleft", 0x00F00001},
    {2, G::MouseButton, "Menu", "菜单", "str_mouseright", 0x00F10001},
    {4, G::MouseButton, "Middle", "中键", "str_mousemiddle", 0x00F20001},
    {8, G::MouseButton, "Forward", "前进", "str_pre", 0x00F40001},
    {16, G::MouseButton, "Back", "后退", "str_back", 0x00F30001},
    {11, G::Wheel, "Scroll up", "滚轮前滚", "", 0x00010004},
    {22, G::Wheel, "Scroll down", "滚轮后滚", "", 0x00020004},
    {32, G::Media, "Play/Pause", "播放/暂停", "str_PL", 0x00CD0003},
    {33, G::Media, "Stop", "停止", "str_stop", 0x00B70003},
    {34, G::Media, "Previous", "上一曲", "str_pre_media", 0x00B60003},
    {35, G::Media, "Next", "下一曲", "str_next_media", 0x00B50003},
    {37, G::Media, "Volume up", "音量+", "str_vol_up", 0x00E90003},
    {38, G::Media, "Volume down", "音量-", "str_vol_dw", 0x00EA0003},
    {39, G::Media, "Mute", "静音", "str_mute", 0x00E20003},
    {40, G::Media, "Music", "音乐", "str_player", 0x01830003},
    {81, G::System, "Close window", "关闭窗口", "str_close", 0x003D0400},
    {82, G::System, "Lock PC", "锁定电脑", "str_lock", 0x000F0800},
    {84, G::System, "Run", "运行", "str_run", 0x00150800},
    {85, G::System, "Show desktop", "显示桌面", "str_show", 0x00070800},
    {123, G::System, "Enter classic desktop", "进入传统界面", "str_win8_classic", 0x00100800},
    {124, G::System, "Switch applications", "切换应用程序", "str_win8_switch", 0x002B0400},
    {125, G::System, "Search", "搜索", "str_find", 0x00140800},
    {126, G::System, "sreen zoom in", "放大", "str_win8_winp", 0x00570800},
    {127, G::System, "sreen zoom out", "缩小", "str_win8_winm", 0x00560800},
    {121, G::Disabled, "Disable key", "禁用按键", "", 0x00000007},
    {142, G::Sniper, "SNIPE", "狙击键", "str_snipe", 0x08040007},
    {143, G::Fire, "FIRE", "火力", "str_fire", 0x0218F00A},
}};

constexpr std::array<ButtonPosition, kButtonCount> kButtonPositions = {{
    {"left button", 1, 0x0201},
    {"middle button", 4, 0x0207},
    {"right button", 2, 0x0204},
    {"forward side button", 8, 0x2020B},
    {"back side button", 16, 0x1020B},
    {"wheel forward", 11, 0x20A01},
    {"wheel backward", 22, 0x20A00},
}};

static_assert([] {
    for (int b = 0; b < kButtonCount; ++b) {
        if (kButtonPositions[b].defaultCode != kDefaultFunctionCodes[b]) return false;
    }
    return true;
}());

}  // namespace

std::span<const CatalogueEntry> Catalogue() {
    return kCatalogue;
}

const CatalogueEntry* FindCatalogueEntry(int32_t code) {
    const auto it = std::find_if(kCatalogue.begin(), kCatalogue.end(),
                                 [code](const CatalogueEntry& e) { return e.code == code; });
    return it == kCatalogue.end() ? nullptr : &*it;
}

std::string FunctionName(int32_t code, bool chinese) {
    const CatalogueEntry* entry = FindCatalogueEntry(code);
    if (!entry) return {};
    return std::string(chinese ? entry->chinese : entry->english);
}

std::optional<uint32_t> CatalogueDeviceValue(int32_t code) {
    const CatalogueEntry* entry = FindCatalogueEntry(code);
    if (!entry) return std::nullopt;
    return entry->deviceValue;
}

const ButtonPosition& ButtonPositionOf(int button) {
    assert(button >= 0 && button < kButtonCount);
    return kButtonPositions[static_cast<size_t>(button)];
}

uint32_t DefaultDeviceValue(int button) {
    return *CatalogueDeviceValue(ButtonPositionOf(button).defaultCode);
}

std::optional<uint32_t> FixedDeviceValue(int button, int32_t code, int32_t keyValue) {
    if (code == kFunctionKey) return static_cast<uint32_t>(keyValue);
    if (code == kFunctionHostAction) return DefaultDeviceValue(button);
    return CatalogueDeviceValue(code);
}

}  // namespace x5k

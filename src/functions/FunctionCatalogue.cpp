#include "functions/FunctionCatalogue.h"

#include <algorithm>
#include <array>
#include <cassert>

#include "device/Protocol.h"

namespace x5k {
namespace {

using G = FunctionGroup;

using namespace matrix;

// The system commands are fixed key combinations; the numbers are their keys' HID
// keyboard usages.
constexpr uint32_t kAltF4 = KeyboardWord(kModifierAlt, 0x3D);
constexpr uint32_t kWinL = KeyboardWord(kModifierWin, 0x0F);
constexpr uint32_t kWinR = KeyboardWord(kModifierWin, 0x15);
constexpr uint32_t kWinD = KeyboardWord(kModifierWin, 0x07);
constexpr uint32_t kWinM = KeyboardWord(kModifierWin, 0x10);
constexpr uint32_t kAltTab = KeyboardWord(kModifierAlt, 0x2B);
constexpr uint32_t kWinQ = KeyboardWord(kModifierWin, 0x14);
constexpr uint32_t kWinKeypadPlus = KeyboardWord(kModifierWin, 0x57);
constexpr uint32_t kWinKeypadMinus = KeyboardWord(kModifierWin, 0x56);

// Each function's word in the button matrix: mouse buttons and wheel steps by the
// mouse's own codes, media functions by their HID consumer-page usage.
constexpr std::array<CatalogueEntry, 27> kCatalogue = {{
    {1, G::MouseButton, "Click", "单击", "str_mouseleft", MouseButtonWord(kButtonLeft)},
    {2, G::MouseButton, "Menu", "菜单", "str_mouseright", MouseButtonWord(kButtonRight)},
    {4, G::MouseButton, "Middle", "中键", "str_mousemiddle", MouseButtonWord(kButtonMiddle)},
    {8, G::MouseButton, "Forward", "前进", "str_pre", MouseButtonWord(kButtonForward)},
    {16, G::MouseButton, "Back", "后退", "str_back", MouseButtonWord(kButtonBack)},
    {11, G::Wheel, "Scroll up", "滚轮前滚", "", WheelWord(kWheelForward)},
    {22, G::Wheel, "Scroll down", "滚轮后滚", "", WheelWord(kWheelBackward)},
    {32, G::Media, "Play/Pause", "播放/暂停", "str_PL", ConsumerWord(0x00CD)},
    {33, G::Media, "Stop", "停止", "str_stop", ConsumerWord(0x00B7)},
    {34, G::Media, "Previous", "上一曲", "str_pre_media", ConsumerWord(0x00B6)},
    {35, G::Media, "Next", "下一曲", "str_next_media", ConsumerWord(0x00B5)},
    {37, G::Media, "Volume up", "音量+", "str_vol_up", ConsumerWord(0x00E9)},
    {38, G::Media, "Volume down", "音量-", "str_vol_dw", ConsumerWord(0x00EA)},
    {39, G::Media, "Mute", "静音", "str_mute", ConsumerWord(0x00E2)},
    {40, G::Media, "Music", "音乐", "str_player", ConsumerWord(0x0183)},
    {81, G::System, "Close window", "关闭窗口", "str_close", kAltF4},
    {82, G::System, "Lock PC", "锁定电脑", "str_lock", kWinL},
    {84, G::System, "Run", "运行", "str_run", kWinR},
    {85, G::System, "Show desktop", "显示桌面", "str_show", kWinD},
    {123, G::System, "Enter classic desktop", "进入传统界面", "str_win8_classic", kWinM},
    {124, G::System, "Switch applications", "切换应用程序", "str_win8_switch", kAltTab},
    {125, G::System, "Search", "搜索", "str_find", kWinQ},
    {126, G::System, "sreen zoom in", "放大", "str_win8_winp", kWinKeypadPlus},
    {127, G::System, "sreen zoom out", "缩小", "str_win8_winm", kWinKeypadMinus},
    {121, G::Disabled, "Disable key", "禁用按键", "", kDisableWord},
    {142, G::Sniper, "SNIPE", "狙击键", "str_snipe", kSniperWord},
    {143, G::Fire, "FIRE", "火力", "str_fire", kFireWord},
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

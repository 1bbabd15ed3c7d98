#pragma once
// The two record layouts of the configuration store: the 22,160-byte profile image
// (the profile files, import/export files and the in-memory working profile are all
// byte-for-byte copies of it) and the 8,000-byte configuration block
// ("ConfigInfo.cfg"), five entries of 1,600 bytes.

#include <cstdint>

#include "common/ByteRecord.h"

namespace x5k {

inline constexpr int kButtonCount = 7;  // 0 left, 1 middle, 2 right, 3 forward, 4 back,
                                        // 5 wheel forward, 6 wheel backward
inline constexpr int kProfileCount = 5;
inline constexpr size_t kPathUnits = 260;  // text fields hold at most 259 characters

namespace profile {

inline constexpr uint32_t kMagicValue = 0x80800026;
inline constexpr size_t kSize = 22160;
inline constexpr size_t kButtonsOffset = 4;
inline constexpr size_t kButtonRecordSize = 3148;
inline constexpr int kResolutionSlots = 8;

constexpr size_t ButtonBase(int button) {
    return kButtonsOffset + button * kButtonRecordSize;
}

inline constexpr I32Field kMagic{0};

// Fields of button record `b`.
constexpr I32Field FunctionCode(int b) {
    return {ButtonBase(b) + 0};
}
constexpr I32Field MacroId(int b) {
    return {ButtonBase(b) + 4};
}
constexpr I32Field HostActionKind(int b) {
    return {ButtonBase(b) + 8};
}
constexpr I32Field KeyValue(int b) {
    return {ButtonBase(b) + 16};
}
constexpr I32Field HostActionCode(int b) {
    return {ButtonBase(b) + 20};
}
constexpr TextField HostActionPath(int b) {
    return {ButtonBase(b) + 24, kPathUnits};
}
constexpr TextField DisplayName(int b) {
    return {ButtonBase(b) + 548, kPathUnits};
}

// Enabled resolutions in counts per inch, packed from slot 0, zero after the last.
constexpr I32Field Resolution(int slot) {
    return {22040 + 4 * static_cast<size_t>(slot)};
}
inline constexpr I32Field kSensorHeight{22112};    // slider value 1..30, stored only
inline constexpr I32Field kReportRate{22116};      // 1 = 1000/s, 2 = 500/s, 8 = 125/s
inline constexpr I32Field kLightingMode{22120};    // 1..5, 5 = off
inline constexpr I32Field kLightingColour{22124};  // 0x00BBGGRR
inline constexpr I32Field kColourSource{22128};    // 1 custom colour, 0 preset swatch
inline constexpr I32Field kPresetSwatch{22132};    // 0..25
inline constexpr I32Field kLightSwitch{22136};     // 1 = body lighting on
inline constexpr I32Field kPrecision{22140};       // enhance pointer precision, 1 = on
inline constexpr I32Field kPointerSpeed{22144};    // 1..20
inline constexpr I32Field kMode1Level{22148};      // 1..10
inline constexpr I32Field kMode2Level{22152};      // 1..5
inline constexpr I32Field kScrollLines{22156};     // -1 = one screen per notch

static_assert(ButtonBase(kButtonCount) == 22040, "button records end where resolutions begin");
static_assert(kScrollLines.offset + 4 == kSize, "the last field ends the image");

}  // namespace profile

using ProfileImage = ByteRecord<profile::kSize>;

namespace config {

inline constexpr int32_t kEntryMagicValue = 0xBEBE;
inline constexpr size_t kSize = 8000;
inline constexpr size_t kEntrySize = 1600;

constexpr size_t EntryBase(int entry) {
    return entry * kEntrySize;
}
constexpr I32Field EntryMagic(int e) {
    return {EntryBase(e) + 0};
}
constexpr I32Field CurrentFlag(int e) {
    return {EntryBase(e) + 4};
}
constexpr TextField ProfilePath(int e) {
    return {EntryBase(e) + 532, kPathUnits};
}
constexpr I32Field MacroId(int e, int button) {
    return {EntryBase(e) + 1572 + 4 * static_cast<size_t>(button)};
}

static_assert(MacroId(0, kButtonCount - 1).offset + 4 <= kEntrySize);
static_assert(EntryBase(kProfileCount) == kSize);

}  // namespace config

using ConfigBlock = ByteRecord<config::kSize>;

// The function codes of the seven inputs on a fresh profile.
inline constexpr int32_t kDefaultFunctionCodes[kButtonCount] = {1, 4, 2, 8, 16, 11, 22};

// The default profile: all zero, the magic, the seven default functions with their
// names in the built-in language chosen by `chinese`, and the default settings.
ProfileImage DefaultProfile(bool chinese);

}  // namespace x5k

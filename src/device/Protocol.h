#pragma once
// The X5K's wire protocol, named once: the mouse's identity, the layout of the reports
// exchanged with its vendor interface, every command byte, the lighting effects, and
// the words of the button matrix. The program's device code and the emulated mouse
// both use these names; each keeps its own code for building or checking the bytes, so
// that a mistake in one is caught by the other.
//
// A command is a feature report of report count + 1 bytes: the report ID, the command
// byte, the command's bytes, then zeros. Bulk data (the resolution table, the button
// matrix, a macro image) is announced by a command [command, sub-command, selector,
// length low, length high] and follows as 33-byte output reports of 32 data bytes each.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace x5k {

// The mouse on the USB bus.
inline constexpr uint16_t kMouseVendorId = 0x7A1D;
inline constexpr uint16_t kMouseProductId = 0x5217;
// The identity in device names and hardware IDs, compared without regard to case.
inline constexpr std::string_view kMouseIdentity = "VID_7A1D&PID_5217";
// The mouse waiting for a firmware image presents itself under another identity.
inline constexpr std::string_view kFirmwareLoaderIdentity = "VID_04D9&PID_8022";

// The feature value capability of the vendor interface that carries the commands.
inline constexpr uint16_t kVendorCommandUsagePage = 0xFF01;
inline constexpr uint16_t kVendorCommandUsage = 0x22;

namespace command {

inline constexpr uint8_t kReportRate = 0x01;
inline constexpr uint8_t kBodyLighting = 0x03;
inline constexpr uint8_t kResolutionLevel = 0x0B;
inline constexpr uint8_t kLightingColour = 0x0C;
inline constexpr uint8_t kLightingEffect = 0x0D;
inline constexpr uint8_t kResolutionTable = 0x11;
inline constexpr uint8_t kButtonMatrix = 0x12;
inline constexpr uint8_t kMacro = 0x13;
// Asks for the firmware version; the next feature read answers it.
inline constexpr uint8_t kFirmwareVersion = 0x80;

// Every command except the report rate, the body lighting and the version request
// carries this sub-command byte right after the command byte.
inline constexpr uint8_t kSubCommand = 0x01;

// The selector of a bulk announcement; a macro's selector is its slot.
inline constexpr uint8_t kResolutionTableSelector = 0x07;
inline constexpr uint8_t kButtonMatrixSelector = 0x00;

}  // namespace command

// Byte offsets in a feature report, counted from the report ID.
namespace feature {

inline constexpr size_t kReportIdOffset = 0;
inline constexpr size_t kCommandOffset = 1;
inline constexpr size_t kSubCommandOffset = 2;
// The report rate and the body-lighting switch take their value where others take
// the sub-command.
inline constexpr size_t kValueOffset = 2;
inline constexpr size_t kResolutionLevelOffset = 3;
// The colour travels green, red, blue.
inline constexpr size_t kColourGreenOffset = 3;
inline constexpr size_t kColourRedOffset = 4;
inline constexpr size_t kColourBlueOffset = 5;
// The three bytes of the effect triple.
inline constexpr size_t kEffectOffset = 3;
inline constexpr size_t kBulkSelectorOffset = 3;
inline constexpr size_t kBulkLengthLowOffset = 4;
inline constexpr size_t kBulkLengthHighOffset = 5;

// The answer to a version request: the request's command byte again, then the
// version's two digits (the version is major × 10 + minor).
inline constexpr size_t kVersionEchoOffset = 1;
inline constexpr size_t kVersionMajorOffset = 2;
inline constexpr size_t kVersionMinorOffset = 3;

// The longest command (the lighting colour) ends with the blue byte, so the report
// count of the vendor capability must leave room for it.
inline constexpr int kMinimumReportCount = static_cast<int>(kColourBlueOffset);

}  // namespace feature

// An output report: the report ID, then 32 data bytes, whatever the feature length.
namespace output {

inline constexpr size_t kReportIdOffset = 0;
inline constexpr size_t kDataOffset = 1;
inline constexpr size_t kDataSize = 32;

}  // namespace output

inline constexpr size_t kOutputReportSize = output::kDataOffset + output::kDataSize;
static_assert(kOutputReportSize == 33);

// The report rate is given as the milliseconds between reports; the mouse takes these
// and the program sends any other value as the fallback.
inline constexpr std::array<uint8_t, 4> kReportRates = {1, 2, 4, 8};
inline constexpr uint8_t kFallbackReportRate = 2;

// The resolution table: two identical halves, byte k of a half the code of level k + 1.
inline constexpr int kResolutionTableLevels = 8;
inline constexpr size_t kResolutionTableSize = 2 * kResolutionTableLevels;
static_assert(kResolutionTableSize == 16);
// The code of a level that is not used.
inline constexpr uint8_t kUnusedResolution = 0x80;

// A macro image: the repeat count, then two-byte entries. The mouse keeps eight slots.
inline constexpr size_t kMacroImageSize = 512;
inline constexpr int kMaxMacroSlot = 7;
inline constexpr size_t kMacroSlots = kMaxMacroSlot + 1;

// Modifier bits of byte 1 of a key value (the keyboard word of the button matrix),
// as in the HID boot keyboard's modifier byte; left-hand keys only.
inline constexpr uint8_t kModifierCtrl = 0x01;
inline constexpr uint8_t kModifierShift = 0x02;
inline constexpr uint8_t kModifierAlt = 0x04;
inline constexpr uint8_t kModifierWin = 0x08;

// The button matrix: one little-endian 32-bit word per slot. Byte 0 of a word selects
// the class of function the mouse carries out; the other bytes are its parameters.
namespace matrix {

inline constexpr size_t kSlots = 16;
inline constexpr size_t kWordSize = 4;

// The slots of the physical controls; slots 6..13 stay 0.
inline constexpr int kSlotLeft = 0;
inline constexpr int kSlotRight = 1;
inline constexpr int kSlotMiddle = 2;
// Holds a device function that cannot be programmed.
inline constexpr int kSlotFixed = 3;
inline constexpr int kSlotBack = 4;
inline constexpr int kSlotForward = 5;
inline constexpr int kSlotWheelForward = 14;
inline constexpr int kSlotWheelBackward = 15;

constexpr bool IsWheelSlot(int slot) {
    return slot == kSlotWheelForward || slot == kSlotWheelBackward;
}

// Byte 0: the class.
inline constexpr uint8_t kClassKeyboard = 0x00;     // byte 1 modifier bits, byte 2 key usage
inline constexpr uint8_t kClassMouseButton = 0x01;  // byte 2 the button
inline constexpr uint8_t kClassConsumer = 0x03;     // bytes 2..3 the consumer-page usage
inline constexpr uint8_t kClassWheel = 0x04;        // byte 2 the direction
inline constexpr uint8_t kClassDevice = 0x07;       // a function of the mouse itself
inline constexpr uint8_t kClassMacro = 0x09;        // byte 2 the slot, byte 3 its words
inline constexpr uint8_t kClassFire = 0x0A;

// Byte 2 of a mouse-button word.
inline constexpr uint8_t kButtonLeft = 0xF0;
inline constexpr uint8_t kButtonRight = 0xF1;
inline constexpr uint8_t kButtonMiddle = 0xF2;
inline constexpr uint8_t kButtonBack = 0xF3;
inline constexpr uint8_t kButtonForward = 0xF4;

// Byte 2 of a wheel word.
inline constexpr uint8_t kWheelForward = 0x01;
inline constexpr uint8_t kWheelBackward = 0x02;

constexpr uint32_t Word(uint8_t byte0, uint8_t byte1, uint8_t byte2, uint8_t byte3) {
    return uint32_t{byte0} | uint32_t{byte1} << 8 | uint32_t{byte2} << 16 | uint32_t{byte3} << 24;
}

constexpr uint8_t ClassOf(uint32_t word) {
    return static_cast<uint8_t>(word);
}

constexpr uint32_t MouseButtonWord(uint8_t button) {
    return Word(kClassMouseButton, 0, button, 0);
}

constexpr uint32_t WheelWord(uint8_t direction) {
    return Word(kClassWheel, 0, direction, 0);
}

constexpr uint32_t ConsumerWord(uint16_t usage) {
    return Word(kClassConsumer, 0, static_cast<uint8_t>(usage), static_cast<uint8_t>(usage >> 8));
}

// The same bytes as a key value: a key with the modifiers held.
constexpr uint32_t KeyboardWord(uint8_t modifiers, uint8_t usage) {
    return Word(kClassKeyboard, modifiers, usage, 0);
}

// A macro downloaded into `slot`; only the low byte of its word count fits.
constexpr uint32_t MacroWord(uint8_t slot, uint8_t words) {
    return Word(kClassMacro, 0, slot, words);
}

// The device functions and the fire function, whole.
inline constexpr uint32_t kDisableWord = Word(kClassDevice, 0x00, 0x00, 0x00);
inline constexpr uint32_t kSniperWord = Word(kClassDevice, 0x00, 0x04, 0x08);
inline constexpr uint32_t kFixedWord = Word(kClassDevice, 0x00, 0x03, 0x00);  // slot 3
inline constexpr uint32_t kFireWord = Word(kClassFire, 0xF0, 0x18, 0x02);

}  // namespace matrix

inline constexpr size_t kButtonMatrixSize = matrix::kSlots * matrix::kWordSize;
static_assert(kButtonMatrixSize == 64);

// The seven programmable inputs in the program's button order (left, middle, right,
// forward, back, wheel forward, wheel backward) and the slot each one fills.
inline constexpr std::array<int, 7> kMatrixSlotOfButton = {
    matrix::kSlotLeft, matrix::kSlotMiddle,       matrix::kSlotRight,        matrix::kSlotForward,
    matrix::kSlotBack, matrix::kSlotWheelForward, matrix::kSlotWheelBackward};

// Lighting: the effect command takes a triple (effect, level, variant) per lighting
// mode, and the body-lighting command switches the LED.
namespace lighting {

// The profile's lighting modes.
inline constexpr int32_t kModeSteady = 1;     // takes the mode-1 level, 1..10
inline constexpr int32_t kModeBreathing = 2;  // takes the mode-2 level, 1..5
inline constexpr int32_t kModeClickBreathing = 3;
inline constexpr int32_t kModeColourCycle = 4;
inline constexpr int32_t kModeOff = 5;

using EffectTriple = std::array<uint8_t, 3>;
// Where an adjustable mode puts its level in the triple.
inline constexpr size_t kLevelInTriple = 1;

struct ModeEffect {
    int32_t mode;
    EffectTriple triple;  // for a mode that takes a level, the level replaces byte 1
    bool takesLevel;
};

// Any mode not listed here is sent as off.
inline constexpr EffectTriple kEffectOff = {0, 0, 0};

inline constexpr std::array<ModeEffect, 5> kModeEffects = {{
    {kModeSteady, {1, 0, 1}, true},
    {kModeBreathing, {2, 0, 1}, true},
    {kModeClickBreathing, {3, 2, 3}, false},
    {kModeColourCycle, {4, 10, 2}, false},
    {kModeOff, kEffectOff, false},
}};

constexpr const ModeEffect* FindModeEffect(int32_t mode) {
    for (const ModeEffect& entry : kModeEffects) {
        if (entry.mode == mode) return &entry;
    }
    return nullptr;
}

// The body-lighting switch.
inline constexpr uint8_t kSwitchOn = 0xA0;
inline constexpr uint8_t kSwitchOff = 0xB0;

}  // namespace lighting

}  // namespace x5k

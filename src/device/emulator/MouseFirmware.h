#pragma once
// The X5K's firmware as seen from the vendor interface: it parses every feature and
// output report the host sends, refuses malformed ones and keeps what the accepted
// commands set. Not thread-safe: EmulatedMouse (or a test harness handing it reports)
// serialises the calls.
//
// Wire protocol (its bytes are named in device/Protocol.h; the firmware checks them with
// its own code). A feature report is exactly reportCount + 1 bytes: the report ID, the
// command byte, the command's arguments, then zeros. Commands:
//   01 r                 report rate; r is 1, 2, 4 or 8 (1 = 1000 reports/s)
//   03 A0 | 03 B0        body lighting on | off
//   0B 01 n              resolution level n, 1..8
//   0C 01 G R B          lighting colour
//   0D 01 a b c          lighting effect triple
//   11 01 07 10 00       announce the 16-byte resolution table (1 output report)
//   12 01 00 40 00       announce the 64-byte button matrix (2 output reports)
//   13 01 s 00 02        announce the 512-byte macro image of slot s, 0..7 (16 reports)
//   80                   version request: the next feature read answers
//                        [report ID, 80, major, minor]
// Output reports are exactly 33 bytes (report ID, 32 data bytes) and are only taken
// while an announced transfer still expects data; the bytes past the announced length
// in the last report must be zero. Any feature report that arrives while a transfer is
// incomplete aborts it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "device/Protocol.h"

namespace x5k {

// Why the firmware refused a report.
enum class ProtocolError {
    WrongLength,        // not report count + 1 bytes (feature) or 33 bytes (output)
    WrongReportId,      // byte 0 is not the interface's report ID
    UnknownCommand,     // the command byte names no command
    BadArgument,        // an argument outside what the command takes
    NonzeroPadding,     // a byte that must be zero is not
    UnannouncedOutput,  // an output report while no transfer expects data
    TransferAborted,    // a feature report arrived before the announced data was complete
    UnrequestedRead,    // a feature read without a version request just before it
};

const char* ProtocolErrorName(ProtocolError error);

// What the mouse holds. The defaults are its factory settings, which are also what an
// apply of the program's default profile leaves.
struct MouseState {
    static constexpr size_t kMacroSlots = x5k::kMacroSlots;
    using ResolutionTable = std::array<uint8_t, kResolutionTableSize>;
    using ButtonMatrix = std::array<uint8_t, kButtonMatrixSize>;
    using MacroImage = std::array<uint8_t, kMacroImageSize>;

    // clang-format off
    // The default resolution table: 750, 1000, 1500, 2000 and 3000 DPI, levels 6..8
    // unused, both halves alike.
    static constexpr ResolutionTable kFactoryResolutionTable = {
        0x03, 0x04, 0x06, 0x08, 0x0C, kUnusedResolution, kUnusedResolution, kUnusedResolution,
        0x03, 0x04, 0x06, 0x08, 0x0C, kUnusedResolution, kUnusedResolution, kUnusedResolution};
    // clang-format on
    // The default button matrix: the mouse buttons and the wheel on their own controls,
    // the fixed device function in its slot, the rest unused. Each word is little-endian
    // with its class in byte 0 and its button or direction in byte 2.
    static constexpr ButtonMatrix kFactoryButtonMatrix = [] {
        using namespace matrix;
        const auto inByte2 = [](uint8_t klass, uint8_t parameter) {
            return uint32_t{klass} | uint32_t{parameter} << 16;
        };
        const struct {
            int slot;
            uint32_t word;
        } factoryWords[] = {
            {kSlotLeft, inByte2(kClassMouseButton, kButtonLeft)},
            {kSlotRight, inByte2(kClassMouseButton, kButtonRight)},
            {kSlotMiddle, inByte2(kClassMouseButton, kButtonMiddle)},
            {kSlotFixed, kFixedWord},
            {kSlotBack, inByte2(kClassMouseButton, kButtonBack)},
            {kSlotForward, inByte2(kClassMouseButton, kButtonForward)},
            {kSlotWheelForward, inByte2(kClassWheel, kWheelForward)},
            {kSlotWheelBackward, inByte2(kClassWheel, kWheelBackward)},
        };
        ButtonMatrix bytes{};
        for (const auto& [slot, word] : factoryWords) {
            for (size_t i = 0; i < kWordSize; ++i) {
                bytes[static_cast<size_t>(slot) * kWordSize + i] =
                    static_cast<uint8_t>(word >> (8 * i));
            }
        }
        return bytes;
    }();

    uint8_t reportRate = 1;
    bool lightingOn = true;
    uint8_t resolutionLevel = 3;
    uint32_t colour = 0x000000FF;  // 0x00BBGGRR
    lighting::EffectTriple effect = lighting::FindModeEffect(lighting::kModeColourCycle)->triple;
    ResolutionTable resolutionTable = kFactoryResolutionTable;
    ButtonMatrix buttonMatrix = kFactoryButtonMatrix;
    std::array<MacroImage, kMacroSlots> macros{};
    // Every refusal since power-up, in order. Not part of what the mouse stores.
    std::vector<ProtocolError> protocolErrors{};

    bool operator==(const MouseState&) const = default;
};

// The firmware's working registers; the command handlers operate on these.
struct FirmwareRegisters {
    struct Transfer {
        // Where the data goes once complete; `selector` is the announced selector byte
        // (the slot of a macro).
        std::span<uint8_t> (*destination)(MouseState& state, uint8_t selector);
        uint8_t selector;
        size_t length;  // announced data bytes
        std::vector<uint8_t> received;
    };

    MouseState state;
    std::optional<Transfer> transfer;
    bool versionRequested = false;
};

class MouseFirmware {
public:
    static constexpr size_t kOutputReportSize = x5k::kOutputReportSize;
    static constexpr size_t kOutputDataSize = output::kDataSize;

    // `versionReply` is what follows the report ID in the answer to a version request:
    // 0x80, major, minor.
    MouseFirmware(uint8_t reportId, size_t reportCount, std::array<uint8_t, 3> versionReply,
                  MouseState state = {});

    // Each returns false when the report is refused; the reason joins
    // state().protocolErrors.
    bool setFeature(std::span<const uint8_t> report);
    bool getFeature(std::span<uint8_t> report);
    bool output(std::span<const uint8_t> report);

    // Power loss: an unfinished transfer and a pending version request are dropped;
    // the settings stay.
    void powerCycle();

    const MouseState& state() const { return registers_.state; }
    void setState(MouseState state) { registers_.state = std::move(state); }
    bool transferInProgress() const { return registers_.transfer.has_value(); }

private:
    bool refuse(ProtocolError error);
    // A feature report in either direction ends an unfinished transfer.
    void abortTransfer();

    uint8_t reportId_;
    size_t reportLength_;
    std::array<uint8_t, 3> versionReply_;
    FirmwareRegisters registers_;
};

}  // namespace x5k

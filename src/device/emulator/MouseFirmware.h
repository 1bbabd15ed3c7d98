#pragma once
// The X5K's firmware as seen from the vendor interface: it parses every feature and
// output report the host sends, refuses malformed ones and keeps what the accepted
// commands set. Not thread-safe: EmulatedMouse (or a test harness handing it reports)
// serialises the calls.
//
// Wire protocol. A feature report is exactly reportCount + 1 bytes: the report ID, the
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
    static constexpr size_t kMacroSlots = 8;
    using ResolutionTable = std::array<uint8_t, 16>;
    using ButtonMatrix = std::array<uint8_t, 64>;
    using MacroImage = std::array<uint8_t, 512>;

    // clang-format off
    // The default resolution table: 750, 1000, 1500, 2000 and 3000 DPI, levels 6..8
    // unused, both halves alike.
    static constexpr ResolutionTable kFactoryResolutionTable = {
        0x03, 0x04, 0x06, 0x08, 0x0C, 0x80, 0x80, 0x80,
        0x03, 0x04, 0x06, 0x08, 0x0C, 0x80, 0x80, 0x80};
    // The default button matrix, 16 little-endian 32-bit device values.
    static constexpr ButtonMatrix kFactoryButtonMatrix = {
        0x01, 0x00, 0xF0, 0x00,  0x01, 0x00, 0xF1, 0x00,  // 0 left click, 1 right click
        0x01, 0x00, 0xF2, 0x00,  0x07, 0x00, 0x03, 0x00,  // 2 middle click, 3 fixed function
        0x01, 0x00, 0xF3, 0x00,  0x01, 0x00, 0xF4, 0x00,  // 4 back, 5 forward
        0x00, 0x00, 0x00, 0x00,  0x00, 0x00, 0x00, 0x00,  // 6, 7 unused
        0x00, 0x00, 0x00, 0x00,  0x00, 0x00, 0x00, 0x00,  // 8, 9 unused
        0x00, 0x00, 0x00, 0x00,  0x00, 0x00, 0x00, 0x00,  // 10, 11 unused
        0x00, 0x00, 0x00, 0x00,  0x00, 0x00, 0x00, 0x00,  // 12, 13 unused
        0x04, 0x00, 0x01, 0x00,  0x04, 0x00, 0x02, 0x00,  // 14 wheel forward, 15 backward
    };
    // clang-format on

    uint8_t reportRate = 1;
    bool lightingOn = true;
    uint8_t resolutionLevel = 3;
    uint32_t colour = 0x000000FF;  // 0x00BBGGRR
    std::array<uint8_t, 3> effect{4, 10, 2};
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
    static constexpr size_t kOutputReportSize = 33;  // report ID and 32 data bytes
    static constexpr size_t kOutputDataSize = kOutputReportSize - 1;

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

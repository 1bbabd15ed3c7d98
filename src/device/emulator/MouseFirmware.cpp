#include "device/emulator/MouseFirmware.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace x5k {
namespace {

using Arguments = std::span<const uint8_t>;
using Registers = FirmwareRegisters;

// Report offsets of a feature report.
constexpr size_t kCommandOffset = 1;
constexpr size_t kArgumentsOffset = 2;

// The byte that follows the command byte of every command with a sub-command.
constexpr uint8_t kSubCommand = 0x01;
constexpr uint8_t kLastResolutionLevel = 8;

bool IsZero(uint8_t byte) {
    return byte == 0;
}

bool SetReportRate(Registers& r, Arguments a) {
    constexpr uint8_t kRates[] = {1, 2, 4, 8};  // milliseconds between reports
    if (std::ranges::find(kRates, a[0]) == std::end(kRates)) return false;
    r.state.reportRate = a[0];
    return true;
}

bool SetBodyLighting(Registers& r, Arguments a) {
    struct Switch {
        uint8_t code;
        bool on;
    };
    constexpr Switch kSwitches[] = {{0xA0, true}, {0xB0, false}};
    const auto* match = std::ranges::find(kSwitches, a[0], &Switch::code);
    if (match == std::end(kSwitches)) return false;
    r.state.lightingOn = match->on;
    return true;
}

bool SetResolutionLevel(Registers& r, Arguments a) {
    if (a[0] != kSubCommand || a[1] < 1 || a[1] > kLastResolutionLevel) return false;
    r.state.resolutionLevel = a[1];
    return true;
}

// The colour travels green, red, blue.
bool SetColour(Registers& r, Arguments a) {
    if (a[0] != kSubCommand) return false;
    r.state.colour = uint32_t(a[2]) | uint32_t(a[1]) << 8 | uint32_t(a[3]) << 16;
    return true;
}

bool SetEffect(Registers& r, Arguments a) {
    if (a[0] != kSubCommand) return false;
    std::ranges::copy(a.subspan(1, 3), r.state.effect.begin());
    return true;
}

bool RequestVersion(Registers& r, Arguments) {
    r.versionRequested = true;
    return true;
}

std::span<uint8_t> ResolutionTableOf(MouseState& state, uint8_t) {
    return state.resolutionTable;
}
std::span<uint8_t> ButtonMatrixOf(MouseState& state, uint8_t) {
    return state.buttonMatrix;
}
std::span<uint8_t> MacroOf(MouseState& state, uint8_t slot) {
    return state.macros[slot];
}

// A bulk announcement reads [01, selector, length low, length high]; the selector must
// be in range and the length must be exactly the size of what it selects.
struct BulkKind {
    uint8_t firstSelector;
    uint8_t lastSelector;
    std::span<uint8_t> (*destination)(MouseState&, uint8_t selector);
};

constexpr BulkKind kTableTransfer{0x07, 0x07, ResolutionTableOf};
constexpr BulkKind kMatrixTransfer{0x00, 0x00, ButtonMatrixOf};
constexpr BulkKind kMacroTransfer{0x00, MouseState::kMacroSlots - 1, MacroOf};

bool Announce(Registers& r, Arguments a, const BulkKind& kind) {
    const uint8_t selector = a[1];
    const size_t length = size_t(a[2]) | size_t(a[3]) << 8;
    if (a[0] != kSubCommand || selector < kind.firstSelector || selector > kind.lastSelector ||
        length != kind.destination(r.state, selector).size()) {
        return false;
    }
    r.transfer = Registers::Transfer{kind.destination, selector, length, {}};
    return true;
}

bool AnnounceTable(Registers& r, Arguments a) {
    return Announce(r, a, kTableTransfer);
}
bool AnnounceMatrix(Registers& r, Arguments a) {
    return Announce(r, a, kMatrixTransfer);
}
bool AnnounceMacro(Registers& r, Arguments a) {
    return Announce(r, a, kMacroTransfer);
}

struct Command {
    uint8_t code;
    size_t argumentCount;
    // False when an argument is out of range; nothing is changed then.
    bool (*run)(Registers&, Arguments);
};

constexpr Command kCommands[] = {
    {0x01, 1, SetReportRate},  {0x03, 1, SetBodyLighting}, {0x0B, 2, SetResolutionLevel},
    {0x0C, 4, SetColour},      {0x0D, 4, SetEffect},       {0x11, 4, AnnounceTable},
    {0x12, 4, AnnounceMatrix}, {0x13, 4, AnnounceMacro},   {0x80, 0, RequestVersion},
};

}  // namespace

const char* ProtocolErrorName(ProtocolError error) {
    struct Name {
        ProtocolError error;
        const char* text;
    };
    constexpr Name kNames[] = {
        {ProtocolError::WrongLength, "wrong length"},
        {ProtocolError::WrongReportId, "wrong report ID"},
        {ProtocolError::UnknownCommand, "unknown command"},
        {ProtocolError::BadArgument, "bad argument"},
        {ProtocolError::NonzeroPadding, "nonzero padding"},
        {ProtocolError::UnannouncedOutput, "output report without announcement"},
        {ProtocolError::TransferAborted, "transfer aborted"},
        {ProtocolError::UnrequestedRead, "feature read without request"},
    };
    const auto* match = std::ranges::find(kNames, error, &Name::error);
    return match == std::end(kNames) ? "?" : match->text;
}

MouseFirmware::MouseFirmware(uint8_t reportId, size_t reportCount,
                             std::array<uint8_t, 3> versionReply, MouseState state)
    : reportId_(reportId), reportLength_(reportCount + 1), versionReply_(versionReply) {
    registers_.state = std::move(state);
}

bool MouseFirmware::refuse(ProtocolError error) {
    registers_.state.protocolErrors.push_back(error);
    return false;
}

void MouseFirmware::abortTransfer() {
    if (!registers_.transfer) return;
    registers_.transfer.reset();
    registers_.state.protocolErrors.push_back(ProtocolError::TransferAborted);
}

void MouseFirmware::powerCycle() {
    registers_.transfer.reset();
    registers_.versionRequested = false;
}

bool MouseFirmware::setFeature(std::span<const uint8_t> report) {
    abortTransfer();
    registers_.versionRequested = false;
    if (report.size() != reportLength_) return refuse(ProtocolError::WrongLength);
    if (report[0] != reportId_) return refuse(ProtocolError::WrongReportId);
    // A descriptor with a report count of 0 leaves no room for a command byte.
    if (report.size() <= kCommandOffset) return refuse(ProtocolError::WrongLength);

    const auto* command = std::ranges::find(kCommands, report[kCommandOffset], &Command::code);
    if (command == std::end(kCommands)) return refuse(ProtocolError::UnknownCommand);
    const size_t end = kArgumentsOffset + command->argumentCount;
    if (report.size() < end) return refuse(ProtocolError::WrongLength);
    if (!std::ranges::all_of(report.subspan(end), IsZero)) {
        return refuse(ProtocolError::NonzeroPadding);
    }
    if (!command->run(registers_, report.subspan(kArgumentsOffset, command->argumentCount))) {
        return refuse(ProtocolError::BadArgument);
    }
    return true;
}

bool MouseFirmware::getFeature(std::span<uint8_t> report) {
    abortTransfer();
    const bool requested = std::exchange(registers_.versionRequested, false);
    if (report.size() != reportLength_) return refuse(ProtocolError::WrongLength);
    if (report[0] != reportId_) return refuse(ProtocolError::WrongReportId);
    if (!requested) return refuse(ProtocolError::UnrequestedRead);

    // The answer: report ID, 0x80, major, minor, then zeros (cut short by a descriptor
    // whose report count is below 3).
    const auto answer = report.subspan(1);
    std::ranges::fill(answer, 0);
    std::copy_n(versionReply_.begin(), std::min(answer.size(), versionReply_.size()),
                answer.begin());
    return true;
}

bool MouseFirmware::output(std::span<const uint8_t> report) {
    if (report.size() != kOutputReportSize) return refuse(ProtocolError::WrongLength);
    if (report[0] != reportId_) return refuse(ProtocolError::WrongReportId);
    if (!registers_.transfer) return refuse(ProtocolError::UnannouncedOutput);

    Registers::Transfer& transfer = *registers_.transfer;
    const auto data = report.subspan(1);
    const size_t used = std::min(kOutputDataSize, transfer.length - transfer.received.size());
    if (!std::ranges::all_of(data.subspan(used), IsZero)) {
        return refuse(ProtocolError::NonzeroPadding);
    }
    transfer.received.insert(transfer.received.end(), data.begin(), data.begin() + used);
    if (transfer.received.size() == transfer.length) {
        std::ranges::copy(transfer.received,
                          transfer.destination(registers_.state, transfer.selector).begin());
        registers_.transfer.reset();
    }
    return true;
}

}  // namespace x5k

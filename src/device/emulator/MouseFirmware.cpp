#include "device/emulator/MouseFirmware.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace x5k {
namespace {

// A whole feature report; the handlers read their bytes at the named offsets.
using Report = std::span<const uint8_t>;
using Registers = FirmwareRegisters;
using namespace feature;

bool IsZero(uint8_t byte) {
    return byte == 0;
}

bool HasSubCommand(Report a) {
    return a[kSubCommandOffset] == command::kSubCommand;
}

bool SetReportRate(Registers& r, Report a) {
    if (std::ranges::find(kReportRates, a[kValueOffset]) == kReportRates.end()) return false;
    r.state.reportRate = a[kValueOffset];
    return true;
}

bool SetBodyLighting(Registers& r, Report a) {
    struct Switch {
        uint8_t code;
        bool on;
    };
    constexpr Switch kSwitches[] = {{lighting::kSwitchOn, true}, {lighting::kSwitchOff, false}};
    const auto* match = std::ranges::find(kSwitches, a[kValueOffset], &Switch::code);
    if (match == std::end(kSwitches)) return false;
    r.state.lightingOn = match->on;
    return true;
}

bool SetResolutionLevel(Registers& r, Report a) {
    const uint8_t level = a[kResolutionLevelOffset];
    if (!HasSubCommand(a) || level < 1 || level > kResolutionTableLevels) return false;
    r.state.resolutionLevel = level;
    return true;
}

bool SetColour(Registers& r, Report a) {
    if (!HasSubCommand(a)) return false;
    r.state.colour = uint32_t(a[kColourRedOffset]) | uint32_t(a[kColourGreenOffset]) << 8 |
                     uint32_t(a[kColourBlueOffset]) << 16;
    return true;
}

bool SetEffect(Registers& r, Report a) {
    if (!HasSubCommand(a)) return false;
    std::ranges::copy(a.subspan(kEffectOffset, r.state.effect.size()), r.state.effect.begin());
    return true;
}

bool RequestVersion(Registers& r, Report) {
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

// A bulk announcement carries the sub-command, a selector and a little-endian length;
// the selector must be in range and the length must be exactly the size of what it
// selects.
struct BulkKind {
    uint8_t firstSelector;
    uint8_t lastSelector;
    std::span<uint8_t> (*destination)(MouseState&, uint8_t selector);
};

constexpr BulkKind kTableTransfer{command::kResolutionTableSelector,
                                  command::kResolutionTableSelector, ResolutionTableOf};
constexpr BulkKind kMatrixTransfer{command::kButtonMatrixSelector, command::kButtonMatrixSelector,
                                   ButtonMatrixOf};
constexpr BulkKind kMacroTransfer{0, kMaxMacroSlot, MacroOf};

bool Announce(Registers& r, Report a, const BulkKind& kind) {
    const uint8_t selector = a[kBulkSelectorOffset];
    const size_t length = size_t(a[kBulkLengthLowOffset]) | size_t(a[kBulkLengthHighOffset]) << 8;
    if (!HasSubCommand(a) || selector < kind.firstSelector || selector > kind.lastSelector ||
        length != kind.destination(r.state, selector).size()) {
        return false;
    }
    r.transfer = Registers::Transfer{kind.destination, selector, length, {}};
    return true;
}

bool AnnounceTable(Registers& r, Report a) {
    return Announce(r, a, kTableTransfer);
}
bool AnnounceMatrix(Registers& r, Report a) {
    return Announce(r, a, kMatrixTransfer);
}
bool AnnounceMacro(Registers& r, Report a) {
    return Announce(r, a, kMacroTransfer);
}

struct Command {
    uint8_t code;
    // The offset just past the command's last byte; zeros follow.
    size_t end;
    // False when an argument is out of range; nothing is changed then.
    bool (*run)(Registers&, Report);
};

constexpr Command kCommands[] = {
    {command::kReportRate, kValueOffset + 1, SetReportRate},
    {command::kBodyLighting, kValueOffset + 1, SetBodyLighting},
    {command::kResolutionLevel, kResolutionLevelOffset + 1, SetResolutionLevel},
    {command::kLightingColour, kColourBlueOffset + 1, SetColour},
    {command::kLightingEffect, kEffectOffset + std::tuple_size_v<lighting::EffectTriple>,
     SetEffect},
    {command::kResolutionTable, kBulkLengthHighOffset + 1, AnnounceTable},
    {command::kButtonMatrix, kBulkLengthHighOffset + 1, AnnounceMatrix},
    {command::kMacro, kBulkLengthHighOffset + 1, AnnounceMacro},
    {command::kFirmwareVersion, kCommandOffset + 1, RequestVersion},
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
    if (report[kReportIdOffset] != reportId_) return refuse(ProtocolError::WrongReportId);
    // A descriptor with a report count of 0 leaves no room for a command byte.
    if (report.size() <= kCommandOffset) return refuse(ProtocolError::WrongLength);

    const auto* command = std::ranges::find(kCommands, report[kCommandOffset], &Command::code);
    if (command == std::end(kCommands)) return refuse(ProtocolError::UnknownCommand);
    if (report.size() < command->end) return refuse(ProtocolError::WrongLength);
    if (!std::ranges::all_of(report.subspan(command->end), IsZero)) {
        return refuse(ProtocolError::NonzeroPadding);
    }
    if (!command->run(registers_, report)) {
        return refuse(ProtocolError::BadArgument);
    }
    return true;
}

bool MouseFirmware::getFeature(std::span<uint8_t> report) {
    abortTransfer();
    const bool requested = std::exchange(registers_.versionRequested, false);
    if (report.size() != reportLength_) return refuse(ProtocolError::WrongLength);
    if (report[kReportIdOffset] != reportId_) return refuse(ProtocolError::WrongReportId);
    if (!requested) return refuse(ProtocolError::UnrequestedRead);

    // The answer: report ID, the version request's command byte, major, minor, then
    // zeros (cut short by a descriptor whose report count is below 3).
    const auto answer = report.subspan(kVersionEchoOffset);
    std::ranges::fill(answer, 0);
    std::copy_n(versionReply_.begin(), std::min(answer.size(), versionReply_.size()),
                answer.begin());
    return true;
}

bool MouseFirmware::output(std::span<const uint8_t> report) {
    if (report.size() != kOutputReportSize) return refuse(ProtocolError::WrongLength);
    if (report[output::kReportIdOffset] != reportId_) return refuse(ProtocolError::WrongReportId);
    if (!registers_.transfer) return refuse(ProtocolError::UnannouncedOutput);

    Registers::Transfer& transfer = *registers_.transfer;
    const auto data = report.subspan(output::kDataOffset);
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

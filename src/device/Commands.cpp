// The commands the program sends to the vendor interface (their bytes are named in
// device/Protocol.h). Each command's bytes are listed in report order from the command
// byte on.

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <vector>

#include "common/DiagnosticLog.h"
#include "device/UsbDriver.h"

namespace x5k {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kReportPause{50};
constexpr milliseconds kBulkPause{100};
constexpr milliseconds kOutputWait{1500};
constexpr size_t kChunk = output::kDataSize;

namespace cmd = command;

constexpr uint8_t LengthLow(size_t length) {
    return static_cast<uint8_t>(length & 0xFF);
}
constexpr uint8_t LengthHigh(size_t length) {
    return static_cast<uint8_t>(length >> 8);
}

struct ResolutionCodeRow {
    int32_t dpi;
    uint8_t code;
};

constexpr ResolutionCodeRow kResolutionCodes[] = {
    {250, 1},   {500, 2},   {750, 3},   {1000, 4},  {1250, 5},  {1500, 6},
    {1750, 7},  {2000, 8},  {2250, 9},  {2500, 10}, {2750, 11}, {3000, 12},
    {3250, 13}, {3500, 14}, {4000, 40}, {5000, 42}, {6000, 44}, {7000, 46},
};

// A command on a closed connection fails as a call on a removed device's node does.
SysResult NotConnected() {
    return SysResult::failure(ENODEV, "no open connection to the mouse");
}

SysResult WrongLength(std::string_view what) {
    return SysResult::failure(EINVAL, what);
}

std::string_view OutcomeText(OutputWrite outcome) {
    switch (outcome) {
        case OutputWrite::Completed:
            return "completed";
        case OutputWrite::PendingThenDone:
            return "completed after a wait";
        case OutputWrite::TimedOut:
            return "still pending after the wait, counted as sent";
        case OutputWrite::Failed:
            break;
    }
    return "failed";
}

}  // namespace

uint8_t ResolutionCode(int32_t dpi) {
    for (const auto& row : kResolutionCodes) {
        if (row.dpi == dpi) return row.code;
    }
    return kUnusedResolution;
}

SysResult CUSBDriver::sendFeature(std::initializer_list<uint8_t> command) {
    const auto write = handle(HidAccess::Write);
    if (!write) {
        X5K_LOG("hid: feature report ", diagnostic::Hex{{command.begin(), command.size()}},
                " not sent: ", NotConnected());
        return NotConnected();
    }
    std::vector<uint8_t> report(featureLength(), 0);
    report[feature::kReportIdOffset] = reportId_;
    std::copy_n(command.begin(), std::min(command.size(), report.size() - feature::kCommandOffset),
                report.begin() + feature::kCommandOffset);
    const SysResult result = write->setFeature(report);
    if (result) {
        X5K_LOG("hid: feature report sent: ", diagnostic::Hex{report});
    } else {
        X5K_LOG("hid: feature report refused: ", diagnostic::Hex{report}, ": ", result);
    }
    return result;
}

SysResult CUSBDriver::writeOneOutputReport(HidHandle& handle, std::span<const uint8_t> data) {
    std::array<uint8_t, kOutputReportSize> report{};
    report[output::kReportIdOffset] = reportId_;
    std::copy(data.begin(), data.end(), report.begin() + output::kDataOffset);
    // A write still running after the wait counts as sent; one refused at once fails
    // the transfer, since the mouse then holds incomplete data.
    const OutputWriteResult written = handle.writeOutput(report, kOutputWait);
    if (written.outcome == OutputWrite::Failed) {
        // A backend that gives no cause still fails the transfer.
        const SysResult cause =
            written.cause ? SysResult::failure(EIO, "output report write") : written.cause;
        X5K_LOG("hid: output report failed: ", diagnostic::Hex{report}, ": ", cause);
        return cause;
    }
    X5K_LOG("hid: output report sent (", OutcomeText(written.outcome),
            "): ", diagnostic::Hex{report});
    return SysResult::success();
}

SysResult CUSBDriver::writeOutputReports(std::span<const uint8_t> data) {
    if (data.size() % kChunk != 0) {
        return WrongLength("output data of a length not a multiple of 32");
    }
    for (size_t offset = 0; offset < data.size(); offset += kChunk) {
        clock_.sleepFor(kReportPause);
        const auto write = handle(HidAccess::Write);
        if (!write) {
            X5K_LOG("hid: output report not sent: ", NotConnected());
            return NotConnected();
        }
        const SysResult sent = writeOneOutputReport(*write, data.subspan(offset, kChunk));
        clock_.sleepFor(kReportPause);
        if (!sent) return sent;
    }
    return SysResult::success();
}

SysResult CUSBDriver::setReportRate(int32_t rate) {
    const bool offered =
        std::find(kReportRates.begin(), kReportRates.end(), rate) != kReportRates.end();
    return sendFeature(
        {cmd::kReportRate, offered ? static_cast<uint8_t>(rate) : kFallbackReportRate});
}

SysResult CUSBDriver::setBodyLighting(bool on) {
    return sendFeature({cmd::kBodyLighting, on ? lighting::kSwitchOn : lighting::kSwitchOff});
}

SysResult CUSBDriver::setResolutionLevel(int level) {
    return sendFeature({cmd::kResolutionLevel, cmd::kSubCommand, static_cast<uint8_t>(level)});
}

SysResult CUSBDriver::setLightingColour(uint32_t colour) {
    const auto red = static_cast<uint8_t>(colour);
    const auto green = static_cast<uint8_t>(colour >> 8);
    const auto blue = static_cast<uint8_t>(colour >> 16);
    return sendFeature({cmd::kLightingColour, cmd::kSubCommand, green, red, blue});
}

SysResult CUSBDriver::setLightingEffect(uint8_t a, uint8_t b, uint8_t c) {
    return sendFeature({cmd::kLightingEffect, cmd::kSubCommand, a, b, c});
}

SysResult CUSBDriver::writeResolutionTable(std::span<const uint8_t> table) {
    if (table.size() != kResolutionTableSize) {
        return WrongLength("a resolution table not of 16 bytes");
    }
    if (const SysResult announced =
            sendFeature({cmd::kResolutionTable, cmd::kSubCommand, cmd::kResolutionTableSelector,
                         LengthLow(kResolutionTableSize), LengthHigh(kResolutionTableSize)});
        !announced) {
        return announced;
    }
    // The table goes out as one report right after the pause, its second half zero.
    clock_.sleepFor(kReportPause);
    const auto write = handle(HidAccess::Write);
    if (!write) {
        X5K_LOG("hid: output report not sent: ", NotConnected());
        return NotConnected();
    }
    std::array<uint8_t, kChunk> data{};
    std::copy(table.begin(), table.end(), data.begin());
    const SysResult sent = writeOneOutputReport(*write, data);
    clock_.sleepFor(kReportPause);
    return sent;
}

SysResult CUSBDriver::writeButtonMatrix(std::span<const uint8_t> matrix) {
    if (matrix.size() != kButtonMatrixSize) return WrongLength("a button matrix not of 64 bytes");
    if (const SysResult announced =
            sendFeature({cmd::kButtonMatrix, cmd::kSubCommand, cmd::kButtonMatrixSelector,
                         LengthLow(kButtonMatrixSize), LengthHigh(kButtonMatrixSize)});
        !announced) {
        return announced;
    }
    clock_.sleepFor(kBulkPause);
    return writeOutputReports(matrix);
}

void CUSBDriver::writeMacro(int slot, std::span<const uint8_t, kMacroImageSize> image) {
    if (slot < 0 || slot > kMaxMacroSlot) return;
    if (!sendFeature({cmd::kMacro, cmd::kSubCommand, static_cast<uint8_t>(slot),
                      LengthLow(kMacroImageSize), LengthHigh(kMacroImageSize)})) {
        return;
    }
    clock_.sleepFor(kBulkPause);
    // The mouse confirms nothing, so the caller is not told; the log keeps the cause.
    if (const SysResult sent = writeOutputReports(image); !sent) {
        X5K_LOG("hid: macro slot ", slot, " not downloaded completely: ", sent);
    }
}

std::optional<int> CUSBDriver::readFirmwareVersion() {
    if (!sendFeature({cmd::kFirmwareVersion})) return std::nullopt;
    clock_.sleepFor(kReportPause);
    const auto read = handle(HidAccess::Read);
    if (!read) {
        X5K_LOG("hid: version answer not read: ", NotConnected());
        return std::nullopt;
    }
    std::vector<uint8_t> reply(featureLength(), 0);
    reply[feature::kReportIdOffset] = reportId_;
    if (const SysResult answered = read->getFeature(reply); !answered) {
        X5K_LOG("hid: version answer not read: ", answered);
        return std::nullopt;
    }
    X5K_LOG("hid: feature report answered: ", diagnostic::Hex{reply});
    if (reply.size() <= feature::kVersionMinorOffset ||
        reply[feature::kVersionEchoOffset] != cmd::kFirmwareVersion) {
        X5K_LOG("hid: the answer is not a version answer (byte 1 is not 0x80)");
        return std::nullopt;
    }
    return reply[feature::kVersionMajorOffset] * 10 + reply[feature::kVersionMinorOffset];
}

}  // namespace x5k

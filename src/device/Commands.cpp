// The commands the program sends to the vendor interface (their bytes are named in
// device/Protocol.h). Each command's bytes are listed in report order from the command
// byte on.

#include <algorithm>
#include <array>
#include <chrono>
#include <vector>

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

}  // namespace

uint8_t ResolutionCode(int32_t dpi) {
    for (const auto& row : kResolutionCodes) {
        if (row.dpi == dpi) return row.code;
    }
    return kUnusedResolution;
}

bool CUSBDriver::sendFeature(std::initializer_list<uint8_t> command) {
    const auto write = handle(HidAccess::Write);
    if (!write) return false;
    std::vector<uint8_t> report(featureLength(), 0);
    report[feature::kReportIdOffset] = reportId_;
    std::copy_n(command.begin(), std::min(command.size(), report.size() - feature::kCommandOffset),
                report.begin() + feature::kCommandOffset);
    return write->setFeature(report);
}

bool CUSBDriver::writeOneOutputReport(HidHandle& handle, std::span<const uint8_t> data) {
    std::array<uint8_t, kOutputReportSize> report{};
    report[output::kReportIdOffset] = reportId_;
    std::copy(data.begin(), data.end(), report.begin() + output::kDataOffset);
    // A write still running after the wait counts as sent; one refused at once fails
    // the transfer, since the mouse then holds incomplete data.
    return handle.writeOutput(report, kOutputWait) != OutputWrite::Failed;
}

bool CUSBDriver::writeOutputReports(std::span<const uint8_t> data) {
    if (data.size() % kChunk != 0) return false;
    for (size_t offset = 0; offset < data.size(); offset += kChunk) {
        clock_.sleepFor(kReportPause);
        const auto write = handle(HidAccess::Write);
        if (!write) return false;
        const bool sent = writeOneOutputReport(*write, data.subspan(offset, kChunk));
        clock_.sleepFor(kReportPause);
        if (!sent) return false;
    }
    return true;
}

bool CUSBDriver::setReportRate(int32_t rate) {
    const bool offered =
        std::find(kReportRates.begin(), kReportRates.end(), rate) != kReportRates.end();
    return sendFeature(
        {cmd::kReportRate, offered ? static_cast<uint8_t>(rate) : kFallbackReportRate});
}

bool CUSBDriver::setBodyLighting(bool on) {
    return sendFeature({cmd::kBodyLighting, on ? lighting::kSwitchOn : lighting::kSwitchOff});
}

bool CUSBDriver::setResolutionLevel(int level) {
    return sendFeature({cmd::kResolutionLevel, cmd::kSubCommand, static_cast<uint8_t>(level)});
}

bool CUSBDriver::setLightingColour(uint32_t colour) {
    const auto red = static_cast<uint8_t>(colour);
    const auto green = static_cast<uint8_t>(colour >> 8);
    const auto blue = static_cast<uint8_t>(colour >> 16);
    return sendFeature({cmd::kLightingColour, cmd::kSubCommand, green, red, blue});
}

bool CUSBDriver::setLightingEffect(uint8_t a, uint8_t b, uint8_t c) {
    return sendFeature({cmd::kLightingEffect, cmd::kSubCommand, a, b, c});
}

bool CUSBDriver::writeResolutionTable(std::span<const uint8_t> table) {
    if (table.size() != kResolutionTableSize) return false;
    if (!sendFeature({cmd::kResolutionTable, cmd::kSubCommand, cmd::kResolutionTableSelector,
                      LengthLow(kResolutionTableSize), LengthHigh(kResolutionTableSize)})) {
        return false;
    }
    // The table goes out as one report right after the pause, its second half zero.
    clock_.sleepFor(kReportPause);
    const auto write = handle(HidAccess::Write);
    if (!write) return false;
    std::array<uint8_t, kChunk> data{};
    std::copy(table.begin(), table.end(), data.begin());
    const bool sent = writeOneOutputReport(*write, data);
    clock_.sleepFor(kReportPause);
    return sent;
}

bool CUSBDriver::writeButtonMatrix(std::span<const uint8_t> matrix) {
    if (matrix.size() != kButtonMatrixSize) return false;
    if (!sendFeature({cmd::kButtonMatrix, cmd::kSubCommand, cmd::kButtonMatrixSelector,
                      LengthLow(kButtonMatrixSize), LengthHigh(kButtonMatrixSize)})) {
        return false;
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
    writeOutputReports(image);
}

std::optional<int> CUSBDriver::readFirmwareVersion() {
    if (!sendFeature({cmd::kFirmwareVersion})) return std::nullopt;
    clock_.sleepFor(kReportPause);
    const auto read = handle(HidAccess::Read);
    if (!read) return std::nullopt;
    std::vector<uint8_t> reply(featureLength(), 0);
    reply[feature::kReportIdOffset] = reportId_;
    if (!read->getFeature(reply) || reply.size() <= feature::kVersionMinorOffset ||
        reply[feature::kVersionEchoOffset] != cmd::kFirmwareVersion) {
        return std::nullopt;
    }
    return reply[feature::kVersionMajorOffset] * 10 + reply[feature::kVersionMinorOffset];
}

}  // namespace x5k

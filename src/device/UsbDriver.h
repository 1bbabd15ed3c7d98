#pragma once
// The connection to the mouse's vendor interface: finding it among the HID interfaces,
// the report ID and length its descriptor declares, the two opened handles, and every
// command the program sends over them.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "device/Protocol.h"
#include "platform/Clock.h"
#include "platform/HidBackend.h"
#include "platform/SysResult.h"

namespace x5k {

// The code of a resolution in the mouse's resolution table; kUnusedResolution for any
// value the mouse does not offer.
uint8_t ResolutionCode(int32_t dpi);

// True when `text` contains `identity`, ignoring ASCII case.
bool ContainsIdentity(std::string_view text, std::string_view identity);

// True when a present USB device's first hardware ID contains `identity`. Safe on any
// thread: it only lists the devices.
bool FirmwareLoaderPresent(HidBackend& backend,
                           std::string_view identity = kFirmwareLoaderIdentity);

class CUSBDriver {
public:
    CUSBDriver(HidBackend& backend, Clock& clock);

    // Closes what is open, then finds the vendor interface and opens it for reading and
    // for writing. True when both are open.
    [[nodiscard]] bool discover();
    void close();
    [[nodiscard]] bool isOpen() const;
    // True when a present USB device's first hardware ID contains `identity`.
    [[nodiscard]] bool firmwareLoaderPresent(std::string_view identity = kFirmwareLoaderIdentity);
    HidBackend& backend() { return backend_; }

    uint8_t reportId() const { return reportId_.load(); }
    // Every feature report is sent and read with this many bytes.
    size_t featureLength() const { return static_cast<size_t>(reportCount_.load()) + 1; }
    // Why the last discovery skipped an interface of the mouse, for diagnostics.
    const std::string& diagnostic() const { return diagnostic_; }

    // The commands. Each fails when the connection is closed or a report is refused,
    // with the cause the system gave; nothing is retried. Every report and every failure
    // goes to the diagnostic log.
    SysResult setReportRate(int32_t rate);  // 1, 2, 4 or 8; anything else is sent as 2
    SysResult setBodyLighting(bool on);
    SysResult setResolutionLevel(int level);
    SysResult setLightingColour(uint32_t colour);  // 0x00BBGGRR
    SysResult setLightingEffect(uint8_t a, uint8_t b, uint8_t c);
    SysResult writeResolutionTable(std::span<const uint8_t> table);  // exactly 16 bytes
    SysResult writeButtonMatrix(std::span<const uint8_t> matrix);    // exactly 64 bytes
    // Downloads a 512-byte macro image into slot 0..7; a larger slot sends nothing.
    // The mouse signals no failure, so nothing is reported.
    void writeMacro(int slot, std::span<const uint8_t, kMacroImageSize> image);
    // The firmware version: reply byte 2 × 10 + reply byte 3.
    [[nodiscard]] std::optional<int> readFirmwareVersion();

private:
    std::shared_ptr<HidHandle> handle(HidAccess access) const;
    SysResult sendFeature(std::initializer_list<uint8_t> command);
    SysResult writeOutputReports(std::span<const uint8_t> data);
    SysResult writeOneOutputReport(HidHandle& handle, std::span<const uint8_t> data);

    HidBackend& backend_;
    Clock& clock_;
    mutable std::mutex mutex_;  // guards the handles, which removal may close mid-apply
    std::shared_ptr<HidHandle> read_;
    std::shared_ptr<HidHandle> write_;
    // A device arrival rediscovers on the user-interface thread while the apply worker
    // may still be building reports from these.
    std::atomic<uint8_t> reportId_{0};
    std::atomic<int> reportCount_{0};
    std::string diagnostic_;
};

}  // namespace x5k

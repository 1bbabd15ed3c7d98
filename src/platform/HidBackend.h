#pragma once
// The HID services the device link needs, in terms any platform can give: the
// interfaces present with their identities and raw report descriptors, feature reports
// and output reports on an opened interface, and the present USB devices' hardware IDs.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/SysResult.h"

namespace x5k {

struct HidInterfaceInfo {
    std::string path;  // what open() takes
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    // The raw report descriptor; empty when it could not be read.
    std::vector<uint8_t> reportDescriptor;
};

enum class HidAccess { Read, Write };

// How an output-report write ended.
enum class OutputWrite {
    Completed,        // the transfer finished at once
    PendingThenDone,  // it finished within the wait
    TimedOut,         // still running when the wait ended; it counts as sent
    Failed,           // refused at once
};

// An output-report write's outcome and, when it failed, why.
struct [[nodiscard]] OutputWriteResult {
    OutputWrite outcome = OutputWrite::Completed;
    SysResult cause{};  // not ok exactly when the outcome is Failed

    static OutputWriteResult failed(SysResult cause) { return {OutputWrite::Failed, cause}; }
    bool operator==(OutputWrite other) const { return outcome == other; }
};

// One opened interface. Calls on one handle come from one thread at a time.
class HidHandle {
public:
    virtual ~HidHandle() = default;
    // Sends a feature report; byte 0 is the report ID. Fails with the system's cause when
    // the device refuses it.
    virtual SysResult setFeature(std::span<const uint8_t> report) = 0;
    // Reads a feature report of report.size() bytes; byte 0 is preset to the report ID.
    virtual SysResult getFeature(std::span<uint8_t> report) = 0;
    // Writes one output report (byte 0 the report ID) and waits at most `wait` for the
    // transfer to finish.
    virtual OutputWriteResult writeOutput(std::span<const uint8_t> report,
                                          std::chrono::milliseconds wait) = 0;
};

enum class DeviceChange { Arrival, Removal };

class HidBackend {
public:
    virtual ~HidBackend() = default;
    virtual std::vector<HidInterfaceInfo> enumerateInterfaces() = 0;
    // Nothing when the interface cannot be opened with that access; `cause` then says why.
    [[nodiscard]] virtual std::unique_ptr<HidHandle> open(const std::string& path, HidAccess access,
                                                          SysResult& cause) = 0;
    // The same, for callers to whom a handle or none is all that matters. A backend adds
    // "using HidBackend::open;" to keep it beside its own open.
    [[nodiscard]] std::unique_ptr<HidHandle> open(const std::string& path, HidAccess access) {
        SysResult cause;
        return open(path, access, cause);
    }
    // The first hardware ID of every present USB device, in the form
    // "USB\VID_xxxx&PID_xxxx&REV_xxxx".
    virtual std::vector<std::string> usbHardwareIds() = 0;
};

}  // namespace x5k

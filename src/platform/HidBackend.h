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

// One opened interface. Calls on one handle come from one thread at a time.
class HidHandle {
public:
    virtual ~HidHandle() = default;
    // Sends a feature report; byte 0 is the report ID. False when the device refuses it.
    virtual bool setFeature(std::span<const uint8_t> report) = 0;
    // Reads a feature report of report.size() bytes; byte 0 is preset to the report ID.
    virtual bool getFeature(std::span<uint8_t> report) = 0;
    // Writes one output report (byte 0 the report ID) and waits at most `wait` for the
    // transfer to finish.
    virtual OutputWrite writeOutput(std::span<const uint8_t> report,
                                    std::chrono::milliseconds wait) = 0;
};

enum class DeviceChange { Arrival, Removal };

class HidBackend {
public:
    virtual ~HidBackend() = default;
    virtual std::vector<HidInterfaceInfo> enumerateInterfaces() = 0;
    // Nothing when the interface cannot be opened with that access.
    virtual std::unique_ptr<HidHandle> open(const std::string& path, HidAccess access) = 0;
    // The first hardware ID of every present USB device, in the form
    // "USB\VID_xxxx&PID_xxxx&REV_xxxx".
    virtual std::vector<std::string> usbHardwareIds() = 0;
};

}  // namespace x5k

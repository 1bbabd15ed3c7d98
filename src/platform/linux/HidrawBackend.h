#pragma once
// The HID backend over Linux's hidraw interface. libudev lists the hidraw nodes and the
// USB devices they belong to; the hidraw ioctls give each node's identity, its report
// descriptor and the feature reports; an output report is a plain write() to the node.
//
// A hidraw write() blocks until the device has taken the report (poll() always says a
// hidraw node is writable, so there is no way to wait for that without blocking), so
// every handle opened for writing has one long-lived writer thread: the caller queues
// the report and waits for it at most as long as it asked. A write still blocked when
// the wait ends stays with the writer thread, which owns the node's descriptor together
// with the handle; destroying the handle never waits for it. The kernel gives up on a
// stuck transfer after a few seconds (and at once when the device goes away); the
// writer thread then ends and closes the node.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/HidBackend.h"

struct udev_device;

namespace x5k {

// An output-report write that returns within this time finished at once: the device's
// interrupt endpoint takes a report within a frame or two of the bus, so a longer write
// means the device held the report off (the transfer was pending). Only the report of
// the outcome depends on it; a write that finishes within the caller's wait is sent
// either way.
inline constexpr std::chrono::milliseconds kPromptWrite{5};

// The largest feature or output report a handle passes on; the hidraw ioctls encode the
// length in 14 bits and no HID report the kernel builds is longer than this.
inline constexpr size_t kMaxHidrawReport = 4096;

// What enumeration learns of one hidraw node; x5kctl shows it for diagnostics.
struct HidrawInterface {
    HidInterfaceInfo info;  // path: the /dev/hidrawN node
    std::string syspath;
    std::string usbSyspath;  // the USB device the node belongs to; empty when not on USB
    uint32_t bus = 0;        // the kernel's bus number (BUS_USB, BUS_BLUETOOTH...); 0 unknown
    std::optional<int> interfaceNumber;  // the USB interface, when the node is on USB
    bool identityFromNode = false;       // HIDIOCGRAWINFO answered; else udev's attributes
    bool descriptorRead = false;
    std::string openError;  // why the node could not be opened for reading; empty if it could
};

// Every hidraw node present, in udev's order, each opened read-only just long enough to
// read its identity and report descriptor.
std::vector<HidrawInterface> ListHidrawInterfaces();

// One hidraw device as enumeration describes it. With `queryNode` false the node is not
// opened: the identity comes from udev's attributes and the descriptor stays empty.
HidrawInterface DescribeHidraw(udev_device* hidraw, bool queryNode);

// The report descriptor the kernel publishes in sysfs for the node's HID device; it is
// readable without access to the node. Empty when there is none.
std::vector<uint8_t> SysfsReportDescriptor(udev_device* hidraw);

// The first hardware ID of a USB device, "USB\VID_xxxx&PID_xxxx&REV_xxxx" in upper-case
// hex, from the texts of its idVendor, idProduct and bcdDevice attributes (hex, as sysfs
// writes them). Nothing when one of them is not a hex number of at most four digits.
std::optional<std::string> UsbHardwareId(std::string_view idVendor, std::string_view idProduct,
                                         std::string_view bcdDevice);

// A HID device's HID_ID property, "0003:00007A1D:00005217": bus, vendor, product in hex.
struct HidId {
    uint32_t bus = 0;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    bool operator==(const HidId&) const = default;
};
std::optional<HidId> ParseHidId(std::string_view text);

// A readable name for the kernel's bus number: "usb", "bluetooth", "i2c"... or hex.
std::string HidBusName(uint32_t bus);

class HidrawBackend final : public HidBackend {
public:
    explicit HidrawBackend(std::chrono::milliseconds promptWrite = kPromptWrite);

    std::vector<HidInterfaceInfo> enumerateInterfaces() override;
    // Read opens the node read-only, Write read-write with its writer thread.
    using HidBackend::open;
    std::unique_ptr<HidHandle> open(const std::string& path, HidAccess access,
                                    SysResult& cause) override;
    std::vector<std::string> usbHardwareIds() override;

private:
    std::chrono::milliseconds promptWrite_;
};

}  // namespace x5k

#pragma once
// Arrival and removal of the mouse, from udev's monitor socket, named the way the device
// link recognises them.
//
// The mouse is one USB device with three HID interfaces, each its own hidraw node, and
// the device link must hear of it once per plug-in: every arrival makes it rediscover,
// reinstall the hooks and tell the user, every removal closes the connection and may end
// the program. The unit reported is therefore the node that carries a configuration
// interface (the vendor feature capability in its report descriptor): its arrival is
// reported when udev has set it up, which is also the moment discovery can succeed (the
// USB device itself appears before any of its interfaces has a node), and its removal
// when it goes. Nodes without that capability, and devices without such a node, are of
// no interest to the device link and are not reported.
//
// The device name holds "VID_xxxx&PID_xxxx" of the node's USB device, as a Windows
// device path does, so the device link's identity check is the same on both systems.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/HidBackend.h"

struct udev;
struct udev_device;
struct udev_monitor;

namespace x5k {

// "HID\VID_7A1D&PID_5217&MI_02\hidraw5": identity, USB interface (when known) and node
// of a configuration interface.
std::string DeviceChangeName(uint16_t vendorId, uint16_t productId,
                             std::optional<int> interfaceNumber, std::string_view node);

class UdevMonitor {
public:
    // Starts listening, then notes the configuration interfaces already present, so
    // that their removal is reported too.
    UdevMonitor();
    ~UdevMonitor();
    UdevMonitor(const UdevMonitor&) = delete;
    UdevMonitor& operator=(const UdevMonitor&) = delete;

    // The socket to watch for readability; -1 when udev could not be reached.
    int fd() const;

    // Everything pending, in order, without blocking.
    std::vector<std::pair<DeviceChange, std::string>> readChanges();

private:
    struct Tracked {
        std::string syspath;     // of the hidraw node
        std::string usbSyspath;  // of its USB device; empty when not on USB
        std::string name;
    };

    // The node's entry when it carries a configuration interface.
    std::optional<Tracked> configurationInterface(udev_device* hidraw) const;
    void takeRemoval(const std::string& syspath, bool usbDevice,
                     std::vector<std::pair<DeviceChange, std::string>>& changes);

    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    std::vector<Tracked> present_;
};

}  // namespace x5k

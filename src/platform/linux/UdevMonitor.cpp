#include "platform/linux/UdevMonitor.h"

#include <libudev.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "device/ReportDescriptor.h"
#include "platform/linux/HidrawBackend.h"
#include "platform/linux/UdevScan.h"

namespace x5k {
namespace {

std::string_view Text(const char* text) {
    return text ? std::string_view(text) : std::string_view();
}

}  // namespace

std::string DeviceChangeName(uint16_t vendorId, uint16_t productId,
                             std::optional<int> interfaceNumber, std::string_view node) {
    char identity[48];
    if (interfaceNumber) {
        std::snprintf(identity, sizeof identity, "HID\\VID_%04X&PID_%04X&MI_%02X\\", vendorId,
                      productId, static_cast<unsigned>(*interfaceNumber) & 0xFFu);
    } else {
        std::snprintf(identity, sizeof identity, "HID\\VID_%04X&PID_%04X\\", vendorId, productId);
    }
    const size_t slash = node.rfind('/');
    return identity + std::string(slash == std::string_view::npos ? node : node.substr(slash + 1));
}

UdevMonitor::UdevMonitor() {
    udev_ = udev_new();
    if (!udev_) return;
    // The "udev" source: events after udev has set the node up (permissions included).
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (!monitor_ ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor_, "usb", "usb_device") < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
        if (monitor_) udev_monitor_unref(monitor_);
        monitor_ = nullptr;
        return;
    }
    // Listening starts before the nodes present are listed, so none falls in between; a
    // node seen both ways is tracked once.
    ForEachUdevDevice(udev_, "hidraw", [&](udev_device* device) {
        if (auto tracked = configurationInterface(device)) present_.push_back(std::move(*tracked));
    });
}

UdevMonitor::~UdevMonitor() {
    if (monitor_) udev_monitor_unref(monitor_);
    if (udev_) udev_unref(udev_);
}

int UdevMonitor::fd() const {
    return monitor_ ? udev_monitor_get_fd(monitor_) : -1;
}

std::optional<UdevMonitor::Tracked> UdevMonitor::configurationInterface(udev_device* hidraw) const {
    if (!udev_device_get_devnode(hidraw)) return std::nullopt;
    // The descriptor the kernel publishes in sysfs needs no access to the node; the
    // node itself is asked only when sysfs has none.
    std::vector<uint8_t> descriptor = SysfsReportDescriptor(hidraw);
    HidrawInterface node = DescribeHidraw(hidraw, descriptor.empty());
    if (descriptor.empty()) descriptor = std::move(node.info.reportDescriptor);
    if (!FindVendorCapability(ParseReportDescriptor(descriptor).capabilities).found) {
        return std::nullopt;
    }
    return Tracked{node.syspath, node.usbSyspath,
                   DeviceChangeName(node.info.vendorId, node.info.productId, node.interfaceNumber,
                                    node.info.path)};
}

void UdevMonitor::takeRemoval(const std::string& syspath, bool usbDevice,
                              std::vector<std::pair<DeviceChange, std::string>>& changes) {
    // A USB device that goes takes its nodes with it; their own removals normally come
    // first, so this only catches one the socket lost.
    const auto gone = [&](const Tracked& tracked) {
        return usbDevice ? tracked.usbSyspath == syspath : tracked.syspath == syspath;
    };
    for (const Tracked& tracked : present_) {
        if (gone(tracked)) changes.emplace_back(DeviceChange::Removal, tracked.name);
    }
    std::erase_if(present_, gone);
}

std::vector<std::pair<DeviceChange, std::string>> UdevMonitor::readChanges() {
    std::vector<std::pair<DeviceChange, std::string>> changes;
    if (!monitor_) return changes;
    // The monitor's socket does not block: this ends when nothing is pending.
    while (const UdevDevicePtr device{udev_monitor_receive_device(monitor_)}) {
        const std::string_view action = Text(udev_device_get_action(device.get()));
        const std::string_view subsystem = Text(udev_device_get_subsystem(device.get()));
        const std::string syspath(Text(udev_device_get_syspath(device.get())));
        if (action == "remove") {
            takeRemoval(syspath, subsystem == "usb", changes);
            continue;
        }
        if (action != "add" || subsystem != "hidraw") continue;
        if (std::ranges::any_of(present_, [&](const Tracked& t) { return t.syspath == syspath; })) {
            continue;
        }
        if (auto tracked = configurationInterface(device.get())) {
            changes.emplace_back(DeviceChange::Arrival, tracked->name);
            present_.push_back(std::move(*tracked));
        }
    }
    return changes;
}

}  // namespace x5k

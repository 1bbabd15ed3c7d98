#include "platform/linux/UdevScan.h"

namespace x5k {

bool ForEachUdevDevice(udev* context, const char* subsystem,
                       const std::function<void(udev_device*)>& visit) {
    if (context == nullptr) return false;
    const std::unique_ptr<udev_enumerate, UdevRelease> enumeration(udev_enumerate_new(context));
    if (!enumeration || udev_enumerate_add_match_subsystem(enumeration.get(), subsystem) < 0 ||
        udev_enumerate_scan_devices(enumeration.get()) < 0) {
        return false;
    }
    udev_list_entry* entry;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumeration.get())) {
        const UdevDevicePtr device(
            udev_device_new_from_syspath(context, udev_list_entry_get_name(entry)));
        if (device) visit(device.get());
    }
    return true;
}

}  // namespace x5k

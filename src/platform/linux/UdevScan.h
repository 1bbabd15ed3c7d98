#pragma once
// Owning pointers for libudev objects, and the one loop over the devices udev lists.

#include <libudev.h>

#include <functional>
#include <memory>

namespace x5k {

struct UdevRelease {
    void operator()(udev* context) const { udev_unref(context); }
    void operator()(udev_enumerate* enumeration) const { udev_enumerate_unref(enumeration); }
    void operator()(udev_device* device) const { udev_device_unref(device); }
};
using UdevPtr = std::unique_ptr<udev, UdevRelease>;
using UdevDevicePtr = std::unique_ptr<udev_device, UdevRelease>;

// Calls `visit` for every device udev lists in `subsystem`, in udev's order; the device
// is released after the call. False when udev could not list them.
bool ForEachUdevDevice(udev* context, const char* subsystem,
                       const std::function<void(udev_device*)>& visit);

}  // namespace x5k

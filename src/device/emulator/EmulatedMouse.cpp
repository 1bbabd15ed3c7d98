#include "device/emulator/EmulatedMouse.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <mutex>
#include <utility>

#include "device/emulator/MouseStateFile.h"

namespace x5k {
namespace {

// Reports on any interface but the vendor one, and on other devices, go nowhere the
// configuration protocol reaches: the emulator refuses them all.
// A refusal stalls the control transfer, which the system reports as EPIPE.
class InertHandle final : public HidHandle {
public:
    SysResult setFeature(std::span<const uint8_t>) override {
        return SysResult::failure(EPIPE, kEmulatedSetFeature);
    }
    SysResult getFeature(std::span<uint8_t>) override {
        return SysResult::failure(EPIPE, kEmulatedGetFeature);
    }
    OutputWriteResult writeOutput(std::span<const uint8_t>, std::chrono::milliseconds) override {
        return OutputWriteResult::failed(SysResult::failure(EPIPE, kEmulatedWrite));
    }
};

// A handle of a mouse that went away fails as a device node of a removed device does.
SysResult Gone(std::string_view operation) {
    return SysResult::failure(ENODEV, operation);
}

std::string HardwareId(uint16_t vendorId, uint16_t productId, uint16_t revision) {
    char text[40];
    std::snprintf(text, sizeof text, "USB\\VID_%04X&PID_%04X&REV_%04X", vendorId, productId,
                  revision);
    return text;
}

}  // namespace

std::vector<EmulatedInterface> StandardInterfaces() {
    return {{InterfaceRole::Pointer, "emulated:x5k:if0", {}},
            {InterfaceRole::Keyboard, "emulated:x5k:if1", {}},
            {InterfaceRole::Vendor, "emulated:x5k:if2", {}}};
}

struct EmulatedMouse::Device {
    Device(EmulatedMouseSetup s, Clock* c)
        : setup(std::move(s)),
          clock(c),
          firmware(setup.vendor.reportId, setup.vendor.reportCount, setup.versionReply,
                   setup.state),
          plugged(setup.pluggedIn) {}

    // The rest is called with the lock held.
    bool present() const { return plugged && !setup.firmwareLoaderMode; }
    // A handle works only in the plug-in period it was opened in.
    bool reachable(uint64_t openedIn) const { return plugged && openedIn == generation; }
    std::string hardwareId() const {
        return setup.firmwareLoaderMode
                   ? kFirmwareLoaderHardwareId
                   : HardwareId(setup.vendorId, setup.productId, setup.revision);
    }
    std::vector<uint8_t> descriptor(const EmulatedInterface& interface) const {
        if (!interface.reportDescriptor.empty()) return interface.reportDescriptor;
        switch (interface.role) {
            case InterfaceRole::Pointer:
                return PointerInterfaceDescriptor();
            case InterfaceRole::Keyboard:
                return KeyboardInterfaceDescriptor();
            case InterfaceRole::Vendor:
                break;
        }
        return VendorInterfaceDescriptor(setup.vendor);
    }
    void disconnect() {
        plugged = false;
        ++generation;
        firmware.powerCycle();
    }
    // Logs a report; true when it was the last one the mouse takes before it drops off
    // the bus (the unplug fault).
    bool record(ReportKind kind, std::span<const uint8_t> bytes, bool accepted) {
        log.push_back({kind, {bytes.begin(), bytes.end()}, clock ? clock->tickMs() : 0, accepted});
        ++reportsSinceFaults;
        auto& limit = setup.faults.unplugAfterReports;
        if (!limit || reportsSinceFaults < *limit) return false;
        limit.reset();
        disconnect();
        return true;
    }

    // Calls the listener outside the lock, so it may call back into the mouse.
    void announce(std::unique_lock<std::mutex>& lock, DeviceChange change) {
        const ChangeListener notify = listener;
        const std::string name = hardwareId();
        lock.unlock();
        if (notify) notify(change, name);
    }

    std::mutex mutex;
    EmulatedMouseSetup setup;  // the faults in it change with setFaults
    Clock* clock;
    MouseFirmware firmware;
    bool plugged;
    uint64_t generation = 0;
    size_t reportsSinceFaults = 0;
    std::vector<LoggedReport> log;
    std::vector<OpenAttempt> opens;
    ChangeListener listener;
};

// A handle on the vendor interface: every report goes to the firmware.
class EmulatedMouse::Handle final : public HidHandle {
public:
    Handle(std::shared_ptr<Device> device, HidAccess access, uint64_t generation)
        : device_(std::move(device)), access_(access), generation_(generation) {}

    SysResult setFeature(std::span<const uint8_t> report) override {
        std::unique_lock lock(device_->mutex);
        if (!device_->reachable(generation_)) return Gone(kEmulatedSetFeature);
        const auto& refused = device_->setup.faults.refusedCommands;
        const bool refusedByFault =
            report.size() > feature::kCommandOffset &&
            std::ranges::find(refused, report[feature::kCommandOffset]) != refused.end();
        const bool accepted = !refusedByFault && device_->firmware.setFeature(report);
        const int error = device_->setup.faults.refusalError;
        if (device_->record(ReportKind::FeatureSet, report, accepted)) {
            device_->announce(lock, DeviceChange::Removal);
        }
        return accepted ? SysResult::success() : SysResult::failure(error, kEmulatedSetFeature);
    }

    SysResult getFeature(std::span<uint8_t> report) override {
        std::unique_lock lock(device_->mutex);
        if (!device_->reachable(generation_)) return Gone(kEmulatedGetFeature);
        const bool accepted =
            !device_->setup.faults.refuseFeatureRead && device_->firmware.getFeature(report);
        const int error = device_->setup.faults.refusalError;
        if (device_->record(ReportKind::FeatureGet, report, accepted)) {
            device_->announce(lock, DeviceChange::Removal);
        }
        return accepted ? SysResult::success() : SysResult::failure(error, kEmulatedGetFeature);
    }

    OutputWriteResult writeOutput(std::span<const uint8_t> report,
                                  std::chrono::milliseconds wait) override {
        std::unique_lock lock(device_->mutex);
        if (!device_->reachable(generation_)) {
            return OutputWriteResult::failed(Gone(kEmulatedWrite));
        }
        // The system refuses a write on an interface opened for reading only; the
        // mouse never sees it.
        if (access_ != HidAccess::Write) {
            return OutputWriteResult::failed(SysResult::failure(EBADF, kEmulatedWrite));
        }
        const EmulatedFaults& faults = device_->setup.faults;
        const OutputWrite mode = faults.outputWrites;
        const bool accepted = mode != OutputWrite::Failed && device_->firmware.output(report);

        OutputWrite result = accepted ? OutputWrite::Completed : OutputWrite::Failed;
        std::chrono::milliseconds runs{0};
        if (mode == OutputWrite::TimedOut ||
            (mode == OutputWrite::PendingThenDone && faults.pendingDuration >= wait)) {
            // A transfer still running when the wait ends counts as sent; the caller
            // cannot tell whether the firmware took it.
            result = OutputWrite::TimedOut;
            runs = wait;
        } else if (mode == OutputWrite::PendingThenDone) {
            result = accepted ? OutputWrite::PendingThenDone : OutputWrite::Failed;
            runs = faults.pendingDuration;
        }
        const SysResult cause = result == OutputWrite::Failed
                                    ? SysResult::failure(faults.refusalError, kEmulatedWrite)
                                    : SysResult::success();
        Clock* clock = device_->clock;
        const bool dropped = device_->record(ReportKind::Output, report, accepted);
        if (dropped) {
            device_->announce(lock, DeviceChange::Removal);
        } else {
            lock.unlock();
        }
        if (clock && runs.count() > 0) clock->sleepFor(runs);
        return {result, cause};
    }

private:
    std::shared_ptr<Device> device_;
    HidAccess access_;
    uint64_t generation_;
};

EmulatedMouse::EmulatedMouse(EmulatedMouseSetup setup, Clock* clock)
    : device_(std::make_shared<Device>(std::move(setup), clock)) {}

std::vector<HidInterfaceInfo> EmulatedMouse::enumerateInterfaces() {
    std::lock_guard lock(device_->mutex);
    std::vector<HidInterfaceInfo> list = device_->setup.otherDevices;
    if (!device_->present()) return list;
    for (const EmulatedInterface& interface : device_->setup.interfaces) {
        list.push_back({interface.path, device_->setup.vendorId, device_->setup.productId,
                        device_->descriptor(interface)});
    }
    return list;
}

std::unique_ptr<HidHandle> EmulatedMouse::open(const std::string& path, HidAccess access,
                                               SysResult& cause) {
    std::lock_guard lock(device_->mutex);
    const EmulatedMouseSetup& setup = device_->setup;
    std::unique_ptr<HidHandle> handle;
    const auto own = std::ranges::find(setup.interfaces, path, &EmulatedInterface::path);
    const bool refused = access == HidAccess::Read ? setup.faults.refuseOpenForRead
                                                   : setup.faults.refuseOpenForWrite;
    if (device_->present() && own != setup.interfaces.end()) {
        if (!refused && own->role == InterfaceRole::Vendor) {
            handle = std::make_unique<Handle>(device_, access, device_->generation);
        } else if (!refused) {
            handle = std::make_unique<InertHandle>();
        }
    } else if (std::ranges::find(setup.otherDevices, path, &HidInterfaceInfo::path) !=
               setup.otherDevices.end()) {
        handle = std::make_unique<InertHandle>();
    }
    device_->opens.push_back({path, access, handle != nullptr});
    // A refused open is denied access; a path that is not there (the mouse unplugged or
    // in its loader) is a missing node.
    cause = handle ? SysResult::success()
                   : SysResult::failure(refused && device_->present() ? EACCES : ENOENT, "open");
    return handle;
}

std::vector<std::string> EmulatedMouse::usbHardwareIds() {
    std::lock_guard lock(device_->mutex);
    std::vector<std::string> ids = device_->setup.otherUsbHardwareIds;
    if (device_->plugged) ids.push_back(device_->hardwareId());
    return ids;
}

void EmulatedMouse::plug() {
    std::unique_lock lock(device_->mutex);
    if (device_->plugged) return;
    device_->plugged = true;
    device_->announce(lock, DeviceChange::Arrival);
}

void EmulatedMouse::unplug() {
    std::unique_lock lock(device_->mutex);
    if (!device_->plugged) return;
    device_->disconnect();
    device_->announce(lock, DeviceChange::Removal);
}

bool EmulatedMouse::pluggedIn() const {
    std::lock_guard lock(device_->mutex);
    return device_->plugged;
}

void EmulatedMouse::setChangeListener(ChangeListener listener) {
    std::lock_guard lock(device_->mutex);
    device_->listener = std::move(listener);
}

void EmulatedMouse::setFaults(EmulatedFaults faults) {
    std::lock_guard lock(device_->mutex);
    device_->setup.faults = std::move(faults);
    device_->reportsSinceFaults = 0;
}

MouseState EmulatedMouse::state() const {
    std::lock_guard lock(device_->mutex);
    return device_->firmware.state();
}

void EmulatedMouse::setState(MouseState state) {
    std::lock_guard lock(device_->mutex);
    device_->firmware.setState(std::move(state));
}

std::vector<LoggedReport> EmulatedMouse::reports() const {
    std::lock_guard lock(device_->mutex);
    return device_->log;
}

void EmulatedMouse::clearReports() {
    std::lock_guard lock(device_->mutex);
    device_->log.clear();
}

std::vector<OpenAttempt> EmulatedMouse::opens() const {
    std::lock_guard lock(device_->mutex);
    return device_->opens;
}

bool EmulatedMouse::saveState(const std::filesystem::path& path, FileSystem& files) const {
    return SaveMouseState(state(), path, files);
}

bool EmulatedMouse::loadState(const std::filesystem::path& path) {
    std::optional<MouseState> loaded = LoadMouseState(path);
    setState(loaded.value_or(MouseState{}));
    return loaded.has_value();
}

}  // namespace x5k

#pragma once
// The emulated X5K: a HID backend in memory whose mouse behaves as the real one does on
// the bus. Tests run the device link against it, and the GUI and x5kctl use it in demo
// mode. Everything about the mouse is data in EmulatedMouseSetup: the interfaces it
// presents, its identity, what its firmware answers and holds, and the faults to inject.
//
// The handles it opens may be used from other threads (the apply worker) while a test
// reads the state: every call is serialised on one lock and readers get copies.

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/emulator/MouseFirmware.h"
#include "device/emulator/ReportDescriptors.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/HidBackend.h"

namespace x5k {

inline constexpr const char* kFirmwareLoaderHardwareId = "USB\\VID_04D9&PID_8022&REV_0100";

enum class InterfaceRole {
    Pointer,   // reports motion and buttons; no feature reports
    Keyboard,  // reports keys and media keys; no feature reports
    Vendor,    // the configuration interface, served by the firmware
};

struct EmulatedInterface {
    InterfaceRole role = InterfaceRole::Vendor;
    std::string path{};
    // Empty: the standard descriptor of the role, the vendor one built from
    // EmulatedMouseSetup::vendor.
    std::vector<uint8_t> reportDescriptor{};
};

// The pointer, keyboard and vendor interfaces, enumerated in that order as on the real
// mouse.
std::vector<EmulatedInterface> StandardInterfaces();

// What the emulated system calls name as the operation in a failure's cause.
inline constexpr std::string_view kEmulatedSetFeature = "emulated set feature";
inline constexpr std::string_view kEmulatedGetFeature = "emulated get feature";
inline constexpr std::string_view kEmulatedWrite = "emulated write";

struct EmulatedFaults {
    // Feature reports with these command bytes are refused before the firmware sees
    // them.
    std::vector<uint8_t> refusedCommands{};
    // Every feature read is refused.
    bool refuseFeatureRead = false;
    // How every output-report write ends. Failed: the report never reaches the firmware.
    // TimedOut: the caller's whole wait passes, and the report still arrives (the
    // transfer finishes late).
    OutputWrite outputWrites = OutputWrite::Completed;
    // How long a PendingThenDone write runs before it finishes; one that would run as
    // long as the caller's wait or longer times out instead.
    std::chrono::milliseconds pendingDuration{20};
    bool refuseOpenForRead = false;
    bool refuseOpenForWrite = false;
    // The mouse drops off the bus right after it has received this many reports
    // (counted from the moment the faults are set); it happens once.
    std::optional<size_t> unplugAfterReports{};
    // The errno a refused report fails with; a stalled transfer (EPIPE) by default. A
    // handle of an unplugged mouse always fails with ENODEV.
    int refusalError = EPIPE;
};

struct EmulatedMouseSetup {
    uint16_t vendorId = kMouseVendorId;
    uint16_t productId = kMouseProductId;
    uint16_t revision = 0x0100;  // part of the USB hardware ID
    // The vendor feature item; its report ID and report count are also the framing the
    // firmware expects.
    VendorFeatureItem vendor{};
    std::vector<EmulatedInterface> interfaces = StandardInterfaces();
    // Other HID interfaces present on the system, enumerated before the mouse's. Opening
    // them works; every report on them is refused.
    std::vector<HidInterfaceInfo> otherDevices{};
    // First hardware IDs of other USB devices present, listed before the mouse's.
    std::vector<std::string> otherUsbHardwareIds{};
    // The mouse is waiting for a firmware image: it shows as the firmware loader's USB
    // device and presents none of its HID interfaces.
    bool firmwareLoaderMode = false;
    // The answer to a version request after the report ID: the request's command byte,
    // major, minor.
    std::array<uint8_t, 3> versionReply{command::kFirmwareVersion, 0x01, 0x02};
    bool pluggedIn = true;
    MouseState state{};
    EmulatedFaults faults{};
};

enum class ReportKind { FeatureSet, FeatureGet, Output };

// One report the host handed to the vendor interface while the mouse was plugged in.
struct LoggedReport {
    ReportKind kind = ReportKind::FeatureSet;
    // As sent; for a feature read, the buffer as returned (the answer when accepted).
    std::vector<uint8_t> bytes{};
    uint32_t tickMs = 0;  // the clock's tick when the report arrived; 0 without a clock
    bool accepted = false;
    bool operator==(const LoggedReport&) const = default;
};

struct OpenAttempt {
    std::string path{};
    HidAccess access = HidAccess::Read;
    bool opened = false;
    bool operator==(const OpenAttempt&) const = default;
};

class EmulatedMouse final : public HidBackend {
public:
    using ChangeListener = std::function<void(DeviceChange, const std::string& deviceName)>;

    // `clock` (may be null) stamps the log and runs the time a pending write takes.
    explicit EmulatedMouse(EmulatedMouseSetup setup = {}, Clock* clock = nullptr);

    std::vector<HidInterfaceInfo> enumerateInterfaces() override;
    using HidBackend::open;
    std::unique_ptr<HidHandle> open(const std::string& path, HidAccess access,
                                    SysResult& cause) override;
    std::vector<std::string> usbHardwareIds() override;

    // Plugging in and pulling out. While unplugged the mouse enumerates nothing, cannot
    // be opened and every call on a handle opened before fails; such a handle stays dead
    // after the mouse comes back, as a device node does. The firmware loses an
    // unfinished transfer and a pending version request; its settings stay.
    void plug();
    void unplug();
    bool pluggedIn() const;
    // Told of every plug and unplug, with the mouse's USB hardware ID as the device
    // name, on the thread that caused it (after the mouse's lock is released).
    void setChangeListener(ChangeListener listener);

    void setFaults(EmulatedFaults faults);

    MouseState state() const;
    void setState(MouseState state);
    std::vector<LoggedReport> reports() const;
    void clearReports();
    std::vector<OpenAttempt> opens() const;

    // The state file of the demo mode (format in MouseStateFile.h), written through
    // `files`. A missing or damaged file gives the factory state and false.
    bool saveState(const std::filesystem::path& path, FileSystem& files) const;
    bool loadState(const std::filesystem::path& path);

private:
    struct Device;  // shared with the handles it opens, which may outlive the mouse
    class Handle;
    std::shared_ptr<Device> device_;
};

}  // namespace x5k

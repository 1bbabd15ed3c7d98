#include "tools/x5kctl/DeviceCommands.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "profiles/ProfileImage.h"
#include "device/ApplyWorker.h"
#include "device/ReportDescriptor.h"
#include "device/UsbDriver.h"
#include "device/emulator/EmulatedMouse.h"
#include "macros/MacroTable.h"
#include "platform/linux/HidrawBackend.h"
#include "platform/linux/PosixFileSystem.h"

namespace x5k {
namespace {

constexpr int kExitUsage = 64;

struct Options {
    bool emulated = false;
    std::optional<std::filesystem::path> stateFile;
    std::optional<std::filesystem::path> macroFile;
    std::vector<std::string> positional;
    bool valid = true;
};

Options ParseOptions(std::span<char*> arguments) {
    Options options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument == "--emulated") {
            options.emulated = true;
        } else if (argument.starts_with("--emulated=")) {
            options.emulated = true;
            options.stateFile = std::string(argument.substr(11));
        } else if (argument == "--macros" && i + 1 < arguments.size()) {
            options.macroFile = arguments[++i];
        } else if (argument.starts_with("--")) {
            options.valid = false;
        } else {
            options.positional.emplace_back(argument);
        }
    }
    return options;
}

// The real mice through hidraw, or the emulated mouse, restored from and saved back to its
// state file when one is named.
class Backend {
public:
    explicit Backend(const Options& options) : options_(options) {
        if (!options.emulated) {
            hidraw_ = std::make_unique<HidrawBackend>();
            return;
        }
        mouse_ = std::make_unique<EmulatedMouse>();
        if (options.stateFile && std::filesystem::exists(*options.stateFile) &&
            !mouse_->loadState(*options.stateFile)) {
            std::fprintf(stderr, "x5kctl: %s is damaged; the emulated mouse starts afresh\n",
                         options.stateFile->c_str());
        }
    }
    ~Backend() {
        if (mouse_ && options_.stateFile && !mouse_->saveState(*options_.stateFile)) {
            std::fprintf(stderr, "x5kctl: could not write %s\n", options_.stateFile->c_str());
        }
    }
    HidBackend& get() {
        if (mouse_) return *mouse_;
        return *hidraw_;
    }
    EmulatedMouse* emulated() { return mouse_.get(); }

private:
    const Options& options_;
    std::unique_ptr<EmulatedMouse> mouse_;
    std::unique_ptr<HidrawBackend> hidraw_;
};

// One line of the interface listing.
struct InterfaceRow {
    HidInterfaceInfo info;
    std::string bus;
    std::optional<int> interfaceNumber;
    std::string descriptorNote;  // why the descriptor is missing; empty when it was read
    bool unopenable = false;     // the node could not be opened, for want of permission or else
};

std::vector<InterfaceRow> InterfaceRows(Backend& backend) {
    std::vector<InterfaceRow> rows;
    if (backend.emulated()) {
        for (HidInterfaceInfo& info : backend.get().enumerateInterfaces()) {
            rows.push_back({std::move(info), "emulated", std::nullopt, "", false});
        }
        return rows;
    }
    for (HidrawInterface& node : ListHidrawInterfaces()) {
        std::string note;
        if (!node.descriptorRead) {
            note = node.openError.empty() ? "descriptor not readable"
                                          : "cannot be opened: " + node.openError;
        }
        rows.push_back({std::move(node.info), HidBusName(node.bus), node.interfaceNumber, note,
                        !node.openError.empty()});
    }
    return rows;
}

// A stand-in for the system's interfaces that opens nothing: the core's own discovery
// runs over the listing, and the interface it asks to open is the one it would use.
class ProbeBackend final : public HidBackend {
public:
    explicit ProbeBackend(const std::vector<InterfaceRow>& rows) {
        for (const InterfaceRow& row : rows) interfaces_.push_back(row.info);
    }
    std::vector<HidInterfaceInfo> enumerateInterfaces() override { return interfaces_; }
    using HidBackend::open;
    std::unique_ptr<HidHandle> open(const std::string& path, HidAccess,
                                    SysResult& cause) override {
        chosen = path;
        cause = SysResult::success();
        return std::make_unique<InertHandle>();
    }
    std::vector<std::string> usbHardwareIds() override { return {}; }

    std::string chosen;

private:
    class InertHandle final : public HidHandle {
    public:
        SysResult setFeature(std::span<const uint8_t>) override {
            return SysResult::failure(ENOTSUP, "probe");
        }
        SysResult getFeature(std::span<uint8_t>) override {
            return SysResult::failure(ENOTSUP, "probe");
        }
        OutputWriteResult writeOutput(std::span<const uint8_t>,
                                      std::chrono::milliseconds) override {
            return OutputWriteResult::failed(SysResult::failure(ENOTSUP, "probe"));
        }
    };
    std::vector<HidInterfaceInfo> interfaces_;
};

bool IsMouse(const HidInterfaceInfo& info) {
    return info.vendorId == kMouseVendorId && info.productId == kMouseProductId;
}

// What a USB hardware ID means to this program; empty for a device of no interest.
const char* UsbDeviceRole(const std::string& id) {
    if (ContainsIdentity(id, kMouseIdentity)) return "the X5K";
    if (ContainsIdentity(id, kFirmwareLoaderIdentity)) {
        return "the X5K's firmware loader: the mouse is waiting for a firmware image";
    }
    return nullptr;
}

int Devices(Backend& backend) {
    const std::vector<InterfaceRow> rows = InterfaceRows(backend);
    SteadyClock clock;
    ProbeBackend probe(rows);
    CUSBDriver discovery(probe, clock);
    const bool found = discovery.discover();

    if (rows.empty()) {
        std::printf("no hidraw interface found\n");
    } else {
        std::printf("HID interfaces:\n");
    }
    for (const InterfaceRow& row : rows) {
        std::printf("  %-14s %-9s %04x:%04x", row.info.path.c_str(), row.bus.c_str(),
                    row.info.vendorId, row.info.productId);
        if (row.interfaceNumber) std::printf("  interface %d", *row.interfaceNumber);
        if (!row.descriptorNote.empty()) std::printf("  %s", row.descriptorNote.c_str());
        if (IsMouse(row.info)) std::printf("  X5K");
        if (found && row.info.path == probe.chosen) {
            std::printf(", configuration interface: report ID %u, feature reports of %zu bytes",
                        static_cast<unsigned>(discovery.reportId()), discovery.featureLength());
        } else if (IsMouse(row.info)) {
            const auto vendor =
                FindVendorCapability(ParseReportDescriptor(row.info.reportDescriptor).capabilities);
            if (vendor.found) {
                std::printf(found ? ", another configuration interface (not used)"
                                  : ", configuration interface (skipped, see below)");
            } else if (!vendor.diagnostic.empty()) {
                std::printf(", not usable: %s", vendor.diagnostic.c_str());
            }
        }
        std::printf("\n");
    }
    if (!found && !discovery.diagnostic().empty()) {
        std::printf("the X5K's configuration interface was skipped: %s\n",
                    discovery.diagnostic().c_str());
    }

    bool loader = false;
    bool mouseOnUsb = false;
    bool usbHeading = false;
    for (const std::string& id : backend.get().usbHardwareIds()) {
        const char* role = UsbDeviceRole(id);
        if (!role) continue;
        if (!usbHeading) std::printf("USB devices of interest:\n");
        usbHeading = true;
        std::printf("  %-32s %s\n", id.c_str(), role);
        loader = loader || ContainsIdentity(id, kFirmwareLoaderIdentity);
        mouseOnUsb = mouseOnUsb || ContainsIdentity(id, kMouseIdentity);
    }
    if (found) return 0;
    const auto mouseRow = [](const InterfaceRow& row) { return IsMouse(row.info); };
    if (loader) {
        std::printf("no X5K ready for configuration: the mouse is in its firmware loader\n");
    } else if (mouseOnUsb || std::any_of(rows.begin(), rows.end(), mouseRow)) {
        std::printf("the X5K is present, but its configuration interface cannot be used\n");
    } else {
        std::printf("no X5K found\n");
    }
    if (std::any_of(rows.begin(), rows.end(),
                    [&](const InterfaceRow& row) { return mouseRow(row) && row.unopenable; })) {
        std::printf(
            "an interface of the X5K cannot be opened: the udev rule 70-x5k.rules gives the "
            "desktop user access to it\n");
    }
    return 1;
}

// Why discovery found nothing, as far as the system tells.
void ExplainNotFound(Backend& backend, CUSBDriver& driver) {
    std::fprintf(stderr, "x5kctl: the X5K gaming mouse cannot be found\n");
    if (backend.emulated()) return;
    if (driver.firmwareLoaderPresent()) {
        std::fprintf(stderr,
                     "x5kctl: the mouse is in its firmware loader, waiting for a firmware image\n");
        return;
    }
    const std::vector<InterfaceRow> rows = InterfaceRows(backend);
    SteadyClock clock;
    ProbeBackend probe(rows);
    CUSBDriver discovery(probe, clock);
    if (discovery.discover()) {
        std::fprintf(stderr,
                     "x5kctl: %s is the mouse's configuration interface, but it cannot be opened "
                     "for reading and writing; the udev rule 70-x5k.rules gives the desktop user "
                     "access\n",
                     probe.chosen.c_str());
        return;
    }
    for (const InterfaceRow& row : rows) {
        if (!IsMouse(row.info) || !row.unopenable) continue;
        std::fprintf(stderr,
                     "x5kctl: %s of the mouse %s; the udev rule 70-x5k.rules gives the desktop "
                     "user access\n",
                     row.info.path.c_str(), row.descriptorNote.c_str());
    }
}

int Version(Backend& backend) {
    SteadyClock clock;
    CUSBDriver driver(backend.get(), clock);
    if (!driver.discover()) {
        ExplainNotFound(backend, driver);
        return 1;
    }
    const auto version = driver.readFirmwareVersion();
    if (!version) {
        std::fprintf(stderr, "x5kctl: the mouse did not tell its firmware version\n");
        return 1;
    }
    std::printf("firmware version %d\n", *version);
    return 0;
}

// The profile of a file, with the macro identifiers its button records carry.
class FileProfile final : public ProfileSource {
public:
    explicit FileProfile(const ProfileImage& image) {
        snapshot_.image = image;
        for (int b = 0; b < kButtonCount; ++b) {
            snapshot_.macroIds[static_cast<size_t>(b)] = image.get(profile::MacroId(b));
        }
    }
    ProfileSnapshot snapshot() const override { return snapshot_; }

private:
    ProfileSnapshot snapshot_;
};

// Prints what the worker posts; the pointer settings and the block list belong to the
// desktop program and are only reported here.
class ConsoleOutput final : public MessagePoster, public PointerSettings, public MouseBlockList {
public:
    void post(Window target, uint32_t message, uintptr_t wParam, intptr_t lParam) override {
        if (target == Window::ProgressDialog && message == msg::kProgress) {
            std::printf("progress %3ju%%\n", static_cast<uintmax_t>(wParam));
        } else if (target == Window::MainWindow && message == msg::kApplySucceeded) {
            succeeded = true;
        } else if (target == Window::MainWindow && message == msg::kApplyFailed) {
            failure = static_cast<int>(lParam);
        }
        std::fflush(stdout);
    }
    intptr_t send(Window, uint32_t, uintptr_t, intptr_t) override { return 0; }
    bool setAcceleration(bool on) override {
        std::printf("pointer precision %s (not changed on this desktop by x5kctl)\n",
                    on ? "on" : "off");
        return true;
    }
    bool setSpeed(int speed) override {
        std::printf("pointer speed %d (not changed on this desktop by x5kctl)\n", speed);
        return true;
    }
    bool setWheelScrollLines(int lines) override {
        std::printf("wheel scroll lines %d (not changed on this desktop by x5kctl)\n", lines);
        return true;
    }
    void BlockMouseCode(uint32_t, bool) override {}

    bool succeeded = false;
    std::optional<int> failure;
};

void PrintMouseState(const MouseState& state) {
    std::printf("the emulated mouse now holds:\n  button matrix ");
    for (size_t slot = 0; slot < 16; ++slot) {
        std::printf("%s%08X",
                    slot == 8 ? "\n                "
                    : slot    ? " "
                              : "",
                    GetU32(state.buttonMatrix, 4 * slot));
    }
    std::printf("\n  DPI table    ");
    for (const uint8_t code : state.resolutionTable) std::printf(" %02X", code);
    std::printf(
        "\n  level %u, report rate code %u, lighting %s, colour 0x%06X (BBGGRR), effect %u %u %u\n",
        state.resolutionLevel, state.reportRate, state.lightingOn ? "on" : "off", state.colour,
        state.effect[0], state.effect[1], state.effect[2]);
}

int Apply(Backend& backend, const Options& options) {
    PosixFileSystem files;
    ProfileImage image;
    const std::filesystem::path profilePath = options.positional[0];
    if (const FileResult read = files.readInto(profilePath, image.bytes()); !read.ok()) {
        std::fprintf(stderr, "x5kctl: cannot read %s: %s\n", profilePath.c_str(),
                     read.cause.describe().c_str());
        return 1;
    }
    if (static_cast<uint32_t>(image.get(profile::kMagic)) != profile::kMagicValue) {
        std::fprintf(stderr, "x5kctl: %s is not a profile\n", profilePath.c_str());
        return 1;
    }
    MacroTable table;
    if (options.macroFile) {
        std::vector<uint8_t> bytes(MacroTable::kFileSize);
        if (const FileResult read = files.readInto(*options.macroFile, bytes); !read.ok()) {
            std::fprintf(stderr, "x5kctl: cannot read %s: %s\n", options.macroFile->c_str(),
                         read.cause.describe().c_str());
            return 1;
        }
        table.loadImage(bytes);
    }

    SteadyClock clock;
    CUSBDriver driver(backend.get(), clock);
    if (!driver.discover()) {
        ExplainNotFound(backend, driver);
        return 1;
    }
    FileProfile source(image);
    MacroTableSource macros(table);
    ConsoleOutput output;
    std::atomic<bool> idle{true};
    ApplyWorker worker({driver, source, macros, output, output, output, clock, idle});
    const auto started = std::chrono::steady_clock::now();
    worker.runOnce();
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    if (output.failure) {
        std::printf("%s", std::string(ApplyFailureText(*output.failure)).c_str());
        return 1;
    }
    std::printf("applied in %lld ms\n", static_cast<long long>(took.count()));
    if (EmulatedMouse* mouse = backend.emulated()) PrintMouseState(mouse->state());
    return 0;
}

}  // namespace

int RunDeviceCommand(std::string_view command, std::span<char*> arguments) {
    const Options options = ParseOptions(arguments);
    const size_t wanted = command == "apply" ? 1 : 0;
    if (!options.valid || options.positional.size() != wanted ||
        (options.macroFile && command != "apply")) {
        return kExitUsage;
    }
    Backend backend(options);
    if (command == "devices") return Devices(backend);
    if (command == "version") return Version(backend);
    return Apply(backend, options);
}

}  // namespace x5k

#include "tools/x5kctl/DeviceCommands.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include <nlohmann/json.hpp>

#include "device/ApplyWorker.h"
#include "device/ReportDescriptor.h"
#include "device/UsbDriver.h"
#include "device/emulator/EmulatedMouse.h"
#include "device/emulator/MouseStateFile.h"
#include "macros/MacroTable.h"
#include "platform/linux/HidrawBackend.h"
#include "platform/linux/PosixFileSystem.h"
#include "profiles/ProfileImage.h"
#include "tools/x5kctl/ExitCodes.h"
#include "tools/x5kctl/FileCommands.h"
#include "tools/x5kctl/Printable.h"
#include "tools/x5kctl/ProfileTarget.h"

namespace x5k {
namespace {

using Json = nlohmann::ordered_json;

struct Options {
    bool emulated = false;
    bool json = false;
    std::optional<std::filesystem::path> stateFile;
    std::optional<std::filesystem::path> macroFile;
    // The words that are none of the options above, in order.
    std::vector<std::string> rest;
    std::string error;  // why the line is not understood; empty when it is
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
        } else if (argument == "--json") {
            options.json = true;
        } else if (argument == "--macros") {
            if (i + 1 >= arguments.size()) {
                options.error = "--macros needs a macro file";
                return options;
            }
            options.macroFile = arguments[++i];
        } else {
            options.rest.emplace_back(argument);
        }
    }
    return options;
}

// The real mice through hidraw, or the emulated mouse, restored from and saved back to its
// state file when one is named. The file is saved only when the command reached the mouse,
// and only over a state file or nothing: the caller refuses any other path first.
class Backend {
public:
    Backend(const Options& options, std::optional<MouseState> state) : options_(options) {
        if (!options.emulated) {
            hidraw_ = std::make_unique<HidrawBackend>();
            return;
        }
        mouse_ = std::make_unique<EmulatedMouse>();
        if (state) mouse_->setState(*state);
    }
    ~Backend() {
        PosixFileSystem files;
        if (used_ && mouse_ && options_.stateFile &&
            !mouse_->saveState(*options_.stateFile, files)) {
            std::fprintf(stderr, "x5kctl: could not write %s\n",
                         Printable(*options_.stateFile).c_str());
        }
    }
    HidBackend& get() {
        used_ = true;
        if (mouse_) return *mouse_;
        return *hidraw_;
    }
    EmulatedMouse* emulated() { return mouse_.get(); }

private:
    const Options& options_;
    std::unique_ptr<EmulatedMouse> mouse_;
    std::unique_ptr<HidrawBackend> hidraw_;
    bool used_ = false;
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
    std::unique_ptr<HidHandle> open(const std::string& path, HidAccess, SysResult& cause) override {
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

// What devices finds, printed as text or as JSON.
struct DevicesReport {
    std::vector<InterfaceRow> rows;
    bool found = false;  // the mouse's configuration interface is usable
    std::string chosen;  // its path
    unsigned reportId = 0;
    size_t featureLength = 0;
    std::string skipped;  // why discovery passed over the mouse's interfaces
    std::vector<std::string> usbIds;
    bool loader = false;
    bool mouseOnUsb = false;
};

DevicesReport FindDevices(Backend& backend) {
    DevicesReport report;
    report.rows = InterfaceRows(backend);
    SteadyClock clock;
    ProbeBackend probe(report.rows);
    CUSBDriver discovery(probe, clock);
    report.found = discovery.discover();
    if (report.found) {
        report.chosen = probe.chosen;
        report.reportId = discovery.reportId();
        report.featureLength = discovery.featureLength();
    } else {
        report.skipped = discovery.diagnostic();
    }
    for (const std::string& id : backend.get().usbHardwareIds()) {
        if (!UsbDeviceRole(id)) continue;
        report.usbIds.push_back(id);
        report.loader = report.loader || ContainsIdentity(id, kFirmwareLoaderIdentity);
        report.mouseOnUsb = report.mouseOnUsb || ContainsIdentity(id, kMouseIdentity);
    }
    return report;
}

// How an interface of the mouse stands: "configuration", "unused configuration",
// "skipped configuration", "not usable" or "other"; empty for other devices.
std::string InterfaceUse(const DevicesReport& report, const InterfaceRow& row,
                         std::string* reason = nullptr) {
    if (report.found && row.info.path == report.chosen) return "configuration";
    if (!IsMouse(row.info)) return {};
    const auto vendor =
        FindVendorCapability(ParseReportDescriptor(row.info.reportDescriptor).capabilities);
    if (vendor.found) return report.found ? "unused configuration" : "skipped configuration";
    if (vendor.diagnostic.empty()) return "other";
    if (reason) *reason = vendor.diagnostic;
    return "not usable";
}

// The verdict when no mouse is ready; empty when one is.
std::string Verdict(const DevicesReport& report) {
    if (report.found) return {};
    if (report.loader) {
        return "no X5K ready for configuration: the mouse is in its firmware loader";
    }
    if (report.mouseOnUsb ||
        std::any_of(report.rows.begin(), report.rows.end(),
                    [](const InterfaceRow& row) { return IsMouse(row.info); })) {
        return "the X5K is present, but its configuration interface cannot be used";
    }
    return "no X5K found";
}

bool MouseUnopenable(const DevicesReport& report) {
    return std::any_of(report.rows.begin(), report.rows.end(),
                       [](const InterfaceRow& row) { return IsMouse(row.info) && row.unopenable; });
}

std::string Hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value & 0xFFFF);
    return text;
}

void PrintDevicesText(const DevicesReport& report) {
    std::printf(report.rows.empty() ? "no hidraw interface found\n" : "HID interfaces:\n");
    for (const InterfaceRow& row : report.rows) {
        std::printf("  %-14s %-9s %04x:%04x", Printable(row.info.path).c_str(),
                    Printable(row.bus).c_str(), row.info.vendorId, row.info.productId);
        if (row.interfaceNumber) std::printf("  interface %d", *row.interfaceNumber);
        if (!row.descriptorNote.empty()) {
            std::printf("  %s", Printable(row.descriptorNote).c_str());
        }
        if (IsMouse(row.info)) std::printf("  X5K");
        std::string reason;
        const std::string use = InterfaceUse(report, row, &reason);
        if (use == "configuration") {
            std::printf(", configuration interface: report ID %u, feature reports of %zu bytes",
                        report.reportId, report.featureLength);
        } else if (use == "unused configuration") {
            std::printf(", another configuration interface (not used)");
        } else if (use == "skipped configuration") {
            std::printf(", configuration interface (skipped, see below)");
        } else if (use == "not usable") {
            std::printf(", not usable: %s", Printable(reason).c_str());
        }
        std::printf("\n");
    }
    if (!report.usbIds.empty()) std::printf("USB devices of interest:\n");
    for (const std::string& id : report.usbIds) {
        std::printf("  %-32s %s\n", Printable(id).c_str(), UsbDeviceRole(id));
    }
}

void PrintDevicesJson(const DevicesReport& report) {
    Json interfaces = Json::array();
    for (const InterfaceRow& row : report.rows) {
        Json entry = {{"path", row.info.path},
                      {"bus", row.bus},
                      {"vendorId", Hex4(row.info.vendorId)},
                      {"productId", Hex4(row.info.productId)},
                      {"interface", row.interfaceNumber ? Json(*row.interfaceNumber) : Json()},
                      {"x5k", IsMouse(row.info)}};
        std::string reason;
        const std::string use = InterfaceUse(report, row, &reason);
        entry["use"] = use.empty() ? Json() : Json(use);
        if (use == "configuration") {
            entry["reportId"] = report.reportId;
            entry["featureLength"] = report.featureLength;
        }
        if (!row.descriptorNote.empty()) entry["problem"] = row.descriptorNote;
        if (!reason.empty()) entry["problem"] = reason;
        interfaces.push_back(std::move(entry));
    }
    Json usb = Json::array();
    for (const std::string& id : report.usbIds) {
        usb.push_back(
            {{"id", id},
             {"role", ContainsIdentity(id, kMouseIdentity) ? "mouse" : "firmware-loader"}});
    }
    const Json document = {
        {"found", report.found},
        {"configurationInterface", report.found ? Json(report.chosen) : Json()},
        {"interfaces", std::move(interfaces)},
        {"usbDevices", std::move(usb)},
        {"problem", report.found ? Json() : Json(Verdict(report))},
    };
    const std::string text = document.dump(2, ' ', false, Json::error_handler_t::replace);
    std::printf("%s\n", PrintableJson(text).c_str());
}

// The listing goes to stdout; when no mouse is ready, why goes to stderr.
int Devices(Backend& backend, bool json) {
    const DevicesReport report = FindDevices(backend);
    json ? PrintDevicesJson(report) : PrintDevicesText(report);
    if (report.found) return kExitDone;
    std::fflush(stdout);
    if (!report.skipped.empty()) {
        std::fprintf(stderr, "x5kctl: the X5K's configuration interface was skipped: %s\n",
                     Printable(report.skipped).c_str());
    }
    std::fprintf(stderr, "x5kctl: %s\n", Verdict(report).c_str());
    if (MouseUnopenable(report)) {
        std::fputs(
            "x5kctl: an interface of the X5K cannot be opened: the udev rule 70-x5k.rules gives "
            "the desktop user access to it\n",
            stderr);
    }
    return kExitRefused;
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
                     Printable(probe.chosen).c_str());
        return;
    }
    for (const InterfaceRow& row : rows) {
        if (!IsMouse(row.info) || !row.unopenable) continue;
        std::fprintf(stderr,
                     "x5kctl: %s of the mouse %s; the udev rule 70-x5k.rules gives the desktop "
                     "user access\n",
                     Printable(row.info.path).c_str(), Printable(row.descriptorNote).c_str());
    }
}

int Version(Backend& backend, bool json) {
    SteadyClock clock;
    CUSBDriver driver(backend.get(), clock);
    if (!driver.discover()) {
        ExplainNotFound(backend, driver);
        return kExitRefused;
    }
    const auto version = driver.readFirmwareVersion();
    if (!version) {
        std::fprintf(stderr, "x5kctl: the mouse did not tell its firmware version\n");
        return kExitDevice;
    }
    if (json) {
        std::printf("%s\n", Json({{"firmwareVersion", *version}}).dump(2).c_str());
    } else {
        std::printf("firmware version %d\n", *version);
    }
    return kExitDone;
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

int Apply(Backend& backend, const ProfileTarget& target,
          const std::optional<std::filesystem::path>& macroFile) {
    ProfileImage image;
    const std::filesystem::path& profilePath = target.profile;
    if (const auto failed = ReadInputFile(profilePath, image.bytes(), "a profile")) return *failed;
    if (static_cast<uint32_t>(image.get(profile::kMagic)) != profile::kMagicValue) {
        std::fprintf(stderr, "x5kctl: %s is not a profile\n", Printable(profilePath).c_str());
        return kExitRefused;
    }
    MacroTable table;
    // A file that is no macro file is refused as the macros command refuses it: a profile
    // named by mistake would otherwise be written to the mouse as garbled macros.
    if (macroFile) {
        if (const auto failed = ReadMacroFile(*macroFile, table)) return *failed;
    }

    SteadyClock clock;
    CUSBDriver driver(backend.get(), clock);
    if (!driver.discover()) {
        ExplainNotFound(backend, driver);
        return kExitRefused;
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
        std::fflush(stdout);
        std::fprintf(stderr, "x5kctl: %s", std::string(ApplyFailureText(*output.failure)).c_str());
        return kExitDevice;
    }
    std::printf("applied in %lld ms\n", static_cast<long long>(took.count()));
    if (EmulatedMouse* mouse = backend.emulated()) PrintMouseState(mouse->state());
    return kExitDone;
}

}  // namespace

int RunDeviceCommand(std::string_view command, std::span<char*> arguments) {
    Options options = ParseOptions(arguments);
    if (!options.error.empty()) return UsageError(options.error);
    const bool apply = command == "apply";
    if (options.json && apply) return UsageError("--json is for devices and version");
    if (options.macroFile && !apply) return UsageError("--macros is for apply");
    std::optional<ProfileTarget> target;
    if (apply) {
        ProfileTargetChoice choice = TakeProfileTarget(options.rest);
        if (!choice.target) {
            if (choice.exitCode == kExitUsage) return UsageError(choice.error);
            std::fprintf(stderr, "x5kctl: %s\n", Printable(choice.error).c_str());
            return choice.exitCode;
        }
        target = std::move(choice.target);
    }
    if (!options.rest.empty()) {
        const std::string& word = options.rest.front();
        return UsageError((word.starts_with("-") ? "unknown option " : "unexpected argument ") +
                          word);
    }
    // The state path is looked at before anything runs: what is not a state file is
    // refused, so a failed command cannot replace it either.
    std::optional<MouseState> state;
    if (options.emulated && options.stateFile) {
        StatePathRead read = ReadStatePath(*options.stateFile);
        if (!read.replaceable()) {
            std::fprintf(stderr, "x5kctl: %s %s\n", Printable(*options.stateFile).c_str(),
                         Printable(read.refusal()).c_str());
            return read.kind == StatePathKind::Unreadable ? kExitFile : kExitRefused;
        }
        state = std::move(read.state);
    }
    Backend backend(options, std::move(state));
    if (command == "devices") return Devices(backend, options.json);
    if (command == "version") return Version(backend, options.json);
    // The data folder's profile goes with its macros, unless --macros names others; a
    // data folder without a macro file has no macros.
    std::optional<std::filesystem::path> macros = options.macroFile;
    // A macro file the system cannot look at is read all the same, so that the read says why.
    std::error_code error;
    if (!macros && target->macros && (std::filesystem::exists(*target->macros, error) || error)) {
        macros = target->macros;
    }
    return Apply(backend, *target, macros);
}

}  // namespace x5k

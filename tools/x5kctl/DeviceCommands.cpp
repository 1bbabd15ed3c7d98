#include "tools/x5kctl/DeviceCommands.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/ProfileImage.h"
#include "device/ApplyWorker.h"
#include "device/ReportDescriptor.h"
#include "device/UsbDriver.h"
#include "device/emulator/EmulatedMouse.h"
#include "macros/MacroTable.h"
#include "platform/linux/PosixFileSystem.h"

namespace x5k {
namespace {

constexpr int kExitUsage = 64;
constexpr int kExitUnavailable = 69;

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

// The emulated mouse, restored from and saved back to its state file when one is named.
class Backend {
public:
    explicit Backend(const Options& options) : options_(options) {
        if (!options.emulated) return;
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
    HidBackend* get() { return mouse_.get(); }
    EmulatedMouse* emulated() { return mouse_.get(); }

private:
    const Options& options_;
    std::unique_ptr<EmulatedMouse> mouse_;
};

void ReportNoRealBackend() {
    std::fprintf(stderr,
                 "x5kctl: this build reaches real mice only through the hidraw backend, which "
                 "is not built yet; add --emulated to use the emulated mouse\n");
}

int Devices(Backend& backend) {
    const auto interfaces = backend.get()->enumerateInterfaces();
    if (interfaces.empty()) {
        std::printf("no HID interfaces found\n");
        return 1;
    }
    for (const HidInterfaceInfo& info : interfaces) {
        const bool mouse = info.vendorId == kMouseVendorId && info.productId == kMouseProductId;
        std::printf("%-28s %04x:%04x %s", info.path.c_str(), info.vendorId, info.productId,
                    mouse ? "X5K" : "other device");
        if (mouse) {
            const auto vendor =
                FindVendorCapability(ParseReportDescriptor(info.reportDescriptor).capabilities);
            if (vendor.found) {
                std::printf(", configuration interface: report ID %u, feature reports of %d bytes",
                            static_cast<unsigned>(vendor.reportId),
                            static_cast<int>(vendor.reportCount) + 1);
            } else if (!vendor.diagnostic.empty()) {
                std::printf(", not usable: %s", vendor.diagnostic.c_str());
            }
        }
        std::printf("\n");
    }
    return 0;
}

int Version(Backend& backend) {
    SteadyClock clock;
    CUSBDriver driver(*backend.get(), clock);
    if (!driver.discover()) {
        std::fprintf(stderr, "x5kctl: the X5K gaming mouse cannot be found\n");
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
    if (files.readInto(profilePath, image.bytes()) != FileError::None) {
        std::fprintf(stderr, "x5kctl: cannot read %s\n", profilePath.c_str());
        return 1;
    }
    if (static_cast<uint32_t>(image.get(profile::kMagic)) != profile::kMagicValue) {
        std::fprintf(stderr, "x5kctl: %s is not a profile\n", profilePath.c_str());
        return 1;
    }
    MacroTable table;
    if (options.macroFile) {
        std::vector<uint8_t> bytes(MacroTable::kFileSize);
        if (files.readInto(*options.macroFile, bytes) != FileError::None) {
            std::fprintf(stderr, "x5kctl: cannot read %s\n", options.macroFile->c_str());
            return 1;
        }
        table.loadImage(bytes);
    }

    SteadyClock clock;
    CUSBDriver driver(*backend.get(), clock);
    if (!driver.discover()) {
        std::fprintf(stderr, "x5kctl: the X5K gaming mouse cannot be found\n");
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
    if (!backend.get()) {
        ReportNoRealBackend();
        return kExitUnavailable;
    }
    if (command == "devices") return Devices(backend);
    if (command == "version") return Version(backend);
    return Apply(backend, options);
}

}  // namespace x5k

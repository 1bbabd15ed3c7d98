#include "device/DeviceLink.h"

#include <chrono>

#include "common/DiagnosticLog.h"

namespace x5k {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kLoaderPause{500};
constexpr milliseconds kDiscoverPause{500};
constexpr milliseconds kArrivalPause{2500};

}  // namespace

DeviceLink::DeviceLink(CUSBDriver& device, Clock& clock, UserMessages& messages, Shell& shell,
                       MessagePoster& poster, DeviceLinkObserver& observer,
                       const std::atomic<bool>& chineseInterface, std::atomic<bool>& idle,
                       std::filesystem::path programFolder)
    : device_(device),
      clock_(clock),
      messages_(messages),
      shell_(shell),
      poster_(poster),
      observer_(observer),
      chinese_(chineseInterface),
      idle_(idle),
      programFolder_(std::move(programFolder)) {}

std::filesystem::path DeviceLink::flasherPath() const {
    return programFolder_ / "FWUpdate" / "ZazareVA.exe";
}

std::string_view DeviceLink::notFoundText() const {
    return chinese_ ? "没有找到X5K游戏鼠标." : "The X5K gaming mouse cannot be found.";
}

void DeviceLink::readFirmwareVersion() {
    const auto version = device_.readFirmwareVersion();
    observer_.setFirmwareVersionText(version && *version != 0 ? std::to_string(*version) : "");
}

void DeviceLink::installHooks() {
    // Without the hooks the statistics and the host actions stay idle; the program runs on
    // and says once what input it cannot reach.
    if (!observer_.installHooks()) X5K_LOG("device: the input hooks could not be installed");
}

FirmwareLoaderCheck::FirmwareLoaderCheck(HidBackend& backend, Clock& clock)
    : backend_(backend), clock_(clock) {}

FirmwareLoaderCheck::~FirmwareLoaderCheck() {
    if (thread_.joinable()) thread_.join();
}

void FirmwareLoaderCheck::start() {
    if (thread_.joinable() || present_) return;
    thread_ = std::thread([this] { present_ = look(); });
}

bool FirmwareLoaderCheck::loaderPresent() {
    if (thread_.joinable()) thread_.join();
    if (!present_) present_ = look();
    return *present_;
}

bool FirmwareLoaderCheck::look() {
    bool present = FirmwareLoaderPresent(backend_);
    if (!present) {
        clock_.sleepFor(kLoaderPause);
        present = FirmwareLoaderPresent(backend_);
        if (!present) clock_.sleepFor(kLoaderPause);
    }
    return present;
}

StartUp DeviceLink::startUp() {
    FirmwareLoaderCheck loaderCheck(device_.backend(), clock_);
    return startUp(loaderCheck);
}

StartUp DeviceLink::startUp(FirmwareLoaderCheck& loaderCheck) {
    // The mouse in its firmware loader hands over to the flasher.
    if (loaderCheck.loaderPresent()) {
        X5K_LOG("device: the mouse is in its firmware loader; handing over to the flasher");
        // The program closes whether or not the flasher started: the mouse cannot be
        // configured in its loader. The shell logs a failed start with its cause.
        (void)shell_.start(flasherPath().string(), {chinese_ ? "1" : "0"});
        poster_.post(Window::MainWindow, msg::kClose, 0, 0);
        return StartUp::FirmwareLoader;
    }

    bool found = false;
    for (int attempt = 0; attempt < kDiscoverAttempts && !found; ++attempt) {
        found = device_.discover();
        if (!found) clock_.sleepFor(kDiscoverPause);
    }
    observer_.refreshPagesFromProfile();
    if (!found) {
        messages_.showCountdownNotice(notFoundText());
        poster_.post(Window::MainWindow, msg::kClose, 0, 0);
        return StartUp::MouseNotFound;
    }
    observer_.startWorkers();
    readFirmwareVersion();
    installHooks();
    return StartUp::Connected;
}

void DeviceLink::onArrival(std::string_view name) {
    if (!ContainsIdentity(name, kMouseIdentity)) return;
    X5K_LOG("device: the mouse arrived (", name, ")");
    bool found = device_.discover();
    for (int attempt = 1; attempt < kArrivalAttempts && !found; ++attempt) {
        clock_.sleepFor(kArrivalPause);
        found = device_.discover();
    }
    if (found) {
        readFirmwareVersion();
        installHooks();
    }
    if (!idle_) {
        // An apply was cut off by the removal: it is over, whether or not the mouse
        // could be opened again.
        idle_ = true;
        observer_.releaseApplyButton();
        return;
    }
    if (found) {
        messages_.showCountdownNotice(chinese_ ? "发现X5K游戏鼠标."
                                               : "The X5K gaming mouse is found.");
    }
}

void DeviceLink::onRemoval(std::string_view name) {
    if (!ContainsIdentity(name, kMouseIdentity)) return;
    X5K_LOG("device: the mouse was removed (", name, "), ",
            idle_ ? "while idle" : "during an apply");
    device_.close();
    observer_.removeHooks();
    if (idle_) {
        messages_.showCountdownNotice(notFoundText());
        poster_.post(Window::MainWindow, msg::kClose, 0, 0);
    }
}

}  // namespace x5k

#include "platform/linux/LinuxPlatform.h"

#include <cstdlib>
#include <ctime>
#include <utility>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "common/DiagnosticLog.h"
#include "platform/linux/CurlDownloader.h"
#include "platform/linux/DesktopPointerSettings.h"
#include "platform/linux/EvdevCrashGuard.h"
#include "platform/linux/EvdevHookBackend.h"
#include "platform/linux/EvdevTranslation.h"
#include "platform/linux/HidrawBackend.h"
#include "platform/linux/LinuxShell.h"
#include "platform/linux/LinuxSound.h"
#include "platform/linux/PosixFileSystem.h"
#include "platform/linux/ProgramFolder.h"
#include "platform/linux/SingleInstance.h"
#include "platform/linux/StaleTemporaries.h"
#include "platform/linux/TerminationSignals.h"
#include "platform/linux/UdevMonitor.h"
#include "platform/linux/X11StatsInput.h"
#include "platform/linux/XkbKeyboardLayout.h"

namespace x5k {
namespace {

// The settings of the desktop this process runs on, as its environment names it when
// they are made.
class DesktopPointerSettingsFactory final : public PointerSettingsFactory {
public:
    std::unique_ptr<PointerSettings> makePointerSettings() override {
        return MakeDesktopPointerSettings(DesktopEnvironment::FromProcess());
    }
};

// The emulated mouse is a stand-in for a mouse on the desk: what an apply would do to the
// desktop's pointer settings is left undone, so trying the program changes nothing of the
// computer.
class UntouchedPointerSettings final : public PointerSettings {
public:
    bool setAcceleration(bool) override { return true; }
    bool setSpeed(int) override { return true; }
    bool setWheelScrollLines(int) override { return true; }
};

class UntouchedPointerSettingsFactory final : public PointerSettingsFactory {
public:
    std::unique_ptr<PointerSettings> makePointerSettings() override {
        return std::make_unique<UntouchedPointerSettings>();
    }
};

// udev's monitor starts listening when it is made, so it is made at start().
class UdevDeviceMonitor final : public DeviceMonitor {
public:
    bool start() override {
        if (!monitor_) monitor_ = std::make_unique<UdevMonitor>();
        return monitor_->fd() >= 0;
    }
    int fd() const override { return monitor_ ? monitor_->fd() : -1; }
    std::vector<std::pair<DeviceChange, std::string>> readChanges() override {
        if (!monitor_) return {};
        return monitor_->readChanges();
    }

private:
    std::unique_ptr<UdevMonitor> monitor_;
};

class EvdevCrashGuard final : public CrashGuard {
public:
    class Stack final : public ThreadCover {
        crash_guard::ThreadSignalStack stack_;
    };

    void install() override { crash_guard::InstallHandlers(); }
    std::unique_ptr<ThreadCover> coverThisThread() override { return std::make_unique<Stack>(); }
};

}  // namespace

void ReturnLargeBlocksWhenFreed() {
#if defined(__GLIBC__)
    constexpr int kMapThresholdBytes = 256 * 1024;
    mallopt(M_MMAP_THRESHOLD, kMapThresholdBytes);
#endif
}

Platform MakeLinuxPlatform(PlatformOptions options) {
    Platform platform;
    platform.programFolder = ProgramFolder();
    platform.dataFolder = DataFolder();
    // Without a private folder the data folder's own lock still keeps a second program
    // off the same files, and the user is told why hand-overs may not work; without any
    // lock the program runs as if alone.
    TakenInstance taken =
        TakeInstance(InstanceFolder(std::getenv("XDG_RUNTIME_DIR")), platform.dataFolder);
    platform.instance = std::move(taken.instance);
    platform.instanceProblem = std::move(taken.problem);
    // Only the one running program mends what killed saves left; a later start that
    // hands over and ends leaves the running one's files alone.
    if (platform.dataFolder && platform.instance->role() == ProgramInstance::Role::Primary) {
        RemoveStaleDataTemporaries(*platform.dataFolder, std::time(nullptr));
        RestoreOwnerRead(*platform.dataFolder);
    }
    platform.crashGuard = std::make_unique<EvdevCrashGuard>();
    platform.files = std::make_unique<PosixFileSystem>();
    platform.clock = std::make_unique<SteadyClock>();
    platform.shell = std::make_unique<LinuxShell>();
    platform.sound = std::make_unique<LinuxSound>();
    platform.downloader = std::make_unique<CurlDownloader>();
    if (options.emulatedMouse) {
        platform.hid = std::move(options.emulatedMouse);
        platform.pointerSettings = std::make_unique<UntouchedPointerSettingsFactory>();
    } else {
        platform.hid = std::make_unique<HidrawBackend>();
        platform.pointerSettings = std::make_unique<DesktopPointerSettingsFactory>();
        platform.devices = std::make_unique<UdevDeviceMonitor>();
    }
    platform.hooks = std::make_unique<EvdevHookBackend>();
    platform.keyEvents = std::make_unique<EvdevKeyEventTranslator>();
    platform.keyboard = std::make_unique<SystemKeyboardLayout>();
    platform.terminations = std::make_unique<TerminationSignals>();
    if (DetectDisplaySession(std::getenv("WAYLAND_DISPLAY"), std::getenv("XDG_SESSION_TYPE"),
                             std::getenv("DISPLAY")) == DisplaySession::X11) {
        platform.statsInput = std::make_unique<X11StatsInput>();
    }
    return platform;
}

PlatformFiles MakeLinuxPlatformFiles() {
    return {ProgramFolder(), ConfigFolder(), std::make_unique<PosixFileSystem>()};
}

}  // namespace x5k

#pragma once
// Every operating-system service the desktop program uses, as made by one platform's
// factory (src/platform/linux/LinuxPlatform.h on Linux). The program reaches the system
// only through these, so another platform is another folder with another factory.
//
// Making the platform has one effect that is seen from outside: the program instance
// is taken, so a later start knows of this one from then on. Everything else is made
// without reaching out to the system, so a later start that only hands over costs
// little; what needs to reach out (the device monitor, the desktop's pointer settings,
// the crash guard, the termination requests) waits for the program to call it.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/Clock.h"
#include "platform/CrashGuard.h"
#include "platform/DeviceMonitor.h"
#include "platform/Downloader.h"
#include "platform/FileSystem.h"
#include "platform/HidBackend.h"
#include "platform/HookBackend.h"
#include "platform/KeyboardLayout.h"
#include "platform/PointerSettings.h"
#include "platform/ProgramInstance.h"
#include "platform/Shell.h"
#include "platform/StatsInput.h"
#include "platform/TerminationRequests.h"

namespace x5k {

// What the program chooses of its platform.
struct PlatformOptions {
    // A stand-in for the mouse (the emulated one), which then serves as the HID backend.
    // The program then runs as if that mouse were on the desk: the desktop's pointer
    // settings are left untouched, so trying the program changes nothing of the
    // computer, and no device is watched for arrival and removal. Nothing: the real
    // mouse through the system.
    std::unique_ptr<HidBackend> emulatedMouse;
};

// Declared in the order the services are made; they end in the opposite order, the
// program instance last, so a later start finds this one until the very end.
struct Platform {
    // Taken when the platform is made: primary, secondary or unavailable.
    std::unique_ptr<ProgramInstance> instance;
    // The folder of the running program, with its pictures, languages and default files.
    std::filesystem::path programFolder;
    // The user's folder for the program's data; nothing when the environment names none.
    std::optional<std::filesystem::path> dataFolder;
    std::unique_ptr<CrashGuard> crashGuard;
    std::unique_ptr<FileSystem> files;
    std::unique_ptr<Clock> clock;
    std::unique_ptr<Shell> shell;
    std::unique_ptr<Sound> sound;
    // The firmware update's downloads, the program's only network access.
    std::unique_ptr<Downloader> downloader;
    // The mouse: the emulated one when the options gave it, else the system's HID devices.
    std::unique_ptr<HidBackend> hid;
    std::unique_ptr<PointerSettingsFactory> pointerSettings;
    std::unique_ptr<HookBackend> hooks;
    // The program's own key events in the hooks' form, for key capture while it has focus.
    std::unique_ptr<KeyEventTranslator> keyEvents;
    // The user's keyboard layout, for naming keys.
    std::unique_ptr<KeyboardLayout> keyboard;
    // Nothing with the emulated mouse, which no system event concerns.
    std::unique_ptr<DeviceMonitor> devices;
    std::unique_ptr<TerminationRequests> terminations;
    // The desktop session's own source of clicks and pointer samples for the statistics;
    // nothing where the session has none (Wayland, no display).
    std::unique_ptr<StatsInput> statsInput;
    // Why the one-instance rule stands on the data folder's lock alone, to be told at
    // start; nothing when it has its private folder.
    std::optional<std::string> instanceProblem;
};

}  // namespace x5k

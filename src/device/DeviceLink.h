#pragma once
// Bringing the mouse up at start-up and following it as it is plugged in and removed:
// the firmware-loader check, discovery with retries, the firmware version, the input
// hooks, and the notices the user sees.

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "device/UsbDriver.h"
#include "platform/Clock.h"
#include "platform/Shell.h"
#include "platform/UserMessages.h"
#include "platform/WindowMessages.h"

namespace x5k {

// The main window's side of the device link.
class DeviceLinkObserver {
public:
    virtual ~DeviceLinkObserver() = default;
    // The main settings and lighting pages redraw from the profile.
    virtual void refreshPagesFromProfile() = 0;
    // The support page's firmware version: decimal text, empty when unknown.
    virtual void setFirmwareVersionText(const std::string& text) = 0;
    // The mouse was found at start-up: the apply and update-check workers start.
    virtual void startWorkers() = 0;
    // An apply cut off by a removal is over: the Apply button is released.
    virtual void releaseApplyButton() = 0;
    // The input hooks, installed with the main window as their target.
    [[nodiscard]] virtual bool installHooks() = 0;
    virtual void removeHooks() = 0;
};

enum class [[nodiscard]] StartUp {
    Connected,       // the mouse is open; the window is shown and the hooks installed
    FirmwareLoader,  // the flasher was started and the program closes
    MouseNotFound,   // the user was told and the program closes
};

// The start-up's look for the mouse's firmware loader: twice, half a second apart, as the
// loader may still be enumerating. The program starts it on a thread of its own as soon as
// it runs, so the pauses pass while the window is built; the device start-up then takes
// its answer, waiting only for what is left.
class FirmwareLoaderCheck {
public:
    FirmwareLoaderCheck(HidBackend& backend, Clock& clock);
    // Waits for a look still under way.
    ~FirmwareLoaderCheck();
    FirmwareLoaderCheck(const FirmwareLoaderCheck&) = delete;
    FirmwareLoaderCheck& operator=(const FirmwareLoaderCheck&) = delete;

    // Starts the look on its own thread; once at most.
    void start();
    // Whether the loader is there: waits for a started look, or looks now when none was
    // started.
    bool loaderPresent();

private:
    bool look();

    HidBackend& backend_;
    Clock& clock_;
    std::thread thread_;
    std::optional<bool> present_;  // written by the look's thread before it ends
};

inline constexpr int kDiscoverAttempts = 10;
// A plugged-in mouse whose interface cannot be opened is given up after this many
// attempts (2.5 s apart), so the window never hangs on it; the next arrival tries again.
inline constexpr int kArrivalAttempts = 5;

class DeviceLink {
public:
    DeviceLink(CUSBDriver& device, Clock& clock, UserMessages& messages, Shell& shell,
               MessagePoster& poster, DeviceLinkObserver& observer,
               const std::atomic<bool>& chineseInterface, std::atomic<bool>& idle,
               std::filesystem::path programFolder);

    // The device steps of the main window's start-up, in order; the firmware loader is
    // looked for now, or its look started earlier is waited for.
    StartUp startUp();
    StartUp startUp(FirmwareLoaderCheck& loaderCheck);
    // A device arrived; `name` is its device name.
    void onArrival(std::string_view name);
    // A device was removed.
    void onRemoval(std::string_view name);

    std::filesystem::path flasherPath() const;

private:
    void readFirmwareVersion();
    void installHooks();
    std::string_view notFoundText() const;

    CUSBDriver& device_;
    Clock& clock_;
    UserMessages& messages_;
    Shell& shell_;
    MessagePoster& poster_;
    DeviceLinkObserver& observer_;
    const std::atomic<bool>& chinese_;
    std::atomic<bool>& idle_;
    std::filesystem::path programFolder_;
};

}  // namespace x5k

#include "platform/linux/LinuxPlatform.h"

#include <poll.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <ostream>
#include <string>

#include "device/emulator/EmulatedMouse.h"
#include "platform/linux/HidrawBackend.h"
#include "support/TempFolder.h"

namespace x5k {
namespace {

// Points XDG_RUNTIME_DIR at a test folder for the test's lifetime, so the instance the
// factory takes never meets a program the user runs.
class RuntimeFolder {
public:
    RuntimeFolder() {
        if (const char* value = std::getenv(kName)) saved_ = value;
        ::setenv(kName, folder_.path().c_str(), 1);
    }
    ~RuntimeFolder() {
        if (saved_) {
            ::setenv(kName, saved_->c_str(), 1);
        } else {
            ::unsetenv(kName);
        }
    }
    RuntimeFolder(const RuntimeFolder&) = delete;
    RuntimeFolder& operator=(const RuntimeFolder&) = delete;

private:
    static constexpr char kName[] = "XDG_RUNTIME_DIR";
    test::TempFolder folder_;
    std::optional<std::string> saved_;
};

struct MouseCase {
    const char* name;
    bool emulated;
};

void PrintTo(const MouseCase& c, std::ostream* out) {
    *out << c.name;
}

class LinuxPlatformMouse : public ::testing::TestWithParam<MouseCase> {};

// With the emulated mouse the program talks to it alone: the desktop's settings are
// left as they are and no system device is watched; with the real mouse both are.
TEST_P(LinuxPlatformMouse, TheMouseDecidesWhatElseIsTouched) {
    const RuntimeFolder runtime;
    auto emulated = GetParam().emulated ? std::make_unique<EmulatedMouse>() : nullptr;
    HidBackend* const standIn = emulated.get();
    const Platform platform = MakeLinuxPlatform({.emulatedMouse = std::move(emulated)});

    ASSERT_NE(platform.hid, nullptr);
    ASSERT_NE(platform.pointerSettings, nullptr);
    if (GetParam().emulated) {
        EXPECT_EQ(platform.hid.get(), standIn);
        EXPECT_EQ(platform.devices, nullptr);
        // Only here are the settings made: the real ones would reach the test machine's
        // desktop.
        const auto pointer = platform.pointerSettings->makePointerSettings();
        EXPECT_TRUE(pointer->setAcceleration(true));
        EXPECT_TRUE(pointer->setSpeed(20));
        EXPECT_TRUE(pointer->setWheelScrollLines(-1));
        EXPECT_TRUE(pointer->notApplied().empty());
    } else {
        EXPECT_NE(dynamic_cast<HidrawBackend*>(platform.hid.get()), nullptr);
        ASSERT_NE(platform.devices, nullptr);
        // Nothing is watched before the program starts the monitor.
        EXPECT_EQ(platform.devices->fd(), -1);
        EXPECT_TRUE(platform.devices->readChanges().empty());
    }
    for (const void* service : {static_cast<const void*>(platform.instance.get()),
                                static_cast<const void*>(platform.crashGuard.get()),
                                static_cast<const void*>(platform.files.get()),
                                static_cast<const void*>(platform.clock.get()),
                                static_cast<const void*>(platform.shell.get()),
                                static_cast<const void*>(platform.sound.get()),
                                static_cast<const void*>(platform.downloader.get()),
                                static_cast<const void*>(platform.hooks.get()),
                                static_cast<const void*>(platform.keyEvents.get())}) {
        EXPECT_NE(service, nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(Mice, LinuxPlatformMouse,
                         ::testing::Values(MouseCase{"Emulated", true}, MouseCase{"Real", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// A later start made through the factory finds the running one in the user's runtime
// folder and hands it the request to show its window.
TEST(LinuxPlatform, ALaterStartHandsOverToTheRunningOne) {
    const RuntimeFolder runtime;
    const Platform running = MakeLinuxPlatform();
    ASSERT_EQ(running.instance->role(), ProgramInstance::Role::Primary);
    ASSERT_GE(running.instance->fd(), 0);
    {
        const Platform later = MakeLinuxPlatform();
        ASSERT_EQ(later.instance->role(), ProgramInstance::Role::Secondary);
        EXPECT_TRUE(later.instance->send(kShowRunningInstance));
    }
    // The hand-over is in the socket once send() returned; the loop only bounds a slow
    // machine's wait.
    std::vector<HandOver> received;
    for (int attempt = 0; attempt < 500 && received.empty(); ++attempt) {
        pollfd readable{running.instance->fd(), POLLIN, 0};
        ::poll(&readable, 1, 10);
        received = running.instance->takeMessages();
    }
    EXPECT_EQ(received, std::vector<HandOver>{kShowRunningInstance});
}

}  // namespace
}  // namespace x5k

// Arrival and removal through udev's monitor, from the uevents the testbed sends as the
// kernel would, and the device link reacting to them as the program wires it.

#include <gtest/gtest.h>
#include <poll.h>

#include "device/DeviceLink.h"
#include "platform/linux/HidrawBackend.h"
#include "platform/linux/UdevMonitor.h"
#include "support/RecordingLinkObserver.h"
#include "support/RecordingPoster.h"
#include "support/RecordingShell.h"
#include "support/RecordingUserMessages.h"
#include "support/VirtualClock.h"
#include "umockdev/MouseTestbed.h"

namespace x5k {
namespace {

using Changes = std::vector<std::pair<DeviceChange, std::string>>;
const std::string kMouseName = "HID\\VID_7A1D&PID_5217&MI_02\\hidraw3";

bool Readable(int fd) {
    pollfd watched{fd, POLLIN, 0};
    return ::poll(&watched, 1, 0) == 1 && (watched.revents & POLLIN) != 0;
}

TEST(UdevMonitor, OneArrivalAndOneRemovalPerPlugIn) {
    test::MouseTestbed testbed;
    UdevMonitor monitor;
    ASSERT_GE(monitor.fd(), 0);
    EXPECT_FALSE(Readable(monitor.fd()));

    // Three interfaces, three nodes, one configuration interface: one arrival.
    testbed.plugMouse();
    EXPECT_TRUE(Readable(monitor.fd()));
    EXPECT_EQ(monitor.readChanges(), (Changes{{DeviceChange::Arrival, kMouseName}}));
    EXPECT_TRUE(monitor.readChanges().empty());

    // Devices without a configuration interface are of no interest.
    testbed.plugOtherKeyboard();
    EXPECT_TRUE(monitor.readChanges().empty());

    testbed.unplugMouse();
    EXPECT_EQ(monitor.readChanges(), (Changes{{DeviceChange::Removal, kMouseName}}));

    // The mouse comes back in its firmware loader, then as itself.
    testbed.plugFirmwareLoader();
    EXPECT_TRUE(monitor.readChanges().empty());
    testbed.unplugFirmwareLoader();
    testbed.plugMouse();
    EXPECT_EQ(monitor.readChanges(), (Changes{{DeviceChange::Arrival, kMouseName}}));
}

TEST(UdevMonitor, RemovalOfAMousePresentAtTheStart) {
    test::MouseTestbed testbed;
    testbed.plugMouse();
    UdevMonitor monitor;
    testbed.unplugMouse();
    EXPECT_EQ(monitor.readChanges(), (Changes{{DeviceChange::Removal, kMouseName}}));
}

class LinkUnderUdev : public ::testing::Test {
protected:
    // What the program's event loop does when the monitor's socket is readable.
    void dispatch() {
        for (const auto& [change, name] : monitor->readChanges()) {
            if (change == DeviceChange::Arrival) {
                link.onArrival(name);
            } else {
                link.onRemoval(name);
            }
        }
    }

    test::MouseTestbed testbed;
    test::VirtualClock clock;
    HidrawBackend backend;
    CUSBDriver driver{backend, clock};
    test::RecordingUserMessages messages;
    test::RecordingShell shell;
    test::RecordingPoster poster;
    test::RecordingLinkObserver observer;
    std::atomic<bool> chinese{false};
    std::atomic<bool> idle{true};
    DeviceLink link{driver, clock, messages, shell, poster, observer, chinese, idle, "/opt/x5k"};
    // Started with the program, once the devices present at the start are in place.
    std::optional<UdevMonitor> monitor;
};

TEST_F(LinkUnderUdev, StartUpInTheFirmwareLoaderStartsTheFlasher) {
    testbed.plugFirmwareLoader();
    EXPECT_EQ(link.startUp(), StartUp::FirmwareLoader);
    EXPECT_EQ(
        shell.started(),
        std::vector<std::string>{
            (std::filesystem::path("/opt/x5k") / "FWUpdate" / "ZazareVA.exe").string() + " 0"});
    EXPECT_EQ(poster.messages().back().message, msg::kClose);
}

TEST_F(LinkUnderUdev, RemovalDuringAnApplyAndTheArrivalThatFollows) {
    testbed.plugOtherKeyboard();
    testbed.plugMouse();
    monitor.emplace();
    ASSERT_EQ(link.startUp(), StartUp::Connected);
    EXPECT_EQ(observer.events,
              (std::vector<std::string>{"refresh", "workers", "version 12", "hooks on"}));
    EXPECT_TRUE(shell.started().empty());
    observer.events.clear();

    idle = false;
    testbed.unplugMouse();
    dispatch();
    EXPECT_FALSE(driver.isOpen());
    EXPECT_TRUE(messages.shown().empty());

    // Discovery succeeds at the first attempt: the arrival comes when the node is ready.
    const size_t pauses = clock.pauses().size();
    testbed.plugMouse();
    dispatch();
    EXPECT_TRUE(driver.isOpen());
    EXPECT_TRUE(idle);
    EXPECT_EQ(observer.events,
              (std::vector<std::string>{"hooks off", "version 12", "hooks on", "release apply"}));
    EXPECT_EQ(clock.pauses().size() - pauses, 1u);  // the version request's own pause

    // Removed while idle: the user is told once and the program closes.
    testbed.unplugMouse();
    dispatch();
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"The X5K gaming mouse cannot be found."});
    EXPECT_EQ(poster.messages().back().message, msg::kClose);
}

}  // namespace
}  // namespace x5k

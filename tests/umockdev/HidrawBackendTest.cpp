// The hidraw backend against the mouse in a umockdev testbed: enumeration, feature and
// output reports on the vendor node, and the USB hardware IDs.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <thread>

#include "device/UsbDriver.h"
#include "device/emulator/ReportDescriptors.h"
#include "platform/linux/HidrawBackend.h"
#include "support/VirtualClock.h"
#include "umockdev/MouseTestbed.h"

namespace x5k {
namespace {

using std::chrono::milliseconds;

constexpr uint32_t kBusUsb = 3;

// A feature report of the mouse's framing: report ID 5, 33 bytes.
std::vector<uint8_t> Feature(std::initializer_list<uint8_t> command) {
    std::vector<uint8_t> report(33, 0);
    report[0] = 0x05;
    std::copy(command.begin(), command.end(), report.begin() + 1);
    return report;
}

std::vector<uint8_t> Output(std::initializer_list<uint8_t> data) {
    std::vector<uint8_t> report(33, 0);
    report[0] = 0x05;
    std::copy(data.begin(), data.end(), report.begin() + 1);
    return report;
}

const std::vector<uint8_t> kAnnounceTable = Feature({0x11, 0x01, 0x07, 0x10, 0x00});
const std::vector<uint8_t> kTable =
    Output({2, 4, 6, 8, 12, 0x80, 0x80, 0x80, 2, 4, 6, 8, 12, 0x80, 0x80, 0x80});

// Descriptors this process holds open.
size_t OpenDescriptors() {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}

// Waits (at most five seconds, in steps of a millisecond) until the process holds
// `count` descriptors.
bool WaitForOpenDescriptors(size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (OpenDescriptors() != count) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(milliseconds(1));
    }
    return true;
}

class HidrawBackendTest : public ::testing::Test {
protected:
    HidrawBackendTest() { testbed.plugMouse(); }

    std::unique_ptr<HidHandle> open(HidAccess access) {
        auto handle = backend.open(test::kVendorNode, access);
        EXPECT_TRUE(handle);
        return handle;
    }

    test::MouseTestbed testbed;
    HidrawBackend backend;
};

TEST_F(HidrawBackendTest, EnumeratesEveryNodeWithIdentityAndDescriptor) {
    testbed.plugOtherKeyboard();
    struct Row {
        const char* node;
        uint16_t vendorId;
        uint16_t productId;
        int interface;
        std::vector<uint8_t> descriptor;
    };
    const Row expected[] = {
        {test::kOtherNode, test::kOtherVendorId, test::kOtherProductId, 0,
         KeyboardInterfaceDescriptor()},
        {test::kPointerNode, kMouseVendorId, kMouseProductId, 0, PointerInterfaceDescriptor()},
        {test::kKeyboardNode, kMouseVendorId, kMouseProductId, 1, KeyboardInterfaceDescriptor()},
        {test::kVendorNode, kMouseVendorId, kMouseProductId, 2,
         VendorInterfaceDescriptor(VendorFeatureItem{})},
    };
    const auto nodes = ListHidrawInterfaces();
    ASSERT_EQ(nodes.size(), std::size(expected));
    for (size_t i = 0; i < nodes.size(); ++i) {
        SCOPED_TRACE(expected[i].node);
        EXPECT_EQ(nodes[i].info.path, expected[i].node);
        EXPECT_EQ(nodes[i].info.vendorId, expected[i].vendorId);
        EXPECT_EQ(nodes[i].info.productId, expected[i].productId);
        EXPECT_EQ(nodes[i].interfaceNumber, expected[i].interface);
        EXPECT_EQ(nodes[i].bus, kBusUsb);
        EXPECT_TRUE(nodes[i].identityFromNode);
        EXPECT_TRUE(nodes[i].descriptorRead);
        EXPECT_EQ(nodes[i].info.reportDescriptor, expected[i].descriptor);
    }
    const auto interfaces = backend.enumerateInterfaces();
    ASSERT_EQ(interfaces.size(), nodes.size());
    EXPECT_EQ(interfaces[3].path, test::kVendorNode);
    EXPECT_EQ(interfaces[3].reportDescriptor, expected[3].descriptor);

    test::VirtualClock clock;
    CUSBDriver driver(backend, clock);
    EXPECT_TRUE(driver.discover());
    EXPECT_EQ(driver.reportId(), 5);
    EXPECT_EQ(driver.featureLength(), 33u);
}

TEST_F(HidrawBackendTest, NodesThatDoNotAnswer) {
    // A node whose descriptor cannot be read is listed with an empty one, a node that does
    // not tell its identity keeps udev's; discovery looks past both.
    testbed.setDescriptorUnreadable(test::kKeyboardNode);
    testbed.setRawInfoReadable(test::kPointerNode, false);
    const auto nodes = ListHidrawInterfaces();
    ASSERT_EQ(nodes.size(), 3u);
    EXPECT_FALSE(nodes[0].identityFromNode);
    EXPECT_EQ(nodes[0].info.vendorId, kMouseVendorId);
    EXPECT_EQ(nodes[0].info.productId, kMouseProductId);
    EXPECT_TRUE(nodes[0].descriptorRead);
    EXPECT_FALSE(nodes[1].descriptorRead);
    EXPECT_TRUE(nodes[1].info.reportDescriptor.empty());
    EXPECT_TRUE(nodes[1].openError.empty());

    test::VirtualClock clock;
    CUSBDriver driver(backend, clock);
    EXPECT_TRUE(driver.discover());
    testbed.setDescriptorUnreadable(test::kVendorNode);
    EXPECT_FALSE(driver.discover());
    EXPECT_FALSE(driver.isOpen());
}

TEST_F(HidrawBackendTest, FeatureReportsReachTheFirmware) {
    const auto write = open(HidAccess::Write);
    const auto read = open(HidAccess::Read);
    struct Case {
        const char* what;
        std::vector<uint8_t> report;
        bool accepted;
    };
    const Case cases[] = {
        {"lighting colour", Feature({0x0C, 0x01, 0x34, 0x12, 0x56}), true},
        {"report rate", Feature({0x01, 0x04}), true},
        {"a report of the wrong length", {0x05, 0x01, 0x02}, false},
        {"another report ID", {0x04, 0x01, 0x02}, false},
        {"an unknown command", Feature({0x7F}), false},
    };
    for (const Case& c : cases) EXPECT_EQ(write->setFeature(c.report).ok(), c.accepted) << c.what;
    const MouseState state = testbed.state();
    EXPECT_EQ(state.colour, 0x00563412u);
    EXPECT_EQ(state.reportRate, 4);
    EXPECT_EQ(state.protocolErrors.size(), 3u);

    // A read answers only the version request just before it.
    std::vector<uint8_t> reply(33, 0);
    reply[0] = 0x05;
    EXPECT_FALSE(read->getFeature(reply));
    ASSERT_TRUE(write->setFeature(Feature({0x80})));
    EXPECT_TRUE(read->getFeature(reply));
    EXPECT_EQ(std::vector<uint8_t>(reply.begin(), reply.begin() + 4),
              (std::vector<uint8_t>{0x05, 0x80, 0x01, 0x02}));

    // The mouse's other interfaces have no feature reports.
    const auto pointer = backend.open(test::kPointerNode, HidAccess::Read);
    ASSERT_TRUE(pointer);
    const size_t logged = testbed.reports().size();
    EXPECT_FALSE(pointer->setFeature(Feature({0x01, 0x04})));
    EXPECT_EQ(testbed.reports().size(), logged);

    test::VirtualClock clock;
    CUSBDriver driver(backend, clock);
    ASSERT_TRUE(driver.discover());
    EXPECT_EQ(driver.readFirmwareVersion(), 12);
}

TEST_F(HidrawBackendTest, OutputWritesThatEndAtOnce) {
    // Any write done within the wait counts as done at once here, so the outcome does not
    // depend on how busy this machine is.
    HidrawBackend patient(std::chrono::hours(1));
    const auto write = patient.open(test::kVendorNode, HidAccess::Write);
    ASSERT_TRUE(write);
    ASSERT_TRUE(write->setFeature(kAnnounceTable));
    EXPECT_EQ(write->writeOutput(kTable, milliseconds(1500)), OutputWrite::Completed);
    EXPECT_EQ(testbed.state().resolutionTable,
              (MouseState::ResolutionTable{2, 4, 6, 8, 12, 0x80, 0x80, 0x80, 2, 4, 6, 8, 12, 0x80,
                                           0x80, 0x80}));

    // Data nobody announced: the firmware refuses it and the write fails.
    EXPECT_EQ(write->writeOutput(kTable, milliseconds(1500)), OutputWrite::Failed);

    // The device refuses the transfer: the firmware never sees the report.
    testbed.setWriteMode(test::WriteMode::Refuse);
    ASSERT_TRUE(write->setFeature(kAnnounceTable));
    const size_t logged = testbed.reports().size();
    EXPECT_EQ(write->writeOutput(kTable, milliseconds(1500)), OutputWrite::Failed);
    EXPECT_EQ(testbed.reports().size(), logged);
    EXPECT_EQ(testbed.writesSeen(), 3u);

    // A node opened for reading takes no output report.
    EXPECT_EQ(open(HidAccess::Read)->writeOutput(kTable, milliseconds(1500)), OutputWrite::Failed);
    EXPECT_EQ(testbed.writesSeen(), 3u);
}

// A refusal keeps the errno the kernel gave and names the call, for the diagnostic log.
TEST_F(HidrawBackendTest, RefusalsKeepTheSystemsCause) {
    const auto write = open(HidAccess::Write);
    const auto read = open(HidAccess::Read);
    ASSERT_TRUE(write && read);
    std::vector<uint8_t> reply(33, 0);
    reply[0] = 0x05;
    testbed.setWriteMode(test::WriteMode::Refuse);
    struct Case {
        const char* what;
        std::function<SysResult()> call;
        SysResult expected;
    };
    const Case cases[] = {
        {"an unknown command", [&] { return write->setFeature(Feature({0x7F})); },
         SysResult::failure(EPIPE, "ioctl (HIDIOCSFEATURE)")},
        {"a read with no request", [&] { return read->getFeature(reply); },
         SysResult::failure(EPIPE, "ioctl (HIDIOCGFEATURE)")},
        {"a refused transfer", [&] { return write->writeOutput(kTable, milliseconds(1500)).cause; },
         SysResult::failure(EIO, "write")},
        {"a node opened for reading",
         [&] { return read->writeOutput(kTable, milliseconds(1500)).cause; },
         SysResult::failure(EBADF, "write")},
    };
    for (const Case& c : cases) {
        const SysResult result = c.call();
        EXPECT_EQ(result.code, c.expected.code) << c.what << ": " << result.describe();
        EXPECT_EQ(result.operation, c.expected.operation) << c.what;
    }
}

TEST_F(HidrawBackendTest, WriteThatFinishesWithinTheWait) {
    const auto write = open(HidAccess::Write);
    ASSERT_TRUE(write->setFeature(kAnnounceTable));
    testbed.setWriteMode(test::WriteMode::Hold);
    auto result = std::async(std::launch::async,
                             [&] { return write->writeOutput(kTable, milliseconds(5000)); });
    ASSERT_TRUE(testbed.waitForHeldWrites(1));
    std::this_thread::sleep_for(kPromptWrite + milliseconds(2));
    testbed.releaseHeldWrites();
    EXPECT_EQ(result.get(), OutputWrite::PendingThenDone);
    EXPECT_EQ(testbed.state().resolutionTable[0], 2);
}

TEST_F(HidrawBackendTest, TimedOutWriteCountsAsSentAndNeverBlocksTheHandle) {
    const size_t descriptors = OpenDescriptors();
    auto write = open(HidAccess::Write);
    ASSERT_GT(OpenDescriptors(), descriptors);
    ASSERT_TRUE(write->setFeature(Feature({0x12, 0x01, 0x00, 0x40, 0x00})));  // two reports
    testbed.setWriteMode(test::WriteMode::Hold);
    const auto first = Output({0x01, 0x00, 0xF0, 0x00});
    EXPECT_EQ(write->writeOutput(first, milliseconds(3)), OutputWrite::TimedOut);
    // The next write queues behind the one still in the kernel and times out as well.
    EXPECT_EQ(write->writeOutput(Output({0x07}), milliseconds(3)), OutputWrite::TimedOut);
    ASSERT_TRUE(testbed.waitForHeldWrites(1));

    // Closing does not wait for the blocked write; the report not yet started is dropped.
    const auto before = std::chrono::steady_clock::now();
    write.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - before, milliseconds(500));
    testbed.releaseHeldWrites();
    // Once the write is done, the writer thread closes the node.
    EXPECT_TRUE(WaitForOpenDescriptors(descriptors));
    EXPECT_EQ(testbed.writesSeen(), 1u);
    const auto reports = testbed.reports();
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), (LoggedReport{ReportKind::Output, first, 0, true}));
}

TEST(HidrawHardwareIds, FirstHardwareIdOfEveryUsbDevice) {
    struct Case {
        const char* what;
        std::function<void(test::MouseTestbed&)> setup;
        std::vector<std::string> ids;
        bool loader;
    };
    const std::string hub = "USB\\VID_1D6B&PID_0002&REV_0601";
    const Case cases[] = {
        {"nothing plugged in", [](test::MouseTestbed&) {}, {hub}, false},
        {"the mouse and a keyboard",
         [](test::MouseTestbed& t) {
             t.plugOtherKeyboard();
             t.plugMouse();
         },
         {hub, "USB\\VID_046D&PID_C31C&REV_0100", "USB\\VID_7A1D&PID_5217&REV_0100"},
         false},
        {"the firmware loader",
         [](test::MouseTestbed& t) { t.plugFirmwareLoader(); },
         {hub, "USB\\VID_04D9&PID_8022&REV_0100"},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::MouseTestbed testbed;
        c.setup(testbed);
        HidrawBackend backend;
        EXPECT_EQ(backend.usbHardwareIds(), c.ids);
        test::VirtualClock clock;
        CUSBDriver driver(backend, clock);
        EXPECT_EQ(driver.firmwareLoaderPresent(), c.loader);
    }
}

}  // namespace
}  // namespace x5k

// The device link against the emulated mouse: discovery, the wire bytes and pacing of
// every command, the apply sequence, and start-up, arrival and removal.

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <set>
#include <thread>

#include "device/ApplyWorker.h"
#include "device/DeviceLink.h"
#include "device/UsbDriver.h"
#include "device/emulator/EmulatedMouse.h"
#include "functions/FunctionCatalogue.h"
#include "support/FaultyFileSystem.h"
#include "support/RecordingBlockList.h"
#include "support/RecordingLogSink.h"
#include "support/RecordingLinkObserver.h"
#include "support/RecordingPointerSettings.h"
#include "support/RecordingPoster.h"
#include "support/RecordingShell.h"
#include "support/RecordingUserMessages.h"
#include "support/TempFolder.h"
#include "support/VirtualClock.h"

namespace x5k {
namespace {

using std::chrono::milliseconds;
using test::BoxKind;
using test::ShownMessage;

std::vector<uint8_t> Feature(size_t length, std::initializer_list<uint8_t> command,
                             uint8_t reportId = 5) {
    std::vector<uint8_t> report(length, 0);
    report[0] = reportId;
    std::copy(command.begin(), command.end(), report.begin() + 1);
    return report;
}

std::vector<std::vector<uint8_t>> FeatureSets(const std::vector<LoggedReport>& reports) {
    std::vector<std::vector<uint8_t>> out;
    for (const auto& r : reports) {
        if (r.kind == ReportKind::FeatureSet) out.push_back(r.bytes);
    }
    return out;
}

int TotalPause(const test::VirtualClock& clock) {
    const auto pauses = clock.pauses();
    return static_cast<int>(std::accumulate(pauses.begin(), pauses.end(), milliseconds{0}).count());
}

// ---------------------------------------------------------------- discovery

TEST(Discovery, FindsTheVendorInterfaceBehindTheOthers) {
    EmulatedMouseSetup setup;
    setup.otherDevices.push_back({"/dev/hidraw0", 0x046D, 0xC52B, {}});
    EmulatedMouse mouse(setup);
    test::VirtualClock clock;
    CUSBDriver driver(mouse, clock);
    ASSERT_TRUE(driver.discover());
    EXPECT_EQ(driver.reportId(), 5);
    EXPECT_EQ(driver.featureLength(), 33u);
    // Only the vendor interface is opened, once to read and once to write.
    const auto opens = mouse.opens();
    ASSERT_EQ(opens.size(), 2u);
    EXPECT_EQ(opens[0].path, opens[1].path);
    EXPECT_EQ(opens[0].path, mouse.enumerateInterfaces().back().path);
}

struct VendorCase {
    const char* name;
    uint16_t usagePage;
    uint16_t usage;
    uint32_t reportCount;
    bool found;
    size_t featureLength;
};

TEST(Discovery, VendorCapabilityDecides) {
    const VendorCase cases[] = {
        {"count_7", 0xFF01, 0x22, 7, true, 8},
        {"count_254", 0xFF01, 0x22, 254, true, 255},
        {"count_255_does_not_fit", 0xFF01, 0x22, 255, false, 0},
        {"count_4_too_short", 0xFF01, 0x22, 4, false, 0},
        {"usage_on_other_page", 0xFF00, 0x22, 32, false, 0},
        {"other_usage", 0xFF01, 0x23, 32, false, 0},
    };
    for (const VendorCase& c : cases) {
        EmulatedMouseSetup setup;
        setup.vendor.usagePage = c.usagePage;
        setup.vendor.usage = c.usage;
        setup.vendor.reportCount = c.reportCount;
        EmulatedMouse mouse(setup);
        test::VirtualClock clock;
        CUSBDriver driver(mouse, clock);
        EXPECT_EQ(driver.discover(), c.found) << c.name;
        if (c.found) {
            EXPECT_EQ(driver.featureLength(), c.featureLength) << c.name;
        } else if (c.reportCount != 32) {
            EXPECT_FALSE(driver.diagnostic().empty()) << c.name;
        }
        EXPECT_TRUE(mouse.opens().empty() || c.found) << c.name;
    }
}

TEST(Discovery, RefusedOpenAndUnpluggedMouse) {
    EmulatedMouseSetup setup;
    setup.faults.refuseOpenForWrite = true;
    EmulatedMouse mouse(setup);
    test::VirtualClock clock;
    CUSBDriver driver(mouse, clock);
    test::RecordingLogSink log;
    EXPECT_FALSE(driver.discover());
    EXPECT_FALSE(driver.isOpen());
    EXPECT_TRUE(log.has({"emulated:x5k:if2", "cannot be opened", "open: Permission denied"}))
        << log.all();
    mouse.setFaults({});
    mouse.unplug();
    EXPECT_FALSE(driver.discover());
    mouse.plug();
    EXPECT_TRUE(driver.discover());
}

// The mouse's vendor interface, whose first write handle holds its first feature report
// until told to let go. The threads signal each other through relaxed flags, which order
// nothing, so ThreadSanitizer sees only the ordering the driver itself provides.
class StallingBackend final : public HidBackend {
public:
    std::vector<HidInterfaceInfo> enumerateInterfaces() override { return {vendor_}; }
    using HidBackend::open;
    std::unique_ptr<HidHandle> open(const std::string&, HidAccess access, SysResult&) override {
        return std::make_unique<Handle>(*this, access == HidAccess::Write && writeOpens_++ == 0);
    }
    std::vector<std::string> usbHardwareIds() override { return {}; }

    std::atomic<bool> sending{false};
    std::atomic<bool> letGo{false};

private:
    class Handle final : public HidHandle {
    public:
        Handle(StallingBackend& backend, bool stalls) : backend_(backend), stalls_(stalls) {}
        SysResult setFeature(std::span<const uint8_t>) override {
            if (!stalls_) return {};
            backend_.sending.store(true, std::memory_order_relaxed);
            while (!backend_.letGo.load(std::memory_order_relaxed)) std::this_thread::yield();
            return {};
        }
        SysResult getFeature(std::span<uint8_t>) override { return {}; }
        OutputWriteResult writeOutput(std::span<const uint8_t>, milliseconds) override {
            return {};
        }

    private:
        StallingBackend& backend_;
        bool stalls_;
    };

    HidInterfaceInfo vendor_ = EmulatedMouse().enumerateInterfaces().back();
    int writeOpens_ = 0;
};

// A replug seen on the user-interface thread rediscovers while the apply worker is in
// the middle of a command.
TEST(DeviceLinkThreads, RediscoveryWhileTheWorkerSends) {
    StallingBackend backend;
    test::VirtualClock clock;
    CUSBDriver driver(backend, clock);
    ASSERT_TRUE(driver.discover());
    std::thread worker([&driver] { EXPECT_TRUE(driver.setReportRate(1)); });
    while (!backend.sending.load(std::memory_order_relaxed)) std::this_thread::yield();
    EXPECT_TRUE(driver.discover());
    backend.letGo.store(true, std::memory_order_relaxed);
    worker.join();
    EXPECT_EQ(driver.featureLength(), 33u);
}

TEST(Discovery, FirmwareLoaderByItsFirstHardwareId) {
    EmulatedMouseSetup setup;
    setup.firmwareLoaderMode = true;
    EmulatedMouse loader(setup);
    test::VirtualClock clock;
    EXPECT_TRUE(CUSBDriver(loader, clock).firmwareLoaderPresent());
    EmulatedMouse normal;
    EXPECT_FALSE(CUSBDriver(normal, clock).firmwareLoaderPresent());
    EXPECT_TRUE(ContainsIdentity("usb\\vid_04d9&pid_8022&rev_0100", kFirmwareLoaderIdentity));
}

// ---------------------------------------------------------------- commands

class CommandTest : public ::testing::Test {
protected:
    explicit CommandTest(EmulatedMouseSetup setup = {}) : mouse(setup, &clock) {
        EXPECT_TRUE(driver.discover());
        mouse.clearReports();
    }
    test::VirtualClock clock;
    EmulatedMouse mouse;
    CUSBDriver driver{mouse, clock};
};

TEST_F(CommandTest, FeatureReportBytes) {
    struct Case {
        std::function<SysResult(CUSBDriver&)> send;
        std::vector<uint8_t> expected;
    };
    const Case cases[] = {
        {[](CUSBDriver& d) { return d.setReportRate(8); }, Feature(33, {0x01, 0x08})},
        {[](CUSBDriver& d) { return d.setReportRate(3); }, Feature(33, {0x01, 0x02})},
        {[](CUSBDriver& d) { return d.setBodyLighting(true); }, Feature(33, {0x03, 0xA0})},
        {[](CUSBDriver& d) { return d.setBodyLighting(false); }, Feature(33, {0x03, 0xB0})},
        {[](CUSBDriver& d) { return d.setResolutionLevel(2); }, Feature(33, {0x0B, 0x01, 0x02})},
        {[](CUSBDriver& d) { return d.setLightingColour(0x00123456); },
         Feature(33, {0x0C, 0x01, 0x34, 0x56, 0x12})},
        {[](CUSBDriver& d) { return d.setLightingEffect(4, 10, 2); },
         Feature(33, {0x0D, 0x01, 0x04, 0x0A, 0x02})},
    };
    for (const Case& c : cases) {
        mouse.clearReports();
        EXPECT_TRUE(c.send(driver));
        EXPECT_EQ(FeatureSets(mouse.reports()), std::vector<std::vector<uint8_t>>{c.expected});
    }
    EXPECT_TRUE(mouse.state().protocolErrors.empty());
    EXPECT_EQ(mouse.state().colour, 0x00123456u);
}

TEST_F(CommandTest, BulkTransfersAndTheirPacing) {
    std::array<uint8_t, 16> table{3, 4, 6, 8, 12, 0x80, 0x80, 0x80,
                                  3, 4, 6, 8, 12, 0x80, 0x80, 0x80};
    ASSERT_TRUE(driver.writeResolutionTable(table));
    EXPECT_EQ(TotalPause(clock), 100);
    std::array<uint8_t, 64> matrix{};
    for (size_t i = 0; i < matrix.size(); ++i) matrix[i] = static_cast<uint8_t>(i);
    ASSERT_TRUE(driver.writeButtonMatrix(matrix));
    EXPECT_EQ(TotalPause(clock), 100 + 300);
    std::array<uint8_t, 512> image{};
    image[1] = 1;
    driver.writeMacro(2, image);
    EXPECT_EQ(TotalPause(clock), 100 + 300 + 1700);

    const auto reports = mouse.reports();
    ASSERT_EQ(reports.size(), 3u + 1 + 2 + 16);
    for (const auto& r : reports) {
        EXPECT_EQ(r.bytes.size(), r.kind == ReportKind::Output ? 33u : 33u);
        EXPECT_TRUE(r.accepted);
    }
    EXPECT_EQ(reports[0].bytes, Feature(33, {0x11, 0x01, 0x07, 0x10, 0x00}));
    EXPECT_EQ(reports[2].bytes, Feature(33, {0x12, 0x01, 0x00, 0x40, 0x00}));
    EXPECT_EQ(reports[5].bytes, Feature(33, {0x13, 0x01, 0x02, 0x00, 0x02}));
    const MouseState state = mouse.state();
    EXPECT_TRUE(std::equal(table.begin(), table.end(), state.resolutionTable.begin()));
    EXPECT_TRUE(std::equal(matrix.begin(), matrix.end(), state.buttonMatrix.begin()));
    EXPECT_EQ(state.macros[2], image);
    EXPECT_TRUE(state.protocolErrors.empty());

    mouse.clearReports();
    driver.writeMacro(8, image);  // beyond the mouse's slots: nothing is sent
    EXPECT_TRUE(mouse.reports().empty());
    EXPECT_FALSE(driver.writeButtonMatrix(std::span(matrix).first(63)));
    EXPECT_TRUE(mouse.reports().empty());
}

TEST_F(CommandTest, OutputWriteOutcomes) {
    std::array<uint8_t, 64> matrix{};
    for (const OutputWrite outcome :
         {OutputWrite::PendingThenDone, OutputWrite::TimedOut, OutputWrite::Failed}) {
        EmulatedFaults faults;
        faults.outputWrites = outcome;
        mouse.setFaults(faults);
        EXPECT_EQ(driver.writeButtonMatrix(matrix).ok(), outcome != OutputWrite::Failed);
    }
}

TEST_F(CommandTest, FirmwareVersion) {
    EXPECT_EQ(driver.readFirmwareVersion(), 12);
    EmulatedMouseSetup setup;
    setup.versionReply = {0x81, 1, 2};
    EmulatedMouse other(setup, &clock);
    CUSBDriver otherDriver(other, clock);
    ASSERT_TRUE(otherDriver.discover());
    EXPECT_EQ(otherDriver.readFirmwareVersion(), std::nullopt);
}

TEST_F(CommandTest, ClosedOrRemovedConnectionFails) {
    mouse.unplug();
    EXPECT_FALSE(driver.setReportRate(1));
    EXPECT_FALSE(driver.readFirmwareVersion());
    driver.close();
    EXPECT_FALSE(driver.setBodyLighting(true));
    EXPECT_FALSE(driver.isOpen());
}

class ShortReportTest : public CommandTest {
protected:
    static EmulatedMouseSetup MouseSetup() {
        EmulatedMouseSetup setup;
        setup.vendor.reportCount = 7;
        return setup;
    }
    ShortReportTest() : CommandTest(MouseSetup()) {}
};

TEST_F(ShortReportTest, FeatureReportsFollowTheDescriptor) {
    EXPECT_TRUE(driver.setLightingColour(0x00123456));
    std::array<uint8_t, 64> matrix{};
    EXPECT_TRUE(driver.writeButtonMatrix(matrix));
    const auto reports = mouse.reports();
    EXPECT_EQ(reports[0].bytes, Feature(8, {0x0C, 0x01, 0x34, 0x56, 0x12}));
    EXPECT_EQ(reports[1].bytes.size(), 8u);
    EXPECT_EQ(reports[2].bytes.size(), 33u);  // output reports keep their size
    EXPECT_TRUE(mouse.state().protocolErrors.empty());
}

// ---------------------------------------------------------------- apply

class FakeMacros final : public MacroSource {
public:
    std::optional<EncodedMacro> encodeMacro(int32_t id) override {
        const auto it = macros.find(id);
        if (it == macros.end()) return std::nullopt;
        return it->second;
    }
    std::map<int32_t, EncodedMacro> macros;
};

class ApplyTest : public ::testing::Test {
protected:
    ApplyTest() {
        EXPECT_TRUE(driver.discover());
        store.loadConfiguration();
        MouseState blank;
        blank.buttonMatrix = {};
        blank.resolutionTable = {};
        mouse.setState(blank);
        mouse.clearReports();
        messages.answer = UserMessages::kOk;
    }

    void setButton(int b, int32_t code, int32_t keyValue = 0) {
        store.image().set(profile::FunctionCode(b), code);
        store.image().set(profile::KeyValue(b), keyValue);
    }
    uint32_t matrixSlot(int slot) const {
        return GetU32(mouse.state().buttonMatrix, 4 * static_cast<size_t>(slot));
    }
    std::vector<uintptr_t> progress() const {
        return poster.wParams(Window::ProgressDialog, msg::kProgress);
    }

    test::TempFolder data;
    test::VirtualClock clock;
    EmulatedMouse mouse{{}, &clock};
    CUSBDriver driver{mouse, clock};
    test::FaultyFileSystem files;
    test::RecordingUserMessages messages;
    InterfaceStrings strings;
    std::atomic<bool> chinese{false};
    ConfigStore store{files, messages, strings, chinese, data.path()};
    FakeMacros macros;
    test::RecordingBlockList blockList;
    test::RecordingPointerSettings pointer;
    test::RecordingPoster poster;
    std::atomic<bool> idle{true};
    ApplyWorker worker{{driver, store, macros, blockList, pointer, poster, clock, idle}};
};

TEST_F(ApplyTest, DefaultProfileOnTheWire) {
    worker.runOnce();
    const MouseState state = mouse.state();
    EXPECT_EQ(state.buttonMatrix, MouseState::kFactoryButtonMatrix);
    EXPECT_EQ(state.resolutionTable, MouseState::kFactoryResolutionTable);
    EXPECT_EQ(state.resolutionLevel, 3);
    EXPECT_EQ(state.colour, 0x000000FFu);
    EXPECT_EQ(state.effect, (std::array<uint8_t, 3>{4, 10, 2}));
    EXPECT_TRUE(state.lightingOn);
    EXPECT_EQ(state.reportRate, 1);
    EXPECT_TRUE(state.protocolErrors.empty());
    EXPECT_EQ(progress(),
              (std::vector<uintptr_t>{0, 7, 14, 21, 28, 35, 42, 60, 70, 75, 80, 90, 100}));
    EXPECT_EQ(poster.wParams(Window::MainWindow, msg::kSettingChange),
              (std::vector<uintptr_t>{0x04, 0x71, 0x69}));
    EXPECT_EQ(poster.messages().back(),
              (test::PostedMessage{Window::MainWindow, msg::kApplySucceeded, 0, 0, false}));
    EXPECT_EQ(pointer.calls,
              (std::vector<std::string>{"acceleration off", "speed 10", "scroll lines 3"}));
    EXPECT_FALSE(idle);  // the main window sets it again when it handles the result
    // 50 ms after waking, 50 ms per button, the matrix, the table and the final 300 ms.
    EXPECT_EQ(TotalPause(clock), 50 + 7 * 50 + 300 + 100 + 300);
}

TEST_F(ApplyTest, MacrosTakeSlotsInButtonOrder) {
    EncodedMacro first, second;
    first.image[1] = 1;
    first.words = 3;
    second.image[1] = 2;
    second.words = 0x105;  // only the low byte reaches the matrix
    macros.macros = {{0x0100AAAA, first}, {0x0200BBBB, second}};
    setButton(3, kFunctionMacro);
    setButton(4, kFunctionMacro);
    setButton(1, kFunctionMacro);
    store.workingMacroIds() = {0, 0x0100AAAA, 0, 0x0DEAD, 0x0200BBBB, 0, 0};
    worker.runOnce();
    EXPECT_EQ(matrixSlot(kMatrixSlotOfButton[1]), 0x03010009u);
    EXPECT_EQ(matrixSlot(kMatrixSlotOfButton[3]), 0u);  // no such macro
    EXPECT_EQ(matrixSlot(kMatrixSlotOfButton[4]), 0x05020009u);
    EXPECT_EQ(mouse.state().macros[1], first.image);
    EXPECT_EQ(mouse.state().macros[2], second.image);
    EXPECT_EQ(mouse.state().macros[3], MouseState::MacroImage{});
}

TEST_F(ApplyTest, PacingWithOneMacro) {
    macros.macros = {{0x15000001, EncodedMacro{}}};
    setButton(2, kFunctionMacro);
    store.workingMacroIds()[2] = 0x15000001;
    worker.runOnce();
    // The macro adds its announcement pause and 16 reports of 100 ms, and 50 ms after it.
    EXPECT_EQ(TotalPause(clock), 50 + 7 * 50 + (100 + 16 * 100) + 50 + 300 + 100 + 300);
    EXPECT_EQ(matrixSlot(kMatrixSlotOfButton[2]), 0x00010009u);
}

TEST_F(ApplyTest, HostActionKeepsTheNativeValueAndBlocksItsInput) {
    setButton(3, kFunctionHostAction);
    setButton(2, kFunctionKey, 0x00040300);  // Shift + Ctrl + A
    worker.runOnce();
    EXPECT_EQ(matrixSlot(5), 0x00F40001u);
    EXPECT_EQ(matrixSlot(1), 0x00040300u);
    EXPECT_EQ(blockList.codes, std::set<uint32_t>{0x2020B});
    setButton(3, 8);
    worker.runOnce();
    EXPECT_TRUE(blockList.codes.empty());
}

TEST_F(ApplyTest, UnknownResolutionsAndLightingOff) {
    store.image().set(profile::Resolution(0), 800);
    store.image().set(profile::Resolution(1), 1600);
    for (int slot = 2; slot < 8; ++slot) store.image().set(profile::Resolution(slot), 0);
    store.image().set(profile::kLightingMode, 5);
    worker.runOnce();
    const MouseState state = mouse.state();
    MouseState::ResolutionTable unused;
    unused.fill(0x80);
    EXPECT_EQ(state.resolutionTable, unused);
    EXPECT_EQ(state.effect, (std::array<uint8_t, 3>{0, 0, 0}));
    EXPECT_FALSE(state.lightingOn);
    // Level 0 is sent and refused by the mouse; the apply goes on regardless.
    EXPECT_EQ(FeatureSets(mouse.reports())[FeatureSets(mouse.reports()).size() - 2],
              Feature(33, {0x0B, 0x01, 0x00}));
    EXPECT_EQ(poster.messages().back().message, msg::kApplySucceeded);
}

TEST_F(ApplyTest, LightingModesGiveTheirEffects) {
    const std::pair<int32_t, std::array<uint8_t, 3>> cases[] = {{1, {1, 7, 1}}, {2, {2, 4, 1}},
                                                                {3, {3, 2, 3}}, {4, {4, 10, 2}},
                                                                {9, {0, 0, 0}}, {0, {0, 0, 0}}};
    store.image().set(profile::kMode1Level, 7);
    store.image().set(profile::kMode2Level, 4);
    for (const auto& [mode, effect] : cases) {
        store.image().set(profile::kLightingMode, mode);
        worker.runOnce();
        EXPECT_EQ(mouse.state().effect, effect) << mode;
    }
}

// The LED is switched on only when the profile asks for it and the mode is not off.
TEST_F(ApplyTest, BodyLightingFollowsSwitchAndMode) {
    struct Case {
        int32_t mode;
        int32_t lightSwitch;
        uint8_t sent;
    };
    const Case cases[] = {{4, 0, 0xB0}, {5, 1, 0xB0}, {1, 1, 0xA0}, {3, 1, 0xA0}};
    for (const Case& c : cases) {
        store.image().set(profile::kLightingMode, c.mode);
        store.image().set(profile::kLightSwitch, c.lightSwitch);
        mouse.clearReports();
        worker.runOnce();
        const auto sets = FeatureSets(mouse.reports());
        EXPECT_EQ(std::count(sets.begin(), sets.end(), Feature(33, {0x03, c.sent})), 1)
            << c.mode << " " << c.lightSwitch;
    }
}

TEST_F(ApplyTest, FailingStepsReportTheirCode) {
    const std::pair<uint8_t, int> cases[] = {{0x12, kFailButtonMatrix},
                                             {0x0C, kFailLightingColour},
                                             {0x0D, kFailLightingEffect},
                                             {0x03, kFailBodyLighting},
                                             {0x11, kFailResolutionTable}};
    for (const auto& [command, code] : cases) {
        EmulatedFaults faults;
        faults.refusedCommands = {command};
        mouse.setFaults(faults);
        const size_t before = poster.messages().size();
        worker.runOnce();
        const auto all = poster.messages();
        const std::vector<test::PostedMessage> after(all.begin() + static_cast<long>(before),
                                                     all.end());
        ASSERT_GE(after.size(), 2u);
        EXPECT_EQ(after[after.size() - 2],
                  (test::PostedMessage{Window::ProgressDialog, msg::kClose, 0, 0, false}));
        EXPECT_EQ(after.back(),
                  (test::PostedMessage{Window::MainWindow, msg::kApplyFailed, 0, code, false}));
        EXPECT_FALSE(ApplyFailureText(code).empty());
    }
    EXPECT_EQ(ApplyFailureText(kFailLightingColour), "Write mouse LED color failed.\n");
    EXPECT_EQ(ApplyFailureText(3), "");
}

// Each injected failure keeps its cause to the log, while the main window is told only
// the failure code whose text the user sees.
TEST_F(ApplyTest, FailureCausesReachTheLogAndTheBoxTextStays) {
    struct Case {
        const char* name;
        EmulatedFaults faults;
        bool closed;  // the connection is closed before the apply
        int code;
        const char* box;
        std::vector<const char*> logged;
    };
    const Case cases[] = {
        {"stalled_colour", {.refusedCommands = {0x0C}}, false, kFailLightingColour,
         "Write mouse LED color failed.\n",
         {"set lighting colour failed (code 1)", "emulated set feature: Broken pipe"}},
        {"denied_table", {.refusedCommands = {0x11}, .refusalError = EACCES}, false,
         kFailResolutionTable, "Write mouse DPI failed.\n",
         {"write resolution table failed (code 5)", "Permission denied"}},
        {"output_io_error", {.outputWrites = OutputWrite::Failed, .refusalError = EIO}, false,
         kFailButtonMatrix, "write mousekey metix fail.\n",
         {"output report failed", "emulated write: Input/output error"}},
        // The matrix takes three reports; the mouse is gone before the colour.
        {"unplugged", {.unplugAfterReports = 3}, false, kFailLightingColour,
         "Write mouse LED color failed.\n", {"code 1", "No such device"}},
        {"closed", {}, true, kFailButtonMatrix, "write mousekey metix fail.\n",
         {"code 0", "no open connection to the mouse: No such device"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!mouse.pluggedIn()) mouse.plug();
        ASSERT_TRUE(driver.discover());
        mouse.setFaults(c.faults);
        if (c.closed) driver.close();
        test::RecordingLogSink log;
        worker.runOnce();
        const auto posted = poster.messages();
        ASSERT_FALSE(posted.empty());
        EXPECT_EQ(posted.back(),
                  (test::PostedMessage{Window::MainWindow, msg::kApplyFailed, 0, c.code, false}));
        EXPECT_EQ(ApplyFailureText(c.code), c.box);
        for (const char* piece : c.logged) {
            EXPECT_TRUE(log.has({piece})) << piece << "\n" << log.all();
        }
    }
}

// The log shows every report on the wire in hex, and the answer to a request.
TEST_F(CommandTest, ReportsAndAnswersAreLoggedInHex) {
    test::RecordingLogSink log;
    ASSERT_TRUE(driver.setLightingColour(0x00123456));
    ASSERT_TRUE(driver.readFirmwareVersion());
    std::array<uint8_t, 16> table{};
    table.fill(0x80);
    ASSERT_TRUE(driver.writeResolutionTable(table));
    EXPECT_TRUE(log.has({"feature report sent: 05 0C 01 34 56 12 00"})) << log.all();
    EXPECT_TRUE(log.has({"feature report answered: 05 80 01 02"})) << log.all();
    EXPECT_TRUE(log.has({"output report sent (completed): 05 80 80 80"})) << log.all();
}

TEST_F(ApplyTest, WorkerThreadWakesOnTheEventAndStops) {
    worker.start();
    worker.trigger();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (poster.wParams(Window::MainWindow, msg::kApplySucceeded).empty() &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(milliseconds(1));
    }
    worker.stop();
    EXPECT_EQ(poster.wParams(Window::MainWindow, msg::kApplySucceeded).size(), 1u);
}

// ---------------------------------------------------------------- start-up, arrival, removal

// The device link over the emulated mouse, with every outside effect recorded.
struct LinkRig {
    explicit LinkRig(EmulatedMouseSetup setup = {}) : mouse(setup, &clock) {}
    test::VirtualClock clock;
    EmulatedMouse mouse;
    CUSBDriver driver{mouse, clock};
    test::RecordingUserMessages messages;
    test::RecordingShell shell;
    test::RecordingPoster poster;
    test::RecordingLinkObserver observer;
    std::atomic<bool> chinese{false};
    std::atomic<bool> idle{true};
    DeviceLink link{driver, clock, messages, shell, poster, observer, chinese, idle, "/opt/x5k"};
};

class DeviceLinkTest : public ::testing::Test, public LinkRig {
protected:
    explicit DeviceLinkTest(EmulatedMouseSetup setup = {}) : LinkRig(setup) {}
    std::vector<ShownMessage> countdowns(std::initializer_list<const char*> texts) {
        std::vector<ShownMessage> out;
        for (const char* t : texts) out.push_back({BoxKind::CountdownNotice, t});
        return out;
    }
};

TEST_F(DeviceLinkTest, StartUpWithTheMouse) {
    EXPECT_EQ(link.startUp(), StartUp::Connected);
    EXPECT_EQ(observer.events,
              (std::vector<std::string>{"refresh", "workers", "version 12", "hooks on"}));
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_EQ(clock.pauses(),
              (std::vector<milliseconds>{milliseconds(500), milliseconds(500), milliseconds(50)}));
}

TEST_F(DeviceLinkTest, StartUpWithoutTheMouse) {
    mouse.unplug();
    chinese = true;
    EXPECT_EQ(link.startUp(), StartUp::MouseNotFound);
    EXPECT_EQ(messages.shown(), countdowns({"没有找到X5K游戏鼠标."}));
    EXPECT_EQ(observer.events, std::vector<std::string>{"refresh"});
    EXPECT_EQ(poster.messages().back().message, msg::kClose);
    // Two loader checks half a second apart, then ten attempts, each followed by 500 ms.
    EXPECT_EQ(clock.pauses().size(), 2u + 10u);
}

class LoaderLinkTest : public DeviceLinkTest {
protected:
    static EmulatedMouseSetup MouseSetup() {
        EmulatedMouseSetup setup;
        setup.firmwareLoaderMode = true;
        return setup;
    }
    LoaderLinkTest() : DeviceLinkTest(MouseSetup()) {}
};

TEST_F(LoaderLinkTest, FirmwareLoaderStartsTheFlasher) {
    EXPECT_EQ(link.startUp(), StartUp::FirmwareLoader);
    EXPECT_EQ(
        shell.started(),
        std::vector<std::string>{
            (std::filesystem::path("/opt/x5k") / "FWUpdate" / "ZazareVA.exe").string() + " 0"});
    EXPECT_EQ(poster.messages().back().message, msg::kClose);
    EXPECT_TRUE(observer.events.empty());
    EXPECT_TRUE(clock.pauses().empty());
}

// The look for the loader may run on its own thread from the program's start: what the
// start-up does with its answer, and the pauses taken, are the same either way.
TEST(FirmwareLoaderCheckTest, StartUpTakesTheAnswerOfALookStartedEarlier) {
    struct Case {
        bool loader;
        bool startedEarly;
        StartUp result;
        size_t pauses;  // the loader's two pauses, then the version read's
    };
    const Case cases[] = {
        {false, false, StartUp::Connected, 3},
        {false, true, StartUp::Connected, 3},
        {true, false, StartUp::FirmwareLoader, 0},
        {true, true, StartUp::FirmwareLoader, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.loader << c.startedEarly);
        EmulatedMouseSetup setup;
        setup.firmwareLoaderMode = c.loader;
        LinkRig rig(setup);
        FirmwareLoaderCheck check(rig.mouse, rig.clock);
        if (c.startedEarly) check.start();
        EXPECT_EQ(rig.link.startUp(check), c.result);
        EXPECT_EQ(rig.shell.started().size(), c.loader ? 1u : 0u);
        EXPECT_EQ(rig.clock.pauses().size(), c.pauses);
        EXPECT_TRUE(rig.messages.shown().empty());
    }
}

TEST_F(DeviceLinkTest, RemovalAndArrival) {
    ASSERT_EQ(link.startUp(), StartUp::Connected);
    observer.events.clear();

    link.onRemoval("USB\\VID_046D&PID_C52B");  // another device
    link.onArrival("USB\\VID_046D&PID_C52B");
    EXPECT_TRUE(observer.events.empty());

    // Removed during an apply: silent; the next arrival releases Apply.
    idle = false;
    mouse.unplug();
    link.onRemoval("usb\\vid_7a1d&pid_5217&rev_0100");
    EXPECT_FALSE(driver.isOpen());
    EXPECT_TRUE(messages.shown().empty());
    mouse.plug();
    link.onArrival("USB\\VID_7A1D&PID_5217&REV_0100");
    EXPECT_TRUE(idle);
    EXPECT_EQ(observer.events,
              (std::vector<std::string>{"hooks off", "version 12", "hooks on", "release apply"}));
    EXPECT_TRUE(messages.shown().empty());

    // Plugged in again while idle: announced.
    link.onArrival("USB\\VID_7A1D&PID_5217&REV_0100");
    EXPECT_EQ(messages.shown(), countdowns({"The X5K gaming mouse is found."}));

    // Removed while idle: told, and the program closes.
    link.onRemoval("USB\\VID_7A1D&PID_5217&REV_0100");
    EXPECT_EQ(messages.shown().back().text, "The X5K gaming mouse cannot be found.");
    EXPECT_EQ(poster.messages().back().message, msg::kClose);
}

TEST_F(DeviceLinkTest, ArrivalThatCannotOpenGivesUp) {
    ASSERT_EQ(link.startUp(), StartUp::Connected);
    EmulatedFaults faults;
    faults.refuseOpenForRead = true;
    mouse.setFaults(faults);
    const size_t pausesBefore = clock.pauses().size();
    idle = false;
    link.onArrival("USB\\VID_7A1D&PID_5217&REV_0100");
    EXPECT_EQ(clock.pauses().size() - pausesBefore, static_cast<size_t>(kArrivalAttempts - 1));
    EXPECT_TRUE(idle);  // the cut-off apply is over all the same
    EXPECT_EQ(observer.events.back(), "release apply");
}

}  // namespace
}  // namespace x5k

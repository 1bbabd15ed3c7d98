#include "device/emulator/EmulatedMouse.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "device/emulator/MouseStateFile.h"
#include "platform/linux/PosixFileSystem.h"
#include "support/TempFolder.h"
#include "support/VirtualClock.h"

namespace x5k {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;
using Errors = std::vector<ProtocolError>;

constexpr uint8_t kId = 0x05;
constexpr const char* kVendorPath = "emulated:x5k:if2";
constexpr const char* kMouseHardwareId = "USB\\VID_7A1D&PID_5217&REV_0100";

// A feature report of `length` bytes: report ID, the command, zeros.
Bytes Feature(const Bytes& command, size_t length = 33, uint8_t id = kId) {
    Bytes report(length);
    report[0] = id;
    std::ranges::copy(command, report.begin() + 1);
    return report;
}

Bytes Output(const Bytes& data, uint8_t id = kId) {
    Bytes report(MouseFirmware::kOutputReportSize);
    report[0] = id;
    std::ranges::copy(data, report.begin() + 1);
    return report;
}

// `data` as the 32-byte output reports that carry it.
std::vector<Bytes> Chunks(const Bytes& data) {
    std::vector<Bytes> reports;
    for (size_t at = 0; at < data.size(); at += MouseFirmware::kOutputDataSize) {
        const size_t n = std::min(MouseFirmware::kOutputDataSize, data.size() - at);
        reports.push_back(Output(Bytes(data.begin() + at, data.begin() + at + n)));
    }
    return reports;
}

Bytes Pattern(size_t size) {
    Bytes data(size);
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<uint8_t>(7 * i + 1);
    return data;
}

// The emulated mouse on a virtual clock with its vendor interface opened both ways.
struct Rig {
    explicit Rig(EmulatedMouseSetup setup = {}) : mouse(std::move(setup), &clock) {
        writer = mouse.open(kVendorPath, HidAccess::Write);
        reader = mouse.open(kVendorPath, HidAccess::Read);
    }
    bool send(const Bytes& command) { return writer->setFeature(Feature(command)).ok(); }
    OutputWrite write(const Bytes& report) { return writer->writeOutput(report, 1500ms).outcome; }
    test::VirtualClock clock;
    EmulatedMouse mouse;
    std::unique_ptr<HidHandle> writer;
    std::unique_ptr<HidHandle> reader;
};

TEST(EmulatedMouseTest, EveryCommandIsTakenWithItsEffect) {
    MouseState start;
    start.reportRate = 4;
    start.lightingOn = false;
    start.resolutionLevel = 2;
    start.colour = 0;
    start.effect = {0, 0, 0};
    struct Row {
        const char* name;
        std::vector<Bytes> commands;
        std::function<void(MouseState&)> effect;
    };
    const Row rows[] = {
        {"report rate 1", {{0x01, 0x01}}, [](MouseState& s) { s.reportRate = 1; }},
        {"report rate 8", {{0x01, 0x08}}, [](MouseState& s) { s.reportRate = 8; }},
        {"body lighting on", {{0x03, 0xA0}}, [](MouseState& s) { s.lightingOn = true; }},
        {"body lighting off", {{0x03, 0xA0}, {0x03, 0xB0}}, [](MouseState&) {}},
        {"resolution level 1", {{0x0B, 0x01, 0x01}}, [](MouseState& s) { s.resolutionLevel = 1; }},
        {"resolution level 8", {{0x0B, 0x01, 0x08}}, [](MouseState& s) { s.resolutionLevel = 8; }},
        {"colour travels green, red, blue",
         {{0x0C, 0x01, 0x34, 0x56, 0x12}},
         [](MouseState& s) { s.colour = 0x00123456; }},
        {"effect triple",
         {{0x0D, 0x01, 0x04, 0x0A, 0x02}},
         [](MouseState& s) {
             s.effect = {4, 10, 2};
         }},
        {"version request", {{0x80}}, [](MouseState&) {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EmulatedMouseSetup setup;
        setup.state = start;
        Rig rig(setup);
        for (const Bytes& command : row.commands) EXPECT_TRUE(rig.send(command));
        MouseState expected = start;
        row.effect(expected);
        EXPECT_EQ(rig.mouse.state(), expected);
        const auto log = rig.mouse.reports();
        ASSERT_EQ(log.size(), row.commands.size());
        EXPECT_EQ(log.back().bytes, Feature(row.commands.back()));
        EXPECT_TRUE(log.back().accepted);
    }
}

TEST(EmulatedMouseTest, MalformedFeatureReportsAreRefused) {
    Bytes trailing = Feature({0x0C, 0x01, 0x34, 0x56, 0x12});
    trailing.back() = 0x01;
    struct Row {
        const char* name;
        Bytes report;
        ProtocolError error;
    };
    const Row rows[] = {
        {"one byte short", Feature({0x01, 0x02}, 32), ProtocolError::WrongLength},
        {"one byte long", Feature({0x01, 0x02}, 34), ProtocolError::WrongLength},
        {"wrong report ID", Feature({0x01, 0x02}, 33, 0x06), ProtocolError::WrongReportId},
        {"unknown command", Feature({0x02, 0x01}), ProtocolError::UnknownCommand},
        {"byte after the arguments", Feature({0x01, 0x02, 0x01}), ProtocolError::NonzeroPadding},
        {"last byte of the report", trailing, ProtocolError::NonzeroPadding},
        {"argument to the version request", Feature({0x80, 0x01}), ProtocolError::NonzeroPadding},
        {"report rate 3", Feature({0x01, 0x03}), ProtocolError::BadArgument},
        {"report rate 0", Feature({0x01, 0x00}), ProtocolError::BadArgument},
        {"lighting switch A1", Feature({0x03, 0xA1}), ProtocolError::BadArgument},
        {"resolution level 0", Feature({0x0B, 0x01, 0x00}), ProtocolError::BadArgument},
        {"resolution level 9", Feature({0x0B, 0x01, 0x09}), ProtocolError::BadArgument},
        {"colour without 01", Feature({0x0C, 0x02, 0x34, 0x56, 0x12}), ProtocolError::BadArgument},
        {"table selector 06", Feature({0x11, 0x01, 0x06, 0x10}), ProtocolError::BadArgument},
        {"table of 32 bytes", Feature({0x11, 0x01, 0x07, 0x20}), ProtocolError::BadArgument},
        {"matrix selector 01", Feature({0x12, 0x01, 0x01, 0x40}), ProtocolError::BadArgument},
        {"macro slot 8", Feature({0x13, 0x01, 0x08, 0x00, 0x02}), ProtocolError::BadArgument},
        {"macro of 256 bytes", Feature({0x13, 0x01, 0x00, 0x00, 0x01}), ProtocolError::BadArgument},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Rig rig;
        EXPECT_FALSE(rig.writer->setFeature(row.report));
        MouseState expected;
        expected.protocolErrors = {row.error};
        EXPECT_EQ(rig.mouse.state(), expected);
        // A refused announcement expects no data.
        EXPECT_EQ(rig.write(Output({})), OutputWrite::Failed);
        const auto log = rig.mouse.reports();
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log[0].bytes, row.report);
        EXPECT_FALSE(log[0].accepted);
    }
}

TEST(EmulatedMouseTest, MalformedOrUnexpectedOutputReportsAreRefused) {
    Bytes tableWithTail = Output(Pattern(16));
    tableWithTail[17] = 0x01;
    const Bytes announceTable = {0x11, 0x01, 0x07, 0x10};
    const Bytes announceMatrix = {0x12, 0x01, 0x00, 0x40};
    struct Row {
        const char* name;
        Bytes announcement;        // none when empty
        std::vector<Bytes> taken;  // output reports the firmware accepts first
        Bytes refused;             // then this one
        ProtocolError error;
    };
    const Row rows[] = {
        {"without announcement", {}, {}, Output(Pattern(16)), ProtocolError::UnannouncedOutput},
        {"32 bytes", announceTable, {}, Bytes(32, kId), ProtocolError::WrongLength},
        {"34 bytes", announceTable, {}, Bytes(34, kId), ProtocolError::WrongLength},
        {"wrong report ID",
         announceTable,
         {},
         Output(Pattern(16), 0x06),
         ProtocolError::WrongReportId},
        {"data past the table", announceTable, {}, tableWithTail, ProtocolError::NonzeroPadding},
        {"a third matrix report",
         announceMatrix,
         {Output(Pattern(32)), Output(Pattern(32))},
         Output(Pattern(32)),
         ProtocolError::UnannouncedOutput},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Rig rig;
        if (!row.announcement.empty()) {
            EXPECT_TRUE(rig.send(row.announcement));
        }
        for (const Bytes& report : row.taken) EXPECT_EQ(rig.write(report), OutputWrite::Completed);
        EXPECT_EQ(rig.write(row.refused), OutputWrite::Failed);
        EXPECT_EQ(rig.mouse.state().protocolErrors, Errors{row.error});
        EXPECT_FALSE(rig.mouse.reports().back().accepted);
    }
}

TEST(EmulatedMouseTest, AFeatureReportAbortsAnUnfinishedTransfer) {
    Rig rig;
    EXPECT_TRUE(rig.send({0x12, 0x01, 0x00, 0x40}));
    EXPECT_EQ(rig.write(Output(Pattern(32))), OutputWrite::Completed);
    // The matrix is one report short; the colour command itself is still carried out.
    EXPECT_TRUE(rig.send({0x0C, 0x01, 0x34, 0x56, 0x12}));
    EXPECT_EQ(rig.write(Output(Pattern(32))), OutputWrite::Failed);

    const MouseState state = rig.mouse.state();
    EXPECT_EQ(state.buttonMatrix, MouseState::kFactoryButtonMatrix);
    EXPECT_EQ(state.colour, 0x00123456u);
    EXPECT_EQ(state.protocolErrors,
              (Errors{ProtocolError::TransferAborted, ProtocolError::UnannouncedOutput}));
}

TEST(EmulatedMouseTest, BulkTransfersAssembleTheirData) {
    struct Row {
        const char* name;
        Bytes announcement;
        size_t size;
        std::function<std::span<const uint8_t>(const MouseState&)> target;
    };
    const Row rows[] = {
        {"resolution table",
         {0x11, 0x01, 0x07, 0x10},
         16,
         [](const MouseState& s) { return std::span<const uint8_t>(s.resolutionTable); }},
        {"button matrix",
         {0x12, 0x01, 0x00, 0x40},
         64,
         [](const MouseState& s) { return std::span<const uint8_t>(s.buttonMatrix); }},
        {"macro slot 0",
         {0x13, 0x01, 0x00, 0x00, 0x02},
         512,
         [](const MouseState& s) { return std::span<const uint8_t>(s.macros[0]); }},
        {"macro slot 7",
         {0x13, 0x01, 0x07, 0x00, 0x02},
         512,
         [](const MouseState& s) { return std::span<const uint8_t>(s.macros[7]); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Rig rig;
        const Bytes data = Pattern(row.size);
        const MouseState before = rig.mouse.state();
        const std::vector<Bytes> reports = Chunks(data);
        EXPECT_TRUE(rig.send(row.announcement));
        // Nothing is taken over until the last report is in.
        for (size_t i = 0; i + 1 < reports.size(); ++i) {
            EXPECT_EQ(rig.write(reports[i]), OutputWrite::Completed);
        }
        EXPECT_EQ(rig.mouse.state(), before);
        EXPECT_EQ(rig.write(reports.back()), OutputWrite::Completed);

        const MouseState state = rig.mouse.state();
        EXPECT_TRUE(std::ranges::equal(row.target(state), data));
        EXPECT_TRUE(state.protocolErrors.empty());
        EXPECT_EQ(rig.mouse.reports().size(), 1 + (row.size + 31) / 32);
        // The transfer is over: the next command aborts nothing.
        EXPECT_TRUE(rig.send({0x80}));
        EXPECT_TRUE(rig.mouse.state().protocolErrors.empty());
    }
}

TEST(EmulatedMouseTest, VersionReadAnswersOnlyARequest) {
    struct Row {
        const char* name;
        std::vector<Bytes> before;
        bool answered;
    };
    const Row rows[] = {
        {"request, then read", {{0x80}}, true},
        {"read without request", {}, false},
        {"another command in between", {{0x80}, {0x01, 0x02}}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EmulatedMouseSetup setup;
        setup.versionReply = {0x80, 0x03, 0x07};
        Rig rig(setup);
        for (const Bytes& command : row.before) EXPECT_TRUE(rig.send(command));
        Bytes reply = Feature({});
        EXPECT_EQ(rig.reader->getFeature(reply).ok(), row.answered);
        if (!row.answered) {
            EXPECT_EQ(rig.mouse.state().protocolErrors, Errors{ProtocolError::UnrequestedRead});
            continue;
        }
        EXPECT_EQ(reply, Feature({0x80, 0x03, 0x07}));
        EXPECT_EQ(rig.mouse.reports().back().bytes, reply);
        // One answer per request.
        EXPECT_FALSE(rig.reader->getFeature(reply));
    }
}

TEST(EmulatedMouseTest, FramingFollowsTheDescriptorsReportIdAndCount) {
    EmulatedMouseSetup setup;
    setup.vendor.reportId = 0x07;
    setup.vendor.reportCount = 7;
    Rig rig(setup);
    EXPECT_TRUE(rig.writer->setFeature(Feature({0x0C, 0x01, 0x34, 0x56, 0x12}, 8, 0x07)));
    EXPECT_FALSE(rig.writer->setFeature(Feature({0x01, 0x02}, 33, 0x07)));
    // Output reports stay 33 bytes whatever the feature length.
    EXPECT_TRUE(rig.writer->setFeature(Feature({0x11, 0x01, 0x07, 0x10}, 8, 0x07)));
    EXPECT_EQ(rig.write(Output(Pattern(16), 0x07)), OutputWrite::Completed);
    EXPECT_TRUE(rig.writer->setFeature(Feature({0x80}, 8, 0x07)));
    Bytes reply = Feature({}, 8, 0x07);
    EXPECT_TRUE(rig.reader->getFeature(reply));
    EXPECT_EQ(reply, Feature({0x80, 0x01, 0x02}, 8, 0x07));

    const MouseState state = rig.mouse.state();
    EXPECT_EQ(state.colour, 0x00123456u);
    EXPECT_TRUE(std::ranges::equal(state.resolutionTable, Pattern(16)));
    EXPECT_EQ(state.protocolErrors, Errors{ProtocolError::WrongLength});
}

// What a descriptor's Feature and Output items declare, read item by item.
struct DeclaredItem {
    uint8_t kind;  // 0x90 Output, 0xB0 Feature
    uint32_t usagePage, usage, reportId, reportCount;
    bool operator==(const DeclaredItem&) const = default;
};

std::vector<DeclaredItem> DeclaredItems(const Bytes& d) {
    std::vector<DeclaredItem> items;
    uint32_t page = 0, id = 0, count = 0;
    std::vector<uint32_t> usages;
    size_t i = 0;
    while (i < d.size()) {
        const uint8_t tag = d[i] & 0xFC;
        const size_t size = (d[i] & 3) == 3 ? 4 : d[i] & 3;
        uint32_t value = 0;
        for (size_t b = 0; b < size && i + 1 + b < d.size(); ++b) value |= d[i + 1 + b] << 8 * b;
        i += 1 + size;
        if (tag == 0x04) page = value;
        if (tag == 0x84) id = value;
        if (tag == 0x94) count = value;
        if (tag == 0x08) usages.push_back(value);
        if (tag == 0x90 || tag == 0xB0) {
            items.push_back({tag, page, usages.empty() ? 0 : usages[0], id, count});
        }
        if (tag == 0x80 || tag == 0x90 || tag == 0xA0 || tag == 0xB0) usages.clear();
    }
    EXPECT_EQ(i, d.size()) << "the last item runs past the end";
    return items;
}

TEST(EmulatedMouseTest, OnlyTheVendorInterfaceDeclaresTheCapability) {
    struct Row {
        const char* name;
        VendorFeatureItem vendor;
        DeclaredItem feature;
    };
    const Row rows[] = {
        {"default", {}, {0xB0, 0xFF01, 0x22, 5, 32}},
        {"report count 300", {0xFF01, 0x22, 5, 300}, {0xB0, 0xFF01, 0x22, 5, 300}},
        {"no report IDs", {0xFF01, 0x22, 0, 32}, {0xB0, 0xFF01, 0x22, 0, 32}},
        {"another page", {0xFF02, 0x22, 5, 32}, {0xB0, 0xFF02, 0x22, 5, 32}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EmulatedMouseSetup setup;
        setup.vendor = row.vendor;
        EmulatedMouse mouse(setup);
        const auto interfaces = mouse.enumerateInterfaces();
        ASSERT_EQ(interfaces.size(), 3u);
        EXPECT_EQ(interfaces[2].vendorId, 0x7A1D);
        EXPECT_EQ(interfaces[2].productId, 0x5217);
        // The pointer and keyboard interfaces come first and declare input and LED
        // output items only.
        for (int i = 0; i < 2; ++i) {
            for (const DeclaredItem& item : DeclaredItems(interfaces[i].reportDescriptor)) {
                EXPECT_NE(item.kind, 0xB0);
                EXPECT_LT(item.usagePage, 0xFF00u);
            }
        }
        const DeclaredItem output{0x90, row.vendor.usagePage, 0x23, row.vendor.reportId, 32};
        EXPECT_EQ(DeclaredItems(interfaces[2].reportDescriptor),
                  (std::vector<DeclaredItem>{row.feature, output}));
    }
}

TEST(EmulatedMouseTest, PresenceShowsInEnumerationAndHardwareIds) {
    const HidInterfaceInfo touchpad{"emulated:touchpad", 0x06CB, 0x7E7E, {0x05, 0x0D}};
    struct Row {
        const char* name;
        std::function<void(EmulatedMouseSetup&)> setup;
        std::vector<std::string> paths;
        std::vector<std::string> hardwareIds;
    };
    const Row rows[] = {
        {"plugged in",
         [](EmulatedMouseSetup&) {},
         {"emulated:touchpad", "emulated:x5k:if0", "emulated:x5k:if1", kVendorPath},
         {"USB\\VID_8087&PID_0026", kMouseHardwareId}},
        {"unplugged",
         [](EmulatedMouseSetup& s) { s.pluggedIn = false; },
         {"emulated:touchpad"},
         {"USB\\VID_8087&PID_0026"}},
        {"firmware loader",
         [](EmulatedMouseSetup& s) { s.firmwareLoaderMode = true; },
         {"emulated:touchpad"},
         {"USB\\VID_8087&PID_0026", kFirmwareLoaderHardwareId}},
        {"vendor interface first",
         [](EmulatedMouseSetup& s) { std::ranges::reverse(s.interfaces); },
         {"emulated:touchpad", kVendorPath, "emulated:x5k:if1", "emulated:x5k:if0"},
         {"USB\\VID_8087&PID_0026", kMouseHardwareId}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EmulatedMouseSetup setup;
        setup.otherDevices = {touchpad};
        setup.otherUsbHardwareIds = {"USB\\VID_8087&PID_0026"};
        row.setup(setup);
        EmulatedMouse mouse(setup);
        std::vector<std::string> paths;
        for (const HidInterfaceInfo& info : mouse.enumerateInterfaces()) paths.push_back(info.path);
        EXPECT_EQ(paths, row.paths);
        EXPECT_EQ(mouse.usbHardwareIds(), row.hardwareIds);
        EXPECT_EQ(mouse.open(kVendorPath, HidAccess::Write) != nullptr, row.paths.size() > 1);
    }
}

TEST(EmulatedMouseTest, UnplugKillsHandlesAndPlugBringsTheMouseBack) {
    Rig rig;
    std::vector<std::pair<DeviceChange, std::string>> changes;
    rig.mouse.setChangeListener(
        [&](DeviceChange change, const std::string& name) { changes.emplace_back(change, name); });
    EXPECT_TRUE(rig.send({0x0C, 0x01, 0x34, 0x56, 0x12}));
    EXPECT_TRUE(rig.send({0x12, 0x01, 0x00, 0x40}));
    rig.mouse.unplug();

    EXPECT_FALSE(rig.mouse.pluggedIn());
    EXPECT_FALSE(rig.send({0x01, 0x02}));
    EXPECT_EQ(rig.write(Output(Pattern(32))), OutputWrite::Failed);
    Bytes reply = Feature({});
    EXPECT_FALSE(rig.reader->getFeature(reply));
    EXPECT_EQ(rig.mouse.open(kVendorPath, HidAccess::Write), nullptr);
    EXPECT_EQ(rig.mouse.reports().size(), 2u);  // the mouse saw nothing while away

    rig.mouse.plug();
    // A handle from before stays dead; a new one works, the settings are kept and the
    // unfinished matrix transfer is gone without an abort.
    EXPECT_FALSE(rig.send({0x01, 0x02}));
    auto writer = rig.mouse.open(kVendorPath, HidAccess::Write);
    ASSERT_NE(writer, nullptr);
    EXPECT_EQ(writer->writeOutput(Output(Pattern(32)), 1500ms), OutputWrite::Failed);
    EXPECT_TRUE(writer->setFeature(Feature({0x01, 0x02})));
    const MouseState state = rig.mouse.state();
    EXPECT_EQ(state.colour, 0x00123456u);
    EXPECT_EQ(state.reportRate, 2);
    EXPECT_EQ(state.protocolErrors, Errors{ProtocolError::UnannouncedOutput});
    EXPECT_EQ(changes, (std::vector<std::pair<DeviceChange, std::string>>{
                           {DeviceChange::Removal, kMouseHardwareId},
                           {DeviceChange::Arrival, kMouseHardwareId}}));
}

TEST(EmulatedMouseTest, OutputWriteFaultsTakeTheirTimeOnTheClock) {
    struct Row {
        OutputWrite mode;
        std::chrono::milliseconds pending;
        OutputWrite result;
        uint32_t takes;  // ms
        bool delivered;
    };
    const Row rows[] = {
        {OutputWrite::Completed, 20ms, OutputWrite::Completed, 0, true},
        {OutputWrite::PendingThenDone, 20ms, OutputWrite::PendingThenDone, 20, true},
        {OutputWrite::PendingThenDone, 1500ms, OutputWrite::TimedOut, 1500, true},
        {OutputWrite::TimedOut, 20ms, OutputWrite::TimedOut, 1500, true},
        {OutputWrite::Failed, 20ms, OutputWrite::Failed, 0, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.mode));
        Rig rig;
        rig.mouse.setFaults({.outputWrites = row.mode, .pendingDuration = row.pending});
        rig.clock.advance(50ms);
        EXPECT_TRUE(rig.send({0x11, 0x01, 0x07, 0x10}));
        EXPECT_EQ(rig.write(Output(Pattern(16))), row.result);
        rig.send({0x80});
        std::vector<uint32_t> ticks;
        for (const LoggedReport& r : rig.mouse.reports()) ticks.push_back(r.tickMs);
        EXPECT_EQ(ticks, (std::vector<uint32_t>{50, 50, 50 + row.takes}));
        EXPECT_EQ(std::ranges::equal(rig.mouse.state().resolutionTable, Pattern(16)),
                  row.delivered);
        EXPECT_EQ(rig.mouse.reports()[1].accepted, row.delivered);
    }
}

TEST(EmulatedMouseTest, InjectedRefusals) {
    struct Row {
        const char* name;
        EmulatedFaults faults;
        bool opensForRead, opensForWrite, colourTaken, versionRead;
    };
    const Row rows[] = {
        {"none", {}, true, true, true, true},
        {"colour command", {.refusedCommands = {0x0C}}, true, true, false, true},
        {"feature read", {.refuseFeatureRead = true}, true, true, true, false},
        {"open for reading", {.refuseOpenForRead = true}, false, true, true, true},
        {"open for writing", {.refuseOpenForWrite = true}, true, false, true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EmulatedMouseSetup setup;
        setup.faults = row.faults;
        Rig rig(setup);
        EXPECT_EQ(rig.mouse.opens(),
                  (std::vector<OpenAttempt>{{kVendorPath, HidAccess::Write, row.opensForWrite},
                                            {kVendorPath, HidAccess::Read, row.opensForRead}}));
        if (!rig.reader || !rig.writer) continue;
        EXPECT_EQ(rig.send({0x0C, 0x01, 0x34, 0x56, 0x12}), row.colourTaken);
        EXPECT_TRUE(rig.send({0x01, 0x02}));
        EXPECT_TRUE(rig.send({0x80}));
        Bytes reply = Feature({});
        EXPECT_EQ(rig.reader->getFeature(reply).ok(), row.versionRead);
        const MouseState state = rig.mouse.state();
        EXPECT_EQ(state.colour, row.colourTaken ? 0x00123456u : 0x000000FFu);
        EXPECT_EQ(state.reportRate, 2);
        // An injected refusal is not the host's mistake.
        EXPECT_TRUE(state.protocolErrors.empty());
    }
}

TEST(EmulatedMouseTest, OnlyTheVendorInterfaceCarriesConfigurationReports) {
    EmulatedMouse mouse;
    auto pointer = mouse.open("emulated:x5k:if0", HidAccess::Write);
    ASSERT_NE(pointer, nullptr);
    EXPECT_FALSE(pointer->setFeature(Feature({0x01, 0x02})));
    EXPECT_EQ(mouse.open("emulated:nothing", HidAccess::Read), nullptr);
    // A handle opened for reading takes no output reports.
    auto reader = mouse.open(kVendorPath, HidAccess::Read);
    EXPECT_TRUE(reader->setFeature(Feature({0x11, 0x01, 0x07, 0x10})));
    EXPECT_EQ(reader->writeOutput(Output(Pattern(16)), 1500ms), OutputWrite::Failed);
    EXPECT_EQ(mouse.state().resolutionTable, MouseState::kFactoryResolutionTable);
    EXPECT_EQ(mouse.state().reportRate, 1);
}

TEST(EmulatedMouseTest, TheMouseDropsOffAfterTheGivenReportCount) {
    Rig rig;
    int removals = 0;
    rig.mouse.setChangeListener([&](DeviceChange change, const std::string&) {
        // The listener may look at the mouse: its lock is not held.
        if (change == DeviceChange::Removal) removals += !rig.mouse.pluggedIn();
    });
    EXPECT_TRUE(rig.send({0x01, 0x08}));
    rig.mouse.setFaults({.unplugAfterReports = 2});
    EXPECT_TRUE(rig.send({0x11, 0x01, 0x07, 0x10}));
    EXPECT_EQ(rig.write(Output(Pattern(16))), OutputWrite::Completed);
    EXPECT_FALSE(rig.send({0x01, 0x02}));
    EXPECT_EQ(removals, 1);
    EXPECT_EQ(rig.mouse.reports().size(), 3u);
    // It happens once: after coming back the mouse stays.
    rig.mouse.plug();
    auto writer = rig.mouse.open(kVendorPath, HidAccess::Write);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(writer->setFeature(Feature({0x01, 0x02})));
}

TEST(EmulatedMouseTest, StateIsReadSafelyWhileAnotherThreadSends) {
    Rig rig;
    const Bytes red = Feature({0x0C, 0x01, 0x00, 0xFF, 0x00});
    const Bytes blue = Feature({0x0C, 0x01, 0x00, 0x00, 0xFF});
    std::thread worker([&] {
        for (int i = 0; i < 300; ++i) EXPECT_TRUE(rig.writer->setFeature(i % 2 ? red : blue));
    });
    for (int i = 0; i < 300; ++i) {
        const uint32_t colour = rig.mouse.state().colour;
        EXPECT_TRUE(colour == 0x000000FF || colour == 0x00FF0000) << colour;
    }
    worker.join();
    EXPECT_EQ(rig.mouse.reports().size(), 300u);
}

MouseState SampleState() {
    MouseState state;
    state.reportRate = 8;
    state.lightingOn = false;
    state.resolutionLevel = 5;
    state.colour = 0x00123456;
    state.effect = {1, 9, 1};
    std::ranges::copy(Pattern(16), state.resolutionTable.begin());
    std::ranges::copy(Pattern(64), state.buttonMatrix.begin());
    std::ranges::copy(Pattern(512), state.macros[7].begin());
    return state;
}

TEST(EmulatedMouseTest, StateFileRoundTrip) {
    test::TempFolder folder;
    const auto path = folder / "mouse.state";
    Rig rig;
    PosixFileSystem files;
    MouseState state = SampleState();
    rig.mouse.setState(state);
    ASSERT_TRUE(rig.mouse.saveState(path, files));
    EXPECT_FALSE(std::filesystem::exists(folder / "mouse.state.tmp"));

    EmulatedMouse other;
    EXPECT_TRUE(other.loadState(path));
    EXPECT_EQ(other.state(), state);

    // Protocol errors belong to a session, not to what the mouse stores.
    EXPECT_FALSE(rig.send({0x02}));
    ASSERT_TRUE(rig.mouse.saveState(path, files));
    EXPECT_TRUE(other.loadState(path));
    EXPECT_EQ(other.state(), state);

    // Comments, blank lines, CRLF line ends and blanks around '=' are fine.
    std::string text = FormatMouseState(state);
    for (size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2) {
        text.replace(at, 1, "\r\n");
    }
    text = "\n# written by hand\n  " + text;
    EXPECT_EQ(ParseMouseState(text), state);

    EXPECT_FALSE(rig.mouse.saveState(folder / "missing" / "mouse.state", files));
}

// A link planted beside the state file under a temporary-looking name is never written
// through: the save's temporary file has a fresh name of its own.
TEST(EmulatedMouseTest, SavingLeavesAPlantedTemporaryLinkAlone) {
    test::TempFolder folder;
    const Bytes theirs = {'t', 'h', 'e', 'i', 'r', 's'};
    test::WriteBytes(folder / "victim", theirs);
    std::filesystem::create_symlink(folder / "victim", folder / "mouse.state.tmp");
    PosixFileSystem files;
    ASSERT_TRUE(SaveMouseState(SampleState(), folder / "mouse.state", files));
    EXPECT_EQ(test::ReadBytes(folder / "victim"), theirs);
    EXPECT_EQ(LoadMouseState(folder / "mouse.state"), SampleState());
}

TEST(EmulatedMouseTest, AStatePathIsReadWithoutThrowing) {
    namespace fs = std::filesystem;
    test::TempFolder folder;
    const std::string good = FormatMouseState(SampleState());
    test::WriteBytes(folder / "good", Bytes(good.begin(), good.end()));
    test::WriteBytes(folder / "other", Bytes{'h', 'i', '\n'});
    test::WriteBytes(folder / "huge", Bytes(1 << 20, '#'));
    fs::create_directory(folder / "folder");
    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
    fs::create_symlink(folder / "l2", folder / "l1");
    fs::create_symlink(folder / "l1", folder / "l2");
    fs::create_symlink(folder / "absent", folder / "dangling");
    struct Row {
        const char* name;
        StatePathKind kind;
    };
    const Row rows[] = {
        {"good", StatePathKind::State},       {"absent", StatePathKind::Missing},
        {"dangling", StatePathKind::Missing}, {"other", StatePathKind::NotAState},
        {"huge", StatePathKind::NotAState},   {"folder", StatePathKind::NotAFile},
        {"fifo", StatePathKind::NotAFile},    {"l1", StatePathKind::Unreadable},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const StatePathRead read = ReadStatePath(folder / row.name);
        EXPECT_EQ(read.kind, row.kind);
        EXPECT_EQ(read.state.has_value(), row.kind == StatePathKind::State);
        EXPECT_EQ(read.replaceable(), read.refusal().empty());
    }
    EXPECT_EQ(ReadStatePath(folder / "good").state, SampleState());
    EXPECT_EQ(ReadStatePath(folder / "l1").error, std::errc::too_many_symbolic_link_levels);
    // A folder the user cannot search (the superuser searches every folder).
    if (::geteuid() != 0) {
        test::WriteBytes(folder / "locked" / "mouse.state", Bytes(good.begin(), good.end()));
        fs::permissions(folder / "locked", fs::perms::owner_read | fs::perms::owner_write);
        EXPECT_EQ(ReadStatePath(folder / "locked" / "mouse.state").kind, StatePathKind::Unreadable);
        fs::permissions(folder / "locked", fs::perms::owner_all);
    }
}

TEST(EmulatedMouseTest, ADamagedStateFileGivesTheFactoryState) {
    const std::string good = FormatMouseState(SampleState());
    const auto replace = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    const auto line = [&](const std::string& key) {
        const size_t start = good.find("\n" + key + " =") + 1;
        return good.substr(start, good.find('\n', start) + 1 - start);
    };
    struct Row {
        const char* name;
        std::string text;
    };
    const Row rows[] = {
        {"empty", ""},
        {"cut in the middle", good.substr(0, good.size() / 2)},
        {"another format", replace("x5k-emulated-mouse 1", "x5k-emulated-mouse 2")},
        {"no format line", replace(line("format"), "")},
        {"missing key", replace(line("macro_3"), "")},
        {"duplicate key", good + line("report_rate")},
        {"unknown key", good + "sensor = 1\n"},
        {"line without '='", good + "report_rate 1\n"},
        {"rate out of range", replace("report_rate = 8", "report_rate = 256")},
        {"negative level", replace("resolution_level = 5", "resolution_level = -1")},
        {"empty level", replace("resolution_level = 5", "resolution_level =")},
        {"lighting neither on nor off", replace("lighting = off", "lighting = dim")},
        {"colour with 0x", replace("colour = 00123456", "colour = 0x123456")},
        {"short colour", replace("colour = 00123456", "colour = 123456")},
        {"odd hex digits", replace("effect = 010901", "effect = 01090")},
        {"bad hex digit", replace("effect = 010901", "effect = 0109G1")},
        {"matrix a byte short", replace(line("button_matrix"), "button_matrix = 0102\n")},
        {"binary", std::string("\0\xFF\x13=\n=\x80", 7)},
    };
    test::TempFolder folder;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ParseMouseState(row.text), std::nullopt);
        test::WriteBytes(folder / "mouse.state", Bytes(row.text.begin(), row.text.end()));
        EmulatedMouse mouse;
        mouse.setState(SampleState());
        EXPECT_FALSE(mouse.loadState(folder / "mouse.state"));
        EXPECT_EQ(mouse.state(), MouseState{});
    }
    // A missing file and one far larger than any state file.
    EmulatedMouse mouse;
    mouse.setState(SampleState());
    EXPECT_FALSE(mouse.loadState(folder / "absent.state"));
    EXPECT_EQ(mouse.state(), MouseState{});
    test::WriteBytes(folder / "huge.state", Bytes(1 << 20, '#'));
    EXPECT_FALSE(mouse.loadState(folder / "huge.state"));
}

}  // namespace
}  // namespace x5k

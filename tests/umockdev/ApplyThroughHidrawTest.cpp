// A whole apply through the hidraw backend, against the mouse in a umockdev testbed,
// leaves the mouse exactly as the same apply through the emulated mouse does: the same
// reports on the wire, the same answers, the same state, the same messages.

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

#include "profiles/ProfileImage.h"
#include "device/ApplyWorker.h"
#include "device/emulator/EmulatedMouse.h"
#include "functions/FunctionCatalogue.h"
#include "platform/linux/HidrawBackend.h"
#include "support/RecordingBlockList.h"
#include "support/RecordingPointerSettings.h"
#include "support/RecordingPoster.h"
#include "support/VirtualClock.h"
#include "umockdev/MouseTestbed.h"

namespace x5k {
namespace {

class FixedProfile final : public ProfileSource {
public:
    explicit FixedProfile(ProfileSnapshot snapshot) : snapshot_(std::move(snapshot)) {}
    ProfileSnapshot snapshot() const override { return snapshot_; }

private:
    ProfileSnapshot snapshot_;
};

class FixedMacros final : public MacroSource {
public:
    std::optional<EncodedMacro> encodeMacro(int32_t id) override {
        const auto it = macros.find(id);
        if (it == macros.end()) return std::nullopt;
        return it->second;
    }
    std::map<int32_t, EncodedMacro> macros;
};

// What one apply left behind on its side.
struct Outcome {
    std::vector<test::PostedMessage> messages;
    std::vector<std::string> pointerCalls;
    std::set<uint32_t> blocked;
    std::vector<std::chrono::milliseconds> pauses;
};

Outcome Apply(HidBackend& backend, const ProfileSnapshot& profile, FixedMacros& macros) {
    test::VirtualClock clock;
    CUSBDriver driver(backend, clock);
    EXPECT_TRUE(driver.discover());
    FixedProfile source(profile);
    test::RecordingBlockList blockList;
    test::RecordingPointerSettings pointer;
    test::RecordingPoster poster;
    std::atomic<bool> idle{true};
    ApplyWorker worker({driver, source, macros, blockList, pointer, poster, clock, idle});
    worker.runOnce();
    return {poster.messages(), pointer.calls, blockList.codes, clock.pauses()};
}

EncodedMacro Macro(uint8_t seed, int words) {
    EncodedMacro macro;
    for (size_t i = 0; i < macro.image.size(); ++i) {
        macro.image[i] = static_cast<uint8_t>(seed + 7 * i);
    }
    macro.words = words;
    return macro;
}

ProfileSnapshot DefaultSnapshot() {
    return {DefaultProfile(false), {}};
}

// Every kind of button value, two macros, other resolutions, lighting and rate.
ProfileSnapshot EverythingChanged() {
    ProfileSnapshot snapshot = DefaultSnapshot();
    ProfileImage& image = snapshot.image;
    image.set(profile::FunctionCode(0), kFunctionKey);
    image.set(profile::KeyValue(0), 0x00040200);  // Shift + A
    image.set(profile::FunctionCode(1), kFunctionMacro);
    image.set(profile::FunctionCode(2), kFunctionHostAction);
    image.set(profile::FunctionCode(4), kFunctionMacro);
    image.set(profile::FunctionCode(6), kFunctionDisabled);
    snapshot.macroIds = {0, 0x15000001, 0, 0, 0x15000002, 0, 0};
    const int32_t resolutions[] = {500, 1250, 2500, 4000, 7000};
    for (int slot = 0; slot < 5; ++slot) image.set(profile::Resolution(slot), resolutions[slot]);
    image.set(profile::kReportRate, 8);
    image.set(profile::kLightingMode, 1);
    image.set(profile::kMode1Level, 7);
    image.set(profile::kLightingColour, 0x00123456);
    image.set(profile::kPrecision, 1);
    return snapshot;
}

// Lighting off and resolutions the mouse does not offer: level 0 is sent and refused.
ProfileSnapshot NothingRecognised() {
    ProfileSnapshot snapshot = DefaultSnapshot();
    snapshot.image.set(profile::Resolution(0), 800);
    snapshot.image.set(profile::Resolution(1), 1600);
    for (int slot = 2; slot < 8; ++slot) snapshot.image.set(profile::Resolution(slot), 0);
    snapshot.image.set(profile::kLightingMode, 5);
    return snapshot;
}

TEST(ApplyThroughHidraw, LeavesTheMouseAsTheEmulatedMouseDoes) {
    struct Case {
        const char* what;
        std::function<ProfileSnapshot()> profile;
        size_t refusals;
    };
    const Case cases[] = {
        {"the default profile", DefaultSnapshot, 0},
        {"everything changed", EverythingChanged, 0},
        {"nothing recognised", NothingRecognised, 1},
    };
    // A mouse that holds nothing of what is applied, so every field must arrive.
    MouseState start;
    start.reportRate = 2;
    start.lightingOn = false;
    start.resolutionLevel = 1;
    start.colour = 0;
    start.effect = {0, 0, 0};
    start.resolutionTable = {};
    start.buttonMatrix = {};
    FixedMacros macros;
    macros.macros = {{0x15000001, Macro(1, 40)}, {0x15000002, Macro(2, 0x123)}};

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ProfileSnapshot profile = c.profile();

        test::MouseTestbed testbed;
        testbed.plugOtherKeyboard();
        testbed.plugMouse();
        testbed.setState(start);
        HidrawBackend hidraw;
        const Outcome viaHidraw = Apply(hidraw, profile, macros);

        EmulatedMouse emulated;
        emulated.setState(start);
        const Outcome viaEmulator = Apply(emulated, profile, macros);

        const MouseState state = testbed.state();
        EXPECT_EQ(state, emulated.state());
        EXPECT_NE(state, start);
        EXPECT_EQ(state.protocolErrors.size(), c.refusals);
        EXPECT_EQ(testbed.reports(), emulated.reports());
        EXPECT_EQ(viaHidraw.messages, viaEmulator.messages);
        ASSERT_FALSE(viaHidraw.messages.empty());
        EXPECT_EQ(viaHidraw.messages.back().message, msg::kApplySucceeded);
        EXPECT_EQ(viaHidraw.pointerCalls, viaEmulator.pointerCalls);
        EXPECT_EQ(viaHidraw.blocked, viaEmulator.blocked);
        EXPECT_EQ(viaHidraw.pauses, viaEmulator.pauses);
    }
}

}  // namespace
}  // namespace x5k

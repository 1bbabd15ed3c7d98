// Rules the named protocol tables must keep between themselves and the program's own
// tables; the bytes themselves are checked on the wire by the device-link tests.

#include "device/Protocol.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "functions/FunctionCatalogue.h"
#include "profiles/ProfileImage.h"

namespace x5k {
namespace {

// Each button fills its own slot, never the fixed one, and the wheel slots go exactly to
// the buttons whose default function is a wheel step (the sniper rule relies on it).
TEST(ProtocolMatrix, EachButtonHasItsOwnSlotAndOnlyWheelStepsHaveWheelSlots) {
    std::set<int> slots;
    for (int b = 0; b < kButtonCount; ++b) {
        const int slot = kMatrixSlotOfButton[static_cast<size_t>(b)];
        EXPECT_TRUE(slots.insert(slot).second) << b;
        EXPECT_NE(slot, matrix::kSlotFixed) << b;
        EXPECT_LT(static_cast<size_t>(slot), matrix::kSlots) << b;
        const CatalogueEntry* entry = FindCatalogueEntry(ButtonPositionOf(b).defaultCode);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(matrix::IsWheelSlot(slot), entry->group == FunctionGroup::Wheel) << b;
    }
}

// Every lighting mode the profile can hold is in the table once; only the steady and
// breathing modes take a level, and the off mode sends what an unknown mode sends.
TEST(ProtocolLighting, EveryModeHasOneEffect) {
    const struct {
        int32_t mode;
        bool takesLevel;
    } cases[] = {{lighting::kModeSteady, true},
                 {lighting::kModeBreathing, true},
                 {lighting::kModeClickBreathing, false},
                 {lighting::kModeColourCycle, false},
                 {lighting::kModeOff, false}};
    ASSERT_EQ(lighting::kModeEffects.size(), std::size(cases));
    std::set<int32_t> modes;
    for (const auto& c : cases) {
        const lighting::ModeEffect* entry = lighting::FindModeEffect(c.mode);
        ASSERT_NE(entry, nullptr) << c.mode;
        EXPECT_TRUE(modes.insert(entry->mode).second) << c.mode;
        EXPECT_EQ(entry->takesLevel, c.takesLevel) << c.mode;
        // Only the off mode leaves the effect byte 0.
        EXPECT_EQ(entry->triple[0] == 0, c.mode == lighting::kModeOff) << c.mode;
    }
    EXPECT_EQ(lighting::FindModeEffect(lighting::kModeOff)->triple, lighting::kEffectOff);
    EXPECT_EQ(lighting::FindModeEffect(0), nullptr);
}

// The shipped udev rule cannot include the header, so it is held to it here: a rule
// naming other IDs would leave the user without access to the mouse.
TEST(ProtocolIdentity, TheUdevRuleNamesTheMouse) {
    const auto rule =
        std::filesystem::path(X5K_ASSETS_DIR).parent_path() / "packaging/udev/70-x5k.rules";
    std::ifstream in(rule);
    ASSERT_TRUE(in) << rule;
    char ids[64];
    std::snprintf(ids, sizeof ids, R"(ATTRS{idVendor}=="%04x", ATTRS{idProduct}=="%04x")",
                  kMouseVendorId, kMouseProductId);
    int matches = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#' || line.find("idVendor") == std::string::npos) continue;
        EXPECT_NE(line.find(ids), std::string::npos) << line;
        ++matches;
    }
    EXPECT_EQ(matches, 2);  // the hidraw nodes and the input event nodes
}

}  // namespace
}  // namespace x5k

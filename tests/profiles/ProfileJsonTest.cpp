// Profiles as JSON: every profile the windows can make comes back byte for byte, and
// keys keep one name each.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <random>
#include <string>

#include "functions/FunctionCatalogue.h"
#include "functions/KeyNames.h"
#include "macros/MacroTable.h"
#include "pages/lighting/LightingModel.h"
#include "pages/mainset/MainSetModel.h"
#include "profiles/ProfileJson.h"
#include "profiles/ProfileSettings.h"
#include "support/RecordingUserMessages.h"
#include "support/SampleMacro.h"
#include "support/UsKeyboardLayout.h"

namespace x5k {
namespace {

// Export, then import: the same bytes, with nothing left unnamed when `covered`.
void ExpectRoundTrip(const ProfileImage& image, bool covered, const std::string& what) {
    const JsonExport exported = ExportProfileJson(image);
    ASSERT_TRUE(exported.text) << what << ": " << exported.problem;
    const JsonImport imported = ImportProfileJson(*exported.text);
    ASSERT_TRUE(imported.image) << what << ": " << imported.problem << "\n" << *exported.text;
    EXPECT_TRUE(*imported.image == image) << what << "\n" << *exported.text;
    if (covered) {
        EXPECT_EQ(exported.text->find("\"unnamed\""), std::string::npos) << what;
    }
}

struct WindowSession {
    ProfileImage image;
    std::array<int32_t, kButtonCount> macroIds{};
    test::RecordingUserMessages messages;
    test::UsKeyboardLayout layout;

    AssignOutcome assign(const AssignmentResult& result, bool chinese = false,
                         const MacroNameLookup& names = {}) {
        mainset::MainSetModel page(image);
        (void)page.openButton(result.button, chinese);
        return *page.closeButton(result, {macroIds, chinese, messages, layout, names});
    }
};

// The profiles of the end-to-end run: the settings page's clicks and assignments, a macro
// on button 4, lighting swatch 3 steady at level 7 with the LED on, sensor height 23.
ProfileImage EndToEndProfile() {
    WindowSession s;
    s.image = DefaultProfile(false);
    mainset::MainSetModel page(s.image);
    page.clickResolutionBox(7);
    page.clickResolutionBox(1);
    page.clickResolutionBox(7);
    page.clickRate(1);
    page.moveSlider(mainset::kHeightSliderId, 23);
    EXPECT_EQ(s.assign({2, 0x00050300, kKindKey, 0, ""}), AssignOutcome::Stored);
    EXPECT_EQ(s.assign({3, 37, kKindCatalogue, 0, ""}), AssignOutcome::Stored);
    EXPECT_EQ(s.assign({5, kFunctionDisabled, kKindDisabled, 0, ""}), AssignOutcome::Stored);
    const MacroNameLookup names = [](int32_t) { return std::string("Test"); };
    EXPECT_EQ(s.assign({4, 0x15000101, kKindMacro, 0, ""}, false, names), AssignOutcome::Stored);
    lightingpage::LightingModel lighting(s.image);
    lighting.clickMode(1);
    lighting.clickSwatch(3);
    lighting.moveSlider(lightingpage::kLevel1SliderId, 7);
    lighting.clickLed(true);
    return s.image;
}

TEST(ProfileJson, TheDefaultAndEndToEndProfilesComeBackWhole) {
    ExpectRoundTrip(DefaultProfile(false), true, "default profile");
    ExpectRoundTrip(DefaultProfile(true), true, "default profile, Chinese names");
    ExpectRoundTrip(EndToEndProfile(), true, "end-to-end profile");

    WindowSession action;
    action.image = DefaultProfile(false);
    ASSERT_EQ(action.assign({1, HostActionCode(1, 1), kKindHostAction, 1, "/opt/my tool/run"}),
              AssignOutcome::Stored);
    ExpectRoundTrip(action.image, true, "program on the middle button");
}

TEST(ProfileJson, TheEndToEndProfileReadsInTheUsersTerms) {
    MacroTable macros;
    (void)macros.put(test::SampleMacro(0x15000101, "Test"));
    const JsonExport exported = ExportProfileJson(EndToEndProfile(), &macros);
    ASSERT_TRUE(exported.text) << exported.problem;
    const auto j = nlohmann::json::parse(*exported.text);
    EXPECT_EQ(j["dpi"], nlohmann::json({1000, 1500, 2000, 3000}));
    EXPECT_EQ(j["reportRate"], 500);
    EXPECT_EQ(j["sensorHeight"], 23);
    EXPECT_EQ(j["lighting"],
              nlohmann::json::parse(R"({"mode": "steady", "colour": "#F9ED00", "swatch": 3,
                  "led": true, "levels": {"steady": 7, "breathing": 3}})"));
    EXPECT_EQ(j["buttons"][2]["key"], "Ctrl+Shift+B");
    EXPECT_EQ(j["buttons"][3]["function"], "volume-up");
    EXPECT_EQ(j["buttons"][4]["macro"], "0x15000101");
    EXPECT_EQ(j["buttons"][4]["name"], "Test");
    EXPECT_EQ(j["buttons"][5]["disabled"], true);
    EXPECT_EQ(j["macros"], nlohmann::json::parse(R"([{"id": "0x15000101", "name": "Test",
        "repeat": 0, "events": [{"press": "A"}]}])"));
}

// Random sessions of clicks on the settings and lighting pages and assignments through
// the pop-up, refused ones included, over both languages and two keyboard layouts.
TEST(ProfileJson, GeneratedProfilesComeBackWhole) {
    std::mt19937 random(20261210);
    const auto pick = [&random](int from, int to) {
        return std::uniform_int_distribution<int>(from, to)(random);
    };
    const test::SingleCharacterLayout cyrillic(U'Ж');
    const std::u8string longName(300, u8'n');
    for (int run = 0; run < 300; ++run) {
        const bool chinese = pick(0, 1) == 1;
        WindowSession s;
        s.image = DefaultProfile(chinese);
        for (int step = 0; step < 40; ++step) {
            mainset::MainSetModel page(s.image);
            lightingpage::LightingModel lighting(s.image);
            switch (pick(0, 9)) {
                case 0:
                    page.clickResolutionBox(pick(0, 7));
                    break;
                case 1:
                    page.clickPrecision();
                    page.moveSlider(mainset::kSpeedSliderId, pick(1, 20));
                    page.moveSlider(mainset::kHeightSliderId, pick(1, 30));
                    break;
                case 2:
                    page.clickRate(pick(0, 2));
                    if (pick(0, 1)) {
                        page.clickScreenRadio();
                    } else {
                        page.clickLinesRadio();
                        page.typeLines(std::to_string(pick(0, 99)));
                        (void)page.ValidateScrollLines();
                    }
                    break;
                case 3:
                    lighting.clickMode(pick(1, 5));
                    lighting.clickLed(pick(0, 1) == 1);
                    lighting.moveSlider(
                        pick(0, 1) ? lightingpage::kLevel1SliderId : lightingpage::kLevel2SliderId,
                        pick(1, 10));
                    break;
                case 4:
                    if (pick(0, 1)) {
                        lighting.clickSwatch(pick(0, 25));
                    } else {
                        lighting.moveSlider(lightingpage::kRedSliderId + pick(0, 2), pick(0, 255));
                    }
                    break;
                default: {
                    AssignmentResult r;
                    r.button = pick(0, kButtonCount - 1);
                    const auto catalogue = Catalogue();
                    switch (pick(0, 4)) {
                        case 0: {
                            const CatalogueEntry& e = catalogue[static_cast<size_t>(
                                pick(0, static_cast<int>(catalogue.size()) - 1))];
                            r.code = e.languageKey.empty() ? ButtonPositionOf(r.button).defaultCode
                                                           : e.code;
                            break;
                        }
                        case 1: {
                            const auto keys = ComboKeyTable();
                            const ComboKey& key = keys[static_cast<size_t>(
                                pick(0, static_cast<int>(keys.size()) - 1))];
                            r.kind = kKindKey;
                            r.code = static_cast<int32_t>(ComposeKeyValue(
                                key.virtualKey, pick(0, 1), pick(0, 1), pick(0, 1), pick(0, 1)));
                            break;
                        }
                        case 2:
                            r.kind = kKindMacro;
                            r.code = macro::MakeMacroId(pick(1, 21),
                                                        static_cast<uint32_t>(pick(1, 1 << 24)));
                            break;
                        case 3:
                            r.kind = kKindHostAction;
                            r.row = pick(0, 3);
                            r.code = HostActionCode(r.row, r.button);
                            r.path = pick(0, 5) == 0
                                         ? std::string(longName.begin(), longName.end())
                                         : "/home/ü ser/" + std::to_string(pick(0, 1 << 20));
                            break;
                        default:
                            r.kind = kKindDisabled;
                            r.code = kFunctionDisabled;
                            break;
                    }
                    const MacroNameLookup names = [&](int32_t id) {
                        return pick(0, 3) == 0 ? std::string(longName.begin(), longName.end())
                                               : "Macro " + std::to_string(id);
                    };
                    mainset::MainSetModel assigner(s.image);
                    (void)assigner.openButton(r.button, pick(0, 1) == 1);
                    (void)assigner.closeButton(
                        r, {s.macroIds, chinese, s.messages,
                            pick(0, 1) ? static_cast<const KeyboardLayout&>(s.layout) : cyrillic,
                            names});
                    break;
                }
            }
        }
        ExpectRoundTrip(s.image, false, "generated profile " + std::to_string(run));
        if (HasFatalFailure() || HasNonfatalFailure()) return;
    }
}

// Leftovers of an earlier assignment travel in "unnamed"; an edited setting written over
// them wins.
TEST(ProfileJson, AnEditedSettingWinsOverTheUnnamedBytes) {
    WindowSession s;
    s.image = DefaultProfile(false);
    ASSERT_EQ(s.assign({2, 0x00050300, kKindKey, 0, ""}), AssignOutcome::Stored);
    ASSERT_EQ(s.assign({2, 37, kKindCatalogue, 0, ""}), AssignOutcome::Stored);
    const JsonExport exported = ExportProfileJson(s.image);
    ASSERT_TRUE(exported.text) << exported.problem;
    auto j = nlohmann::json::parse(*exported.text);
    ASSERT_TRUE(j.contains("unnamed"));
    j["buttons"][2] = {{"key", "Ctrl+A"}};
    const JsonImport imported = ImportProfileJson(j.dump());
    ASSERT_TRUE(imported.image) << imported.problem;
    EXPECT_EQ(imported.image->get(profile::FunctionCode(2)), kFunctionKey);
    EXPECT_EQ(imported.image->get(profile::KeyValue(2)), 0x00040100);
    EXPECT_EQ(imported.image->text(profile::DisplayName(2)), "Ctrl + A");
}

// A stored value the window cannot make is named instead of exported wrongly.
TEST(ProfileJson, ValuesWithoutUserTermsAreNamedNotExported) {
    struct Row {
        I32Field field;
        int32_t value;
        std::string problem;
    };
    using namespace profile;
    const Row rows[] = {
        {kMagic, 0, "format: not a profile"},
        {kReportRate, 3, "reportRate: the stored code 3 is no rate"},
        {kReportRate, 4, "reportRate: 250 is not one of 125, 500, 1000"},
        {Resolution(1), 800,
         "dpi[1]: 800 is not one of 500, 750, 1000, 1250, 1500, 1750, 2000, 3000"},
        {Resolution(6), 500,
         "dpi: the stored value (byte 22064) has no meaning in the window's terms"},
        {kLightingMode, 9, "lighting.mode: the stored mode 9 has no name"},
        {kLightingColour, 0x01000000,
         "lighting.colour: the stored value (byte 22127) has no "
         "meaning in the window's terms"},
        {kScrollLines, 0, "wheel.lines: 0 is outside 1..30"},
        {FunctionCode(3), 77, "buttons[3].function: the stored code 77 is no function"},
        {FunctionCode(0), 2, "buttons[0]: At least one button must be configured as 'Left click'!"},
    };
    for (const Row& row : rows) {
        ProfileImage image = DefaultProfile(false);
        image.set(row.field, row.value);
        const JsonExport exported = ExportProfileJson(image);
        EXPECT_FALSE(exported.text) << row.problem;
        EXPECT_EQ(exported.problem, row.problem);
    }
}

// Any bytes at all: the export either names a problem or comes back exactly.
TEST(ProfileJson, DamagedProfilesAreRefusedOrComeBackWhole) {
    std::mt19937 random(7);
    const ProfileImage base = EndToEndProfile();
    int exported = 0;
    for (int run = 0; run < 2000; ++run) {
        ProfileImage image = base;
        const int flips = std::uniform_int_distribution<int>(1, 3)(random);
        for (int f = 0; f < flips; ++f) {
            const auto at = std::uniform_int_distribution<size_t>(4, profile::kSize - 1)(random);
            image.bytes()[at] = static_cast<uint8_t>(random());
        }
        const JsonExport out = ExportProfileJson(image);
        if (!out.text) {
            EXPECT_FALSE(out.problem.empty());
            continue;
        }
        ++exported;
        const JsonImport back = ImportProfileJson(*out.text);
        ASSERT_TRUE(back.image) << back.problem << "\n" << *out.text;
        ASSERT_TRUE(*back.image == image) << *out.text;
    }
    // Most bytes of a profile are unnamed, so most damage still exports.
    EXPECT_GT(exported, 1000);
}

TEST(KeyText, EveryKeyOfTheTableHasItsOwnNameThatReadsBack) {
    for (const ComboKey& key : ComboKeyTable()) {
        const std::string name = KeyNameOfUsage(key.usage);
        ASSERT_FALSE(name.empty()) << std::hex << int(key.usage);
        const uint32_t value = uint32_t{key.usage} << 16 | uint32_t{kModifierCtrl | kModifierAlt}
                                                               << 8;
        const std::optional<std::string> text = KeyValueText(value);
        ASSERT_TRUE(text);
        EXPECT_EQ(ParseKeyText(*text), value) << *text;
        EXPECT_EQ(ParseKeyText(name), uint32_t{key.usage} << 16) << name;
    }
}

TEST(KeyText, ReadsWhatUsersWrite) {
    struct Row {
        std::string_view text;
        std::optional<uint32_t> value;
    };
    const Row rows[] = {
        {"Ctrl+Shift+B", 0x00050300},
        {"shift + ctrl + b", 0x00050300},
        {"Win+D", 0x00070800},
        {"Ctrl", 0x00E00000},  // a lone modifier is its left-hand key
        {"Ctrl+LShift", 0x00E10100},
        {"Ctrl+(+)", 0x00570100},
        {"F5", 0x003E0000},
        {"Enter", 0x00280000},
        {"(Enter)", 0x00580000},
        {"Ctrl+Shift", std::nullopt},
        {"Ctrl+Ctrl+A", std::nullopt},
        {"Ctrl+Foo", std::nullopt},
        {"Ctrl+", std::nullopt},
        {"", std::nullopt},
    };
    for (const Row& row : rows) EXPECT_EQ(ParseKeyText(row.text), row.value) << row.text;
    EXPECT_EQ(KeyValueText(0x00050300), "Ctrl+Shift+B");
    EXPECT_EQ(KeyValueText(0x00051300), std::nullopt);  // right-hand Ctrl: never made
    EXPECT_EQ(KeyValueText(0), std::nullopt);
}

}  // namespace
}  // namespace x5k

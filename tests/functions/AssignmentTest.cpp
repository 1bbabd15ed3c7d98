#include "functions/Assignment.h"

#include <gtest/gtest.h>

#include <vector>

#include "functions/FunctionCatalogue.h"
#include "support/RecordingShell.h"
#include "support/RecordingUserMessages.h"
#include "support/UsKeyboardLayout.h"

namespace x5k {
namespace {

using test::BoxKind;
using test::RecordingShell;
using test::RecordingSound;
using test::RecordingUserMessages;
using test::ShownMessage;

constexpr const char* kLeftClickEnglish = "At least one button must be configured as 'Left click'!";
constexpr const char* kLeftClickChinese = "请保留至少一个键为\"单击\"功能!";
constexpr const char* kSniperEnglish = "This key can not use the sniper function!";
constexpr const char* kSniperChinese = "此按键不可使用狙击功能!";
constexpr const char* kHostLeftEnglish = "The left button can not carry out a computer action!";
constexpr const char* kHostLeftChinese = "左键不可使用电脑操作功能!";

struct MacroEntry {
    int32_t id;
    std::string name;
};

// The working state the main settings page hands to AssignFunction.
struct Fixture {
    explicit Fixture(std::vector<int32_t> codes = {1, 4, 2, 8, 16, 11, 22}) {
        image = DefaultProfile(false);
        for (int b = 0; b < kButtonCount; ++b) image.set(profile::FunctionCode(b), codes[b]);
        macroIds.fill(0x0300'0007);
    }
    AssignOutcome assign(const AssignmentResult& result, bool chinese = false) {
        return AssignFunction(image, macroIds, result, chinese, messages, layout,
                              [this](int32_t id) {
                                  for (const MacroEntry& m : macros) {
                                      if (m.id == id) return m.name;
                                  }
                                  return std::string();
                              });
    }

    ProfileImage image;
    std::array<int32_t, kButtonCount> macroIds{};
    RecordingUserMessages messages;
    test::UsKeyboardLayout layout;
    std::vector<MacroEntry> macros = {
        {0x0100'0001, "Reload"}, {0x0500'0002, "Jump"}, {0x0500'0002, "Jump again"}};
};

AssignmentResult Basic(int button, int32_t code) {
    return {button, code, kKindCatalogue, 0, ""};
}
AssignmentResult Key(int button, int32_t value) {
    return {button, value, kKindKey, 0, ""};
}
AssignmentResult Macro(int button, int32_t id) {
    return {button, id, kKindMacro, 0, ""};
}
AssignmentResult Disable(int button) {
    return {button, 7, kKindDisabled, 0, ""};
}
AssignmentResult Host(int button, int row, std::string path) {
    return {button, HostActionCode(row, button), kKindHostAction, row, std::move(path)};
}

// A refused or invalid result must leave every byte and every macro identifier alone.
void ExpectRefusal(Fixture& f, const AssignmentResult& result, bool chinese, AssignOutcome outcome,
                   std::vector<ShownMessage> shown) {
    const ProfileImage before = f.image;
    const auto idsBefore = f.macroIds;
    EXPECT_EQ(f.assign(result, chinese), outcome);
    EXPECT_EQ(f.messages.shown(), shown);
    EXPECT_TRUE(f.image == before);
    EXPECT_EQ(f.macroIds, idsBefore);
}

struct LeftClickCase {
    const char* name;
    std::vector<int32_t> codes;
    AssignmentResult result;
    bool chinese;
    bool accepted;
};

class LeftClickRuleTest : public ::testing::TestWithParam<LeftClickCase> {};

TEST_P(LeftClickRuleTest, SomeButtonKeepsClick) {
    const LeftClickCase& c = GetParam();
    Fixture f(c.codes);
    if (c.accepted) {
        EXPECT_EQ(f.assign(c.result, c.chinese), AssignOutcome::Stored);
        EXPECT_TRUE(f.messages.shown().empty());
    } else {
        ExpectRefusal(f, c.result, c.chinese, AssignOutcome::RefusedLeftClick,
                      {{BoxKind::InfoDialog, c.chinese ? kLeftClickChinese : kLeftClickEnglish}});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LeftClickRuleTest,
    ::testing::Values(
        LeftClickCase{
            "click_again_on_only_click", {1, 4, 2, 8, 16, 11, 22}, Basic(0, 1), false, true},
        LeftClickCase{"menu_on_only_click", {1, 4, 2, 8, 16, 11, 22}, Basic(0, 2), false, false},
        LeftClickCase{
            "menu_on_only_click_chinese", {1, 4, 2, 8, 16, 11, 22}, Basic(0, 2), true, false},
        LeftClickCase{
            "key_on_only_click", {4, 4, 2, 8, 1, 11, 22}, Key(4, 0x00040000), false, false},
        LeftClickCase{
            "macro_on_only_click", {4, 1, 2, 8, 16, 11, 22}, Macro(1, 0x0100'0001), false, false},
        LeftClickCase{"disable_on_only_click", {1, 4, 2, 8, 16, 11, 22}, Disable(0), false, false},
        LeftClickCase{
            "menu_on_left_while_right_clicks", {1, 4, 1, 8, 16, 11, 22}, Basic(0, 2), false, true},
        // A profile without any Click only accepts a Click.
        LeftClickCase{"no_click_anywhere", {2, 4, 2, 8, 16, 11, 22}, Basic(3, 4), false, false},
        LeftClickCase{"click_when_none_has_it", {2, 4, 2, 8, 16, 11, 22}, Basic(3, 1), false, true},
        // A key whose value happens to be 1 is not Click.
        LeftClickCase{
            "key_value_one_is_not_click", {1, 4, 2, 8, 16, 11, 22}, Key(0, 1), false, false}),
    [](const auto& info) { return std::string(info.param.name); });

class SniperRuleTest : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(SniperRuleTest, AllowedOnButtonsNotOnWheelSteps) {
    const auto [button, chinese] = GetParam();
    Fixture f({1, 1, 2, 8, 16, 11, 22});  // Click twice, so the left-click rule never interferes
    if (button <= 4) {
        EXPECT_EQ(f.assign(Basic(button, kFunctionSniper), chinese), AssignOutcome::Stored);
        EXPECT_EQ(f.image.get(profile::FunctionCode(button)), kFunctionSniper);
        EXPECT_TRUE(f.messages.shown().empty());
    } else {
        ExpectRefusal(f, Basic(button, kFunctionSniper), chinese, AssignOutcome::RefusedSniper,
                      {{BoxKind::InfoDialog, chinese ? kSniperChinese : kSniperEnglish}});
    }
}

INSTANTIATE_TEST_SUITE_P(Buttons, SniperRuleTest,
                         ::testing::Combine(::testing::Range(0, kButtonCount), ::testing::Bool()));

TEST(AssignFunction, HostActionOnLeftIsRefusedInBothLanguages) {
    for (const bool chinese : {false, true}) {
        Fixture f({1, 1, 2, 8, 16, 11, 22});
        ExpectRefusal(f, Host(0, 1, "/usr/bin/game"), chinese,
                      AssignOutcome::RefusedHostActionOnLeft,
                      {{BoxKind::InfoDialog, chinese ? kHostLeftChinese : kHostLeftEnglish}});
    }
}

// What each kind leaves in the button record and the working macro identifiers.
struct StoreCase {
    const char* name;
    AssignmentResult result;
    int32_t code;
    int32_t keyValue;
    int32_t macroId;    // the record's field
    int32_t workingId;  // the working macro identifier of the button
    int32_t hostKind;
    int32_t hostCode;
    std::string path;
    std::string displayName;
};

constexpr int32_t kOldMacroId = 0x0200'0009;  // what the record held before
constexpr int32_t kOldKey = 0x00050000;
constexpr int32_t kOldHostKind = kHostFolder;
constexpr int32_t kOldHostCode = 0x00F30006;
const std::string kOldPath = "/old/target";

class StoreTest : public ::testing::TestWithParam<StoreCase> {};

TEST_P(StoreTest, WritesTheFieldsOfItsKind) {
    const StoreCase& c = GetParam();
    Fixture f;
    const int b = c.result.button;
    f.image.set(profile::MacroId(b), kOldMacroId);
    f.image.set(profile::KeyValue(b), kOldKey);
    f.image.set(profile::HostActionKind(b), kOldHostKind);
    f.image.set(profile::HostActionCode(b), kOldHostCode);
    f.image.setText(profile::HostActionPath(b), kOldPath);
    const ProfileImage expectedOthers = f.image;

    ASSERT_EQ(f.assign(c.result), AssignOutcome::Stored);
    EXPECT_EQ(f.image.get(profile::FunctionCode(b)), c.code);
    EXPECT_EQ(f.image.get(profile::KeyValue(b)), c.keyValue);
    EXPECT_EQ(f.image.get(profile::MacroId(b)), c.macroId);
    EXPECT_EQ(f.image.get(profile::HostActionKind(b)), c.hostKind);
    EXPECT_EQ(f.image.get(profile::HostActionCode(b)), c.hostCode);
    EXPECT_EQ(f.image.text(profile::HostActionPath(b)), c.path);
    EXPECT_EQ(f.image.text(profile::DisplayName(b)), c.displayName);
    for (int other = 0; other < kButtonCount; ++other) {
        EXPECT_EQ(f.macroIds[other], other == b ? c.workingId : 0x0300'0007) << other;
    }
    // Nothing outside the button's record changes.
    const size_t begin = profile::ButtonBase(b);
    const size_t end = begin + profile::kButtonRecordSize;
    for (size_t i = 0; i < profile::kSize; ++i) {
        if (i >= begin && i < end) continue;
        ASSERT_EQ(f.image.bytes()[i], expectedOthers.bytes()[i]) << i;
    }
    EXPECT_TRUE(f.messages.shown().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, StoreTest,
    ::testing::Values(
        StoreCase{"catalogue", Basic(3, 32), 32, kOldKey, kOldMacroId, 0, kOldHostKind,
                  kOldHostCode, kOldPath, "Play/Pause"},
        StoreCase{"default_button", Basic(6, 22), 22, kOldKey, kOldMacroId, 0, kOldHostKind,
                  kOldHostCode, kOldPath, "Scroll down"},
        StoreCase{"disabled", Disable(2), kFunctionDisabled, kOldKey, kOldMacroId, 0, kOldHostKind,
                  kOldHostCode, kOldPath, "Disable key"},
        StoreCase{"key", Key(1, 0x00040300), kFunctionKey, 0x00040300, kOldMacroId, 0, kOldHostKind,
                  kOldHostCode, kOldPath, "Shift + Ctrl + A"},
        StoreCase{"macro_first_of_its_id", Macro(4, 0x0500'0002), kFunctionMacro, kOldKey,
                  0x0500'0002, 0x0500'0002, kOldHostKind, kOldHostCode, kOldPath, "Jump"},
        StoreCase{"sound", Host(5, 0, "/snd/ding.wav"), kFunctionHostAction, kOldKey, kOldMacroId,
                  0, kHostSound, 0x00C50006, "/snd/ding.wav", "/snd/ding.wav"},
        StoreCase{"program", Host(1, 1, "/opt/My Game/run"), kFunctionHostAction, kOldKey,
                  kOldMacroId, 0, kHostProgram, 0x00D10006, "/opt/My Game/run", "/opt/My Game/run"},
        StoreCase{"file", Host(2, 2, "/home/u/notes.txt"), kFunctionHostAction, kOldKey,
                  kOldMacroId, 0, kHostFile, 0x00E20006, "/home/u/notes.txt", "/home/u/notes.txt"},
        StoreCase{"folder", Host(6, 3, "/home/u/Bilder"), kFunctionHostAction, kOldKey, kOldMacroId,
                  0, kHostFolder, 0x00F60006, "/home/u/Bilder", "/home/u/Bilder"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AssignFunction, CatalogueNameFollowsTheBuiltInLanguage) {
    Fixture f;
    ASSERT_EQ(f.assign(Basic(2, 39), true), AssignOutcome::Stored);
    EXPECT_EQ(f.image.text(profile::DisplayName(2)), "静音");
}

TEST(AssignFunction, LongNamesAreCutTo259Characters) {
    Fixture f;
    f.macros = {{0x0100'0003, std::string(300, 'm')}};
    ASSERT_EQ(f.assign(Macro(3, 0x0100'0003)), AssignOutcome::Stored);
    EXPECT_EQ(f.image.text(profile::DisplayName(3)), std::string(259, 'm'));

    // A path of exactly 259 characters fits, and names the button in full.
    const std::string fits = "/" + std::string(258, 'p');
    ASSERT_EQ(f.assign(Host(4, 2, fits)), AssignOutcome::Stored);
    EXPECT_EQ(f.image.text(profile::HostActionPath(4)), fits);
    EXPECT_EQ(f.image.text(profile::DisplayName(4)), fits);
}

TEST(AssignFunction, PathThatDoesNotFitIsRefusedNotCut) {
    // A cut path would open a different file than the one the user chose.
    Fixture f;
    const std::string tooLong = "/" + std::string(259, 'p');
    const ProfileImage before = f.image;
    EXPECT_EQ(f.assign(Host(4, 2, tooLong)), AssignOutcome::RefusedPathTooLong);
    EXPECT_EQ(f.messages.shown().size(), 1u);
    EXPECT_TRUE(f.image == before);
}

struct InvalidCase {
    const char* name;
    AssignmentResult result;
};

class InvalidResultTest : public ::testing::TestWithParam<InvalidCase> {};

TEST_P(InvalidResultTest, ChangesNothingAndShowsNothing) {
    Fixture f({1, 1, 2, 8, 16, 11, 22});
    ExpectRefusal(f, GetParam().result, false, AssignOutcome::Invalid, {});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InvalidResultTest,
    ::testing::Values(InvalidCase{"button_below_range", Basic(-1, 2)},
                      InvalidCase{"button_above_range", Basic(7, 2)},
                      InvalidCase{"code_outside_catalogue", Basic(2, 999)},
                      InvalidCase{"unknown_kind", {2, 2, 7, 0, ""}},
                      InvalidCase{"host_action_code_as_catalogue", Basic(2, 19)},
                      InvalidCase{"no_key", Key(2, 0)}, InvalidCase{"no_macro", Macro(2, 0)},
                      InvalidCase{"host_row_above_range", Host(2, 4, "/x")},
                      InvalidCase{"host_row_below_range", Host(2, -1, "/x")},
                      InvalidCase{"host_without_path", Host(2, 1, "")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IsModified, ComparesWithTheButtonsOwnDefault) {
    ProfileImage image = DefaultProfile(false);
    for (int b = 0; b < kButtonCount; ++b) EXPECT_FALSE(IsModified(image, b)) << b;
    // Button 2's default is Menu; Click there is a change even though it is button 0's default.
    image.set(profile::FunctionCode(2), kFunctionClick);
    EXPECT_TRUE(IsModified(image, 2));
}

struct TranslateCase {
    const char* stored;
    bool chinese;
    const char* expected;
};

class TranslateDefaultNameTest : public ::testing::TestWithParam<TranslateCase> {};

TEST_P(TranslateDefaultNameTest, FollowsTheInterfaceLanguage) {
    const TranslateCase& c = GetParam();
    ProfileImage image = DefaultProfile(false);
    image.setText(profile::DisplayName(3), c.stored);
    EXPECT_EQ(TranslateDefaultName(image, 3, c.chinese), std::string(c.stored) != c.expected);
    EXPECT_EQ(image.text(profile::DisplayName(3)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, TranslateDefaultNameTest,
    ::testing::Values(
        TranslateCase{"单击", false, "Click"}, TranslateCase{"Click", true, "单击"},
        TranslateCase{"中键", false, "Middle"}, TranslateCase{"Middle", true, "中键"},
        TranslateCase{"菜单", false, "Menu"}, TranslateCase{"Menu", true, "菜单"},
        TranslateCase{"前进", false, "Forward"}, TranslateCase{"Forward", true, "前进"},
        TranslateCase{"后退", false, "Back"}, TranslateCase{"Back", true, "后退"},
        TranslateCase{"滚轮前滚", false, "Scroll up"}, TranslateCase{"Scroll up", true, "滚轮前滚"},
        TranslateCase{"滚轮后滚", false, "Scroll down"},
        TranslateCase{"Scroll down", true, "滚轮后滚"},
        // Already in the current language, or not a default function's name.
        TranslateCase{"Click", false, "Click"}, TranslateCase{"单击", true, "单击"},
        TranslateCase{"静音", false, "静音"}, TranslateCase{"Play/Pause", true, "Play/Pause"},
        TranslateCase{"click", true, "click"}, TranslateCase{"", true, ""}));

struct HostActionCase {
    const char* name;
    int button;
    int32_t code;
    int32_t kind;
    std::string path;
    std::vector<std::string> opened;
    std::vector<std::string> played;
};

class RunHostActionTest : public ::testing::TestWithParam<HostActionCase> {};

TEST_P(RunHostActionTest, HandsTheTargetToTheDesktop) {
    const HostActionCase& c = GetParam();
    ProfileImage image = DefaultProfile(false);
    image.set(profile::FunctionCode(c.button), c.code);
    image.set(profile::HostActionKind(c.button), c.kind);
    image.setText(profile::HostActionPath(c.button), c.path);
    RecordingShell shell;
    RecordingSound sound;
    RunHostAction(image, c.button, shell, sound);
    EXPECT_EQ(shell.opened(), c.opened);
    EXPECT_EQ(sound.played(), c.played);
}

using Texts = std::vector<std::string>;

INSTANTIATE_TEST_SUITE_P(
    Cases, RunHostActionTest,
    ::testing::Values(
        HostActionCase{"sound", 3, 19, kHostSound, "/snd/a b.wav", {}, {"/snd/a b.wav"}},
        HostActionCase{
            "program_unquoted", 1, 19, kHostProgram, "/opt/My Game/run", {"/opt/My Game/run"}, {}},
        HostActionCase{"file_with_space_quoted",
                       2,
                       19,
                       kHostFile,
                       "/home/u/my notes.txt",
                       {"\"/home/u/my notes.txt\""},
                       {}},
        HostActionCase{"folder_with_space_quoted",
                       6,
                       19,
                       kHostFolder,
                       "/home/u/My Pictures",
                       {"\"/home/u/My Pictures\""},
                       {}},
        HostActionCase{
            "file_without_space", 5, 19, kHostFile, "/home/u/notes.txt", {"/home/u/notes.txt"}, {}},
        HostActionCase{"empty_path", 4, 19, kHostProgram, "", {}, {}},
        HostActionCase{"not_a_host_action_now", 4, 16, kHostProgram, "/usr/bin/game", {}, {}},
        HostActionCase{"left_button", 0, 19, kHostProgram, "/usr/bin/game", {}, {}},
        HostActionCase{"unknown_kind", 4, 19, 0xB0, "/usr/bin/game", {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RunHostAction, CarriesOutWhatAssignFunctionStored) {
    Fixture f;
    ASSERT_EQ(f.assign(Host(3, 3, "/home/u/My Games")), AssignOutcome::Stored);
    RecordingShell shell;
    RecordingSound sound;
    RunHostAction(f.image, 3, shell, sound);
    EXPECT_EQ(shell.opened(), Texts{"\"/home/u/My Games\""});

    // Once the button holds another function, its old target is left alone.
    ASSERT_EQ(f.assign(Basic(3, 8)), AssignOutcome::Stored);
    RunHostAction(f.image, 3, shell, sound);
    EXPECT_EQ(shell.opened().size(), 1u);
}

}  // namespace
}  // namespace x5k

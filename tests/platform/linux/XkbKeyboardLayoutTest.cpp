#include "platform/linux/XkbKeyboardLayout.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "functions/KeyNames.h"
#include "support/TempFolder.h"

namespace x5k {
namespace {

// Every case names its keymap explicitly, so the machine's own keyboard settings never
// change the result.
struct LayoutCase {
    const char* name;
    KeyboardNames names;
    uint32_t vk;
    std::optional<char32_t> typed;
};

class XkbCharacterTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(XkbCharacterTest, TypesWhatTheKeyAtThatPositionTypes) {
    const XkbKeyboardLayout layout(GetParam().names);
    ASSERT_TRUE(layout.isLoaded());
    EXPECT_EQ(layout.characterOf(GetParam().vk), GetParam().typed);
}

KeyboardNames Names(std::string layout, std::string variant = {}, std::string model = {}) {
    KeyboardNames names;
    names.layout = std::move(layout);
    names.variant = std::move(variant);
    names.model = std::move(model);
    return names;
}

const KeyboardNames kUs = Names("us");
const KeyboardNames kDe = Names("de");
const KeyboardNames kDeNoDeadKeys = Names("de", "nodeadkeys");
const KeyboardNames kFr = Names("fr");
const KeyboardNames kRu = Names("ru");

INSTANTIATE_TEST_SUITE_P(Cases, XkbCharacterTest,
                         ::testing::Values(LayoutCase{"us_semicolon", kUs, 0xBA, U';'},
                                           LayoutCase{"us_letter_unshifted", kUs, 0x41, U'a'},
                                           LayoutCase{"us_digit", kUs, 0x31, U'1'},
                                           LayoutCase{"us_apostrophe", kUs, 0xDE, U'\''},
                                           LayoutCase{"us_grave", kUs, 0xC0, U'`'},
                                           LayoutCase{"de_y_position_types_z", kDe, 0x59, U'z'},
                                           LayoutCase{"de_z_position_types_y", kDe, 0x5A, U'y'},
                                           LayoutCase{"de_umlaut", kDe, 0xBA, U'\u00F6'},
                                           LayoutCase{"de_iso_key", kDe, 0xE2, U'<'},
                                           // Dead keys read as the accent printed on the key cap.
                                           LayoutCase{"de_dead_circumflex", kDe, 0xC0, U'^'},
                                           LayoutCase{"de_dead_acute", kDe, 0xBB, U'\u00B4'},
                                           LayoutCase{"de_nodeadkeys_circumflex", kDeNoDeadKeys,
                                                      0xC0, U'^'},
                                           LayoutCase{"fr_azerty_a_position", kFr, 0x41, U'q'},
                                           LayoutCase{"fr_digit_row", kFr, 0x31, U'&'},
                                           LayoutCase{"ru_cyrillic", kRu, 0x41, U'\u0444'},
                                           // Keys with fixed names are not asked of the layout.
                                           LayoutCase{"enter_not_mapped", kUs, 0x0D, std::nullopt},
                                           LayoutCase{"above_a_byte", kUs, 0x141, std::nullopt}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(XkbKeyboardLayout, NamesKeysThroughKeyNames) {
    EXPECT_EQ(VirtualKeyName(0x59, XkbKeyboardLayout(kDe)), "Z");
    EXPECT_EQ(VirtualKeyName(0x41, XkbKeyboardLayout(kRu)), "\u0444");
    EXPECT_EQ(KeyComboName(0x001C0300, XkbKeyboardLayout(kDe)), "Shift + Ctrl + Z");
}

TEST(XkbKeyboardLayout, UnknownLayoutTypesNothingAndDoesNotCrash) {
    const XkbKeyboardLayout layout(Names("no-such-layout-x5k"));
    EXPECT_FALSE(layout.isLoaded());
    EXPECT_EQ(layout.characterOf(0x41), std::nullopt);
    EXPECT_EQ(VirtualKeyName(0x41, layout), "0x41");
}

// Sets environment variables for one test and puts the old values back afterwards.
class ScopedEnvironment {
public:
    void set(const char* name, const std::string& value) {
        const char* old = std::getenv(name);
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second) {
                ::setenv(it->first.c_str(), it->second->c_str(), 1);
            } else {
                ::unsetenv(it->first.c_str());
            }
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST(XkbKeyboardLayout, MissingKeyboardDataTypesNothing) {
    // Point every place xkbcommon looks for its data at an empty folder, as on a system
    // without xkb-data.
    test::TempFolder empty;
    ScopedEnvironment environment;
    environment.set("XKB_CONFIG_ROOT", empty.path().string());
    environment.set("HOME", empty.path().string());
    environment.set("XDG_CONFIG_HOME", empty.path().string());
    const XkbKeyboardLayout layout(kUs);
    EXPECT_FALSE(layout.isLoaded());
    EXPECT_EQ(layout.characterOf(0xBA), std::nullopt);
}

// ---- Which keyboard the system is set up with ------------------------------------------

struct DefaultsCase {
    const char* name;
    std::map<std::string, std::string> environment;
    const char* file;  // null: no file
    KeyboardNames expected;
};

class DefaultKeyboardNamesTest : public ::testing::TestWithParam<DefaultsCase> {};

TEST_P(DefaultKeyboardNamesTest, PicksTheSource) {
    const DefaultsCase& c = GetParam();
    test::TempFolder folder;
    const auto file = folder / "keyboard";
    if (c.file) {
        const std::string text = c.file;
        test::WriteBytes(file, std::vector<uint8_t>(text.begin(), text.end()));
    }
    const EnvironmentLookup environment = [&c](const char* name) -> std::optional<std::string> {
        const auto it = c.environment.find(name);
        if (it == c.environment.end()) return std::nullopt;
        return it->second;
    };
    EXPECT_EQ(DefaultKeyboardNames(environment, file), c.expected);
}

constexpr const char* kDebianFile =
    "# KEYBOARD CONFIGURATION FILE\n"
    "\n"
    "XKBMODEL=\"pc105\"\n"
    "XKBLAYOUT=\"de,us\"\n"
    "XKBVARIANT='nodeadkeys,'\n"
    "XKBOPTIONS=\"\"\n"
    "\n"
    "BACKSPACE=\"guess\"\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, DefaultKeyboardNamesTest,
    ::testing::Values(
        DefaultsCase{"file", {}, kDebianFile, Names("de,us", "nodeadkeys,", "pc105")},
        // The environment wins as a whole: the file's variant does not join its layout.
        DefaultsCase{
            "environment_over_file", {{"XKB_DEFAULT_LAYOUT", "fr"}}, kDebianFile, Names("fr")},
        DefaultsCase{"empty_variable_is_unset",
                     {{"XKB_DEFAULT_LAYOUT", ""}},
                     kDebianFile,
                     Names("de,us", "nodeadkeys,", "pc105")},
        DefaultsCase{"all_variables",
                     {{"XKB_DEFAULT_RULES", "evdev"},
                      {"XKB_DEFAULT_MODEL", "pc104"},
                      {"XKB_DEFAULT_LAYOUT", "us"},
                      {"XKB_DEFAULT_VARIANT", "dvorak"},
                      {"XKB_DEFAULT_OPTIONS", "ctrl:nocaps"}},
                     nullptr,
                     KeyboardNames{"evdev", "pc104", "us", "dvorak", "ctrl:nocaps"}},
        DefaultsCase{"shell_forms",
                     {},
                     "  export XKBLAYOUT=gb # comment\n#XKBMODEL=\"x\"\nXKBOPTIONS = junk\n",
                     Names("gb")},
        DefaultsCase{"nothing_gives_builtin_default", {}, nullptr, KeyboardNames{}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace x5k

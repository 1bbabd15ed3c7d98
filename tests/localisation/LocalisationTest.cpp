#include "localisation/Localisation.h"

#include <gtest/gtest.h>

#include "common/ByteRecord.h"
#include "localisation/IniFile.h"
#include "localisation/Languages.h"
#include "support/FaultyFileSystem.h"
#include "support/RecordingLogSink.h"
#include "support/RecordingUserMessages.h"
#include "support/TempFolder.h"

namespace x5k {
namespace {

using test::BoxKind;
using test::ReadBytes;
using test::ShownMessage;
using test::WriteBytes;

std::vector<uint8_t> Utf8(std::string_view text) {
    return {text.begin(), text.end()};
}

// A language file holding str_ok and str_msg2 only.
std::vector<uint8_t> LanguageFile(std::string_view ok) {
    return Utf8("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<language><config><str_ok>" +
                std::string(ok) + "</str_ok><str_msg2>No file %s</str_msg2></config></language>");
}

// ---------------------------------------------------------------- the shipped files

TEST(ShippedLanguageFiles, EveryFileHoldsAllStrings) {
    test::FaultyFileSystem files;
    test::RecordingUserMessages messages;
    for (const LanguageRow& language : Languages()) {
        Localisation localisation(files, messages, X5K_ASSETS_DIR, "/nonexistent");
        localisation.loadLanguage(std::filesystem::path(X5K_ASSETS_DIR) / language.file);
        for (const std::string_view key : InterfaceStrings::kKeys) {
            const std::string& text = localisation.strings().get(key);
            EXPECT_FALSE(text.empty()) << language.file << " " << key;
            const size_t percent = text.find('%');
            if (key == "str_msg2" || key == "str_update_saved") {
                EXPECT_EQ(text.find("%s"), percent) << language.file;
                EXPECT_EQ(text.find('%', percent + 1), std::string::npos) << language.file;
            } else {
                EXPECT_EQ(percent, std::string::npos) << language.file << " " << key;
            }
        }
    }
    EXPECT_TRUE(messages.shown().empty());
}

// ---------------------------------------------------------------- tables

TEST(Languages, TableRows) {
    ASSERT_EQ(Languages().size(), 12u);
    for (int i = 1; i <= kLanguageCount; ++i) {
        const LanguageRow* row = FindLanguage(i);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->index, i);
        EXPECT_EQ(row->menuIcon, 129 + i);
        EXPECT_EQ(row->indicatorBitmap, 141 + i);
        EXPECT_EQ(row->chineseBuiltInTexts, i == 1) << row->label;
    }
    EXPECT_EQ(FindLanguage(12)->label, "Trad.Chinese");
    EXPECT_EQ(FindLanguage(12)->file, "Language/tw.xml");
    EXPECT_EQ(FindLanguage(0), nullptr);
    EXPECT_EQ(FindLanguage(13), nullptr);
}

TEST(Hints, NumbersToStrings) {
    struct Case {
        int number;
        Hint::Kind kind;
        std::string_view key;
        int button;
    };
    using K = Hint::Kind;
    const Case cases[] = {
        {0, K::Empty, "", -1},
        {1, K::String, "str_main", -1},
        {11, K::String, "str_ok", -1},
        {12, K::String, "str_dpiwant", -1},
        {18, K::String, "str_rollerScreen", -1},
        {19, K::ButtonName, "", 0},
        {25, K::ButtonName, "", 6},
        {26, K::String, "str_ledspe", -1},
        {32, K::String, "str_led_brightness", -1},
        {33, K::Empty, "", -1},
        {36, K::Empty, "", -1},
        {37, K::String, "str_led_body_on", -1},
        {48, K::String, "str_macro_loop", -1},
        {49, K::String, "str_click", -1},
        {60, K::String, "str_defaultname", -1},
        {61, K::String, "str_dpi_setting", -1},
        {76, K::String, "str_breath_speed", -1},
        {77, K::Empty, "", -1},
        {79, K::Empty, "", -1},
        {80, K::String, "str_proximity_sensing", -1},
        {90, K::String, "str_firmware_version", -1},
        {91, K::Empty, "", -1},
        {99, K::Empty, "", -1},
        {-5, K::Empty, "", -1},
    };
    for (const Case& c : cases) {
        const Hint hint = HintOf(c.number);
        EXPECT_EQ(hint.kind, c.kind) << c.number;
        EXPECT_EQ(hint.key, c.key) << c.number;
        EXPECT_EQ(hint.button, c.button) << c.number;
    }
    for (int n = 0; n < 100; ++n) {
        const Hint hint = HintOf(n);
        if (hint.kind == Hint::Kind::String) {
            EXPECT_TRUE(InterfaceStrings::indexOf(hint.key).has_value()) << hint.key;
        }
    }
}

TEST(IniFile, ReadsIntegers) {
    struct Case {
        const char* text;
        int expected;
    };
    const Case cases[] = {
        {"[languagetype]\nvalue=1\n", 1},
        {"[LanguageType]\r\n  VALUE = 1 \r\n", 1},
        {"; comment\n[other]\nvalue=1\n[languagetype]\nvalue=0\n", 0},
        {"[languagetype]\n# value=1\n", 7},
        {"[languagetype]\nvalue=12abc\n", 12},
        {"[languagetype]\nvalue=abc\n", 0},
        {"[languagetype]\nvalue=-3\n", 0},
        {"[languagetype]\nvalue=\n", 0},
        {"value=1\n", 7},
        {"", 7},
        {"[languagetype\nvalue=1", 7},
        {"[languagetype]\nvalue=99999999999999\n", 2147483647},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadIniInt(c.text, "languagetype", "value", 7), c.expected) << c.text;
    }
}

// ---------------------------------------------------------------- loading and switching

class LocalisationTest : public ::testing::Test {
protected:
    LocalisationTest() {
        for (const LanguageRow& language : Languages()) {
            WriteBytes(program / language.file, LanguageFile(language.label));
        }
    }

    int32_t rememberedIndex() {
        const auto bytes = ReadBytes(data / "Language.cfg");
        EXPECT_EQ(bytes.size(), 4u);
        return bytes.size() == 4 ? static_cast<int32_t>(GetU32(bytes, 0)) : -999;
    }

    test::TempFolder program;
    test::TempFolder data;
    test::FaultyFileSystem files;
    test::RecordingUserMessages messages;
    Localisation localisation{files, messages, program.path(), data.path()};
};

TEST_F(LocalisationTest, DocumentShapesAndEncodings) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        std::string ok;  // what str_ok reads afterwards
    };
    std::vector<uint8_t> utf16be = {0xFE, 0xFF};
    for (const char16_t unit :
         std::u16string_view(u"<l><config><str_ok>Übernehmen 中</str_ok></config></l>")) {
        utf16be.push_back(static_cast<uint8_t>(unit >> 8));
        utf16be.push_back(static_cast<uint8_t>(unit));
    }
    const Case cases[] = {
        {"root_without_config", Utf8("<l><str_ok>Apply</str_ok></l>"), ""},
        {"config_as_root", Utf8("<config><str_ok>Apply</str_ok></config>"), ""},
        {"nested_config", Utf8("<l><config><config><str_ok>Deep</str_ok></config></config></l>"),
         "Deep"},
        {"gb2312_declared",
         Utf8("<?xml version=\"1.0\" encoding=\"GB2312\"?><l><config><str_ok>\xC8\xB7\xB6\xA8"
              "</str_ok></config></l>"),
         "确定"},
        {"latin1_undeclared", Utf8("<l><config><str_ok>R\xE9glages</str_ok></config></l>"),
         "Réglages"},
        {"entities", Utf8("<l><config><str_ok>A &amp; B &#x4E2D;</str_ok></config></l>"),
         "A & B 中"},
        {"utf16be_marked", utf16be, "Übernehmen 中"},
    };
    for (const Case& c : cases) {
        WriteBytes(program / "doc.xml", c.bytes);
        localisation.loadLanguage(program / "doc.xml");
        EXPECT_EQ(localisation.strings().get("str_ok"), c.ok) << c.name;
    }
}

TEST_F(LocalisationTest, MissingFileEmptiesEveryString) {
    localisation.loadLanguage(program / "Language" / "en.xml");
    ASSERT_EQ(localisation.strings().get("str_ok"), "English");
    localisation.loadLanguage(program / "Language" / "none.xml");
    for (const std::string_view key : InterfaceStrings::kKeys) {
        EXPECT_EQ(localisation.strings().get(key), "") << key;
    }
}

TEST_F(LocalisationTest, FirstRunLanguageFromTheIniFile) {
    struct Case {
        std::optional<std::string> ini;
        bool chinese;
    };
    const Case cases[] = {{std::nullopt, false},
                          {"[languagetype]\nvalue=0\n", false},
                          {"[languagetype]\nvalue=1\n", true},
                          {"[languagetype]\nvalue=2\n", false}};
    for (const Case& c : cases) {
        std::filesystem::remove(program / "skins" / "languagetype.ini");
        if (c.ini) WriteBytes(program / "skins" / "languagetype.ini", Utf8(*c.ini));
        Localisation fresh(files, messages, program.path(), data.path());
        EXPECT_EQ(fresh.applyFirstRunLanguage(), c.chinese ? 142 : 143);
        EXPECT_EQ(fresh.chinese(), c.chinese);
        EXPECT_EQ(fresh.startedInChinese(), c.chinese);
        EXPECT_EQ(fresh.strings().get("str_ok"), c.chinese ? "Chinese" : "English");
    }
}

TEST_F(LocalisationTest, MissingChoiceMeansChineseAndIsReported) {
    EXPECT_EQ(localisation.readLanguageChoice(), 1);
    EXPECT_EQ(messages.shown(),
              (std::vector<ShownMessage>{
                  {BoxKind::InfoDialog, "Failed to open file, check whether there is a " +
                                            (data / "Language.cfg").string() + " path?"}}));
    const auto handled = localisation.selectLanguage(Localisation::kFromStartUp, 1, false);
    EXPECT_TRUE(handled.handled);
    EXPECT_TRUE(localisation.chinese());
    EXPECT_EQ(handled.indicatorBitmap, 142);
    EXPECT_FALSE(handled.closeMenu);
    EXPECT_EQ(rememberedIndex(), 1);
}

TEST_F(LocalisationTest, SelectionFromTheMenu) {
    struct Case {
        uint32_t wParam;
        int32_t index;
        bool menuOpen;
        bool handled;
        std::string ok;  // str_ok afterwards ("English" was loaded before)
        bool chinese;
        int indicator;
        bool closeMenu;
    };
    const Case cases[] = {
        {0, 12, true, true, "Trad.Chinese", false, 153, true},
        {0, 1, true, true, "Chinese", true, 142, true},
        {0, 5, false, false, "English", false, 0, false},  // no menu open
        {0, 0, true, false, "English", false, 0, false},   // the menu closed without a choice
        {Localisation::kFromStartUp, 0, false, false, "English", false, 0, false},
        {Localisation::kFromStartUp, 13, false, true, "English", false, 0, false},
        {Localisation::kFromStartUp, -2, false, true, "English", false, 0, false},
    };
    for (const Case& c : cases) {
        localisation.loadLanguage(program / "Language" / "en.xml");
        localisation.saveLanguageChoice(2);
        const auto result = localisation.selectLanguage(c.wParam, c.index, c.menuOpen);
        EXPECT_EQ(result.handled, c.handled) << c.index;
        EXPECT_EQ(localisation.strings().get("str_ok"), c.ok) << c.index;
        if (c.handled) {
            EXPECT_EQ(localisation.chinese(), c.chinese) << c.index;
        }
        EXPECT_EQ(result.indicatorBitmap, c.indicator) << c.index;
        EXPECT_EQ(result.closeMenu, c.closeMenu) << c.index;
        EXPECT_EQ(rememberedIndex(), c.handled ? c.index : 2) << c.index;
    }
}

TEST_F(LocalisationTest, FailedSaveIsReportedByCauseAndSafely) {
    localisation.loadLanguage(program / "Language" / "en.xml");
    WriteBytes(program / "odd.xml",
               Utf8("<l><config><str_msg2>%n%x %s %s</str_msg2><str_msg5>denied 100%</str_msg5>"
                    "</config></l>"));
    localisation.loadLanguage(program / "odd.xml");
    files.failWrites(data / "Language.cfg", FileError::NotFound);
    localisation.saveLanguageChoice(3);
    files.failWrites(data / "Language.cfg", FileError::AccessDenied);
    localisation.saveLanguageChoice(3);
    files.failWrites(data / "Language.cfg", FileError::Other);
    localisation.saveLanguageChoice(3);
    EXPECT_EQ(messages.shown(),
              (std::vector<ShownMessage>{
                  {BoxKind::InfoBox, "%n%x " + (data / "Language.cfg").string() + " %s"},
                  {BoxKind::InfoBox, "denied 100%"}}));
}

// A language file is read up to 1 MB and each string kept up to 4 KB, cut where a
// character begins; the log tells what was cut. A file cut inside its document leaves
// its elements open, which the reader reads as holding nothing.
TEST_F(LocalisationTest, OversizedStringsAndFilesAreCut) {
    constexpr size_t kStringCap = 4096;
    constexpr size_t kFileCap = 1024 * 1024;
    struct Case {
        const char* name;
        std::string okText;  // what str_ok holds in the file
        size_t inside;       // blanks between str_ok and str_msg2
        size_t after;        // blanks after the document
        std::string ok;      // what str_ok reads afterwards
        std::string msg2;    // what str_msg2 reads afterwards
        std::string logged;  // a piece of the log line telling the cut; empty for none
    };
    const std::string a4k(kStringCap, 'a');
    const Case cases[] = {
        {"string_of_4_KB", a4k, 0, 0, a4k, "Late %s", ""},
        {"string_of_4_KB_and_1", a4k + "b", 0, 0, a4k, "Late %s", "str_ok"},
        // The three bytes of the character start one byte before the cap.
        {"character_across_the_cap", std::string(kStringCap - 1, 'a') + "\xE4\xB8\xAD", 0, 0,
         std::string(kStringCap - 1, 'a'), "Late %s", "str_ok"},
        {"file_of_2_MB_cut_inside_the_document", "Fine", 2 * kFileCap, 0, "", "", "1048576"},
        {"file_of_2_MB_cut_after_the_document", "Fine", 0, 2 * kFileCap, "Fine", "Late %s",
         "1048576"},
    };
    for (const Case& c : cases) {
        const std::filesystem::path file = program / (std::string(c.name) + ".xml");
        WriteBytes(
            file, Utf8("<l><config><str_ok>" + c.okText + "</str_ok>" + std::string(c.inside, ' ') +
                       "<str_msg2>Late %s</str_msg2></config></l>" + std::string(c.after, ' ')));
        test::RecordingLogSink log;
        localisation.loadLanguage(file);
        EXPECT_EQ(localisation.strings().get("str_ok"), c.ok) << c.name;
        EXPECT_EQ(localisation.strings().get("str_msg2"), c.msg2) << c.name;
        if (c.logged.empty()) {
            EXPECT_FALSE(log.has({"cut"})) << c.name << "\n" << log.all();
        } else {
            EXPECT_TRUE(log.has({"cut", file.string(), c.logged})) << c.name << "\n" << log.all();
        }
    }
}

}  // namespace
}  // namespace x5k

namespace x5k {
namespace {

TEST(SectionTitleTest, TheWordsBeforeTheFirstColonOrTheWholeHint) {
    struct Case {
        std::string_view hint;
        std::string_view title;
    };
    const Case cases[] = {
        {"DPI settings: choose up to five resolution levels", "DPI settings"},
        {"DPI 设置：最多可启用五个分辨率档位", "DPI 设置"},
        {"Report rate : a higher rate", "Report rate"},
        {"Drag to set the Windows pointer speed", "Drag to set the Windows pointer speed"},
        {": starts with a colon", ": starts with a colon"},
        {"A: b: c", "A"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(SectionTitle(c.hint), c.title) << c.hint;
}

}  // namespace
}  // namespace x5k

#include <gtest/gtest.h>

#include "common/ByteRecord.h"
#include "common/TextFormat.h"
#include "common/Utf.h"

namespace x5k {
namespace {

TEST(ByteRecord, IntegersAreLittleEndian) {
    ByteRecord<8> record;
    record.set(I32Field{4}, static_cast<int32_t>(0x80800026));
    EXPECT_EQ(record.bytes()[4], 0x26);
    EXPECT_EQ(record.bytes()[5], 0x00);
    EXPECT_EQ(record.bytes()[6], 0x80);
    EXPECT_EQ(record.bytes()[7], 0x80);
    EXPECT_EQ(static_cast<uint32_t>(record.get(I32Field{4})), 0x80800026u);
    record.set(I32Field{0}, -1);
    EXPECT_EQ(record.get(I32Field{0}), -1);
}

struct TextCase {
    const char* name;
    std::string input;
    std::string stored;  // what reading the field back gives
    bool complete;
};

class TextFieldTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextFieldTest, WritesTruncatesAndZeroFills) {
    const TextCase& c = GetParam();
    ByteRecord<16> record;
    record.bytes()[15] = 0xAA;  // a byte past the field stays as it was
    record.setText(TextField{2, 5}, "XXXXXXXX");
    EXPECT_EQ(record.setText(TextField{2, 5}, c.input), c.complete);
    EXPECT_EQ(record.text(TextField{2, 5}), c.stored);
    const size_t used = Utf8ToUtf16(c.stored).size();
    for (size_t unit = used; unit < 5; ++unit) EXPECT_EQ(GetU16(record.bytes(), 2 + 2 * unit), 0);
    EXPECT_EQ(record.bytes()[0], 0);
    EXPECT_EQ(record.bytes()[15], 0xAA);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextFieldTest,
    ::testing::Values(TextCase{"empty", "", "", true}, TextCase{"fits", "Menu", "Menu", true},
                      TextCase{"cut_to_width_minus_one", "Middle", "Midd", false},
                      TextCase{"chinese", "单击", "单击", true},
                      // U+1F5B1 (three-button mouse) takes two units; cut after "abc" it
                      // would leave half a character, so it is dropped whole.
                      TextCase{"no_half_surrogate", "abc\xF0\x9F\x96\xB1", "abc", false},
                      TextCase{"surrogate_fits", "ab\xF0\x9F\x96\xB1", "ab\xF0\x9F\x96\xB1", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ByteRecord, FieldWithoutTerminatorReadsWholeWidth) {
    ByteRecord<6> record;
    for (int i = 0; i < 3; ++i) SetU16(record.bytes(), 2 * i, 'a' + i);
    EXPECT_EQ(record.text(TextField{0, 3}), "abc");
}

TEST(Utf, InvalidInputBecomesReplacementCharacters) {
    EXPECT_EQ(Utf8ToUtf16("a\xFF"
                          "b"),
              u"a\uFFFDb");
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");            // overlong "/"
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
    EXPECT_EQ(Utf8ToUtf16("\xE4\xB8"), u"\uFFFD\uFFFD");            // truncated sequence
    EXPECT_EQ(Utf16ToUtf8(u"x\xD800y"), "x\xEF\xBF\xBDy");          // lone surrogate
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16("滚轮前滚 \xF0\x9F\x96\xB1")), "滚轮前滚 \xF0\x9F\x96\xB1");
}

struct FormatCase {
    const char* pattern;
    std::string expected;
};

class FormatTextTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatTextTest, SubstitutesInOrderAndNothingElse) {
    EXPECT_EQ(FormatText(GetParam().pattern, {std::string_view("/data/Profile1.cfg"), int64_t{7}}),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatTextTest,
    ::testing::Values(
        FormatCase{"Failed to open file, check whether there is a %s path?",
                   "Failed to open file, check whether there is a /data/Profile1.cfg path?"},
        FormatCase{"%s then %d", "/data/Profile1.cfg then 7"},
        FormatCase{"%d first", "/data/Profile1.cfg first"},
        FormatCase{"%n %x %p %% %", "%n %x %p %% %"},
        FormatCase{"%s %s %s", "/data/Profile1.cfg 7 %s"},
        FormatCase{"no placeholder", "no placeholder"}, FormatCase{"trailing %", "trailing %"}));

}  // namespace
}  // namespace x5k

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/Utf.h"
#include "xml/Charsets.h"
#include "xml/CodePages.h"
#include "xml/Entities.h"

namespace x5k {
namespace {

std::span<const uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

struct AliasCase {
    const char* name;
    int codePage;
};

class CodePageFromNameTest : public ::testing::TestWithParam<AliasCase> {};

TEST_P(CodePageFromNameTest, MapsTheName) {
    EXPECT_EQ(CodePageFromName(GetParam().name), GetParam().codePage);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CodePageFromNameTest,
    ::testing::Values(
        AliasCase{"utf-8", 65001}, AliasCase{"UTF-7", 65000}, AliasCase{"utf-16", 1200},
        AliasCase{"Unicode", 1200}, AliasCase{"unicodeFFFE", 1201}, AliasCase{"US-ASCII", 20127},
        AliasCase{"iso-8859-1", 28591}, AliasCase{"Latin1", 28591}, AliasCase{"windows-1250", 1250},
        AliasCase{"windows-1258", 1258}, AliasCase{"x-ansi", 1252}, AliasCase{"GB2312", 936},
        AliasCase{"gbk", 936}, AliasCase{"chinese", 936}, AliasCase{"big5", 950},
        AliasCase{"Shift_JIS", 932}, AliasCase{"euc-kr", 949}, AliasCase{"KOI8-R", 20866},
        AliasCase{"ks_c_5601-1987", 949}, AliasCase{"csShiftJIS", 932},
        AliasCase{"gb_2312-80", 936}, AliasCase{"unknown-charset", 1252}, AliasCase{"", 1252},
        AliasCase{"utf-8 ", 1252}, AliasCase{"ÜTF-8", 1252}));

TEST(Charsets, AliasTableIsLowerCaseAndEveryRowConverts) {
    const auto aliases = CharsetAliases();
    EXPECT_EQ(aliases.size(), 254u);
    std::set<int> codePages;
    for (const CharsetAlias& alias : aliases) {
        for (const char c : alias.name) EXPECT_FALSE(c >= 'A' && c <= 'Z') << alias.name;
        // The lookup is a binary search, so this also checks the table's order.
        EXPECT_EQ(CodePageFromName(alias.name), alias.codePage) << alias.name;
        codePages.insert(alias.codePage);
    }
    // Every code page other than the ones decoded without iconv (and UTF-16/32, which
    // only ever come with a byte-order mark) must have a converter here; a wrong iconv
    // name would otherwise fall back to 1252 unnoticed.
    for (const int codePage : codePages) {
        if (codePage == 65001 || codePage == 1252 || codePage == 28591 || codePage == 20127 ||
            codePage == 1200 || codePage == 1201 || codePage == 12000 || codePage == 12001)
            continue;
        std::u16string out;
        EXPECT_TRUE(ConvertWithIconv(codePage, Bytes("abc"), out)) << codePage;
    }
}

TEST(Charsets, NamesOfHundredCharactersAreNotLookedUp) {
    const std::string padded = "utf-8" + std::string(94, ' ');
    EXPECT_EQ(CodePageFromName(padded), 1252);  // 99 characters: looked up, not found
    EXPECT_EQ(CodePageFromName(std::string(100, 'a')), 1252);
}

struct ConvertCase {
    const char* name;
    int codePage;
    std::string bytes;
    std::string text;
};

class DecodeCodePageTest : public ::testing::TestWithParam<ConvertCase> {};

TEST_P(DecodeCodePageTest, Converts) {
    EXPECT_EQ(Utf16ToUtf8(DecodeCodePage(GetParam().codePage, Bytes(GetParam().bytes))),
              GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DecodeCodePageTest,
    ::testing::Values(
        ConvertCase{"cp1252_high_range", 1252, "\x80\x85\x8A\x9F\xA0\xFF", "€…ŠŸ\xC2\xA0ÿ"},
        ConvertCase{"cp1252_unassigned_as_c1", 1252, "\x81\x8D", "\xC2\x81\xC2\x8D"},
        ConvertCase{"ascii_high_bytes_replaced", 20127, "a\xE9", "a\xEF\xBF\xBD"},
        ConvertCase{"gbk_invalid_byte_replaced", 936, "\xC8\xB7\xFF\xB6\xA8", "确\xEF\xBF\xBD定"},
        ConvertCase{"gbk_truncated_at_end", 936, "ok\xC8", "ok\xEF\xBF\xBD"},
        ConvertCase{"gb18030_four_bytes", 54936, "\x90\x30\x81\x30", "\xF0\x90\x80\x80"},
        ConvertCase{"utf7_shifted_run", 65000, "a+ZeVnLIqe-b", "a日本語b"},
        ConvertCase{"utf8_invalid_replaced", 65001, "a\xC3(", "a\xEF\xBF\xBD("},
        ConvertCase{"unconvertible_code_page_is_ansi", 20000, "\x80", "€"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Charsets, StrictUtf8RejectsWhatTheLenientDecoderReplaces) {
    for (const std::string_view bad :
         {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE4\xB8", "\x80", "abcdefgh\xFF"}) {
        std::u16string out = u"kept";
        EXPECT_FALSE(DecodeValidUtf8(Bytes(bad), out));
        EXPECT_EQ(out, u"kept");
    }
    std::u16string out;
    EXPECT_TRUE(DecodeValidUtf8(Bytes("plain ASCII text, then 确定 and \xF0\x9F\x96\xB1"), out));
    EXPECT_EQ(Utf16ToUtf8(out), "plain ASCII text, then 确定 and \xF0\x9F\x96\xB1");
}

TEST(Entities, TableHasEveryHtml4NameReachableInAnyCase) {
    const auto entities = NamedEntities();
    EXPECT_EQ(entities.size(), 253u);
    for (const NamedEntity& entity : entities) {
        const std::u16string exact = u"&" + Utf8ToUtf16(entity.name) + u";";
        std::u16string upper = exact;
        for (char16_t& c : upper) {
            if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
        }
        const auto found = ParseEntityReference(exact, 0);
        ASSERT_TRUE(found) << entity.name;
        EXPECT_EQ(found->codePoint, entity.codePoint) << entity.name;
        EXPECT_EQ(found->length, exact.size());
        EXPECT_TRUE(ParseEntityReference(upper, 0)) << entity.name;
    }
}

}  // namespace
}  // namespace x5k

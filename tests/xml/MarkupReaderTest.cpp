#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/TempFolder.h"
#include "xml/XmlReader.h"

namespace x5k {
namespace {

using namespace std::string_literals;

constexpr uint32_t kNone = CXmlReader::kNone;

std::string Doc(std::string_view text) {
    return "<lang><config><str_ok>" + std::string(text) + "</str_ok></config></lang>";
}

// UTF-16 bytes of an ASCII-or-BMP UTF-8 text, with the mark of the byte order.
std::string Utf16Bytes(std::u16string_view text, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t u : text) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

// The element tree as text: "name(children)", a "!" after an element whose end tag was
// never found, siblings separated by spaces.
std::string Tree(const CXmlReader& reader, uint32_t first) {
    std::string out;
    for (uint32_t e = first; e != kNone; e = reader.elements()[e].nextSibling) {
        if (!out.empty()) out += ' ';
        out += reader.TagName(e);
        if (!reader.elements()[e].ended) out += '!';
        if (reader.elements()[e].firstChild != kNone) {
            out += '(' + Tree(reader, reader.elements()[e].firstChild) + ')';
        }
    }
    return out;
}

std::string Tree(const CXmlReader& reader) {
    return reader.elements().empty() ? "" : Tree(reader, 0);
}

// Parent and sibling links must agree with the tree, whatever recovery happened.
void ExpectConsistentLinks(const CXmlReader& reader) {
    const auto& elements = reader.elements();
    for (uint32_t e = 0; e < elements.size(); ++e) {
        const XmlElement& element = elements[e];
        if (element.nextSibling != kNone) {
            EXPECT_EQ(elements[element.nextSibling].prevSibling, e);
            EXPECT_EQ(elements[element.nextSibling].parent, element.parent);
        }
        if (element.firstChild != kNone) {
            EXPECT_EQ(elements[element.firstChild].parent, e);
        }
        EXPECT_GE(element.totalLength, element.startTagLength);
    }
}

// ---------------------------------------------------------------------------------------
// Decoding: marks, declarations, the valid-UTF-8 rule and zero bytes.

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::string text;  // the data of str_ok, UTF-8
    int codePage;
};

class DecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTest, ReadsTheSameText) {
    CXmlReader reader;
    const XmlParseResult result = reader.LoadBytes(GetParam().bytes);
    ASSERT_TRUE(result) << result.description();
    EXPECT_EQ(result.codePage, GetParam().codePage);
    EXPECT_EQ(reader.ReadMarkupValue("config", "str_ok"), GetParam().text);
}

const std::u16string kUtf16Doc = u"<lang><config><str_ok>确定 é</str_ok></config></lang>";

INSTANTIATE_TEST_SUITE_P(
    Cases, DecodeTest,
    ::testing::Values(
        DecodeCase{"utf8_without_mark", Doc("确定 é"), "确定 é", 65001},
        DecodeCase{"utf8_with_mark", "\xEF\xBB\xBF" + Doc("确定 é"), "确定 é", 65001},
        DecodeCase{"utf16le_with_mark", Utf16Bytes(kUtf16Doc, false), "确定 é", 1200},
        DecodeCase{"utf16be_with_mark", Utf16Bytes(kUtf16Doc, true), "确定 é", 1201},
        DecodeCase{"utf16_zero_units_dropped",
                   Utf16Bytes(u"<a><config><str_ok>o\0k</str_ok></config></a>"s, false), "ok",
                   1200},
        // Invalid UTF-8 without a declaration is the ANSI code page (1252), even though
        // the document starts with "<".
        DecodeCase{"latin1_without_declaration", Doc("Caf\xE9"), "Café", 1252},
        DecodeCase{"ansi_is_1252_not_latin1", Doc("\x80 \x93q\x94"), "€ “q”", 1252},
        DecodeCase{"declared_gb2312",
                   "<?xml version=\"1.0\" encoding=\"GB2312\"?>" + Doc("\xC8\xB7\xB6\xA8"), "确定",
                   936},
        DecodeCase{"declared_name_any_case",
                   "<?xml version='1.0' encoding='Shift_JIS' ?>" + Doc("\x93\xFA\x96\x7B\x8C\xEA"),
                   "日本語", 932},
        DecodeCase{"declared_koi8r",
                   "<?xml version=\"1.0\" encoding=\"koi8-r\"?>" + Doc("\xF0\xD2\xC9\xD7\xC5\xD4"),
                   "Привет", 20866},
        DecodeCase{"declared_big5",
                   "<?xml version=\"1.0\" encoding=\"big5\"?>" + Doc("\xBD\x54\xA9\x77"), "確定",
                   950},
        DecodeCase{"declared_euc_kr",
                   "<?xml version=\"1.0\" encoding=\"euc-kr\"?>" + Doc("\xC8\xAE\xC0\xCE"), "확인",
                   949},
        DecodeCase{"declared_utf7",
                   "<?xml version=\"1.0\" encoding=\"utf-7\"?>" + Doc("+ZeVnLIqe-"), "日本語",
                   65000},
        DecodeCase{"declared_latin1_keeps_c1",
                   "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + Doc("\x80\xE9"),
                   "\xC2\x80\xC3\xA9", 28591},
        DecodeCase{"declared_utf8_replaces_invalid",
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + Doc("a\xE9z"), "a\xEF\xBF\xBDz",
                   65001},
        DecodeCase{"invalid_bytes_do_not_stop_conversion",
                   "<?xml version=\"1.0\" encoding=\"gb2312\"?>" + Doc("\xC8\xB7\xFF\xB6\xA8"),
                   "确\xEF\xBF\xBD定", 936},
        DecodeCase{"declaration_without_encoding_ends_search",
                   "<?xml version=\"1.0\"?><!-- encoding=\"koi8-r\" -->" + Doc("Caf\xE9"), "Café",
                   1252},
        DecodeCase{"unknown_name_is_ansi",
                   "<?xml version=\"1.0\" encoding=\"x-klingon\"?>" + Doc("Caf\xE9"), "Café", 1252},
        DecodeCase{
            "long_name_is_ansi",
            "<?xml version=\"1.0\" encoding=\"" + std::string(100, 'u') + "\"?>" + Doc("Caf\xE9"),
            "Café", 1252},
        DecodeCase{"utf16_declared_without_mark",
                   "<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + Doc("确定"), "确定", 65001},
        DecodeCase{"html_meta_charset",
                   "<!DOCTYPE html><HTML><head><title>t</title><META http-equiv=\"Content-Type\" "
                   "content=\"text/html; charset = windows-1251\"></head><config><str_ok>\xC4\xE0"
                   "</str_ok></config></HTML>",
                   "Да", 1251},
        DecodeCase{"meta_after_head_is_not_read",
                   "<html><head></head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                   "charset=koi8-r\"><config><str_ok>\xE9</str_ok></config></html>",
                   "é", 1252},
        DecodeCase{"zero_bytes_dropped",
                   "<lang>\0<config><str\0_ok>o\0\0k</str_ok></config></lang>\0"s, "ok", 65001}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MarkupReader, EmptyInputIsAnEmptyDocument) {
    CXmlReader reader;
    const XmlParseResult result = reader.LoadBytes("");
    EXPECT_TRUE(result);
    EXPECT_TRUE(reader.elements().empty());
    EXPECT_FALSE(reader.FindNextElement());
}

// ---------------------------------------------------------------------------------------
// The element index and its recovery rules.

struct IndexCase {
    const char* name;
    std::string document;
    std::string tree;
    XmlIssue issue;
};

class IndexTest : public ::testing::TestWithParam<IndexCase> {};

TEST_P(IndexTest, BuildsTheTree) {
    CXmlReader reader;
    const XmlParseResult result = reader.LoadBytes(GetParam().document);
    ASSERT_TRUE(result);
    EXPECT_EQ(Tree(reader), GetParam().tree);
    EXPECT_EQ(result.issue, GetParam().issue);
    EXPECT_EQ(result.status,
              GetParam().issue == XmlIssue::None ? XmlStatus::Ok : XmlStatus::Recovered);
    ExpectConsistentLinks(reader);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IndexTest,
    ::testing::Values(
        IndexCase{"well_formed", "<a><b/><c>t</c><d x='1'/></a>", "a(b c d)", XmlIssue::None},
        IndexCase{"nested_open_end_without_content", "<a><b><c/><d></d></a>", "a(b! c d)",
                  XmlIssue::UnclosedElement},
        IndexCase{"children_lifted_through_levels", "<a><b><c><e/><f>x</f></a><g/>",
                  "a(b! c! e f) g", XmlIssue::UnclosedElement},
        IndexCase{"unmatched_end_tag_ignored", "<a></x><b/></a>", "a(b)",
                  XmlIssue::UnmatchedEndTag},
        IndexCase{"end_tag_before_any_element", "</x><a/>", "a", XmlIssue::UnmatchedEndTag},
        IndexCase{"open_at_end_of_text", "<a><b><c/>", "a! b! c", XmlIssue::UnclosedElement},
        IndexCase{"several_roots", "<a/> text <b></b>", "a b", XmlIssue::None},
        IndexCase{"nearest_of_the_same_name", "<a><a><b></a>x</a>", "a(a(b!))",
                  XmlIssue::UnclosedElement},
        IndexCase{"skips_inner_same_name", "<a><b><a><c></b></a>", "a(b(a! c!))",
                  XmlIssue::UnclosedElement},
        IndexCase{"markup_that_is_not_indexed",
                  "<?xml version='1.0'?><!DOCTYPE r [<!ELEMENT r ANY> <!-- ]> --> ]><r><!-- <x> "
                  "--><![CDATA[<y>]]><?pi <z>?></r>",
                  "r", XmlIssue::None},
        IndexCase{"less_than_as_text", "<r>a < b <1 </ c <= d</r>", "r", XmlIssue::None},
        IndexCase{"name_start_characters", "<r><_a/><:b/><é/><1c/><-d/></r>", "r(_a :b é)",
                  XmlIssue::None},
        IndexCase{"quoted_attributes_hide_markup", "<r a='>' b=\"</r><x>\"><c/></r>", "r(c)",
                  XmlIssue::None},
        IndexCase{"stray_apostrophe_in_tag", "<r><a don't>x</a><b/></r>", "r(a b)", XmlIssue::None},
        IndexCase{"tag_without_gt_ends_at_next_tag", "<r><a <b/></r>", "r(a! b)",
                  XmlIssue::UnclosedElement},
        IndexCase{"end_tag_without_gt", "<r><a>x</a<b/></r>", "r(a b)", XmlIssue::None},
        IndexCase{"start_tag_cut_off_is_text", "<r></r><a b='x>", "r",
                  XmlIssue::UnterminatedMarkup},
        IndexCase{"unterminated_comment_hides_rest", "<r><!-- <a/></r>", "r!",
                  XmlIssue::UnterminatedMarkup}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MarkupReader, RecordsOffsetsAndLengths) {
    CXmlReader reader;
    const XmlParseResult result = reader.LoadBytes("<r><a k='v'>x</a><b><c/></r>");
    ASSERT_EQ(reader.elements().size(), 4u);
    const auto& e = reader.elements();
    EXPECT_EQ(e[0].start, 0u);
    EXPECT_EQ(e[0].startTagLength, 3u);
    EXPECT_EQ(e[0].totalLength, 28u);
    EXPECT_EQ(e[1].start, 3u);
    EXPECT_EQ(e[1].startTagLength, 9u);
    EXPECT_EQ(e[1].totalLength, 14u);  // "<a k='v'>x</a>"
    EXPECT_TRUE(e[1].ended);
    EXPECT_EQ(e[2].totalLength, e[2].startTagLength);  // "<b>" never ended
    EXPECT_FALSE(e[2].ended);
    EXPECT_EQ(e[3].parent, 0u);  // c moved up beside b
    EXPECT_EQ(e[3].prevSibling, 2u);
    EXPECT_EQ(result.issue, XmlIssue::UnclosedElement);
    EXPECT_EQ(result.offset, 24u);  // the "</r>" that had to close b
}

// ---------------------------------------------------------------------------------------
// Navigation and tag-name matching.

TEST(MarkupReader, NavigatesSiblingsAndChildren) {
    CXmlReader reader;
    EXPECT_TRUE(reader.LoadBytes("<a><x>1</x><y>2</y><x>3</x></a><b><z>4</z></b>"));
    EXPECT_FALSE(reader.EnterElement());  // nothing is current yet

    // Without a current element the first root becomes current.
    ASSERT_TRUE(reader.FindChildElement("x"));
    EXPECT_EQ(reader.GetChildText(), "1");
    ASSERT_TRUE(reader.FindChildElement("x"));  // continues after the current child
    EXPECT_EQ(reader.GetChildText(), "3");
    EXPECT_FALSE(reader.FindChildElement("x"));
    EXPECT_EQ(reader.GetChildText(), "3");  // a failed search moves nothing

    ASSERT_TRUE(reader.FindNextElement("b"));
    EXPECT_EQ(reader.child(), kNone);
    EXPECT_EQ(reader.GetChildText(), "");
    ASSERT_TRUE(reader.FindChildElement());
    EXPECT_EQ(reader.GetChildText(), "4");

    ASSERT_TRUE(reader.EnterElement());  // z is current, b the parent
    EXPECT_EQ(reader.TagName(reader.current()), "z");
    EXPECT_EQ(reader.TagName(reader.parent()), "b");
    EXPECT_FALSE(reader.FindNextElement());  // z has no later sibling

    reader.Rewind();
    ASSERT_TRUE(reader.FindNextElement("b"));  // root elements from the start again
    EXPECT_EQ(reader.TagName(reader.current()), "b");
}

TEST(MarkupReader, FindNextElementWithoutCurrentSearchesTheParentsChildren) {
    CXmlReader reader;
    EXPECT_TRUE(reader.LoadBytes("<a><x><p/><q>2</q></x><q>3</q></a>"));
    ASSERT_TRUE(reader.FindChildElement("x"));
    ASSERT_TRUE(reader.EnterElement());
    ASSERT_TRUE(reader.EnterElement());  // x had no current child: current becomes none
    EXPECT_EQ(reader.current(), kNone);
    EXPECT_EQ(reader.TagName(reader.parent()), "x");
    ASSERT_TRUE(reader.FindNextElement("q"));  // so the search runs over x's children
    EXPECT_EQ(reader.elements()[reader.current()].parent, 1u);
    EXPECT_FALSE(reader.FindNextElement("q"));  // the later q is not inside x
}

struct NameCase {
    const char* search;
    bool matches;
};

class TagNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(TagNameTest, ComparesExactlyWithTrailingCharacters) {
    CXmlReader reader;
    EXPECT_TRUE(reader.LoadBytes("<r><str_ok2/><str_ok a='1'>v</str_ok></r>"));
    EXPECT_EQ(reader.FindChildElement(GetParam().search), GetParam().matches);
    if (GetParam().matches) {
        EXPECT_EQ(reader.GetChildText(), "v");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, TagNameTest,
                         ::testing::Values(NameCase{"str_ok", true}, NameCase{"str_ok x", true},
                                           NameCase{"str_ok=1", true}, NameCase{"str_ok/", true},
                                           NameCase{"str_ok[1]", true}, NameCase{"str_ok]", true},
                                           NameCase{"str_o", false}, NameCase{"str_ok3", false},
                                           NameCase{"str_ok.x", false}, NameCase{"STR_OK", false},
                                           NameCase{"str_ok\t", false},
                                           NameCase{" str_ok", false}));

// ---------------------------------------------------------------------------------------
// Element data and entity references.

struct TextCase {
    const char* name;
    std::string content;  // placed inside <k>...</k>
    std::string text;
};

class ChildTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(ChildTextTest, DecodesTheData) {
    CXmlReader reader;
    EXPECT_TRUE(reader.LoadBytes("<r><config><k>" + GetParam().content + "</k></config></r>"));
    EXPECT_EQ(reader.ReadMarkupValue("config", "k"), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChildTextTest,
    ::testing::Values(
        TextCase{"plain", "Apply", "Apply"},
        TextCase{"white_space_kept", "  two\r\n lines ", "  two\r\n lines "},
        TextCase{"empty", "", ""}, TextCase{"children_make_it_empty", "a<b>x</b>c", ""},
        TextCase{"cdata_verbatim", "a<![CDATA[<b>&amp;]]>c", "a<b>&amp;c"},
        TextCase{"comments_and_pis_add_nothing", "a<!-- x -->b<?pi y?>c", "abc"},
        TextCase{"stray_end_tag_adds_nothing", "a</x>b", "ab"},
        TextCase{"less_than_as_text", "a < b", "a < b"},
        TextCase{"decoded_once", "&amp;lt;", "&lt;"},
        TextCase{"hex_reference", "&#x4E2D;&#X4e2d;", "中中"},
        TextCase{"decimal_reference", "&#20013;", "中"},
        TextCase{"xml_entities", "&lt;&gt;&amp;&quot;&apos;", "<>&\"'"},
        TextCase{"names_compared_lower_cased", "&AMP;&Nbsp;&COPY;", "&\xC2\xA0©"},
        TextCase{"case_pairs_keep_both_letters", "&Eacute;&eacute;&EACUTE;", "Ééé"},
        TextCase{"greek_and_arrows", "&Omega;&omega;&rArr;&rarr;&thetasym;", "Ωω⇒→ϑ"},
        TextCase{"ampersand_and_space", "a & b", "a & b"},
        TextCase{"no_semicolon", "&lt &amp", "&lt &amp"},
        TextCase{"nine_characters_at_most", "&#x0004E2D;&#x00004E2D;", "中&#x00004E2D;"},
        TextCase{"above_ffff_as_surrogate_pair", "&#x1F5B1;&#128433;",
                 "\xF0\x9F\x96\xB1\xF0\x9F\x96\xB1"},
        TextCase{"pair_written_as_two_references", "&#xD83D;&#xDDB1;", "\xF0\x9F\x96\xB1"},
        TextCase{"code_point_zero_is_text", "&#0;&#x0;", "&#0;&#x0;"},
        TextCase{"beyond_unicode_is_text", "&#x110000;", "&#x110000;"},
        TextCase{"not_references", "&nosuch;&#;&#x;&#12a;&am p;&;",
                 "&nosuch;&#;&#x;&#12a;&am p;&;"},
        TextCase{"non_ascii_in_name", "&é;", "&é;"},
        TextCase{"ampersand_before_reference", "&&amp;", "&&"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MarkupReader, UnendedElementHasNoData) {
    CXmlReader reader;
    EXPECT_TRUE(reader.LoadBytes("<r><config><k>text</config></r>"));
    EXPECT_EQ(reader.ReadMarkupValue("config", "k"), "");
}

// ---------------------------------------------------------------------------------------
// ReadMarkupValue.

struct LookupCase {
    const char* name;
    std::string document;
    const char* section;
    const char* key;
    std::string value;
};

class ReadMarkupValueTest : public ::testing::TestWithParam<LookupCase> {};

TEST_P(ReadMarkupValueTest, FindsTheValue) {
    CXmlReader reader;
    EXPECT_TRUE(reader.LoadBytes(GetParam().document));
    EXPECT_EQ(reader.ReadMarkupValue(GetParam().section, GetParam().key), GetParam().value);
    // A second lookup starts over, whatever the first one left as the position.
    EXPECT_EQ(reader.ReadMarkupValue(GetParam().section, GetParam().key), GetParam().value);
}

const std::string kUpdateDescription = R"(<?xml version="1.0" encoding="utf-8"?>
<update>
  <!-- The description the update server publishes. -->
  <firmware>
    <version>1.0.3</version>
    <firmware>
      <file>ZintuGameDevice.bin</file>
      <size>65536</size>
    </firmware>
  </firmware>
  <software><version>2.1</version><note>Fixes &amp; more</note></software>
</update>
)";

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadMarkupValueTest,
    ::testing::Values(
        LookupCase{"whatever_the_root_is_called",
                   "<anything><config><str_ok>OK</str_ok></config></anything>", "config", "str_ok",
                   "OK"},
        LookupCase{"no_config", "<lang><other><str_ok>OK</str_ok></other></lang>", "config",
                   "str_ok", ""},
        LookupCase{"root_named_config", "<config><str_ok>OK</str_ok></config>", "config", "str_ok",
                   ""},
        LookupCase{"key_missing", "<lang><config><str_no>x</str_no></config></lang>", "config",
                   "str_ok", ""},
        LookupCase{"keys_are_case_sensitive",
                   "<lang><config><str_pl>a</str_pl><str_PL>b</str_PL></config></lang>", "config",
                   "str_PL", "b"},
        LookupCase{"first_key_wins", "<lang><config><k>1</k><k>2</k></config></lang>", "config",
                   "k", "1"},
        LookupCase{"nested_section", "<r><config><a/><config><k>deep</k></config></config></r>",
                   "config", "k", "deep"},
        LookupCase{"sibling_section_not_tried",
                   "<r><config><a/></config><config><k>x</k></config></r>", "config", "k", ""},
        LookupCase{"only_first_root",
                   "<a><config><k>1</k></config></a><b><config><k>2</k></config></b>", "config",
                   "k", "1"},
        LookupCase{"key_with_children_is_empty", "<r><config><k><i>x</i></k></config></r>",
                   "config", "k", ""},
        LookupCase{"update_version", kUpdateDescription, "firmware", "version", "1.0.3"},
        LookupCase{"update_nested_file", kUpdateDescription, "firmware", "file",
                   "ZintuGameDevice.bin"},
        LookupCase{"update_other_section", kUpdateDescription, "software", "note", "Fixes & more"},
        LookupCase{"update_missing", kUpdateDescription, "firmware", "url", ""}),
    [](const auto& info) { return std::string(info.param.name); });

// A section with many children is searched through a name index after the first long
// scan; every later lookup must still give what a scan in document order gives.
TEST(MarkupReader, ManyChildrenGiveTheSameResultsAsAScan) {
    std::string document = "<r><config>";
    for (int i = 0; i < 40; ++i) {
        document +=
            "<c" + std::to_string(i) + ">v" + std::to_string(i) + "</c" + std::to_string(i) + ">";
        if (i == 20)
            document += "<dup>first</dup><a[1]>bracket</a[1]><a>plain</a><dup>second</dup>";
    }
    document += "</config></r>";
    const std::pair<const char*, const char*> lookups[] = {
        {"c39", "v39"},  {"c0", "v0"},       {"dup", "first"}, {"a[1]", "bracket"},
        {"a", "plain"},  {"a x=1", "plain"}, {"a]", "plain"},  {"c", ""},
        {"c39 ", "v39"}, {"missing", ""},    {"", "v0"},
    };
    for (const auto& [key, value] : lookups) {
        CXmlReader reader;
        EXPECT_TRUE(reader.LoadBytes(document));
        EXPECT_EQ(reader.ReadMarkupValue("config", key), value) << key << " by a scan";
        reader.ReadMarkupValue("config", "missing");  // passes every child: builds the index
        EXPECT_EQ(reader.ReadMarkupValue("config", key), value) << key << " by the index";
    }

    // Navigation: a search from the first child may use the index, a search after the
    // current child goes on in document order.
    CXmlReader reader;
    EXPECT_TRUE(reader.LoadBytes(document));
    reader.ReadMarkupValue("config", "missing");
    reader.Rewind();
    ASSERT_TRUE(reader.FindChildElement("config"));
    ASSERT_TRUE(reader.EnterElement());
    ASSERT_TRUE(reader.FindChildElement("dup"));
    EXPECT_EQ(reader.GetChildText(), "first");
    ASSERT_TRUE(reader.FindChildElement("dup"));
    EXPECT_EQ(reader.GetChildText(), "second");
    EXPECT_FALSE(reader.FindChildElement("dup"));
}

// ---------------------------------------------------------------------------------------
// Files.

TEST(MarkupReader, FailedLoadLeavesAnEmptyDocument) {
    test::TempFolder folder;
    const std::string good = Doc("OK");
    test::WriteBytes(folder / "en.xml", {good.begin(), good.end()});

    CXmlReader reader;
    const XmlParseResult loaded = reader.LoadFile(folder / "en.xml");
    EXPECT_TRUE(loaded);
    EXPECT_EQ(loaded.elements, 3u);
    EXPECT_EQ(reader.ReadMarkupValue("config", "str_ok"), "OK");

    const XmlParseResult missing = reader.LoadFile(folder / "missing.xml");
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.status, XmlStatus::OpenFailed);
    EXPECT_EQ(reader.ReadMarkupValue("config", "str_ok"), "");
    EXPECT_TRUE(reader.elements().empty());

    ASSERT_TRUE(reader.LoadFile(folder / "en.xml"));
    const XmlParseResult folderLoad = reader.LoadFile(folder.path());
    EXPECT_EQ(folderLoad.status, XmlStatus::ReadFailed);
    EXPECT_EQ(reader.ReadMarkupValue("config", "str_ok"), "");
}

TEST(MarkupReader, EmptyFileLoads) {
    test::TempFolder folder;
    test::WriteBytes(folder / "empty.xml", {});
    CXmlReader reader;
    EXPECT_TRUE(reader.LoadFile(folder / "empty.xml"));
    EXPECT_EQ(reader.ReadMarkupValue("config", "str_ok"), "");
}

// ---------------------------------------------------------------------------------------
// Hostile input: each of these would take minutes or overflow the stack with a
// quadratic or recursive reader. The time limit is far above what a linear one needs
// (a few tens of milliseconds) and only catches a change of complexity.

template <typename F>
void ExpectQuick(F run) {
    const auto start = std::chrono::steady_clock::now();
    run();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

std::string Repeat(std::string_view piece, size_t count) {
    std::string out;
    out.reserve(piece.size() * count);
    for (size_t i = 0; i < count; ++i) out += piece;
    return out;
}

TEST(MarkupReader, DeepNestingStaysLinear) {
    constexpr size_t kDepth = 200'000;
    CXmlReader reader;
    ExpectQuick([&] {
        // Never closed: every element is lifted to the top level at the end.
        ASSERT_TRUE(reader.LoadBytes(Repeat("<config>", kDepth)));
        EXPECT_EQ(reader.elements().size(), kDepth);
        EXPECT_EQ(reader.ReadMarkupValue("config", "k"), "");
    });
    ExpectQuick([&] {
        // Stray end tags under deep nesting, then one end tag closing everything.
        ASSERT_TRUE(
            reader.LoadBytes("<r>" + Repeat("<a>", kDepth) + Repeat("</b>", kDepth) + "</r>"));
        EXPECT_EQ(reader.elements()[0].firstChild, 1u);
        EXPECT_EQ(reader.elements()[kDepth].parent, 0u);
        EXPECT_EQ(reader.elements()[kDepth].prevSibling, kDepth - 1);
    });
    ExpectQuick([&] {
        // Properly nested sections: the lookup walks down all of them.
        ASSERT_TRUE(reader.LoadBytes(Repeat("<config>", kDepth) + "<k>bottom</k>" +
                                     Repeat("</config>", kDepth)));
        EXPECT_EQ(reader.ReadMarkupValue("config", "k"), "bottom");
    });
}

TEST(MarkupReader, LargeAndUnterminatedInputStaysLinear) {
    CXmlReader reader;
    ExpectQuick([&] {
        std::string big = "<r><config>";
        for (int i = 0; i < 50'000; ++i)
            big += "<str_" + std::to_string(i) + ">t&amp;x</str_" + std::to_string(i) + ">";
        big += "</config></r>";
        ASSERT_TRUE(reader.LoadBytes(big));
        EXPECT_EQ(reader.ReadMarkupValue("config", "str_49999"), "t&x");
    });
    for (const char* piece :
         {"<!--", "<![CDATA[", "<?", "<a b='", "<!DOCTYPE [", "&#x", "</a", "<a <b "}) {
        ExpectQuick([&] {
            EXPECT_TRUE(
                reader.LoadBytes("<r><config><k>" + Repeat(piece, 100'000) + "</k></config></r>"));
            reader.ReadMarkupValue("config", "k");
        });
    }
}

TEST(MarkupReader, BinaryInputDoesNotCrash) {
    CXmlReader reader;
    uint32_t state = 12345;
    std::string bytes(1 << 20, '\0');
    for (char& b : bytes) {
        state = state * 1103515245 + 12345;
        // Bias towards markup characters so the scanner sees many nodes.
        const char markup[] = "<>/!?-[]&;#'\"= ax";
        b = (state >> 24) % 3 == 0 ? static_cast<char>(state >> 16)
                                   : markup[(state >> 16) % (sizeof markup - 1)];
    }
    for (int variant = 0; variant < 3; ++variant) {
        const std::string input = (variant == 1   ? "\xFF\xFE"
                                   : variant == 2 ? "\xFE\xFF"
                                                  : "") +
                                  bytes;
        ASSERT_TRUE(reader.LoadBytes(input));
        ExpectConsistentLinks(reader);
        reader.ReadMarkupValue("a", "a");
        reader.ReadMarkupValue("", "");
    }
}

}  // namespace
}  // namespace x5k

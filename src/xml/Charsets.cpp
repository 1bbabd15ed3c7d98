#include "xml/Charsets.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "xml/CodePages.h"

namespace x5k {
namespace {

// Encoding names found in XML declarations and HTML meta elements, grouped by code page:
// the IANA names and aliases and the names Windows and .NET accept for them.
constexpr CharsetAlias kAliasesByCodePage[] = {
    // Unicode.
    {"utf-8", 65001},
    {"utf8", 65001},
    {"unicode-1-1-utf-8", 65001},
    {"unicode-2-0-utf-8", 65001},
    {"utf-7", 65000},
    {"csunicode11utf7", 65000},
    {"unicode-1-1-utf-7", 65000},
    {"unicode-2-0-utf-7", 65000},
    {"utf-16", 1200},
    {"utf-16le", 1200},
    {"unicode", 1200},
    {"ucs-2", 1200},
    {"iso-10646-ucs-2", 1200},
    {"csunicode", 1200},
    {"utf-16be", 1201},
    {"unicodefffe", 1201},
    {"utf-32", 12000},
    {"utf-32le", 12000},
    {"utf-32be", 12001},
    // ASCII.
    {"us-ascii", 20127},
    {"ascii", 20127},
    {"us", 20127},
    {"ansi_x3.4-1968", 20127},
    {"ansi_x3.4-1986", 20127},
    {"cp367", 20127},
    {"ibm367", 20127},
    {"csascii", 20127},
    {"iso-ir-6", 20127},
    {"iso646-us", 20127},
    {"iso_646.irv:1991", 20127},
    // Western European.
    {"windows-1252", 1252},
    {"x-ansi", 1252},
    {"cp1252", 1252},
    {"ms-ansi", 1252},
    {"iso-8859-1", 28591},
    {"iso8859-1", 28591},
    {"iso_8859-1", 28591},
    {"iso_8859-1:1987", 28591},
    {"iso-ir-100", 28591},
    {"latin1", 28591},
    {"l1", 28591},
    {"cp819", 28591},
    {"ibm819", 28591},
    {"csisolatin1", 28591},
    {"iso-8859-15", 28605},
    {"iso_8859-15", 28605},
    {"latin9", 28605},
    {"l9", 28605},
    {"csisolatin9", 28605},
    {"macintosh", 10000},
    {"mac", 10000},
    {"x-mac-roman", 10000},
    // Central European.
    {"windows-1250", 1250},
    {"x-cp1250", 1250},
    {"cp1250", 1250},
    {"iso-8859-2", 28592},
    {"iso8859-2", 28592},
    {"iso_8859-2", 28592},
    {"iso_8859-2:1987", 28592},
    {"iso-ir-101", 28592},
    {"latin2", 28592},
    {"l2", 28592},
    {"csisolatin2", 28592},
    {"x-mac-ce", 10029},
    {"iso-8859-3", 28593},
    {"iso_8859-3", 28593},
    {"iso_8859-3:1988", 28593},
    {"iso-ir-109", 28593},
    {"latin3", 28593},
    {"l3", 28593},
    {"csisolatin3", 28593},
    {"iso-8859-4", 28594},
    {"iso_8859-4", 28594},
    {"iso_8859-4:1988", 28594},
    {"iso-ir-110", 28594},
    {"latin4", 28594},
    {"l4", 28594},
    {"csisolatin4", 28594},
    // Baltic.
    {"windows-1257", 1257},
    {"cp1257", 1257},
    {"iso-8859-13", 28603},
    // Cyrillic.
    {"windows-1251", 1251},
    {"x-cp1251", 1251},
    {"cp1251", 1251},
    {"iso-8859-5", 28595},
    {"iso_8859-5", 28595},
    {"iso_8859-5:1988", 28595},
    {"iso-ir-144", 28595},
    {"cyrillic", 28595},
    {"csisolatincyrillic", 28595},
    {"koi8-r", 20866},
    {"koi8r", 20866},
    {"koi8", 20866},
    {"koi", 20866},
    {"cskoi8r", 20866},
    {"koi8-u", 21866},
    {"koi8-ru", 21866},
    {"cp866", 866},
    {"ibm866", 866},
    {"x-mac-cyrillic", 10007},
    {"x-mac-ukrainian", 10017},
    // Greek.
    {"windows-1253", 1253},
    {"cp1253", 1253},
    {"iso-8859-7", 28597},
    {"iso_8859-7", 28597},
    {"iso_8859-7:1987", 28597},
    {"iso-ir-126", 28597},
    {"greek", 28597},
    {"greek8", 28597},
    {"ecma-118", 28597},
    {"elot_928", 28597},
    {"csisolatingreek", 28597},
    {"ibm737", 737},
    {"cp737", 737},
    {"ibm869", 869},
    {"cp869", 869},
    // Turkish.
    {"windows-1254", 1254},
    {"cp1254", 1254},
    {"iso-8859-9", 28599},
    {"iso_8859-9", 28599},
    {"iso_8859-9:1989", 28599},
    {"iso-ir-148", 28599},
    {"latin5", 28599},
    {"l5", 28599},
    {"csisolatin5", 28599},
    {"ibm857", 857},
    {"cp857", 857},
    // Hebrew.
    {"windows-1255", 1255},
    {"cp1255", 1255},
    {"iso-8859-8", 28598},
    {"iso_8859-8", 28598},
    {"iso_8859-8:1988", 28598},
    {"iso-ir-138", 28598},
    {"hebrew", 28598},
    {"csisolatinhebrew", 28598},
    {"iso-8859-8 visual", 28598},
    {"visual", 28598},
    {"iso-8859-8-i", 38598},
    {"logical", 38598},
    {"dos-862", 862},
    {"ibm862", 862},
    {"cp862", 862},

    // Arabic.
    {"windows-1256", 1256},
    {"cp1256", 1256},
    {"iso-8859-6", 28596},
    {"iso_8859-6", 28596},
    {"iso_8859-6:1987", 28596},
    {"iso-ir-127", 28596},
    {"arabic", 28596},
    {"ecma-114", 28596},
    {"csisolatinarabic", 28596},
    {"asmo-708", 708},
    {"ibm864", 864},
    {"cp864", 864},

    // Vietnamese and Thai.
    {"windows-1258", 1258},
    {"cp1258", 1258},
    {"windows-874", 874},
    {"dos-874", 874},
    {"tis-620", 874},
    {"iso-8859-11", 874},
    {"cp874", 874},
    // Simplified Chinese.
    {"gb2312", 936},
    {"gbk", 936},
    {"chinese", 936},
    {"cp936", 936},
    {"ms936", 936},
    {"windows-936", 936},
    {"x-gbk", 936},
    {"gb_2312-80", 936},
    {"gb2312-80", 936},
    {"gb231280", 936},
    {"csgb2312", 936},
    {"csgb231280", 936},
    {"csiso58gb231280", 936},
    {"iso-ir-58", 936},
    {"cn-gb", 936},
    {"euc-cn", 51936},
    {"x-euc-cn", 51936},
    {"gb18030", 54936},
    // Traditional Chinese.
    {"big5", 950},
    {"big5-hkscs", 950},
    {"cn-big5", 950},
    {"csbig5", 950},
    {"x-x-big5", 950},
    {"cp950", 950},
    // Japanese.
    {"shift_jis", 932},
    {"shift-jis", 932},
    {"sjis", 932},
    {"x-sjis", 932},
    {"ms_kanji", 932},
    {"csshiftjis", 932},
    {"cswindows31j", 932},
    {"windows-31j", 932},
    {"x-ms-cp932", 932},
    {"cp932", 932},
    {"ms932", 932},
    {"euc-jp", 51932},
    {"x-euc-jp", 51932},
    {"x-euc", 51932},
    {"cseucpkdfmtjapanese", 51932},
    {"extended_unix_code_packed_format_for_japanese", 51932},
    {"iso-2022-jp", 50220},
    {"csiso2022jp", 50221},
    // Korean.
    {"euc-kr", 949},
    {"cseuckr", 949},
    {"ks_c_5601-1987", 949},
    {"ks_c_5601-1989", 949},
    {"ks_c_5601", 949},
    {"ksc_5601", 949},
    {"ksc5601", 949},
    {"ks-c-5601", 949},
    {"korean", 949},
    {"csksc56011987", 949},
    {"iso-ir-149", 949},
    {"cp949", 949},
    {"uhc", 949},
    {"iso-2022-kr", 50225},
    {"csiso2022kr", 50225},
    {"iso-2022-kr-7", 50225},
    {"iso-2022-kr-7bit", 50225},
    {"johab", 1361},
    // DOS Western European.
    {"ibm437", 437},
    {"cp437", 437},
    {"437", 437},
    {"cspc8codepage437", 437},
    {"ibm850", 850},
    {"cp850", 850},
    {"ibm00858", 858},
    {"cp858", 858},
    {"pc-multilingual-850+euro", 858},
    {"ibm852", 852},
    {"cp852", 852},
    {"ibm855", 855},
    {"cp855", 855},
    {"ibm775", 775},
    {"cp775", 775},
    {"ibm860", 860},
    {"cp860", 860},
    {"ibm861", 861},
    {"cp861", 861},
    {"ibm863", 863},
    {"cp863", 863},
    {"ibm865", 865},
    {"cp865", 865},
    // EBCDIC.
    {"ibm037", 37},
    {"cp037", 37},
    {"ebcdic-cp-us", 37},

    {"ibm500", 500},
    {"cp500", 500},
    {"ebcdic-cp-be", 500},
    {"ibm1026", 1026},
    {"cp1026", 1026},
    {"ibm01047", 1047},
    {"ibm01140", 1140},

};

constexpr size_t kAliasCount = std::size(kAliasesByCodePage);

constexpr auto kAliasesByName = [] {
    std::array<CharsetAlias, kAliasCount> sorted{};
    std::copy(std::begin(kAliasesByCodePage), std::end(kAliasesByCodePage), sorted.begin());
    std::sort(sorted.begin(), sorted.end(),
              [](const CharsetAlias& a, const CharsetAlias& b) { return a.name < b.name; });
    return sorted;
}();

static_assert(std::adjacent_find(kAliasesByName.begin(), kAliasesByName.end(),
                                 [](const CharsetAlias& a, const CharsetAlias& b) {
                                     return a.name == b.name;
                                 }) == kAliasesByName.end(),
              "every alias is listed once");

// Longer names are not looked up at all; none of the aliases comes close.
constexpr size_t kMaxNameLength = 100;

constexpr uint32_t kReplacement = 0xFFFD;

// The characters Windows-1252 puts at 0x80-0x9F; the rest of it is Latin-1. The five
// unassigned bytes map to the C1 controls of the same value, as Windows does.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool AllAscii(const uint8_t* p) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return (word & 0x8080808080808080ull) == 0;
}

// Decodes UTF-8. With `strict`, stops at the first invalid sequence and returns false;
// otherwise each invalid byte becomes U+FFFD. A UTF-8 text never has more UTF-16 units
// than bytes, so the output is sized once and written through a pointer.
bool DecodeUtf8(std::span<const uint8_t> bytes, std::u16string& out, bool strict) {
    const uint8_t* p = bytes.data();
    const size_t n = bytes.size();
    const size_t base = out.size();
    out.resize(base + n);
    char16_t* o = out.data() + base;
    size_t i = 0;
    while (i < n) {
        // Most markup is ASCII; copy it eight bytes at a time.
        if (i + 8 <= n && AllAscii(p + i)) {
            for (size_t k = 0; k < 8; ++k) o[k] = p[i + k];
            o += 8;
            i += 8;
            continue;
        }
        const uint8_t lead = p[i];
        if (lead < 0x80) {
            *o++ = lead;
            ++i;
            continue;
        }
        // Three-byte sequences (most of Chinese, Japanese and Korean text) decoded
        // straight away when plainly valid; everything else takes the general path.
        if ((lead & 0xF0) == 0xE0 && i + 2 < n && (p[i + 1] & 0xC0) == 0x80 &&
            (p[i + 2] & 0xC0) == 0x80) {
            const uint32_t value =
                (lead & 0x0Fu) << 12 | (p[i + 1] & 0x3Fu) << 6 | (p[i + 2] & 0x3Fu);
            if (value >= 0x800 && (value < 0xD800 || value > 0xDFFF)) {
                *o++ = static_cast<char16_t>(value);
                i += 3;
                continue;
            }
        }
        size_t length = 0;
        uint32_t cp = 0;
        uint32_t minimum = 0;
        if ((lead & 0xE0) == 0xC0) {
            length = 2, cp = lead & 0x1Fu, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, cp = lead & 0x0Fu, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, cp = lead & 0x07u, minimum = 0x10000;
        }
        bool valid = length != 0 && i + length <= n;
        for (size_t k = 1; valid && k < length; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) valid = false;
            cp = (cp << 6) | (p[i + k] & 0x3Fu);
        }
        valid = valid && cp >= minimum && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
        if (!valid) {
            if (strict) {
                out.resize(base);
                return false;
            }
            *o++ = static_cast<char16_t>(kReplacement);
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            *o++ = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            *o++ = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            *o++ = static_cast<char16_t>(cp);
        }
        i += length;
    }
    out.resize(static_cast<size_t>(o - out.data()));
    return true;
}

void DecodeSingleByte(int codePage, std::span<const uint8_t> bytes, std::u16string& out) {
    out.reserve(out.size() + bytes.size());
    for (const uint8_t b : bytes) {
        if (b < 0x80) {
            out += static_cast<char16_t>(b);
        } else if (codePage == 20127) {
            out += static_cast<char16_t>(kReplacement);
        } else if (codePage == 1252 && b < 0xA0) {
            out += kWindows1252High[b - 0x80];
        } else {
            out += static_cast<char16_t>(b);  // Latin-1 is the first 256 code points
        }
    }
}

}  // namespace

std::span<const CharsetAlias> CharsetAliases() {
    return kAliasesByName;
}

int CodePageFromName(std::string_view name) {
    if (name.size() >= kMaxNameLength) return kAnsiCodePage;
    std::string lower(name);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    const auto it = std::lower_bound(
        kAliasesByName.begin(), kAliasesByName.end(), std::string_view(lower),
        [](const CharsetAlias& alias, std::string_view key) { return alias.name < key; });
    if (it == kAliasesByName.end() || it->name != lower) return kAnsiCodePage;
    return it->codePage;
}

bool DecodeValidUtf8(std::span<const uint8_t> bytes, std::u16string& out) {
    return DecodeUtf8(bytes, out, true);
}

std::u16string DecodeCodePage(int codePage, std::span<const uint8_t> bytes) {
    std::u16string out;
    switch (codePage) {
        case kUtf8CodePage:
            DecodeUtf8(bytes, out, false);
            return out;
        case 1252:
        case 28591:
        case 20127:
            DecodeSingleByte(codePage, bytes, out);
            return out;
        default:
            break;
    }
    if (!ConvertWithIconv(codePage, bytes, out)) DecodeSingleByte(kAnsiCodePage, bytes, out);
    return out;
}

}  // namespace x5k

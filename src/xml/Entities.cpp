#include "xml/Entities.h"

#include <algorithm>
#include <array>

namespace x5k {
namespace {

// Listed in the order HTML 4 defines them (Latin-1, symbols, special characters),
// plus "apos" from XML; the lookup table below is the same list sorted by name.
constexpr NamedEntity kEntitiesInHtmlOrder[] = {
    // Latin-1 characters.
    {"nbsp", 160},
    {"iexcl", 161},
    {"cent", 162},
    {"pound", 163},
    {"curren", 164},
    {"yen", 165},
    {"brvbar", 166},
    {"sect", 167},
    {"uml", 168},
    {"copy", 169},
    {"ordf", 170},
    {"laquo", 171},
    {"not", 172},
    {"shy", 173},
    {"reg", 174},
    {"macr", 175},
    {"deg", 176},
    {"plusmn", 177},
    {"sup2", 178},
    {"sup3", 179},
    {"acute", 180},
    {"micro", 181},
    {"para", 182},
    {"middot", 183},
    {"cedil", 184},
    {"sup1", 185},
    {"ordm", 186},
    {"raquo", 187},
    {"frac14", 188},
    {"frac12", 189},
    {"frac34", 190},
    {"iquest", 191},
    {"Agrave", 192},
    {"Aacute", 193},
    {"Acirc", 194},
    {"Atilde", 195},
    {"Auml", 196},
    {"Aring", 197},
    {"AElig", 198},
    {"Ccedil", 199},
    {"Egrave", 200},
    {"Eacute", 201},
    {"Ecirc", 202},
    {"Euml", 203},
    {"Igrave", 204},
    {"Iacute", 205},
    {"Icirc", 206},
    {"Iuml", 207},
    {"ETH", 208},
    {"Ntilde", 209},
    {"Ograve", 210},
    {"Oacute", 211},
    {"Ocirc", 212},
    {"Otilde", 213},
    {"Ouml", 214},
    {"times", 215},
    {"Oslash", 216},
    {"Ugrave", 217},
    {"Uacute", 218},
    {"Ucirc", 219},
    {"Uuml", 220},
    {"Yacute", 221},
    {"THORN", 222},
    {"szlig", 223},
    {"agrave", 224},
    {"aacute", 225},
    {"acirc", 226},
    {"atilde", 227},
    {"auml", 228},
    {"aring", 229},
    {"aelig", 230},
    {"ccedil", 231},
    {"egrave", 232},
    {"eacute", 233},
    {"ecirc", 234},
    {"euml", 235},
    {"igrave", 236},
    {"iacute", 237},
    {"icirc", 238},
    {"iuml", 239},
    {"eth", 240},
    {"ntilde", 241},
    {"ograve", 242},
    {"oacute", 243},
    {"ocirc", 244},
    {"otilde", 245},
    {"ouml", 246},
    {"divide", 247},
    {"oslash", 248},
    {"ugrave", 249},
    {"uacute", 250},
    {"ucirc", 251},
    {"uuml", 252},
    {"yacute", 253},
    {"thorn", 254},
    {"yuml", 255},
    // Symbols, mathematical symbols and Greek letters.
    {"fnof", 402},
    {"Alpha", 913},
    {"Beta", 914},
    {"Gamma", 915},
    {"Delta", 916},
    {"Epsilon", 917},
    {"Zeta", 918},
    {"Eta", 919},
    {"Theta", 920},
    {"Iota", 921},
    {"Kappa", 922},
    {"Lambda", 923},
    {"Mu", 924},
    {"Nu", 925},
    {"Xi", 926},
    {"Omicron", 927},
    {"Pi", 928},
    {"Rho", 929},
    {"Sigma", 931},
    {"Tau", 932},
    {"Upsilon", 933},
    {"Phi", 934},
    {"Chi", 935},
    {"Psi", 936},
    {"Omega", 937},
    {"alpha", 945},
    {"beta", 946},
    {"gamma", 947},
    {"delta", 948},
    {"epsilon", 949},
    {"zeta", 950},
    {"eta", 951},
    {"theta", 952},
    {"iota", 953},
    {"kappa", 954},
    {"lambda", 955},
    {"mu", 956},
    {"nu", 957},
    {"xi", 958},
    {"omicron", 959},
    {"pi", 960},
    {"rho", 961},
    {"sigmaf", 962},
    {"sigma", 963},
    {"tau", 964},
    {"upsilon", 965},
    {"phi", 966},
    {"chi", 967},
    {"psi", 968},
    {"omega", 969},
    {"thetasym", 977},
    {"upsih", 978},
    {"piv", 982},
    {"bull", 8226},
    {"hellip", 8230},
    {"prime", 8242},
    {"Prime", 8243},
    {"oline", 8254},
    {"frasl", 8260},
    {"weierp", 8472},
    {"image", 8465},
    {"real", 8476},
    {"trade", 8482},
    {"alefsym", 8501},
    {"larr", 8592},
    {"uarr", 8593},
    {"rarr", 8594},
    {"darr", 8595},
    {"harr", 8596},
    {"crarr", 8629},
    {"lArr", 8656},
    {"uArr", 8657},
    {"rArr", 8658},
    {"dArr", 8659},
    {"hArr", 8660},
    {"forall", 8704},
    {"part", 8706},
    {"exist", 8707},
    {"empty", 8709},
    {"nabla", 8711},
    {"isin", 8712},
    {"notin", 8713},
    {"ni", 8715},
    {"prod", 8719},
    {"sum", 8721},
    {"minus", 8722},
    {"lowast", 8727},
    {"radic", 8730},
    {"prop", 8733},
    {"infin", 8734},
    {"ang", 8736},
    {"and", 8743},
    {"or", 8744},
    {"cap", 8745},
    {"cup", 8746},
    {"int", 8747},
    {"there4", 8756},
    {"sim", 8764},
    {"cong", 8773},
    {"asymp", 8776},
    {"ne", 8800},
    {"equiv", 8801},
    {"le", 8804},
    {"ge", 8805},
    {"sub", 8834},
    {"sup", 8835},
    {"nsub", 8836},
    {"sube", 8838},
    {"supe", 8839},
    {"oplus", 8853},
    {"otimes", 8855},
    {"perp", 8869},
    {"sdot", 8901},
    {"lceil", 8968},
    {"rceil", 8969},
    {"lfloor", 8970},
    {"rfloor", 8971},
    {"lang", 9001},
    {"rang", 9002},
    {"loz", 9674},
    {"spades", 9824},
    {"clubs", 9827},
    {"hearts", 9829},
    {"diams", 9830},
    // Markup-significant and internationalisation characters.
    {"quot", 34},
    {"amp", 38},
    {"lt", 60},
    {"gt", 62},
    {"OElig", 338},
    {"oelig", 339},
    {"Scaron", 352},
    {"scaron", 353},
    {"Yuml", 376},
    {"circ", 710},
    {"tilde", 732},
    {"ensp", 8194},
    {"emsp", 8195},
    {"thinsp", 8201},
    {"zwnj", 8204},
    {"zwj", 8205},
    {"lrm", 8206},
    {"rlm", 8207},
    {"ndash", 8211},
    {"mdash", 8212},
    {"lsquo", 8216},
    {"rsquo", 8217},
    {"sbquo", 8218},
    {"ldquo", 8220},
    {"rdquo", 8221},
    {"bdquo", 8222},
    {"dagger", 8224},
    {"Dagger", 8225},
    {"permil", 8240},
    {"lsaquo", 8249},
    {"rsaquo", 8250},
    {"euro", 8364},
    // XML's own.
    {"apos", 39},
};

constexpr size_t kEntityCount = std::size(kEntitiesInHtmlOrder);
static_assert(kEntityCount == 253);

constexpr auto kEntitiesByName = [] {
    std::array<NamedEntity, kEntityCount> sorted{};
    std::copy(std::begin(kEntitiesInHtmlOrder), std::end(kEntitiesInHtmlOrder), sorted.begin());
    std::sort(sorted.begin(), sorted.end(),
              [](const NamedEntity& a, const NamedEntity& b) { return a.name < b.name; });
    return sorted;
}();

static_assert(std::adjacent_find(kEntitiesByName.begin(), kEntitiesByName.end(),
                                 [](const NamedEntity& a, const NamedEntity& b) {
                                     return a.name == b.name;
                                 }) == kEntitiesByName.end(),
              "entity names are unique");

// The longest reference name ("thetasym", "#x10FFFF", "#99999999") has 9 characters.
constexpr size_t kMaxReferenceName = 9;

std::optional<char32_t> FindEntity(std::string_view name) {
    // The markup characters are by far the most frequent references.
    if (name == "amp") return U'&';
    if (name == "lt") return U'<';
    if (name == "gt") return U'>';
    if (name == "quot") return U'"';
    const auto it = std::lower_bound(
        kEntitiesByName.begin(), kEntitiesByName.end(), name,
        [](const NamedEntity& entity, std::string_view key) { return entity.name < key; });
    if (it == kEntitiesByName.end() || it->name != name) return std::nullopt;
    return it->codePoint;
}

int DigitValue(char c, int base) {
    if (c >= '0' && c <= '9') return c - '0';
    if (base == 16 && c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<char32_t> NumericReference(std::string_view name) {
    // name starts with '#'.
    int base = 10;
    size_t first = 1;
    if (name.size() > 1 && (name[1] == 'x' || name[1] == 'X')) base = 16, first = 2;
    if (first >= name.size()) return std::nullopt;
    char32_t value = 0;
    for (size_t i = first; i < name.size(); ++i) {
        const int digit = DigitValue(name[i], base);
        if (digit < 0) return std::nullopt;
        // At most eight digits follow '#', so the value cannot overflow 32 bits.
        value = value * base + static_cast<char32_t>(digit);
    }
    // Zero is not a character, and values past U+10FFFF cannot be stored as UTF-16; both
    // stay as written. Surrogate values are kept as single units so that a pair written
    // as two references still forms its character; a lone one reads as U+FFFD later.
    if (value == 0 || value > 0x10FFFF) return std::nullopt;
    return value;
}

}  // namespace

std::span<const NamedEntity> NamedEntities() {
    return kEntitiesByName;
}

std::optional<EntityReference> ParseEntityReference(std::u16string_view text, size_t amp) {
    char name[kMaxReferenceName];
    size_t length = 0;
    for (size_t i = amp + 1; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u';') {
            if (length == 0) return std::nullopt;
            const std::string_view view(name, length);
            std::optional<char32_t> codePoint;
            if (view[0] == '#') {
                codePoint = NumericReference(view);
            } else {
                // An exact match first, so "&Eacute;" and "&eacute;" keep their two
                // letters; otherwise the name is compared lower-cased ("&AMP;", "&Nbsp;").
                // For a pair told apart only by case, a name in another mix of cases
                // ("&EACUTE;") gives the small letter.
                codePoint = FindEntity(view);
                if (!codePoint) {
                    std::string lower(view);
                    for (char& ch : lower) {
                        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
                    }
                    codePoint = FindEntity(lower);
                }
            }
            if (!codePoint) return std::nullopt;
            return EntityReference{*codePoint, length + 2};
        }
        if (c > 0x7F || length == kMaxReferenceName) return std::nullopt;
        name[length++] = static_cast<char>(c);
    }
    return std::nullopt;
}

void AppendDecodedText(std::u16string_view text, std::u16string& out) {
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t amp = text.find(u'&', pos);
        if (amp == std::u16string_view::npos) {
            out.append(text.substr(pos));
            return;
        }
        out.append(text.substr(pos, amp - pos));
        const auto reference = ParseEntityReference(text, amp);
        if (!reference) {
            out += u'&';
            pos = amp + 1;
            continue;
        }
        const char32_t cp = reference->codePoint;
        if (cp >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        pos = amp + reference->length;
    }
}

}  // namespace x5k

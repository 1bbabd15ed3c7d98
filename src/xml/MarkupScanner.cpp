#include "xml/MarkupScanner.h"

#include <cstring>

namespace x5k::markup {
namespace {

constexpr size_t npos = std::u16string_view::npos;

bool StartsWith(std::u16string_view text, size_t pos, std::u16string_view prefix) {
    return text.size() - pos >= prefix.size() && text.compare(pos, prefix.size(), prefix) == 0;
}

bool StartsWithNoCase(std::u16string_view text, size_t pos, std::u16string_view upperPrefix) {
    if (text.size() - pos < upperPrefix.size()) return false;
    for (size_t i = 0; i < upperPrefix.size(); ++i) {
        char16_t c = text[pos + i];
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
        if (c != upperPrefix[i]) return false;
    }
    return true;
}

// A node closed by `terminator`, or running to the end of the text without it.
Node Delimited(std::u16string_view text, NodeKind kind, size_t from,
               std::u16string_view terminator) {
    const size_t at = text.find(terminator, from);
    if (at == npos) return {kind, text.size(), 0, false};
    return {kind, at + terminator.size(), 0, true};
}

Node ScanStartTag(std::u16string_view text, size_t pos) {
    const size_t nameLength = NameLength(text, pos + 1);
    const size_t n = text.size();
    size_t i = pos + 1 + nameLength;
    bool afterEquals = false;
    while (i < n) {
        const char16_t c = text[i];
        if (afterEquals && (c == u'"' || c == u'\'')) {
            // Only a quote that opens an attribute value hides ">" and "<"; a stray
            // apostrophe elsewhere in a broken tag must not swallow the document.
            const size_t close = text.find(c, i + 1);
            if (close == npos) return {NodeKind::StartTag, n, nameLength, false};
            i = close + 1;
            afterEquals = false;
            continue;
        }
        if (c == u'>') {
            const bool empty = text[i - 1] == u'/' && i - 1 >= pos + 1 + nameLength;
            return {empty ? NodeKind::EmptyElementTag : NodeKind::StartTag, i + 1, nameLength,
                    true};
        }
        if (c == u'<') {
            // A tag without its ">" ends where the next markup begins.
            return {NodeKind::StartTag, i, nameLength, true};
        }
        if (c == u'=') {
            afterEquals = true;
        } else if (!IsSpace(c)) {
            afterEquals = false;
        }
        ++i;
    }
    return {NodeKind::StartTag, n, nameLength, false};
}

Node ScanEndTag(std::u16string_view text, size_t pos) {
    const size_t nameLength = NameLength(text, pos + 2);
    for (size_t i = pos + 2 + nameLength; i < text.size(); ++i) {
        if (text[i] == u'>') return {NodeKind::EndTag, i + 1, nameLength, true};
        if (text[i] == u'<') return {NodeKind::EndTag, i, nameLength, true};
    }
    return {NodeKind::EndTag, text.size(), nameLength, false};
}

// A document type declaration, with an internal subset in brackets whose quoted
// strings and comments may hold "]" and ">".
Node ScanDoctype(std::u16string_view text, size_t pos) {
    const size_t n = text.size();
    size_t i = pos + 9;
    bool inSubset = false;
    while (i < n) {
        const char16_t c = text[i];
        if (c == u'"' || c == u'\'') {
            const size_t close = text.find(c, i + 1);
            if (close == npos) break;
            i = close + 1;
            continue;
        }
        if (inSubset && StartsWith(text, i, u"<!--")) {
            const size_t close = text.find(u"-->", i + 4);
            if (close == npos) break;
            i = close + 3;
            continue;
        }
        if (c == u'[') {
            inSubset = true;
        } else if (c == u']') {
            inSubset = false;
        } else if (c == u'>' && !inSubset) {
            return {NodeKind::Doctype, i + 1, 0, true};
        }
        ++i;
    }
    return {NodeKind::Doctype, n, 0, false};
}

}  // namespace

size_t Find(std::u16string_view text, char16_t c, size_t pos) {
    const size_t n = text.size();
    const char16_t* data = text.data();
    constexpr uint64_t kOnes = 0x0001000100010001ull;
    constexpr uint64_t kHighs = 0x8000800080008000ull;
    const uint64_t pattern = kOnes * c;
    for (; pos + 4 <= n; pos += 4) {
        uint64_t word;
        std::memcpy(&word, data + pos, sizeof word);
        // A lane of `word ^ pattern` is zero exactly where the unit equals `c`.
        const uint64_t x = word ^ pattern;
        if (((x - kOnes) & ~x & kHighs) != 0) break;
    }
    for (; pos < n; ++pos) {
        if (data[pos] == c) return pos;
    }
    return npos;
}

size_t NameLength(std::u16string_view text, size_t pos) {
    size_t i = pos;
    while (i < text.size() && !IsNameEnd(text[i])) ++i;
    return i - pos;
}

Node ScanNode(std::u16string_view text, size_t pos) {
    const size_t n = text.size();
    if (pos + 1 >= n) return {NodeKind::Text, pos + 1, 0, true};
    const char16_t next = text[pos + 1];
    if (IsNameStart(next)) return ScanStartTag(text, pos);
    if (next == u'/') {
        if (pos + 2 < n && IsNameStart(text[pos + 2])) return ScanEndTag(text, pos);
    } else if (next == u'?') {
        return Delimited(text, NodeKind::ProcessingInstruction, pos + 2, u"?>");
    } else if (next == u'!') {
        if (StartsWith(text, pos, u"<!--")) {
            return Delimited(text, NodeKind::Comment, pos + 4, u"-->");
        }
        if (StartsWith(text, pos, u"<![CDATA[")) {
            return Delimited(text, NodeKind::CData, pos + 9, u"]]>");
        }
        if (StartsWithNoCase(text, pos, u"<!DOCTYPE")) return ScanDoctype(text, pos);
    }
    return {NodeKind::Text, pos + 1, 0, true};
}

}  // namespace x5k::markup

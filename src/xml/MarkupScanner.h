#pragma once
// Recognises the markup nodes of a UTF-16 document one "<" at a time. The element
// indexer, the text reader and the encoding sniffer all scan with it, so they agree on
// where every comment, CDATA section and tag begins and ends.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace x5k::markup {

enum class NodeKind : uint8_t {
    Text,  // a "<" that begins no markup: one unit of plain text
    Comment,
    CData,
    ProcessingInstruction,
    Doctype,
    StartTag,
    EmptyElementTag,
    EndTag,
};

struct Node {
    NodeKind kind = NodeKind::Text;
    size_t end = 0;          // one past the node's last unit
    size_t nameLength = 0;   // tags only: the tag name begins after "<" or "</"
    bool terminated = true;  // false when the node ran into the end of the text
};

// White space as XML knows it.
constexpr bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

// A tag name starts with "_", ":" or any character outside U+0000-U+0040 and
// U+005B-U+0060: letters and everything past ASCII, but no digit, space or most
// punctuation.
constexpr bool IsNameStart(char16_t c) {
    return c == u'_' || c == u':' || (c > 0x40 && (c < 0x5B || c > 0x60));
}

// A tag name ends at white space or at one of < > = \ / ? ! " ' ;
constexpr bool IsNameEnd(char16_t c) {
    switch (c) {
        case u' ':
        case u'\t':
        case u'\n':
        case u'\r':
        case u'<':
        case u'>':
        case u'=':
        case u'\\':
        case u'/':
        case u'?':
        case u'!':
        case u'"':
        case u'\'':
        case u';':
            return true;
        default:
            return false;
    }
}

// The position of the first `c` at or after `pos`, or npos. Markup is mostly long runs
// of text between tags, so this looks at four units at a time.
size_t Find(std::u16string_view text, char16_t c, size_t pos);

// The length of the tag name starting at text[pos].
size_t NameLength(std::u16string_view text, size_t pos);

// Scans the node that begins at text[pos], which must be "<". Never reads past the end
// of `text`; a node whose closing delimiter is missing runs to the end of the text, so a
// scan of a whole document never revisits a unit and stays linear.
Node ScanNode(std::u16string_view text, size_t pos);

// Calls `visit(name, value)` for each attribute in `tag`, the text after a tag name.
// Values may be quoted with double or single quotes, or unquoted.
template <typename Visit>
void ForEachAttribute(std::u16string_view tag, Visit visit) {
    size_t i = 0;
    const size_t n = tag.size();
    while (i < n) {
        while (i < n && (IsSpace(tag[i]) || tag[i] == u'/' || tag[i] == u'?')) ++i;
        if (i >= n || tag[i] == u'>') return;
        const size_t nameStart = i;
        while (i < n && !IsSpace(tag[i]) && tag[i] != u'=' && tag[i] != u'>' && tag[i] != u'/') ++i;
        const std::u16string_view name = tag.substr(nameStart, i - nameStart);
        while (i < n && IsSpace(tag[i])) ++i;
        std::u16string_view value;
        if (i < n && tag[i] == u'=') {
            ++i;
            while (i < n && IsSpace(tag[i])) ++i;
            if (i < n && (tag[i] == u'"' || tag[i] == u'\'')) {
                const char16_t quote = tag[i++];
                size_t close = tag.find(quote, i);
                if (close == std::u16string_view::npos) close = n;
                value = tag.substr(i, close - i);
                i = close + 1;
            } else {
                const size_t valueStart = i;
                while (i < n && !IsSpace(tag[i]) && tag[i] != u'>') ++i;
                value = tag.substr(valueStart, i - valueStart);
            }
        }
        if (name.empty()) {
            ++i;  // a stray "=" or quote: step over it so the loop always advances
            continue;
        }
        visit(name, value);
    }
}

}  // namespace x5k::markup

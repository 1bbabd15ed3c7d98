#include "xml/XmlReader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "common/Utf.h"
#include "xml/Charsets.h"
#include "xml/Entities.h"
#include "xml/MarkupScanner.h"

namespace x5k {
namespace {

using markup::Node;
using markup::NodeKind;

constexpr uint32_t kNone = XmlElement::kNone;
constexpr size_t npos = std::u16string_view::npos;

// Only the start of a file is searched for a declared encoding.
constexpr size_t kSniffBytes = 1024;

bool EqualsNoCase(std::u16string_view text, std::string_view lowerAscii) {
    if (text.size() != lowerAscii.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != static_cast<unsigned char>(lowerAscii[i])) return false;
    }
    return true;
}

std::string Ascii(std::u16string_view text) {
    std::string out;
    for (const char16_t c : text) {
        if (c > 0x7F) return {};  // no encoding name has other characters
        out += static_cast<char>(c);
    }
    return out;
}

// The name after "charset=" in a Content-Type value such as "text/html; charset=UTF-8".
std::string CharsetOfContentType(std::u16string_view content) {
    for (size_t i = 0; i + 7 <= content.size(); ++i) {
        if (!EqualsNoCase(content.substr(i, 7), "charset")) continue;
        size_t p = i + 7;
        while (p < content.size() && markup::IsSpace(content[p])) ++p;
        if (p >= content.size() || content[p] != u'=') continue;
        ++p;
        while (p < content.size() && markup::IsSpace(content[p])) ++p;
        const size_t begin = p;
        while (p < content.size() && content[p] != u';' && content[p] != u'"' &&
               content[p] != u'\'' && !markup::IsSpace(content[p]))
            ++p;
        return Ascii(content.substr(begin, p - begin));
    }
    return {};
}

// The encoding a document declares at its start: the "encoding" of an XML declaration,
// or the charset of an HTML document's Content-Type meta element. Empty when none.
std::string DeclaredEncoding(std::u16string_view head) {
    if (head.starts_with(u"<?xml") &&
        (head.size() == 5 || markup::IsSpace(head[5]) || head[5] == u'?')) {
        // An XML declaration settles it, with or without an encoding.
        const Node node = markup::ScanNode(head, 0);
        const size_t end = node.terminated ? node.end - 2 : node.end;
        std::string encoding;
        markup::ForEachAttribute(head.substr(5, end - 5), [&](auto name, auto value) {
            if (encoding.empty() && name == u"encoding") encoding = Ascii(value);
        });
        return encoding;
    }
    bool html = false;
    size_t pos = 0;
    while ((pos = head.find(u'<', pos)) != npos) {
        const Node node = markup::ScanNode(head, pos);
        const std::u16string_view name =
            head.substr(pos + (node.kind == NodeKind::EndTag ? 2 : 1), node.nameLength);
        if (node.kind == NodeKind::EndTag && EqualsNoCase(name, "head")) return {};
        if ((node.kind == NodeKind::StartTag || node.kind == NodeKind::EmptyElementTag) &&
            node.terminated) {
            if (!html) {
                if (!EqualsNoCase(name, "html")) return {};
                html = true;
            } else if (EqualsNoCase(name, "meta")) {
                bool contentType = false;
                std::u16string_view content;
                const size_t attributes = pos + 1 + node.nameLength;
                markup::ForEachAttribute(
                    head.substr(attributes, node.end - attributes), [&](auto n, auto v) {
                        if (EqualsNoCase(n, "http-equiv") && EqualsNoCase(v, "content-type"))
                            contentType = true;
                        if (EqualsNoCase(n, "content")) content = v;
                    });
                if (contentType) return CharsetOfContentType(content);
            }
        }
        pos = node.end;
    }
    return {};
}

// Builds the element index in one pass over the text. Every unit is scanned once and
// every element is linked, lifted or closed a bounded number of times, so the work is
// linear in the size of the document whatever its shape.
class Indexer {
public:
    Indexer(std::u16string_view text, std::vector<XmlElement>& elements,
            std::vector<xml_detail::OpenElement>& open)
        : text_(text), elements_(elements), open_(open) {
        open_.clear();
    }

    uint32_t firstRoot() const { return firstRoot_; }
    XmlIssue issue() const { return issue_; }
    size_t issueOffset() const { return issueOffset_; }

    void Run() {
        size_t pos = 0;
        while ((pos = markup::Find(text_, u'<', pos)) != npos) {
            const Node node = markup::ScanNode(text_, pos);
            if (!node.terminated) Note(XmlIssue::UnterminatedMarkup, pos);
            switch (node.kind) {
                case NodeKind::StartTag:
                case NodeKind::EmptyElementTag:
                    // A start tag cut off by the end of the text is read as text.
                    if (node.terminated) Open(pos, node);
                    break;
                case NodeKind::EndTag:
                    Close(pos, node);
                    break;
                default:
                    break;
            }
            pos = node.end;
        }
        if (!open_.empty()) {
            Note(XmlIssue::UnclosedElement, elements_[open_.front().element].start);
            LiftOpenAbove(0, kNone);
            open_.clear();
        }
    }

private:
    using OpenElement = xml_detail::OpenElement;

    std::u16string_view NameOf(const OpenElement& open) const {
        return text_.substr(elements_[open.element].start + 1, open.nameLength);
    }

    void Note(XmlIssue issue, size_t offset) {
        if (issue_ != XmlIssue::None) return;
        issue_ = issue;
        issueOffset_ = offset;
    }

    void Open(size_t pos, const Node& node) {
        const auto index = static_cast<uint32_t>(elements_.size());
        XmlElement element;
        element.start = static_cast<uint32_t>(pos);
        element.startTagLength = static_cast<uint32_t>(node.end - pos);
        element.nameLength = static_cast<uint32_t>(node.nameLength);
        element.totalLength = element.startTagLength;
        element.ended = node.kind == NodeKind::EmptyElementTag;
        uint32_t& last = open_.empty() ? lastRoot_ : open_.back().lastChild;
        if (!open_.empty()) element.parent = open_.back().element;
        element.prevSibling = last;
        if (last != kNone) {
            elements_[last].nextSibling = index;
        } else if (open_.empty()) {
            firstRoot_ = index;
        } else {
            elements_[open_.back().element].firstChild = index;
        }
        last = index;
        elements_.push_back(element);
        if (node.kind == NodeKind::EmptyElementTag) return;

        OpenElement entry{index, kNone, static_cast<uint32_t>(node.nameLength), 0};
        if (indexed_) {
            entry.sameName = StackOf(NameOf(entry));
            depths_[entry.sameName].push_back(static_cast<uint32_t>(open_.size()));
        }
        open_.push_back(entry);
    }

    // An end tag closes the nearest open element of its name. In a well-formed document
    // that is always the innermost one, so names are only indexed (one stack of open
    // depths per name) from the first end tag that does not match it; from then on a
    // lookup is a hash probe instead of a walk down the open elements, which would be
    // quadratic for deep nesting with stray end tags.
    void Close(size_t pos, const Node& node) {
        const std::u16string_view name = text_.substr(pos + 2, node.nameLength);
        if (open_.empty()) {
            Note(XmlIssue::UnmatchedEndTag, pos);
            return;
        }
        if (!indexed_) {
            if (NameOf(open_.back()) == name) {
                CloseAt(open_.size() - 1, node.end);
                return;
            }
            IndexOpenNames();
        }
        const auto found = stackOfName_.find(name);
        if (found == stackOfName_.end() || depths_[found->second].empty()) {
            Note(XmlIssue::UnmatchedEndTag, pos);
            return;
        }
        const size_t depth = depths_[found->second].back();
        if (depth + 1 != open_.size()) Note(XmlIssue::UnclosedElement, pos);
        CloseAt(depth, node.end);
    }

    uint32_t StackOf(std::u16string_view name) {
        const auto [it, added] =
            stackOfName_.try_emplace(name, static_cast<uint32_t>(depths_.size()));
        if (added) depths_.emplace_back();
        return it->second;
    }

    void IndexOpenNames() {
        indexed_ = true;
        for (size_t depth = 0; depth < open_.size(); ++depth) {
            open_[depth].sameName = StackOf(NameOf(open_[depth]));
            depths_[open_[depth].sameName].push_back(static_cast<uint32_t>(depth));
        }
    }

    void CloseAt(size_t depth, size_t end) {
        const uint32_t index = open_[depth].element;
        LiftOpenAbove(depth + 1, index);
        XmlElement& element = elements_[index];
        element.ended = true;
        element.totalLength = static_cast<uint32_t>(end - element.start);
        if (indexed_) {
            // Each popped element is the innermost open one of its name.
            for (size_t d = open_.size(); d-- > depth;) depths_[open_[d].sameName].pop_back();
        }
        open_.resize(depth);
    }

    // The open elements from `depth` inwards end where they are, as elements without
    // content; the children of each become its following siblings, under `newParent`.
    // Each open element is the last child of the one outside it, so the lifted children
    // already sit in document order and only their parent links change. An element is
    // lifted at most once, because its new parent is closed right after.
    void LiftOpenAbove(size_t depth, uint32_t newParent) {
        for (size_t d = depth; d < open_.size(); ++d) {
            XmlElement& element = elements_[open_[d].element];
            element.ended = false;
            element.totalLength = element.startTagLength;
            const uint32_t first = element.firstChild;
            if (first == kNone) continue;
            element.firstChild = kNone;
            element.nextSibling = first;
            elements_[first].prevSibling = open_[d].element;
            // The chain stops at the next open element, whose own siblings are not yet
            // linked, or at the innermost element's last child.
            for (uint32_t c = first; c != kNone; c = elements_[c].nextSibling) {
                elements_[c].parent = newParent;
            }
        }
    }

    std::u16string_view text_;
    std::vector<XmlElement>& elements_;
    std::vector<OpenElement>& open_;
    // From the first mismatched end tag on: for each tag name, the depths of its open
    // elements, innermost last.
    bool indexed_ = false;
    std::unordered_map<std::u16string_view, uint32_t> stackOfName_;
    std::vector<std::vector<uint32_t>> depths_;
    uint32_t firstRoot_ = kNone;
    uint32_t lastRoot_ = kNone;
    XmlIssue issue_ = XmlIssue::None;
    size_t issueOffset_ = 0;
};

// Tag names are short; comparing them inline beats a call to memcmp.
bool SameUnits(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) return false;
    }
    return true;
}

// A searched tag name as UTF-16, without a heap allocation for the usual short ASCII
// names: every lookup converts two of them.
class SearchName {
public:
    explicit SearchName(std::string_view utf8) {
        if (utf8.size() <= kSmall &&
            std::all_of(utf8.begin(), utf8.end(), [](char c) { return (c & 0x80) == 0; })) {
            std::copy(utf8.begin(), utf8.end(), small_);
            view_ = std::u16string_view(small_, utf8.size());
        } else {
            large_ = Utf8ToUtf16(utf8);
            view_ = large_;
        }
    }
    SearchName(const SearchName&) = delete;
    SearchName& operator=(const SearchName&) = delete;

    std::u16string_view view() const { return view_; }

private:
    static constexpr size_t kSmall = 64;
    char16_t small_[kSmall];
    std::u16string large_;
    std::u16string_view view_;
};

// Appends UTF-16 text as UTF-8; a lone surrogate becomes U+FFFD. A unit never takes
// more than three bytes (a pair takes four for two units), so the output is sized once.
void AppendAsUtf8(std::u16string_view text, std::string& out) {
    const size_t base = out.size();
    out.resize(base + text.size() * 3);
    char* o = out.data() + base;
    const auto put = [&o](unsigned value) { *o++ = static_cast<char>(value); };
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            if (cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                text[i + 1] <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
            } else {
                cp = 0xFFFD;
            }
        }
        if (cp < 0x80) {
            put(cp);
        } else if (cp < 0x800) {
            put(0xC0 | (cp >> 6));
            put(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            put(0xE0 | (cp >> 12));
            put(0x80 | ((cp >> 6) & 0x3F));
            put(0x80 | (cp & 0x3F));
        } else {
            put(0xF0 | (cp >> 18));
            put(0x80 | ((cp >> 12) & 0x3F));
            put(0x80 | ((cp >> 6) & 0x3F));
            put(0x80 | (cp & 0x3F));
        }
    }
    out.resize(static_cast<size_t>(o - out.data()));
}

// Drops every zero byte, copying only when there is one.
std::span<const uint8_t> WithoutZeroBytes(std::span<const uint8_t> bytes,
                                          std::vector<uint8_t>& storage) {
    if (std::memchr(bytes.data(), 0, bytes.size()) == nullptr) return bytes;
    storage.reserve(bytes.size());
    for (const uint8_t b : bytes) {
        if (b != 0) storage.push_back(b);
    }
    return storage;
}

}  // namespace

std::string_view XmlParseResult::description() const {
    switch (status) {
        case XmlStatus::Ok:
            return "loaded";
        case XmlStatus::OpenFailed:
            return "the file could not be opened";
        case XmlStatus::ReadFailed:
            return "the file could not be read";
        case XmlStatus::TooLarge:
            return "the document is too large";
        case XmlStatus::Recovered:
            break;
    }
    switch (issue) {
        case XmlIssue::UnterminatedMarkup:
            return "loaded; markup ran to the end of the document";
        case XmlIssue::UnmatchedEndTag:
            return "loaded; an end tag matched no open element";
        case XmlIssue::UnclosedElement:
            return "loaded; an element was not closed";
        case XmlIssue::None:
            break;
    }
    return "loaded";
}

void CXmlReader::Clear() {
    // The buffers keep their capacity: one reader serves every language switch, and
    // memory the next document reuses costs no page faults.
    text_.clear();
    elements_.clear();
    firstRoot_ = kNone;
    childNames_.parent = kNone;
    Rewind();
}

XmlParseResult CXmlReader::LoadFile(const std::filesystem::path& path) {
    Clear();
    XmlParseResult result;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file) {
        result.status = XmlStatus::OpenFailed;
        return result;
    }
    // Read to the end rather than trusting a size from the file system, which is wrong
    // for some special files; a folder opens but fails here.
    std::vector<uint8_t> bytes;
    uint8_t chunk[64 * 1024];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
        if (bytes.size() + got > kMaxDocumentUnits) {
            result.status = XmlStatus::TooLarge;
            return result;
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    if (std::ferror(file.get())) {
        result.status = XmlStatus::ReadFailed;
        return result;
    }
    return LoadMemory(bytes);
}

XmlParseResult CXmlReader::LoadBytes(std::string_view bytes) {
    return LoadMemory({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
}

XmlParseResult CXmlReader::LoadMemory(std::span<const uint8_t> bytes) {
    Clear();
    XmlParseResult result = Decode(bytes);
    if (!result) {
        Clear();
        return result;
    }
    Indexer indexer(text_, elements_, open_);
    indexer.Run();
    firstRoot_ = indexer.firstRoot();
    result.elements = elements_.size();
    if (indexer.issue() != XmlIssue::None) {
        result.status = XmlStatus::Recovered;
        result.issue = indexer.issue();
        result.offset = indexer.issueOffset();
    }
    return result;
}

XmlParseResult CXmlReader::Decode(std::span<const uint8_t> bytes) {
    XmlParseResult result;
    if (bytes.empty()) return result;
    if (bytes.size() > kMaxDocumentUnits) {
        result.status = XmlStatus::TooLarge;
        return result;
    }

    const auto startsWith = [&](std::initializer_list<uint8_t> mark) {
        return bytes.size() >= mark.size() && std::equal(mark.begin(), mark.end(), bytes.begin());
    };
    if (startsWith({0xFF, 0xFE}) || startsWith({0xFE, 0xFF})) {
        // UTF-16 by its mark: zero units are dropped, and an odd last byte is ignored.
        const bool bigEndian = bytes[0] == 0xFE;
        result.codePage = bigEndian ? kUtf16BeCodePage : kUtf16LeCodePage;
        text_.resize((bytes.size() - 2) / 2);
        size_t units = 0;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            const auto unit = static_cast<char16_t>(bigEndian ? (bytes[i] << 8 | bytes[i + 1])
                                                              : (bytes[i] | bytes[i + 1] << 8));
            if (unit != 0) text_[units++] = unit;
        }
        text_.resize(units);
        return result;
    }

    int codePage = 0;  // 0: not known yet
    std::span<const uint8_t> rest = bytes;
    if (startsWith({0xEF, 0xBB, 0xBF})) {
        codePage = kUtf8CodePage;
        rest = bytes.subspan(3);
    }
    std::vector<uint8_t> storage;
    rest = WithoutZeroBytes(rest, storage);
    if (codePage == 0) {
        // Zero bytes are dropped before sniffing too, so a declaration still reads
        // when the file carries stray zeros.
        const std::u16string head =
            DecodeCodePage(kUtf8CodePage, rest.first(std::min(rest.size(), kSniffBytes)));
        const std::string declared = DeclaredEncoding(head);
        if (!declared.empty()) codePage = CodePageFromName(declared);
    }
    // Without a usable declaration the bytes are UTF-8 when they are valid UTF-8 and the
    // ANSI code page otherwise. This also covers documents that start with "<": taking
    // those for UTF-8 regardless would turn every accented letter of a Latin-1 file
    // without declaration into U+FFFD. A declared UTF-16 or UTF-32 without a mark
    // cannot be right once zero bytes are gone, so it counts as no declaration.
    const bool wide = codePage == kUtf16LeCodePage || codePage == kUtf16BeCodePage ||
                      codePage == 12000 || codePage == 12001;
    if (codePage == 0 || wide) {
        if (DecodeValidUtf8(rest, text_)) {
            result.codePage = kUtf8CodePage;
            return result;
        }
        codePage = kAnsiCodePage;
    }
    result.codePage = codePage;
    text_ = DecodeCodePage(codePage, rest);
    if (text_.size() > kMaxDocumentUnits) result.status = XmlStatus::TooLarge;
    return result;
}

void CXmlReader::Rewind() {
    parent_ = kNone;
    current_ = kNone;
    child_ = kNone;
}

bool CXmlReader::NameMatches(uint32_t index, std::u16string_view name) const {
    if (name.empty()) return true;
    // The element's whole tag name must equal the start of the searched name, and the
    // searched name must end there or go on with " ", "=", "/", "[" or "]" (as in
    // "item[2]" or "item attr=1"); the rest is not compared.
    const XmlElement& element = elements_[index];
    const size_t length = element.nameLength;
    if (length > name.size()) return false;
    if (length < name.size()) {
        const char16_t next = name[length];
        if (next != u' ' && next != u'=' && next != u'/' && next != u'[' && next != u']')
            return false;
    }
    return SameUnits(NameOf(index), name.substr(0, length));
}

bool CXmlReader::FindNext(std::u16string_view name) {
    uint32_t e = current_ != kNone  ? elements_[current_].nextSibling
                 : parent_ != kNone ? elements_[parent_].firstChild
                                    : firstRoot_;
    for (; e != kNone; e = elements_[e].nextSibling) {
        if (NameMatches(e, name)) {
            current_ = e;
            child_ = kNone;
            return true;
        }
    }
    return false;
}

bool CXmlReader::FindChild(std::u16string_view name) {
    if (current_ == kNone && !FindNext({})) return false;
    const bool fromStart = child_ == kNone;
    if (fromStart && !name.empty() && childNames_.parent == current_) {
        return FindIndexedChild(name);
    }
    uint32_t e = fromStart ? elements_[current_].firstChild : elements_[child_].nextSibling;
    size_t passed = 0;
    for (; e != kNone; e = elements_[e].nextSibling, ++passed) {
        if (NameMatches(e, name)) {
            child_ = e;
            break;
        }
    }
    // A lookup such as ReadMarkupValue searches the same element's children from the
    // start again and again (107 times for a language file). Once such a search had to
    // pass many siblings, the element's children are indexed by name, which turns each
    // further search into a few hash probes.
    if (fromStart && passed >= kIndexChildrenAfter) IndexChildNames(current_);
    return e != kNone;
}

namespace {

size_t HashName(std::u16string_view name) {
    // FNV-1a over the units.
    uint64_t hash = 14695981039346656037ull;
    for (const char16_t c : name) hash = (hash ^ c) * 1099511628211ull;
    return static_cast<size_t>(hash ^ (hash >> 32));
}

}  // namespace

std::u16string_view CXmlReader::NameOf(uint32_t element) const {
    return std::u16string_view(text_).substr(elements_[element].start + 1,
                                             elements_[element].nameLength);
}

// An open-addressing table of child indices, the first child of each name; its memory
// is kept for the next document.
void CXmlReader::IndexChildNames(uint32_t parent) {
    size_t children = 0;
    for (uint32_t e = elements_[parent].firstChild; e != kNone; e = elements_[e].nextSibling) {
        ++children;
    }
    size_t capacity = 16;
    while (capacity < children * 2) capacity *= 2;
    childNames_.parent = parent;
    childNames_.buckets.assign(capacity, kNone);
    const size_t mask = capacity - 1;
    for (uint32_t e = elements_[parent].firstChild; e != kNone; e = elements_[e].nextSibling) {
        const std::u16string_view name = NameOf(e);
        for (size_t slot = HashName(name) & mask;; slot = (slot + 1) & mask) {
            uint32_t& entry = childNames_.buckets[slot];
            if (entry == kNone) {
                entry = e;
                break;
            }
            if (SameUnits(NameOf(entry), name)) break;  // an earlier child has this name
        }
    }
}

uint32_t CXmlReader::IndexedChild(std::u16string_view name) const {
    const size_t mask = childNames_.buckets.size() - 1;
    for (size_t slot = HashName(name) & mask;; slot = (slot + 1) & mask) {
        const uint32_t entry = childNames_.buckets[slot];
        if (entry == kNone || SameUnits(NameOf(entry), name)) return entry;
    }
}

bool CXmlReader::FindIndexedChild(std::u16string_view name) {
    // The tag names that can match are the searched name itself and each start of it
    // that is followed by one of the characters after which the rest is ignored; the
    // earliest child with any of them is the one a scan would find.
    uint32_t best = kNone;
    const auto consider = [&](size_t length) {
        best = std::min(best, IndexedChild(name.substr(0, length)));
    };
    for (size_t i = 1; i < name.size(); ++i) {
        const char16_t c = name[i];
        if (c == u' ' || c == u'=' || c == u'/' || c == u'[' || c == u']') consider(i);
    }
    consider(name.size());
    if (best == kNone) return false;
    child_ = best;
    return true;
}

bool CXmlReader::FindNextElement(std::string_view name) {
    return FindNext(SearchName(name).view());
}

bool CXmlReader::FindChildElement(std::string_view name) {
    return FindChild(SearchName(name).view());
}

bool CXmlReader::EnterElement() {
    if (current_ == kNone) return false;
    parent_ = current_;
    current_ = child_;
    child_ = kNone;
    return true;
}

void CXmlReader::AppendElementData(uint32_t index, std::string& out) const {
    const XmlElement& element = elements_[index];
    if (element.firstChild != kNone || !element.ended) return;
    const size_t begin = element.start + element.startTagLength;
    size_t end = element.start + element.totalLength;
    // The end tag holds no "<" of its own, so the last one in the element starts it.
    while (end > begin && text_[end - 1] != u'<') --end;
    if (end == begin) return;
    const std::u16string_view content = std::u16string_view(text_).substr(begin, end - 1 - begin);
    const size_t firstLt = markup::Find(content, u'<', 0);
    if (firstLt == npos && markup::Find(content, u'&', 0) == npos) {
        AppendAsUtf8(content, out);
        return;
    }

    scratch_.clear();
    size_t pos = 0;
    for (size_t lt = firstLt; pos < content.size(); lt = markup::Find(content, u'<', pos)) {
        AppendDecodedText(content.substr(pos, lt == npos ? npos : lt - pos), scratch_);
        if (lt == npos) break;
        const Node node = markup::ScanNode(content, lt);
        if (node.kind == NodeKind::Text) {
            scratch_ += u'<';
        } else if (node.kind == NodeKind::CData) {
            const size_t from = lt + 9;
            const size_t to = node.terminated ? node.end - 3 : node.end;
            scratch_.append(content.substr(from, to - from));
        }
        // Comments, processing instructions, declarations and stray end tags add nothing.
        pos = node.end;
    }
    AppendAsUtf8(scratch_, out);
}

std::string CXmlReader::GetChildText() const {
    std::string text;
    if (child_ != kNone) AppendElementData(child_, text);
    return text;
}

std::string CXmlReader::ReadMarkupValue(std::string_view section, std::string_view key) {
    const SearchName sectionName(section);
    const SearchName keyName(key);
    Rewind();
    // Each round goes one level deeper, into the `section` just entered, so the loop
    // ends after at most as many rounds as the document is deep.
    while (FindChild(sectionName.view())) {
        EnterElement();
        if (FindChild(keyName.view())) return GetChildText();
    }
    return {};
}

std::string CXmlReader::TagName(uint32_t element) const {
    if (element >= elements_.size()) return {};
    std::string name;
    AppendAsUtf8(std::u16string_view(text_).substr(elements_[element].start + 1,
                                                   elements_[element].nameLength),
                 name);
    return name;
}

}  // namespace x5k

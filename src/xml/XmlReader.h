#pragma once
// A small, lenient, read-only XML reader for the language files and the firmware update
// description. It loads a whole document as UTF-16, indexes its elements, and answers
// "what is the text of element `key` inside element `section`". Malformed documents are
// read as far as the recovery rules allow; whatever cannot be found reads as empty text.
// An object is used by one thread at a time.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace x5k {

enum class [[nodiscard]] XmlStatus : uint8_t {
    Ok,          // loaded, and no recovery rule was needed
    Recovered,   // loaded; see `issue` and `offset` for the first problem met
    OpenFailed,  // the file could not be opened
    ReadFailed,  // the file could not be read to its end
    TooLarge,    // the document does not fit the index's 32-bit offsets
};

enum class XmlIssue : uint8_t {
    None,
    UnterminatedMarkup,  // a tag, comment, CDATA section or declaration ran to the end
    UnmatchedEndTag,     // an end tag that closes no open element was ignored
    UnclosedElement,     // an element's end tag was never found
};

// What a load did, in the manner of pugixml's xml_parse_result: true when the document
// was read (possibly with recoveries), plus how far the reader got without trouble.
struct [[nodiscard]] XmlParseResult {
    XmlStatus status = XmlStatus::Ok;
    XmlIssue issue = XmlIssue::None;
    size_t offset = 0;    // UTF-16 offset in the document of the first issue
    int codePage = 0;     // how the bytes were decoded; 0 for an empty or unread file
    size_t elements = 0;  // number of elements indexed

    explicit operator bool() const {
        return status == XmlStatus::Ok || status == XmlStatus::Recovered;
    }
    std::string_view description() const;
};

// One indexed element. Offsets and lengths count UTF-16 units of the document.
struct XmlElement {
    static constexpr uint32_t kNone = 0xFFFFFFFFu;

    uint32_t start = 0;  // the "<" of the start tag
    uint32_t startTagLength = 0;
    uint32_t totalLength = 0;  // up to and including the end tag
    uint32_t parent = kNone;
    uint32_t firstChild = kNone;
    uint32_t prevSibling = kNone;
    uint32_t nextSibling = kNone;
    uint32_t nameLength = 0;  // the tag name follows the "<"
    bool ended = false;       // false when the end tag was never found
};

namespace xml_detail {
// An element whose end tag has not been seen yet, while the index is built.
struct OpenElement {
    uint32_t element;
    uint32_t lastChild;
    uint32_t nameLength;
    uint32_t sameName;  // its stack of open depths per name, once names are indexed
};
}  // namespace xml_detail

class CXmlReader {
public:
    static constexpr uint32_t kNone = XmlElement::kNone;
    // The element index stores 32-bit offsets.
    static constexpr size_t kMaxDocumentUnits = 0xFFFFFFF0u;

    // Reads and decodes a file and rebuilds the element index. On failure the document
    // becomes empty, so every lookup yields empty text. The position is rewound.
    XmlParseResult LoadFile(const std::filesystem::path& path);
    // The same for bytes already in memory (a downloaded description, a test, a fuzzer).
    XmlParseResult LoadMemory(std::span<const uint8_t> bytes);
    XmlParseResult LoadBytes(std::string_view bytes);

    // Parent, current and current child become none.
    void Rewind();
    // Searches the siblings after the current element (or, when there is none, the
    // children of the parent; at the top level the root elements) for the first one named
    // `name` (empty for any); it becomes current and the current child becomes none.
    bool FindNextElement(std::string_view name = {});
    // Searches the children of the current element after the current child; the found
    // one becomes the current child. Without a current element the first root element
    // becomes current first.
    bool FindChildElement(std::string_view name = {});
    // The current element becomes the parent and the current child the current element.
    bool EnterElement();
    // The data of the current child: empty when it has child elements, otherwise its
    // text with entity references decoded and CDATA sections verbatim. UTF-8.
    std::string GetChildText() const;

    // The text of the first `key` child of the first `section` child of the first root
    // element. When that `section` has no `key` child, the search goes on in the first
    // `section` nested directly in it, and so on. Empty when nothing is found.
    std::string ReadMarkupValue(std::string_view section, std::string_view key);

    // The decoded document and its element index, in document order.
    std::u16string_view text() const { return text_; }
    const std::vector<XmlElement>& elements() const { return elements_; }
    // The tag name of an indexed element, as UTF-8.
    std::string TagName(uint32_t element) const;
    uint32_t parent() const { return parent_; }
    uint32_t current() const { return current_; }
    uint32_t child() const { return child_; }

private:
    void Clear();
    XmlParseResult Decode(std::span<const uint8_t> bytes);
    bool FindNext(std::u16string_view name);
    bool FindChild(std::u16string_view name);
    bool NameMatches(uint32_t element, std::u16string_view name) const;
    std::u16string_view NameOf(uint32_t element) const;
    void IndexChildNames(uint32_t parent);
    uint32_t IndexedChild(std::u16string_view name) const;
    bool FindIndexedChild(std::u16string_view name);

    // Searches from the first child that pass this many siblings index the children.
    static constexpr size_t kIndexChildrenAfter = 16;
    void AppendElementData(uint32_t element, std::string& out) const;

    std::u16string text_;
    std::vector<XmlElement> elements_;
    // The indexer's stack, kept between loads so its memory is reused.
    std::vector<xml_detail::OpenElement> open_;
    // The children of one element by tag name, the first of each name; see FindChild.
    struct ChildNames {
        uint32_t parent = kNone;
        std::vector<uint32_t> buckets;  // open addressing; kNone marks a free slot
    };
    ChildNames childNames_;
    // Working text of GetChildText, kept so a lookup allocates only its result.
    mutable std::u16string scratch_;
    uint32_t firstRoot_ = kNone;
    uint32_t parent_ = kNone;
    uint32_t current_ = kNone;
    uint32_t child_ = kNone;
};

}  // namespace x5k

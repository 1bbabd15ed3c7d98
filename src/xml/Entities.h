#pragma once
// Entity references in markup text: "&#65;", "&#x41;" and the named entities of XML and
// HTML 4 ("&amp;", "&nbsp;", "&eacute;", ...).

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace x5k {

struct NamedEntity {
    std::string_view name;
    char32_t codePoint;
};

// The five XML entities and the named character entities of HTML 4, 253 in all, sorted
// by name (byte order, so "Aacute" comes before "aacute").
std::span<const NamedEntity> NamedEntities();

// A reference is "&", at most 9 characters, and ";". Returns the code point and the
// number of units the reference takes (from "&" to ";" inclusive), or nothing when the
// "&" at text[amp] begins no reference and must be read as a plain character.
struct EntityReference {
    char32_t codePoint;
    size_t length;
};
std::optional<EntityReference> ParseEntityReference(std::u16string_view text, size_t amp);

// Appends `text` to `out` with every entity reference replaced by its character.
// Text is decoded once: "&amp;lt;" gives "&lt;".
void AppendDecodedText(std::u16string_view text, std::u16string& out);

}  // namespace x5k

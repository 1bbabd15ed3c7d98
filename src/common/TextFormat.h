#pragma once
// Message formatting that is safe for texts read from files: a language string
// such as "Failed to open %s" is never handed to printf.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace x5k {

using FormatArg = std::variant<std::string_view, int64_t>;

// Replaces each "%s" and "%d" with the next argument, in order (a number for "%s" is
// written in decimal, a text for "%d" as it stands). Every other "%" sequence, and a
// "%s" or "%d" beyond the last argument, is kept as text.
std::string FormatText(std::string_view pattern, std::initializer_list<FormatArg> args);

}  // namespace x5k

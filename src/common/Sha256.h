#pragma once
// SHA-256 of a byte string, for checking a downloaded firmware image against the digest
// its update description names.

#include <string>
#include <string_view>

namespace x5k {

// The digest as 64 lower-case hex digits.
std::string Sha256Hex(std::string_view bytes);

}  // namespace x5k

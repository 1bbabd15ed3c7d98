#pragma once
// A small reader for the program folder's INI files (the first-run language).

#include <string_view>

namespace x5k {

// The integer `key` of `[section]` in INI text. Section and key names compare without
// regard to ASCII case; white space around names and values is ignored, and lines
// starting with ';' or '#' are comments. A missing key gives `fallback`; a value that
// does not start with a number gives 0, and a negative value gives 0.
int ReadIniInt(std::string_view text, std::string_view section, std::string_view key, int fallback);

}  // namespace x5k

#pragma once
// Macro groups: game titles that file macros (the top byte of a macro ID). A group
// holds no settings of its own.

#include <string_view>

namespace x5k {

// The group's text in the macro page's group menu; empty outside 1..21. `chinese`
// picks the built-in language.
std::string_view MacroGroupMenuText(int group, bool chinese);

// The caption of the group button after a group is chosen. It matches the menu text
// except for a few blanks, and the English caption of "Customize" keeps its
// long-standing spelling "Customisze".
std::string_view MacroGroupButtonText(int group, bool chinese);

}  // namespace x5k

#pragma once
// The twelve interface languages and the hint numbers that pages post to the main
// window.

#include <array>
#include <optional>
#include <string_view>

namespace x5k {

inline constexpr int kLanguageCount = 12;
inline constexpr int kLanguageChinese = 1;
inline constexpr int kLanguageEnglish = 2;

struct LanguageRow {
    int index;                 // 1..12, as remembered in "Language.cfg"
    std::string_view label;    // menu entry
    std::string_view file;     // below the program folder
    int menuIcon;              // picture resource of the menu entry
    int indicatorBitmap;       // picture of the main window's language flag
    bool chineseBuiltInTexts;  // function names, game names and messages in Chinese
};

// The row of `index`; nothing outside 1..12.
const LanguageRow* FindLanguage(int index);
const std::array<LanguageRow, kLanguageCount>& Languages();

// What a hint number shows in the main window's hint line.
struct Hint {
    enum class Kind { Empty, String, ButtonName };
    Kind kind = Kind::Empty;
    std::string_view key;  // Kind::String: the interface string
    int button = -1;       // Kind::ButtonName: the display name of button 0..6
};

Hint HintOf(int number);

// The title a page draws over a section, taken from the section's hint: the words before
// the first colon (":" or the full-width "："), or the whole hint when it has none.
std::string_view SectionTitle(std::string_view hint);

}  // namespace x5k

#include "localisation/Languages.h"

#include <algorithm>

#include "localisation/InterfaceStrings.h"

namespace x5k {
namespace {

constexpr std::array<LanguageRow, kLanguageCount> kLanguages = {{
    {1, "Chinese", "Language/sc.xml", 130, 142, true},
    {2, "English", "Language/en.xml", 131, 143, false},
    {3, "French", "Language/fre.xml", 132, 144, false},
    {4, "Korean", "Language/kor.xml", 133, 145, false},
    {5, "German", "Language/ger.xml", 134, 146, false},
    {6, "Italian", "Language/ita.xml", 135, 147, false},
    {7, "Spanish", "Language/span.xml", 136, 148, false},
    {8, "Dutch", "Language/dutch.xml", 137, 149, false},
    {9, "Portuguese", "Language/pt.xml", 138, 150, false},
    {10, "Russian", "Language/rus.xml", 139, 151, false},
    {11, "Ukrainian", "Language/ukr.xml", 140, 152, false},
    // Traditional Chinese has its own file but the English built-in texts.
    {12, "Trad.Chinese", "Language/tw.xml", 141, 153, false},
}};

// Hint numbers show interface strings in runs that follow the loader's key order: a run
// starts at a hint number and a key and takes that many keys from there. Numbers 19..25
// name the seven buttons; every number outside these runs clears the hint.
struct HintRun {
    int first;
    std::string_view firstKey;
    int count;
};

constexpr HintRun kHintRuns[] = {
    {1, "str_main", 11},         {12, "str_dpiwant", 7},
    {26, "str_ledspe", 7},       {37, "str_led_body_on", 12},
    {49, "str_click", 8},        {57, "str_zintuWeb", 1},
    {58, "str_importFile", 2},   {60, "str_defaultname", 1},
    {61, "str_dpi_setting", 16}, {80, "str_proximity_sensing", 11},
};

constexpr int kFirstButtonHint = 19;
constexpr int kButtonHints = 7;

}  // namespace

const std::array<LanguageRow, kLanguageCount>& Languages() {
    return kLanguages;
}

const LanguageRow* FindLanguage(int index) {
    if (index < 1 || index > kLanguageCount) return nullptr;
    return &kLanguages[static_cast<size_t>(index - 1)];
}

Hint HintOf(int number) {
    if (number >= kFirstButtonHint && number < kFirstButtonHint + kButtonHints) {
        return {Hint::Kind::ButtonName, {}, number - kFirstButtonHint};
    }
    for (const HintRun& run : kHintRuns) {
        const int offset = number - run.first;
        if (offset >= 0 && offset < run.count) {
            const auto firstKey = InterfaceStrings::indexOf(run.firstKey);
            return {Hint::Kind::String,
                    InterfaceStrings::kKeys[*firstKey + static_cast<size_t>(offset)], -1};
        }
    }
    return {};
}

std::string_view SectionTitle(std::string_view hint) {
    const size_t colon = std::min(hint.find(':'), hint.find("\xEF\xBC\x9A"));
    if (colon == 0 || colon == std::string_view::npos) return hint;
    std::string_view title = hint.substr(0, colon);
    while (!title.empty() && title.back() == ' ') title.remove_suffix(1);
    return title;
}

}  // namespace x5k

#include "localisation/Languages.h"

#include <iterator>

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

// The strings of the hint numbers, run after run; kHintRuns says where each run starts
// and how long it is. Numbers 19..25 name the seven buttons; every number outside
// these runs clears the hint.
constexpr std::string_view kHintKeys[] = {
    // 1..11
    "str_main",
    "str_led_title",
    "str_macro_manager",
    "str_sts",
    "str_about",
    "str_profile1",
    "str_profile2",
    "str_profile3",
    "str_profile4",
    "str_profile5",
    "str_ok",
    // 12..18
    "str_dpiwant",
    "str_mouseSpeed",
    "str_improveAccuracy",
    "str_sheight",
    "str_rollingrate",
    "str_rollerColumn",
    "str_rollerScreen",
    // 26..32
    "str_ledspe",
    "str_led_apmbre",
    "str_led_off",
    "str_led_norbre",
    "str_led_frequency",
    "str_led_brealways",
    "str_led_brightness",
    // 37..48
    "str_led_body_on",
    "str_led_body_off",
    "str_led_custom",
    "str_new_macro",
    "str_del_macro",
    "str_macro_new",
    "str_macro_del",
    "str_macro_modify",
    "str_macro_start",
    "str_macro_end",
    "str_macro_delay",
    "str_macro_loop",
    // 49..60
    "str_click",
    "str_middle",
    "str_menu",
    "str_macro_msg6",
    "str_macro_msg7",
    "str_cups",
    "str_resetSts",
    "str_update",
    "str_zintuWeb",
    "str_importFile",
    "str_exportFile",
    "str_defaultname",
    // 61..76
    "str_dpi_setting",
    "str_sensor",
    "str_usbrate",
    "str_windows_scroll",
    "str_mouse_key",
    "str_panel",
    "str_cur_function",
    "str_key_com",
    "str_macro_set",
    "str_basic",
    "str_advance",
    "str_disable",
    "str_default_setting",
    "str_browse",
    "str_backlight",
    "str_breath_speed",
    // 80..90
    "str_proximity_sensing",
    "str_color_setting",
    "str_cur_color",
    "str_choose_color",
    "str_preset_color",
    "str_custom_color",
    "str_macro_choose",
    "str_marco_list",
    "str_key_list",
    "str_driver_version",
    "str_firmware_version",
};

struct HintRun {
    int first;
    int count;
};

constexpr HintRun kHintRuns[] = {{1, 11}, {12, 7}, {26, 7}, {37, 12}, {49, 12}, {61, 16}, {80, 11}};

static_assert([] {
    size_t total = 0;
    for (const HintRun& run : kHintRuns) total += static_cast<size_t>(run.count);
    return total == std::size(kHintKeys);
}());

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
    size_t base = 0;
    for (const HintRun& run : kHintRuns) {
        const int offset = number - run.first;
        if (offset >= 0 && offset < run.count) {
            return {Hint::Kind::String, kHintKeys[base + static_cast<size_t>(offset)], -1};
        }
        base += static_cast<size_t>(run.count);
    }
    return {};
}

}  // namespace x5k

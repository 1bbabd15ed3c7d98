#pragma once
// The snapshot tool's demos: each builds one window in a chosen state, which the tool
// renders offscreen to a PNG. A demo file registers its demos with X5K_SNAPSHOT_DEMO.

#include <QImage>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace x5k::snapshots {

enum class Language { English, Chinese, German, Russian, Ukrainian };

// The languages most demos are rendered in, and all the tool knows: the languages whose
// words run longest (German, Russian, Ukrainian) show where a text does not fit.
inline const std::vector<Language> kEnglishAndChinese = {Language::English, Language::Chinese};
inline const std::vector<Language> kAllLanguages = {
    Language::English, Language::Chinese, Language::German, Language::Russian, Language::Ukrainian};

// The picture's file-name suffix: _en, _cn, _de, _ru, _uk.
inline const char* LanguageSuffix(Language language) {
    switch (language) {
        case Language::Chinese:
            return "_cn";
        case Language::German:
            return "_de";
        case Language::Russian:
            return "_ru";
        case Language::Ukrainian:
            return "_uk";
        case Language::English:
            break;
    }
    return "_en";
}

// The language's index, as "Language.cfg" remembers it.
// The system's temporary folder, or /tmp when it names none that exists.
inline std::filesystem::path TemporaryFolder() {
    std::error_code error;
    std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    return error ? std::filesystem::path("/tmp") : folder;
}

inline int LanguageIndex(Language language) {
    switch (language) {
        case Language::Chinese:
            return 1;
        case Language::German:
            return 5;
        case Language::Russian:
            return 10;
        case Language::Ukrainian:
            return 11;
        case Language::English:
            break;
    }
    return 2;
}

struct Demo {
    std::string name;  // the file name without language and extension
    std::function<std::unique_ptr<QWidget>(Language)> make;
    std::vector<Language> languages = kEnglishAndChinese;  // the pictures it is rendered in
};

inline std::vector<Demo>& demos() {
    static std::vector<Demo> all;
    return all;
}

// The notification icon's menu, "Config" and "Exit", with entry `selected` (0 or 1)
// selected.
QImage TrayMenuPicture(int selected);

struct DemoRegistration {
    DemoRegistration(std::string name, std::function<std::unique_ptr<QWidget>(Language)> make,
                     std::vector<Language> languages = kEnglishAndChinese) {
        demos().push_back({std::move(name), std::move(make), std::move(languages)});
    }
};

#define X5K_SNAPSHOT_DEMO_CAT2(a, b) a##b
#define X5K_SNAPSHOT_DEMO_CAT(a, b) X5K_SNAPSHOT_DEMO_CAT2(a, b)
// Registers a demo: X5K_SNAPSHOT_DEMO("buttons", [](Language l) { ... return widget; });
#define X5K_SNAPSHOT_DEMO(name, ...)                                       \
    static const ::x5k::snapshots::DemoRegistration X5K_SNAPSHOT_DEMO_CAT( \
        x5kSnapshotDemo, __LINE__)(name, __VA_ARGS__)
// Registers a demo rendered in the given languages:
// X5K_SNAPSHOT_DEMO_IN("main_page1", kAllLanguages, [](Language l) { ... });
#define X5K_SNAPSHOT_DEMO_IN(name, languages, make)                        \
    static const ::x5k::snapshots::DemoRegistration X5K_SNAPSHOT_DEMO_CAT( \
        x5kSnapshotDemo, __LINE__)(name, make, languages)

}  // namespace x5k::snapshots

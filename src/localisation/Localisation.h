#pragma once
// The interface language: the 109 interface strings loaded from a language file, the
// Chinese-interface flag that picks the built-in texts, the first-run language and the
// remembered choice in "Language.cfg".

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string_view>

#include "localisation/InterfaceStrings.h"
#include "platform/FileSystem.h"
#include "platform/UserMessages.h"
#include "xml/XmlReader.h"

namespace x5k {

class Localisation {
public:
    // wParam of the switch-language message when it comes from start-up; the language
    // menu sends 0.
    static constexpr uint32_t kFromStartUp = 272;
    static constexpr int kIndicatorChinese = 142;
    static constexpr int kIndicatorEnglish = 143;

    Localisation(FileSystem& files, UserMessages& messages, std::filesystem::path programFolder,
                 std::filesystem::path dataFolder);

    const InterfaceStrings& strings() const { return strings_; }
    const std::atomic<bool>& chineseInterface() const { return chinese_; }
    bool chinese() const { return chinese_.load(); }
    bool startedInChinese() const { return startedInChinese_; }

    // Replaces all 109 strings from a language file. The load goes on whatever the file
    // holds: a missing or unreadable file leaves every string empty, a missing key
    // leaves that string empty (there is no fall-back to another language).
    void loadLanguage(const std::filesystem::path& file);

    // The language the program starts with: "Language/sc.xml" of the program folder.
    void loadDefaultLanguage();

    // The main window's first language, from "skins/languagetype.ini" (section
    // "languagetype", integer "value", 0 when absent): 1 means Simplified Chinese, any
    // other value English. Returns the indicator picture to show.
    int applyFirstRunLanguage();

    // The remembered language index; 1 when "Language.cfg" cannot be read (a missing
    // file or folder is reported).
    int readLanguageChoice();
    // Writes the 4-byte index to "Language.cfg"; failures are reported by cause.
    void saveLanguageChoice(int index);

    struct Switch {
        bool handled = false;     // false: the message was ignored
        int indicatorBitmap = 0;  // the flag picture to show; 0 leaves it as it is
        bool closeMenu = false;   // the language menu is to be closed and forgotten
    };
    // The switch-language message: wParam kFromStartUp or 0 (menu), lParam the index
    // 1..12. Ignored for index 0, and for a menu message while no menu is open. Any
    // other index is remembered as it is, but loads no file. The caller re-applies the
    // tooltips of every page when the switch was handled.
    Switch selectLanguage(uint32_t wParam, int32_t index, bool menuOpen);

    std::filesystem::path languageChoicePath() const { return dataFolder_ / "Language.cfg"; }

private:
    FileSystem& files_;
    UserMessages& messages_;
    std::filesystem::path programFolder_;
    std::filesystem::path dataFolder_;
    InterfaceStrings strings_;
    CXmlReader reader_;
    std::atomic<bool> chinese_{false};
    bool startedInChinese_ = false;
};

}  // namespace x5k

// The assignment pop-up on each of its pages in a typical state: the key page with Ctrl
// and Shift on and a key captured, the macro page with a game chosen and its macros
// listed, the basic page with a row chosen, the advanced page with a program path, and
// the pop-up with the button disabled. The texts are the program's own language files;
// the user's clicks and keys go through the windows as they would.

#include <QApplication>
#include <QKeyEvent>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "Demos.h"
#include "localisation/Localisation.h"
#include "macros/MacroRecord.h"
#include "macros/MacroTable.h"
#include "pages/assign/CSettingDlg.h"
#include "pages/assign/CSetting_AdvanceDlg.h"
#include "pages/assign/CSetting_BaseDlg.h"
#include "pages/assign/CSetting_MacroDlg.h"
#include "pages/assign/CSetting_SingleComboDlg.h"
#include "platform/WindowMessages.h"
#include "platform/linux/EvdevTranslation.h"
#include "platform/linux/PosixFileSystem.h"
#include "support/SampleMacro.h"
#include "ui/CGDIBitmapBtn.h"
#include "ui/CListBoxEx.h"
#include "ui/Skin.h"

namespace {

using x5k::snapshots::Language;
namespace fs = std::filesystem;

class QuietMessages final : public x5k::UserMessages {
public:
    int showInfoDialog(std::string_view, x5k::BoxButtons) override { return kOk; }
    int showCountdownNotice(std::string_view) override { return kOk; }
    void showInfoBox(std::string_view) override {}
};

// Letters and digits type themselves, as on a US keyboard.
class LetterLayout final : public x5k::KeyboardLayout {
public:
    std::optional<char32_t> characterOf(uint32_t virtualKey) const override {
        if (virtualKey >= 0x30 && virtualKey <= 0x39) return char32_t(virtualKey);
        if (virtualKey >= 0x41 && virtualKey <= 0x5A) return char32_t(virtualKey - 0x41 + U'a');
        return std::nullopt;
    }
};

// What the pop-up works with, kept for the whole run of the tool: the windows hold it
// by reference.
struct World {
    explicit World(Language language) : chinese(language == Language::Chinese) {
        const fs::path program = x5k::ui::programFolder().toStdString();
        x5k::Localisation localisation(files, messages, program, x5k::snapshots::TemporaryFolder());
        localisation.loadLanguage(program / "Language" / (chinese ? "sc.xml" : "en.xml"));
        strings = localisation.strings();
        // Three macros of the second game and one of the last.
        (void)macros.put(x5k::test::SampleMacro(0x0200'0011, chinese ? "跳跃射击" : "Jump shot"));
        (void)macros.put(
            x5k::test::SampleMacro(0x0200'0012, chinese ? "快速换弹" : "Quick reload"));
        (void)macros.put(x5k::test::SampleMacro(0x0200'0013, chinese ? "蹲下" : "Crouch"));
        (void)macros.put(x5k::test::SampleMacro(0x1500'0014, "Build"));
    }

    x5k::pages::AssignmentServices services() {
        return {.strings = strings,
                .chinese = chinese,
                .keyboard = keyboard,
                .keyEvents = &translator,
                .hooksReadKeyboard = false,
                .hooks = nullptr,
                .poster = nullptr,
                .macros = macros,
                .folders = {"/home/user", [](const fs::path&) { return true; }}};
    }

    bool chinese;
    x5k::PosixFileSystem files;
    QuietMessages messages;
    x5k::InterfaceStrings strings;
    LetterLayout keyboard;
    x5k::EvdevKeyEventTranslator translator;
    x5k::MacroTable macros;
};

World& WorldOf(Language language) {
    static World english(Language::English);
    static World chinese(Language::Chinese);
    return language == Language::Chinese ? chinese : english;
}

std::unique_ptr<x5k::pages::CSettingDlg> Popup(Language language) {
    World& world = WorldOf(language);
    return std::make_unique<x5k::pages::CSettingDlg>(
        nullptr, 0, world.chinese ? "左键" : "Left click", world.services());
}

// A choice of a list row as the user's click reports it.
void ChooseRow(x5k::pages::CSubPage* page, x5k::ui::CListBoxEx* list, int row) {
    list->SetCurSel(row);
    list->scrollToItem(list->item(row));
    page->dispatch(x5k::msg::kListSelectionChanged, static_cast<uintptr_t>(list->controlId()), row);
}

X5K_SNAPSHOT_DEMO("popup_keys", [](Language language) -> std::unique_ptr<QWidget> {
    auto popup = Popup(language);
    popup->keyPage()->toggle(x5k::assign::Modifier::Ctrl)->click();
    popup->keyPage()->toggle(x5k::assign::Modifier::Shift)->click();
    // The F key (evdev 33) pressed and released in the pop-up.
    for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent key(type, Qt::Key_F, Qt::NoModifier, 33 + 8, 0, 0);
        QApplication::sendEvent(popup.get(), &key);
    }
    return popup;
});

X5K_SNAPSHOT_DEMO("popup_macro", [](Language language) -> std::unique_ptr<QWidget> {
    auto popup = Popup(language);
    popup->tab(2)->click();
    x5k::pages::CSetting_MacroDlg* page = popup->macroPage();
    ChooseRow(page, page->gameList(), 1);
    ChooseRow(page, page->macroList(), 1);
    return popup;
});

X5K_SNAPSHOT_DEMO("popup_basic", [](Language language) -> std::unique_ptr<QWidget> {
    auto popup = Popup(language);
    popup->tab(3)->click();
    x5k::pages::CSetting_BaseDlg* page = popup->basicPage();
    ChooseRow(page, page->list(), 4);
    return popup;
});

X5K_SNAPSHOT_DEMO("popup_advanced", [](Language language) -> std::unique_ptr<QWidget> {
    auto popup = Popup(language);
    popup->tab(4)->click();
    x5k::pages::CSetting_AdvanceDlg* page = popup->advancedPage();
    page->setPathDialog([](QWidget*, const x5k::assign::PathRequest&) {
        return std::optional<std::string>("/usr/bin/gimp");
    });
    page->browse(1);
    return popup;
});

X5K_SNAPSHOT_DEMO("popup_disabled", [](Language language) -> std::unique_ptr<QWidget> {
    auto popup = Popup(language);
    popup->disableBox()->click();
    return popup;
});

}  // namespace

// The main window as the user sees it after start-up: on each of its five pages, with a
// hint in the hint line, with the language menu open, and with the notification icon's
// menu. The window runs with the emulated mouse, a clock that never waits and quiet
// stand-ins for the desktop, on a fresh data folder. The Chinese pictures start the
// program as a Chinese installation does, so the window takes its Chinese layout; the
// others start as an English installation whose remembered language is the picture's.

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>

#include "Demos.h"
#include "device/emulator/EmulatedMouse.h"
#include "gui/CT7QDriverDlg.h"
#include "pages/lighting/CDlgLEDSet.h"
#include "pages/macros/CDlgMacro.h"
#include "pages/mainset/CDlgMainSet.h"
#include "pages/statistics/CDlgSts.h"
#include "pages/support/CDlgSupport.h"
#include "platform/linux/PosixFileSystem.h"
#include "profiles/Folders.h"
#include "ui/CColorBtn.h"
#include "ui/CGDIBitmapBtn.h"
#include "ui/CIrrButton.h"
#include "ui/CListBoxEx.h"
#include "ui/CMenuEx.h"
#include "ui/CPngHSliderBar.h"
#include "ui/MenuExComponent.h"
#include "ui/QtMessagePoster.h"
#include "ui/Skin.h"

namespace {

using x5k::snapshots::Language;
namespace fs = std::filesystem;

class InstantClock final : public x5k::Clock {
public:
    void sleepFor(std::chrono::milliseconds duration) override { now_ += duration; }
    uint32_t tickMs() override { return static_cast<uint32_t>(now_.count()); }

private:
    std::chrono::milliseconds now_{0};
};

class QuietDesktop final : public x5k::UserMessages,
                           public x5k::Shell,
                           public x5k::Sound,
                           public x5k::PointerSettings,
                           public x5k::HookBackend {
public:
    int showInfoDialog(std::string_view, x5k::BoxButtons) override { return kOk; }
    int showCountdownNotice(std::string_view) override { return kOk; }
    void showInfoBox(std::string_view) override {}
    void open(std::string_view) override {}
    bool start(const std::string&, const std::vector<std::string>&) override { return true; }
    void playFileAsync(std::string_view) override {}
    bool setAcceleration(bool) override { return true; }
    bool setSpeed(int) override { return true; }
    bool setWheelScrollLines(int) override { return true; }
    bool installKeyboardHook() override { return true; }
    bool installMouseHook() override { return true; }
    void removeKeyboardHook() override {}
    void removeMouseHook() override {}
};

// Links every entry of `from` but `except` into `to`. A link that cannot be made leaves
// that file out, which the picture then shows.
void LinkEntries(const fs::path& from, const fs::path& to, const fs::path& except) {
    std::error_code error;
    fs::create_directories(to, error);
    for (fs::directory_iterator it(from, error), end; !error && it != end; it.increment(error)) {
        if (it->path().filename() != except) {
            std::error_code ignored;
            fs::create_symlink(it->path(), to / it->path().filename(), ignored);
        }
    }
}

// A program folder that is the real one but for the first-run language: every entry is a
// link to the real folder's, and skins/languagetype.ini names Chinese.
fs::path ChineseProgramFolder(const fs::path& real, const fs::path& at) {
    LinkEntries(real, at, "skins");
    LinkEntries(real / "skins", at / "skins", "languagetype.ini");
    std::ofstream(at / "skins" / "languagetype.ini") << "[languagetype]\nvalue=1\n";
    return at;
}

enum class Extra {
    None,
    Hint,
    LanguageMenu,
    TrayMenu,
    SettingsEdited,
    MacroRecorded,
    MacroEditing,
    GroupMenu,
    // The statistics page with the counters of level 0, 5 and 12.
    StatsLevel0,
    StatsLevel5,
    StatsLevel12,
    // The lighting page in mode 1, 3 or off, with swatch 4 or a custom colour.
    LightingMode1Swatch,
    LightingMode1Custom,
    LightingMode3Swatch,
    LightingMode3Custom,
    LightingOffSwatch,
    // The support page before the mouse told its firmware version, and after.
    SupportUnknown,
    SupportVersion,
};

// The counters the statistics demos start with: left, middle, right, wheel forward and
// backward, distance. Level 12 carries the widest figures the page can show.
std::optional<std::array<uint32_t, 6>> StatsDemoCounters(Extra extra) {
    switch (extra) {
        case Extra::StatsLevel0:
            return std::array<uint32_t, 6>{812, 95, 140, 2'310, 1'984, 123'456};
        case Extra::StatsLevel5:
            return std::array<uint32_t, 6>{1'234'567, 98'765,  345'678,
                                           1'500'000, 765'432, 98'765'432};
        case Extra::StatsLevel12:
            return std::array<uint32_t, 6>{4'000'000'000u, 123'456'789,   98'765'432,
                                           1'999'999'999,  2'000'000'000, 4'294'967'295u};
        default:
            return std::nullopt;
    }
}

// The lighting page after the user chose a colour in mode 1, then the mode.
void EditLighting(x5k::pages::CDlgLEDSet& page, Extra extra) {
    page.modeButton(1)->click();
    const bool swatch = extra == Extra::LightingMode1Swatch ||
                        extra == Extra::LightingMode3Swatch || extra == Extra::LightingOffSwatch;
    if (swatch) {
        page.swatch(3)->click();
    } else {
        page.componentSlider(0)->setPosFromUser(40);
        page.componentSlider(1)->setPosFromUser(120);
        page.componentSlider(2)->setPosFromUser(230);
    }
    if (extra == Extra::LightingMode3Swatch || extra == Extra::LightingMode3Custom) {
        page.modeButton(3)->click();
    }
    if (extra == Extra::LightingOffSwatch) page.modeButton(5)->click();
}

// The macro page after a user made the macro "Test" and recorded A with a pause, and a
// left click on the pad; with MacroEditing the second row is chosen for an insertion and
// the key B captured for it.
void EditMacros(x5k::pages::CDlgMacro& page, x5k::Clock& clock, Extra extra) {
    using Button = x5k::pages::CDlgMacro::Button;
    const auto settle = [] {
        QApplication::sendPostedEvents();
        QApplication::processEvents();
    };
    page.button(Button::NewMacro)->click();
    settle();
    if (QLineEdit* editor = page.macroList()->editor()) {
        editor->setText(QStringLiteral("Test"));
        QKeyEvent enter(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(editor, &enter);
    }
    settle();
    page.button(Button::Record)->click();
    const auto key = [&](uint32_t code, bool released) {
        page.post(x5k::msg::kHookInput, code, released ? x5k::kKeyReleasedFlag : 0);
        settle();
    };
    key(0x41, false);
    clock.sleepFor(std::chrono::milliseconds(120));
    key(0x41, true);
    clock.sleepFor(std::chrono::milliseconds(300));
    key(0x01, false);
    clock.sleepFor(std::chrono::milliseconds(80));
    key(0x01, true);
    page.button(Button::Record)->click();
    settle();
    if (extra != Extra::MacroEditing) return;
    page.eventList()->SetCurSel(1);
    page.post(x5k::msg::kListSelectionChanged, x5k::macropage::kEventListId, 1);
    settle();
    page.button(Button::Insert)->click();
    page.button(Button::KeySelector)->click();
    key(0x42, false);
}

// The settings page after a user's edits: 3000 DPI off, 500 reports per second, one
// screen per wheel notch, "Volume up" on the forward button (its tab in the modified
// look), and the pointer over the middle button's tab, whose lamp is lit.
void EditSettings(x5k::pages::CDlgMainSet& page) {
    page.resolutionBox(7)->click();
    page.rateRadio(1)->click();
    page.screenRadio()->click();
    page.setPopupRunner([](QWidget*, int button, const std::string&) {
        return x5k::assign::DialogOutcome(x5k::AssignmentResult{button, 37, 0, 0, {}});
    });
    page.openTab(3);
    x5k::ui::CIrrButton* tab = page.buttonTab(1);
    const QPoint middle = tab->rect().center();
    QMouseEvent move(QEvent::MouseMove, QPointF(middle), QPointF(tab->mapToGlobal(middle)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(tab, &move);
}

std::unique_ptr<QWidget> MainWindowPicture(Language language, int page, Extra extra) {
    const bool chinese = language == Language::Chinese;
    QTemporaryDir scratch;
    const fs::path real = x5k::ui::programFolder().toStdString();
    const fs::path program =
        chinese ? ChineseProgramFolder(real, fs::path(scratch.path().toStdString()) / "program")
                : real;
    const fs::path data = fs::path(scratch.path().toStdString()) / "data";
    x5k::PosixFileSystem files;
    x5k::SeedDataFolder(files, program, data);
    // The remembered language: the installation's, or the one the picture shows.
    const char index = static_cast<char>(x5k::snapshots::LanguageIndex(language));
    std::ofstream(data / "Language.cfg", std::ios::binary).write(&index, 1).write("\0\0\0", 3);

    InstantClock clock;
    QuietDesktop desktop;
    x5k::EmulatedMouse mouse;
    x5k::ui::QtMessagePoster poster;
    x5k::InputHooks hooks(desktop, poster);
    x5k::gui::DriverServices services{files,
                                      clock,
                                      desktop,
                                      desktop,
                                      desktop,
                                      mouse,
                                      desktop,
                                      program,
                                      data,
                                      {},
                                      [] { return false; }};
    x5k::Localisation localisation(files, desktop, program, data);
    localisation.loadDefaultLanguage();

    QImage picture;
    {
        x5k::gui::CT7QDriverDlg window(services, localisation, hooks, poster);
        window.onInitDialog();
        // The remembered language, the first paint and the pictures read after it.
        for (int turn = 0; turn < 3; ++turn) {
            QApplication::sendPostedEvents();
            QApplication::processEvents();
        }
        if (const auto counters = StatsDemoCounters(extra)) {
            x5k::statistics::StatsRecord record;
            for (size_t i = 0; i < counters->size(); ++i) {
                record.setCounter(static_cast<x5k::statistics::Counter>(i), (*counters)[i]);
            }
            window.statisticsPage()->setCounters(record);
        }
        window.selectPage(page);
        if (extra == Extra::Hint) window.post(x5k::msg::kPageHover, 0, 8);
        if (extra == Extra::SettingsEdited) {
            window.activateWindow();
            QApplication::processEvents();
            EditSettings(*window.settingsPage());
        }
        if (extra == Extra::MacroRecorded || extra == Extra::MacroEditing) {
            window.activateWindow();
            EditMacros(*window.macroPage(), clock, extra);
        }
        if (extra == Extra::SupportUnknown || extra == Extra::SupportVersion) {
            window.supportPage()->m_strFirmwareVersion =
                extra == Extra::SupportVersion ? QStringLiteral("123") : QString();
            window.supportPage()->update();
        }
        if (extra >= Extra::LightingMode1Swatch && extra <= Extra::LightingOffSwatch) {
            EditLighting(*window.lightingPage(), extra);
        }
        if (extra == Extra::GroupMenu) {
            window.macroPage()->button(x5k::pages::CDlgMacro::Button::Group)->click();
        }
        if (extra == Extra::LanguageMenu) window.onLanguageButton();
        QApplication::sendPostedEvents();
        QApplication::processEvents();
        picture = window.grab().toImage();
        QPainter painter(&picture);
        if (extra == Extra::LanguageMenu && window.languageMenu()) {
            const QPoint at = window.mapFromGlobal(window.languageMenu()->pos());
            window.languageMenu()->setHighlighted(chinese ? 0 : 1);
            painter.drawImage(at, window.languageMenu()->renderImage());
            window.languageMenu()->close();
        }
        if (x5k::ui::MenuExWindow* menu = x5k::ui::OpenMenuEx();
            extra == Extra::GroupMenu && menu) {
            menu->setHighlighted(3);
            painter.drawImage(window.mapFromGlobal(menu->pos()), menu->grab().toImage());
            x5k::ui::DestroyMenuEx();
        }
        if (extra == Extra::TrayMenu) {
            const QImage tray = x5k::snapshots::TrayMenuPicture(0);
            // Where a notification area at the bottom right of the screen would open it.
            painter.drawImage(
                QPoint(picture.width() - tray.width() - 24, picture.height() - tray.height() - 8),
                tray);
        }
        window.post(x5k::msg::kClose, 0, 0);
        QApplication::sendPostedEvents();
    }
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    auto label = std::make_unique<QLabel>();
    label->setPixmap(QPixmap::fromImage(picture));
    label->setFixedSize(picture.size());
    return label;
}

// The pages in every language the tool knows, where long words show.
using x5k::snapshots::kAllLanguages;
X5K_SNAPSHOT_DEMO_IN("main_page1", kAllLanguages,
                     [](Language l) { return MainWindowPicture(l, 1, Extra::None); });
X5K_SNAPSHOT_DEMO_IN("main_page2", kAllLanguages,
                     [](Language l) { return MainWindowPicture(l, 2, Extra::None); });
X5K_SNAPSHOT_DEMO_IN("main_page3", kAllLanguages,
                     [](Language l) { return MainWindowPicture(l, 3, Extra::None); });
X5K_SNAPSHOT_DEMO_IN("main_page4", kAllLanguages,
                     [](Language l) { return MainWindowPicture(l, 4, Extra::None); });
X5K_SNAPSHOT_DEMO_IN("main_page5", kAllLanguages,
                     [](Language l) { return MainWindowPicture(l, 5, Extra::None); });
X5K_SNAPSHOT_DEMO_IN("main_hint", kAllLanguages,
                     [](Language l) { return MainWindowPicture(l, 1, Extra::Hint); });
X5K_SNAPSHOT_DEMO_IN("main_settings_edited", kAllLanguages,
                     [](Language l) { return MainWindowPicture(l, 1, Extra::SettingsEdited); });
X5K_SNAPSHOT_DEMO_IN("lighting_mode1_swatch", kAllLanguages, [](Language l) {
    return MainWindowPicture(l, 2, Extra::LightingMode1Swatch);
});
X5K_SNAPSHOT_DEMO_IN("lighting_mode1_custom", kAllLanguages, [](Language l) {
    return MainWindowPicture(l, 2, Extra::LightingMode1Custom);
});
X5K_SNAPSHOT_DEMO_IN("lighting_mode3_swatch", kAllLanguages, [](Language l) {
    return MainWindowPicture(l, 2, Extra::LightingMode3Swatch);
});
X5K_SNAPSHOT_DEMO_IN("lighting_mode3_custom", kAllLanguages, [](Language l) {
    return MainWindowPicture(l, 2, Extra::LightingMode3Custom);
});
X5K_SNAPSHOT_DEMO_IN("lighting_off_swatch", kAllLanguages,
                     [](Language l) { return MainWindowPicture(l, 2, Extra::LightingOffSwatch); });
X5K_SNAPSHOT_DEMO_IN("macros_recorded", kAllLanguages,
                     [](Language l) { return MainWindowPicture(l, 3, Extra::MacroRecorded); });
X5K_SNAPSHOT_DEMO_IN("macros_editing", kAllLanguages,
                     [](Language l) { return MainWindowPicture(l, 3, Extra::MacroEditing); });
X5K_SNAPSHOT_DEMO("macros_group_menu",
                  [](Language l) { return MainWindowPicture(l, 3, Extra::GroupMenu); });
X5K_SNAPSHOT_DEMO("main_language",
                  [](Language l) { return MainWindowPicture(l, 1, Extra::LanguageMenu); });
X5K_SNAPSHOT_DEMO("main_tray", [](Language l) { return MainWindowPicture(l, 2, Extra::TrayMenu); });

}  // namespace

// The statistics page at levels 0, 5 and 12, its figures in their cells.
X5K_SNAPSHOT_DEMO_IN("main_stats_level0", kAllLanguages,
                     [](Language l) { return MainWindowPicture(l, 4, Extra::StatsLevel0); });
X5K_SNAPSHOT_DEMO_IN("main_stats_level5", kAllLanguages,
                     [](Language l) { return MainWindowPicture(l, 4, Extra::StatsLevel5); });
X5K_SNAPSHOT_DEMO_IN("main_stats_level12", kAllLanguages,
                     [](Language l) { return MainWindowPicture(l, 4, Extra::StatsLevel12); });

// The support page with the firmware version unknown and told.
X5K_SNAPSHOT_DEMO_IN("support_unknown", kAllLanguages,
                     [](Language l) { return MainWindowPicture(l, 5, Extra::SupportUnknown); });
X5K_SNAPSHOT_DEMO_IN("support_version", kAllLanguages,
                     [](Language l) { return MainWindowPicture(l, 5, Extra::SupportVersion); });

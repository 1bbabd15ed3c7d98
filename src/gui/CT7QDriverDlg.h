#pragma once
// The main window: the one frameless, skinned window of the program. It hosts the five
// pages, the five profile buttons, Apply and the hint line, owns the connection to the
// mouse and the notification icon, and is where the pages, the input hooks and the
// apply worker meet through numbered messages. Its close button and Alt+F4 only hide it;
// the program ends through the icon's "Exit", a removal of the mouse or a failed start.

#include <QPointer>
#include <QString>
#include <QTimer>

#include <array>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/ApplyWorker.h"
#include "device/DeviceLink.h"
#include "device/UsbDriver.h"
#include "gui/MainWindowRules.h"
#include "gui/StatsSources.h"
#include "localisation/Localisation.h"
#include "macros/InputHooks.h"
#include "macros/MacroTable.h"
#include "pages/support/UpdateCheck.h"
#include "platform/Clock.h"
#include "platform/Downloader.h"
#include "platform/FileSystem.h"
#include "platform/HidBackend.h"
#include "platform/PointerSettings.h"
#include "platform/ProgramInstance.h"
#include "platform/Shell.h"
#include "platform/StatsInput.h"
#include "platform/UserMessages.h"
#include "profiles/ConfigStore.h"
#include "ui/CMenuEx.h"
#include "ui/MessageWindow.h"

class QLabel;
class QSocketNotifier;
class QSystemTrayIcon;

namespace x5k::ui {
class CDlgProgress;
class CGDIBitmapBtn;
class CIrrButton;
class DownloadProgress;
class QtMessagePoster;
}  // namespace x5k::ui

namespace x5k::pages {
class PageWindow;
class CDlgMainSet;
class CDlgLEDSet;
class CDlgMacro;
class CDlgSts;
class CDlgSupport;
}  // namespace x5k::pages

namespace x5k::gui {

// What the main window works with; production passes the Linux services, tests fakes.
struct DriverServices {
    FileSystem& files;
    Clock& clock;
    UserMessages& messages;
    Shell& shell;
    Sound& sound;
    HidBackend& hid;
    PointerSettings& pointer;
    std::filesystem::path programFolder;
    std::filesystem::path dataFolder;
    // What the input watch could not reach after the hooks were installed; told once.
    std::function<std::optional<std::string>()> inputAccessProblem;
    // Whether the desktop shows notification icons.
    std::function<bool()> trayAvailable;
    // The look for the firmware loader, started when the program started; without it the
    // device start-up looks itself.
    FirmwareLoaderCheck* loaderCheck = nullptr;
    // Names keys on the user's layout; without one keys go by their fixed names.
    const KeyboardLayout* keyboard = nullptr;
    // The program's own key events in the hooks' form; without it the assignment pop-up
    // takes keys from the hooks alone.
    const KeyEventTranslator* keyEvents = nullptr;
    // Whether the input hooks read every keyboard right now.
    std::function<bool()> hooksReadKeyboard = [] { return false; };
    // Whether the input hooks read a pointing device, once they are installed.
    std::function<bool()> hooksReadPointer = [] { return false; };
    // The display's own source of clicks and pointer samples; nothing where it has none.
    StatsInput* statsInput = nullptr;
    // The firmware update's downloads; without it the update button tells that this
    // program has no update server.
    Downloader* downloader = nullptr;
    // The firmware update's server and flasher; the build's when nothing is given.
    std::optional<supportpage::UpdateSettings> updateSettings = std::nullopt;
};

class CT7QDriverDlg : public ui::MessageWindow,
                      private ProfileObserver,
                      private DeviceLinkObserver {
    Q_OBJECT

public:
    CT7QDriverDlg(DriverServices& services, Localisation& localisation, InputHooks& hooks,
                  ui::QtMessagePoster& poster);
    ~CT7QDriverDlg() override;

    // The window's initialisation, in order: first-run seeding, the first language, the
    // macro table, pictures and buttons, pages, the notification icon, the configuration,
    // the remembered language (posted), the device start-up. Returns what the device
    // start-up found; nothing when a close request ended the start-up early.
    std::optional<StartUp> onInitDialog();
    // Set before onInitDialog: the window starts out of sight, in the notification area,
    // or minimised where the desktop shows no notification icons.
    void setStartHidden(bool hidden) { startHidden_ = hidden; }

    // Selects page n (1..5): shows it, highlights its button and enables or disables the
    // profile buttons and Apply.
    void selectPage(int n);
    int selectedPage() const { return page_; }
    // The profile buttons' command: highlights button n (1..5) and makes profile n
    // current; nothing is sent to the mouse.
    void onProfileButton(int n);
    // Apply: the pages commit their edits and, while no apply runs, the apply worker
    // wakes and the progress dialog shows until it is done.
    void onApply();
    void onMinimise();
    void onHide();
    void onLanguageButton();
    // A command of the notification icon's menu ("Config" 0x6000, "Exit" 0x6001).
    void onTrayCommand(int command);
    // A device arrived or went away (from the system's hot-plug monitor).
    void onDeviceChange(DeviceChange change, const std::string& name);

    bool closing() const { return closing_; }
    bool idle() const { return idle_.load(); }
    // The idle flag the apply worker and the device link share with the window.
    std::atomic<bool>& idleFlag() { return idle_; }
    const QString& hintText() const { return hint_; }
    ConfigStore& store() { return *store_; }
    const MacroStore& macros() const { return *macros_; }
    MacroStore& macros() { return *macros_; }
    ui::CIrrButton* regionButton(int index) const { return regions_[static_cast<size_t>(index)]; }
    ui::CGDIBitmapBtn* minimiseButton() const { return minimise_; }
    ui::CGDIBitmapBtn* hideButton() const { return hide_; }
    ui::CGDIBitmapBtn* languageButton() const { return language_; }
    QLabel* languageFlag() const { return flag_; }
    int languageFlagPicture() const { return flagPicture_; }
    ui::CMenuExA* languageMenu() const { return languageMenu_; }
    ui::CDlgProgress* progressDialog() const { return progress_; }
    QSystemTrayIcon* trayIcon() const { return tray_; }
    QTimer* updaterTimer() { return &updaterTimer_; }
    // Page n (1..5); nothing before the pages are made or for another n.
    pages::PageWindow* page(int n) const;
    pages::CDlgMainSet* settingsPage() const;
    pages::CDlgLEDSet* lightingPage() const;
    pages::CDlgMacro* macroPage() const;
    pages::CDlgSts* statisticsPage() const;
    pages::CDlgSupport* supportPage() const;
    // Where the statistics come from, once the input hooks are installed.
    const std::optional<StatsSources>& statsSources() const { return statsSources_; }
    // The firmware update check, made with the workers once the mouse was found, and the
    // support page's two-second timeout that watches it.
    supportpage::UpdateCheck* updateCheck() const { return updateCheck_.get(); }
    ui::DownloadProgress* downloadProgress() const { return updateProgress_.get(); }
    QTimer* updateTimer() { return &updateTimer_; }
    // The support page's update button.
    void onUpdateRequested();

    // The desktop session is ending: the statistics are saved.
    void onSessionEnd();

signals:
    // The shutdown is done: the application's loop may end.
    void closed();

protected:
    std::span<const MessageEntry> messageTable() const override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void childMouseMoved(QWidget* child, QPoint position) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // ProfileObserver and DeviceLinkObserver.
    void setProfileHighlights(const std::array<bool, kProfileCount>& highlighted) override;
    void refreshPagesFromProfile() override;
    void setFirmwareVersionText(const std::string& text) override;
    void startWorkers() override;
    void releaseApplyButton() override;
    bool installHooks() override;
    void removeHooks() override;

    intptr_t onSwitchLanguage(uintptr_t wParam, intptr_t lParam);
    intptr_t onTrayIcon(uintptr_t wParam, intptr_t lParam);
    intptr_t onApplySucceeded(uintptr_t wParam, intptr_t lParam);
    intptr_t onApplyFailed(uintptr_t wParam, intptr_t lParam);
    intptr_t onHookNotify(uintptr_t wParam, intptr_t lParam);
    intptr_t onPageHover(uintptr_t wParam, intptr_t lParam);
    intptr_t onRestoreDefaults(uintptr_t wParam, intptr_t lParam);
    intptr_t onCloseRequest(uintptr_t wParam, intptr_t lParam);

    void createButtons();
    void createPages();
    void startUpdateCheck();
    void stopUpdateCheck();
    // The texts the update check shows, in the language of the moment.
    void setUpdateTexts();
    // The settings page edits the working profile, once the configuration store exists.
    void connectSettingsPage();
    // The macro page edits the macro table, and checks bindings in the configuration.
    void connectMacroPage();
    // The lighting page edits the working profile's lighting fields.
    void connectLightingPage();
    // The statistics page asks and tells through the boxes and saves on the clock.
    void connectStatisticsPage();
    void connectSupportPage();
    // Picks where the statistics' clicks and pointer samples come from (once, after the
    // input hooks are installed) and starts it.
    void startStatsSources();
    void stopStatsSources();
    // The hover and pressed looks of the window's buttons.
    void loadLookPictures();
    void addTrayIcon();
    void applyTexts();
    bool trayShown() const;
    void homeTheHooks();
    void startApply();
    void showWindow();
    void hideOrMinimise();
    void followPointer(QPoint position);
    void openTrayMenu(QPoint globalPosition);
    void startUpdater();
    void tellPointerProblems();
    // A note the user reads when convenient: a box that does not hold up the program.
    void showNotice(std::string_view text);
    void shutdown();
    bool chinese() const { return localisation_.chinese(); }

    DriverServices& services_;
    Localisation& localisation_;
    InputHooks& hooks_;
    ui::QtMessagePoster& poster_;

    std::atomic<bool> idle_{true};
    std::unique_ptr<ConfigStore> store_;
    std::unique_ptr<MacroStore> macros_;
    std::unique_ptr<MacroTableSource> macroSource_;
    CUSBDriver device_;
    std::unique_ptr<DeviceLink> link_;
    std::unique_ptr<ApplyWorker> worker_;

    std::array<ui::CIrrButton*, 11> regions_{};
    ui::CGDIBitmapBtn* minimise_ = nullptr;
    ui::CGDIBitmapBtn* hide_ = nullptr;
    ui::CGDIBitmapBtn* language_ = nullptr;
    QLabel* flag_ = nullptr;
    int flagPicture_ = 0;
    QPointer<ui::CMenuExA> languageMenu_;
    ui::CDlgProgress* progress_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;

    // The pages in tab order, made at start-up; what selecting each does is the table
    // mainwindow::kPages.
    std::array<pages::PageWindow*, mainwindow::kPageCount> pages_{};

    QString hint_;
    int page_ = 0;
    QTimer updaterTimer_;
    bool updaterStarted_ = false;
    bool closing_ = false;
    bool trayNoticeGiven_ = false;
    bool startHidden_ = false;
    // From the apply's trigger until its result message has been handled: a close
    // request meanwhile waits for that message (closeAfterApply_).
    bool applyPending_ = false;
    bool closeAfterApply_ = false;
    int regionBase_ = 0;
    bool looksQueued_ = false;  // loadLookPictures runs once, after the first paint
    bool accessNoticeGiven_ = false;
    std::vector<std::string> pointerProblemsShown_;
    std::optional<QPoint> dragOffset_;
    std::optional<StatsSources> statsSources_;
    // Posts what the display's source sees to the statistics page.
    std::unique_ptr<StatsInputSink> statsSink_;
    // Counts the presses and wheel steps of the program's own windows, where nothing
    // else can.
    std::unique_ptr<QObject> ownInputCounter_;
    // The firmware update: what its worker reads of the window, its download's progress
    // window and the check itself, which ends first.
    std::unique_ptr<supportpage::SharedUpdateHost> updateHost_;
    std::unique_ptr<ui::DownloadProgress> updateProgress_;
    std::unique_ptr<Downloader> offline_;
    std::unique_ptr<supportpage::UpdateCheck> updateCheck_;
    QTimer updateTimer_;
};

// Later starts' hand-overs to the running program reach `window` through its event loop:
// each show request is posted to it, anything else is dropped. Nothing for an instance
// that is not the primary or has no descriptor to watch. The instance outlives the
// watch.
std::unique_ptr<QSocketNotifier> WatchHandOvers(ProgramInstance& instance, CT7QDriverDlg& window);

}  // namespace x5k::gui

#pragma once
// The main window with the emulated mouse, the virtual clock and recording fakes, started
// up as the program starts it: what the window tests of the main window and its pages
// share.

#include <QCoreApplication>
#include <QPoint>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/emulator/EmulatedMouse.h"
#include "gui/CT7QDriverDlg.h"
#include "gui/MainWindowRules.h"
#include "layout/Layout.h"
#include "support/FaultyFileSystem.h"
#include "support/InertHookBackend.h"
#include "support/RecordingPointerSettings.h"
#include "support/RecordingShell.h"
#include "support/RecordingUserMessages.h"
#include "support/TempFolder.h"
#include "support/VirtualClock.h"
#include "ui/CDlgProgress.h"
#include "ui/CIrrButton.h"
#include "ui/QtMessagePoster.h"
#include "ui/support/UiTest.h"

namespace x5k::uitest {

using gui::CT7QDriverDlg;
using gui::DriverServices;

inline constexpr char kMouseDevice[] = "HID\\VID_7A1D&PID_5217&MI_02\\hidraw5";

// A point inside a region button's outline: the middle of its four corners, in the
// window's coordinates.
inline QPoint RegionCentre(int index) {
    const layout::Control* control = layout::findControl(
        *layout::findPage("main"), mainwindow::kRegionButtons[static_cast<size_t>(index)]);
    int x = 0;
    int y = 0;
    for (const layout::Point& corner : control->corners) {
        x += corner.x;
        y += corner.y;
    }
    return {x / 4, y / 4};
}

// The boxes of the recording fake; with `closeOnShow` every box also brings a close
// request, handled at once, as a request coming in while a box waits would be.
class Boxes final : public UserMessages {
public:
    int showInfoDialog(std::string_view text, BoxButtons buttons) override {
        const int answer = recorded.showInfoDialog(text, buttons);
        closeNow();
        return answer;
    }
    int showCountdownNotice(std::string_view text) override {
        const int answer = recorded.showCountdownNotice(text);
        closeNow();
        return answer;
    }
    void showInfoBox(std::string_view text) override {
        recorded.showInfoBox(text);
        closeNow();
    }
    std::vector<test::ShownMessage> shown() const { return recorded.shown(); }
    std::vector<std::string> texts() const { return recorded.texts(); }

    test::RecordingUserMessages recorded;
    CT7QDriverDlg* closeOnShow = nullptr;

private:
    void closeNow() {
        if (!closeOnShow) return;
        closeOnShow->post(msg::kClose, 0, 0);
        QCoreApplication::sendPostedEvents();
    }
};

struct Setup {
    bool trayAvailable = true;
    bool plugged = true;
    std::filesystem::path programFolder = X5K_PROGRAM_DIR;
    // Runs after the fakes are made and before the window starts up.
    std::function<void(struct Rig&)> beforeStart;
};

// Everything the main window works with, faked, and the window after its start-up.
struct Rig {
    explicit Rig(Setup setup = {})
        : services{files,
                   clock,
                   messages,
                   shell,
                   sound,
                   mouse,
                   pointer,
                   setup.programFolder,
                   data.path() / "ZINTU" / "X5K",
                   {},
                   [tray = setup.trayAvailable] { return tray; }},
          localisation(files, messages, services.programFolder, services.dataFolder) {
        if (!setup.plugged) mouse.unplug();
        localisation.loadDefaultLanguage();
        window = std::make_unique<CT7QDriverDlg>(services, localisation, hooks, poster);
        if (setup.beforeStart) setup.beforeStart(*this);
        started = window->onInitDialog();
        // The half-second pause after 100 % is a timer: no test waits for it.
        if (ui::CDlgProgress* progress = window->progressDialog()) {
            progress->CloseTimer()->setInterval(0);
        }
        // The posted language switch, the first paint and what the window reads after it.
        for (int turn = 0; turn < 3; ++turn) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
        mouse.clearReports();
    }
    ~Rig() {
        window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    std::filesystem::path dataFile(const char* name) const { return services.dataFolder / name; }
    std::string string(std::string_view key) const { return localisation.strings().get(key); }

    test::TempFolder data;
    test::FaultyFileSystem files;
    test::VirtualClock clock;
    Boxes messages;
    test::RecordingShell shell;
    test::RecordingSound sound;
    EmulatedMouse mouse;
    test::RecordingPointerSettings pointer;
    test::InertHookBackend hookBackend;
    ui::QtMessagePoster poster;
    InputHooks hooks{hookBackend, poster};
    DriverServices services;
    Localisation localisation;
    std::unique_ptr<CT7QDriverDlg> window;
    std::optional<StartUp> started;
};

// A press of the button at a point inside its outline; the command runs from the queue.
inline void PressRegion(Rig& rig, int index) {
    ui::CIrrButton* button = rig.window->regionButton(index);
    uitest::clickAt(button, RegionCentre(index) - button->pos());
    QCoreApplication::sendPostedEvents();
}

}  // namespace x5k::uitest

// The main window with the emulated mouse, the virtual clock and recording fakes: what
// the user sees and relies on when switching pages and profiles, applying, hovering,
// changing language, and when the mouse comes and goes.

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "device/ApplyWorker.h"
#include "device/emulator/EmulatedMouse.h"
#include "gui/CT7QDriverDlg.h"
#include "gui/MainWindowRules.h"
#include "localisation/Languages.h"
#include "pages/lighting/CDlgLEDSet.h"
#include "pages/macros/CDlgMacro.h"
#include "pages/mainset/CDlgMainSet.h"
#include "pages/statistics/CDlgSts.h"
#include "pages/support/CDlgSupport.h"
#include "profiles/Folders.h"
#include "support/DriverRig.h"
#include "support/FaultyFileSystem.h"
#include "support/InertHookBackend.h"
#include "support/RecordingPointerSettings.h"
#include "support/RecordingShell.h"
#include "support/RecordingUserMessages.h"
#include "support/SampleMacro.h"
#include "support/TempFolder.h"
#include "support/UiTest.h"
#include "support/VirtualClock.h"
#include "ui/CDlgProgress.h"
#include "ui/CGDIBitmapBtn.h"
#include "ui/CIrrButton.h"
#include "ui/CPngHProgressBar.h"
#include "ui/QtMessagePoster.h"

using namespace x5k;
using namespace x5k::gui;
using namespace x5k::uitest;

namespace {

// A copy of the program folder (its entries linked) with a file added below it.
std::filesystem::path ProgramFolderWith(const std::filesystem::path& at,
                                        const std::filesystem::path& added, bool executable) {
    namespace fs = std::filesystem;
    fs::create_directories(at);
    for (const fs::directory_entry& entry : fs::directory_iterator(X5K_PROGRAM_DIR)) {
        fs::create_symlink(entry.path(), at / entry.path().filename());
    }
    fs::create_directories((at / added).parent_path());
    test::WriteBytes(at / added, {'#', '!'});
    fs::permissions(at / added, executable ? fs::perms::owner_all
                                           : fs::perms::owner_read | fs::perms::owner_write);
    return at;
}

// When a close request comes, seen from an apply.
enum class CloseMoment {
    BeforeTheApply,
    AtAWorkerPause,  // queued from the worker's thread behind what it posted so far
    AfterTheSuccessBeforeTheDialogCloses,
    AfterTheApply,
};

// Calls `hook` on the main thread after pause `k` of the apply worker (counted from 0),
// queued behind the worker's messages so far; every pause is counted in `seen`.
void OnWorkerPause(Rig& rig, std::atomic<int>& seen, int k, std::function<void()> hook) {
    const std::thread::id windowThread = std::this_thread::get_id();
    rig.clock.afterPause = [&rig, &seen, k, windowThread, hook = std::move(hook)] {
        if (std::this_thread::get_id() == windowThread) return;
        if (seen++ != k || !hook) return;
        QMetaObject::invokeMethod(rig.window.get(), hook, Qt::QueuedConnection);
    };
}

// How many pauses the apply worker makes in an apply of the first start's profile.
int WorkerPausesOfAnApply() {
    std::atomic<int> seen{0};
    Rig rig;
    OnWorkerPause(rig, seen, -1, {});
    rig.window->onApply();
    const bool over = QTest::qWaitFor(
        [&rig] { return rig.window->idle() && !rig.window->progressDialog()->IsRunning(); });
    rig.clock.afterPause = {};
    return over ? seen.load() : 0;
}

}  // namespace

class CT7QDriverDlgTest : public QObject {
    Q_OBJECT

private slots:
    void startUpShowsTheWindowWithPageOneAndTheFirstProfile() {
        Rig rig;
        QCOMPARE(rig.started, std::optional<StartUp>(StartUp::Connected));
        QVERIFY(rig.window->isVisible());
        QCOMPARE(rig.window->windowTitle(), QStringLiteral("Zintu X5K Gaming Mouse Driver"));
        QCOMPARE(rig.window->size(), QSize(960, 640));
        QCOMPARE(rig.window->selectedPage(), 1);
        QVERIFY(rig.window->regionButton(0)->IsChecked());
        QVERIFY(rig.window->regionButton(5)->IsChecked());
        QCOMPARE(rig.window->settingsPage()->geometry(), QRect(15, 128, 925, 452));
        QCOMPARE(rig.window->macroPage()->shownGroup(), 21);
        // The first run seeded the data folder, and the remembered language (English)
        // was switched to once the window ran.
        QVERIFY(std::filesystem::exists(rig.dataFile("Profile/Profile5.cfg")));
        QCOMPARE(rig.window->languageFlagPicture(), 143);
        QCOMPARE(rig.window->regionButton(0)->toolTip(), QStringLiteral("Main settings"));
        // The hooks report mouse input to the main window only.
        QVERIFY(rig.hooks.mouseHookInstalled());
        QVERIFY(!rig.hooks.keyboardForwarding());
        QVERIFY(rig.hooks.mouseNotify());
        QVERIFY(rig.messages.shown().empty());
    }

    void withoutTheMouseTheUserIsToldAndTheProgramCloses() {
        Setup setup;
        setup.plugged = false;
        Rig rig(setup);
        QCOMPARE(rig.started, std::optional<StartUp>(StartUp::MouseNotFound));
        QVERIFY(!rig.window->isVisible());
        const auto shown = rig.messages.shown();
        QCOMPARE(shown.size(), size_t{1});
        QCOMPARE(shown[0].text, std::string("The X5K gaming mouse cannot be found."));
        QVERIFY(rig.window->closing());
    }

    void profileButtonThreeSwitchesTheProfileAndSendsNothing() {
        Rig rig;
        QSignalSpy refreshed(rig.window->settingsPage(), &pages::CDlgMainSet::refreshed);
        PressRegion(rig, 7);
        QCOMPARE(rig.window->store().currentEntry(), 2);
        for (int b = 5; b <= 9; ++b) QCOMPARE(rig.window->regionButton(b)->IsChecked(), b == 7);
        QVERIFY(refreshed.count() >= 1);
        QVERIFY(rig.mouse.reports().empty());
    }

    void pagesThreeToFiveDisableTheProfileButtonsAndApply_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("settings") << 1 << true;
        QTest::newRow("lighting") << 2 << true;
        QTest::newRow("macros") << 3 << false;
        QTest::newRow("statistics") << 4 << false;
        QTest::newRow("support") << 5 << false;
    }
    void pagesThreeToFiveDisableTheProfileButtonsAndApply() {
        QFETCH(int, page);
        QFETCH(bool, enabled);
        Rig rig;
        rig.window->selectPage(4);  // start from a disabling page, so enabling shows too
        PressRegion(rig, page - 1);
        QCOMPARE(rig.window->selectedPage(), page);
        for (int n = 1; n <= 5; ++n) {
            QCOMPARE(rig.window->page(n)->isVisible(), n == page);
            QCOMPARE(rig.window->regionButton(n - 1)->IsChecked(), n == page);
        }
        for (int b = 5; b <= 10; ++b) QCOMPARE(rig.window->regionButton(b)->isEnabled(), enabled);
    }

    void leavingTheMacroPageEndsARecording() {
        Rig rig;
        // A recording needs a macro to record into.
        (void)rig.window->macros().storeMacro(test::SampleMacro(0x15000001, "Sample"));
        rig.window->macroPage()->ShowGroup(21);
        rig.window->selectPage(3);
        rig.window->macroPage()->ToggleRecording();
        rig.window->selectPage(3);
        QVERIFY(rig.window->macroPage()->isRecording());
        rig.window->selectPage(2);
        QVERIFY(!rig.window->macroPage()->isRecording());
    }

    void applyWritesTheMouseAndSavesBothFilesOnSuccess() {
        Rig rig;
        // The pointer is over Apply when it is pressed.
        ui::CIrrButton* apply = rig.window->regionButton(10);
        uitest::moveAt(apply, RegionCentre(10) - apply->pos());
        QVERIFY(apply->IsHovering());
        const auto blockBefore = test::ReadBytes(rig.dataFile("Profile/ConfigInfo.cfg"));
        rig.window->store().image().set(profile::kLightingColour, 0x123456);
        rig.window->onApply();
        QTRY_VERIFY(rig.window->idle());
        QCOMPARE(rig.mouse.state().colour, uint32_t{0x123456});
        ProfileImage saved;
        QCOMPARE(rig.files.readInto(rig.dataFile("Profile/Profile1.cfg"), saved.bytes()),
                 FileError::None);
        QTRY_COMPARE(saved.get(profile::kLightingColour), 0x123456);
        QVERIFY(std::filesystem::exists(rig.dataFile("Profile/ConfigInfo.cfg")));
        QCOMPARE(test::ReadBytes(rig.dataFile("Profile/ConfigInfo.cfg")).size(),
                 blockBefore.size());
        QVERIFY(rig.messages.shown().empty());
        QVERIFY(!rig.window->progressDialog()->IsRunning());
        QVERIFY(!rig.window->regionButton(10)->isDown());
        QVERIFY(!rig.window->regionButton(10)->IsHovering());
    }

    void aFailingCommandShowsItsTextAndSavesNothing() {
        Rig rig;
        const auto profileBefore = test::ReadBytes(rig.dataFile("Profile/Profile1.cfg"));
        const auto blockBefore = test::ReadBytes(rig.dataFile("Profile/ConfigInfo.cfg"));
        rig.window->store().image().set(profile::kLightingColour, 0x123456);
        EmulatedFaults faults;
        faults.outputWrites = OutputWrite::Failed;
        rig.mouse.setFaults(faults);
        rig.window->onApply();
        QTRY_VERIFY(!rig.messages.shown().empty());
        QTRY_VERIFY(rig.window->idle());
        const auto shown = rig.messages.shown();
        QCOMPARE(shown.size(), size_t{1});
        QCOMPARE(shown[0].kind, test::BoxKind::InfoDialog);
        QCOMPARE(shown[0].text, std::string(ApplyFailureText(kFailButtonMatrix)));
        QCOMPARE(test::ReadBytes(rig.dataFile("Profile/Profile1.cfg")), profileBefore);
        QCOMPARE(test::ReadBytes(rig.dataFile("Profile/ConfigInfo.cfg")), blockBefore);
        QVERIFY(!rig.window->regionButton(10)->isDown());
    }

    void pointerSettingsNotTakenAreToldOnceUntilTheyChange() {
        Rig rig;
        const auto applyOnce = [&rig] {
            rig.window->onApply();
            QTRY_VERIFY(rig.window->idle());
            QCoreApplication::processEvents();
        };
        rig.pointer.problems = {"Wheel scroll lines: GNOME has no such setting"};
        applyOnce();
        applyOnce();
        QCOMPARE(rig.messages.texts().size(), size_t{1});
        QVERIFY(rig.messages.texts()[0].find("GNOME has no such setting") != std::string::npos);
        rig.pointer.problems = {"Pointer speed: the desktop refused it"};
        applyOnce();
        QCOMPARE(rig.messages.texts().size(), size_t{2});
        QVERIFY(rig.messages.texts()[1].find("refused") != std::string::npos);
    }

    void hintsOfEachRegionButton_data() {
        QTest::addColumn<int>("index");
        for (int i = 0; i < mainwindow::kRegionButtonCount; ++i) {
            QTest::newRow(mainwindow::kRegionButtons[static_cast<size_t>(i)].data()) << i;
        }
    }
    void hintsOfEachRegionButton() {
        QFETCH(int, index);
        Rig rig;
        const QString expected = QString::fromStdString(
            rig.string(mainwindow::kRegionTooltipKeys[static_cast<size_t>(index)]));
        QVERIFY(!expected.isEmpty());
        // Over the window at the button's place, and over the button itself (its moves
        // are repeated to the window).
        uitest::moveAt(rig.window.get(), RegionCentre(index));
        QCoreApplication::sendPostedEvents();
        QCOMPARE(rig.window->hintText(), expected);
        uitest::moveAt(rig.window.get(), QPoint(5, 60));
        QCOMPARE(rig.window->hintText(), QString());
        ui::CIrrButton* button = rig.window->regionButton(index);
        uitest::moveAt(button, RegionCentre(index) - button->pos());
        QCoreApplication::sendPostedEvents();
        QCOMPARE(rig.window->hintText(), expected);
    }

    void theButtonsShowTheirHoverLookOnceTheWindowRuns() {
        Rig rig;
        for (const int index : {2, 7, 10}) {
            ui::CIrrButton* button = rig.window->regionButton(index);
            const QImage resting = button->grab().toImage();
            uitest::moveAt(button, RegionCentre(index) - button->pos());
            QVERIFY(button->IsHovering());
            QVERIFY(button->grab().toImage() != resting);
        }
        ui::CGDIBitmapBtn* hide = rig.window->hideButton();
        const QImage resting = hide->grab().toImage();
        uitest::moveAt(hide, QPoint(5, 5));
        QVERIFY(hide->grab().toImage() != resting);
    }

    void pageHintsShowTheirStringsAndNinetyNineClears() {
        Rig rig;
        rig.window->post(msg::kPageHover, 0, 61);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(rig.window->hintText().toStdString(), rig.string("str_dpi_setting"));
        rig.window->post(msg::kPageHover, 0, 99);
        QCoreApplication::sendPostedEvents();
        QVERIFY(rig.window->hintText().isEmpty());
    }

    void enterEscapeAndSpaceDoNothing() {
        Rig rig;
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape, Qt::Key_Space}) {
            uitest::typeKey(rig.window.get(), key);
            uitest::typeKey(rig.window->regionButton(10), key);  // Apply
            uitest::typeKey(rig.window->regionButton(3), key);   // a page tab
        }
        QCoreApplication::processEvents();
        QVERIFY(rig.window->isVisible());
        QCOMPARE(rig.window->selectedPage(), 1);
        QVERIFY(rig.mouse.reports().empty());
        QVERIFY(!rig.window->closing());
    }

    void closeAndHideLeaveTheProgramRunning() {
        Rig rig;
        QSignalSpy closed(rig.window.get(), &CT7QDriverDlg::closed);
        rig.window->close();  // Alt+F4 and the window system's close
        QVERIFY(!rig.window->isVisible());
        rig.window->post(msg::kTrayIcon, 0, 0x203);
        QCoreApplication::sendPostedEvents();
        QVERIFY(rig.window->isVisible());
        uitest::clickAt(rig.window->hideButton(), QPoint(5, 5));
        QVERIFY(!rig.window->isVisible());
        QCOMPARE(closed.count(), 0);
        QVERIFY(!rig.window->closing());
    }

    void theSecondInstancesHandOverRefreshesAndShowsTheWindow() {
        Rig rig;
        rig.window->onHide();
        QSignalSpy settings(rig.window->settingsPage(), &pages::CDlgMainSet::refreshed);
        QSignalSpy lighting(rig.window->lightingPage(), &pages::CDlgLEDSet::refreshed);
        rig.window->post(msg::kTrayIcon, 0, 0x203);  // what a second start hands over
        QCoreApplication::sendPostedEvents();
        QVERIFY(rig.window->isVisible());
        QCOMPARE(settings.count(), 1);
        QCOMPARE(lighting.count(), 1);
        // Other icon events change nothing.
        rig.window->onHide();
        rig.window->post(msg::kTrayIcon, 0, 0x201);
        QCoreApplication::sendPostedEvents();
        QVERIFY(!rig.window->isVisible());
    }

    void withoutATrayHidingMinimisesAndSaysWhyOnce() {
        Setup setup;
        setup.trayAvailable = false;
        Rig rig(setup);
        const auto notices = [] {
            int count = 0;
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                count += widget->objectName() == QStringLiteral("notice") && widget->isVisible();
            }
            return count;
        };
        rig.window->onHide();
        rig.window->showNormal();
        rig.window->close();
        QVERIFY(rig.window->isVisible());  // minimised, still reachable
        QCOMPARE(notices(), 1);
    }

    void aHiddenStartStaysOutOfSightWhereTheUserCanReachIt_data() {
        QTest::addColumn<bool>("tray");
        QTest::newRow("in the notification area") << true;
        QTest::newRow("minimised without one") << false;
    }
    void aHiddenStartStaysOutOfSightWhereTheUserCanReachIt() {
        QFETCH(bool, tray);
        Setup setup;
        setup.trayAvailable = tray;
        setup.beforeStart = [](Rig& rig) { rig.window->setStartHidden(true); };
        Rig rig(setup);
        QCOMPARE(rig.started, std::optional<StartUp>(StartUp::Connected));
        QCOMPARE(rig.window->isVisible(), !tray);
        QCOMPARE(rig.window->isMinimized(), !tray);
        QVERIFY(rig.window->trayIcon() != nullptr);
        // Started with the session, nothing pops up; the mouse is served all the same.
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            QVERIFY(!(widget->objectName() == QStringLiteral("notice") && widget->isVisible()));
        }
        QVERIFY(rig.messages.shown().empty());
        QVERIFY(rig.hooks.mouseHookInstalled());
        // The notification icon's "Config" brings the window up.
        rig.window->onTrayCommand(mainwindow::kConfigCommand);
        QVERIFY(rig.window->isVisible());
        QVERIFY(!rig.window->isMinimized());
    }

    void trayMenuCommands() {
        Rig rig;
        QSignalSpy closed(rig.window.get(), &CT7QDriverDlg::closed);
        rig.window->onHide();
        rig.window->onTrayCommand(mainwindow::kConfigCommand);
        QVERIFY(rig.window->isVisible());
        rig.window->onTrayCommand(mainwindow::kExitCommand);
        QTRY_COMPARE(closed.count(), 1);
        QVERIFY(rig.window->closing());
        QVERIFY(rig.window->trayIcon() == nullptr);
        QVERIFY(!rig.hooks.mouseHookInstalled());
        for (int n = 1; n <= 5; ++n) QVERIFY(!rig.window->page(n)->isVisible());
        QVERIFY(std::filesystem::exists(rig.dataFile("Sts.cfg")));
        // Late messages find nothing to do.
        rig.window->post(msg::kRestoreDefaults, 0, 0);
        rig.window->post(msg::kSwitchLanguage, Localisation::kFromStartUp, 3);
        rig.window->post(msg::kTrayIcon, 0, 0x203);
        QCoreApplication::sendPostedEvents();
        QVERIFY(!rig.window->isVisible());
        QVERIFY(rig.mouse.reports().empty());
    }

    void aCloseRequestWhileAStartUpBoxWaitsEndsTheStartUp_data() {
        QTest::addColumn<QString>("missing");
        QTest::newRow("macro file") << QStringLiteral("Macro.cfg");
        QTest::newRow("profile") << QStringLiteral("Profile/Profile1.cfg");
        QTest::newRow("language choice") << QStringLiteral("Language.cfg");
    }
    void aCloseRequestWhileAStartUpBoxWaitsEndsTheStartUp() {
        QFETCH(QString, missing);
        Setup setup;
        setup.beforeStart = [&missing](Rig& r) {
            // A data folder of an earlier run, short of one file: its reader tells the user.
            SeedDataFolder(r.files, r.services.programFolder, r.services.dataFolder);
            std::filesystem::remove(r.services.dataFolder / missing.toStdString());
            r.messages.closeOnShow = r.window.get();
        };
        Rig rig(setup);
        QVERIFY(!rig.started.has_value());
        QVERIFY(rig.window->closing());
        QVERIFY(!rig.window->isVisible());
        QVERIFY(!rig.hooks.mouseHookInstalled());
        QVERIFY(rig.mouse.reports().empty());
    }

    void anUnreadableStatisticsFileIsNotOverwritten() {
        Setup setup;
        setup.beforeStart = [](Rig& r) {
            SeedDataFolder(r.files, r.services.programFolder, r.services.dataFolder);
            test::WriteBytes(r.services.dataFolder / "Sts.cfg", std::vector<uint8_t>(24, 7));
            r.files.failReads(r.services.dataFolder / "Sts.cfg", FileError::Other);
        };
        Rig rig(setup);
        rig.window->onTrayCommand(mainwindow::kExitCommand);
        QTRY_VERIFY(rig.window->closing());
        rig.window.reset();
        QCOMPARE(test::ReadBytes(rig.dataFile("Sts.cfg")), std::vector<uint8_t>(24, 7));
    }

    // The macro file is written off the window's thread; what a failing write has to
    // tell is shown by the window, once, and the exit writes the table kept meanwhile.
    void aFailingMacroWriteIsToldOnceAndTheExitWritesTheTable() {
        Rig rig;
        QSignalSpy closed(rig.window.get(), &CT7QDriverDlg::closed);
        const std::filesystem::path file = rig.dataFile("Macro.cfg");
        QVERIFY(std::filesystem::exists(file));
        const size_t before = rig.messages.shown().size();
        rig.files.failWrites(file, FileError::AccessDenied);
        QCOMPARE(rig.window->macros().storeMacro(test::SampleMacro(0x15000042, "kept")),
                 StoreResult::Stored);
        QTRY_COMPARE(rig.messages.shown().size(), before + 1);
        QCOMPARE(rig.messages.texts().back(), rig.string("str_msg4"));
        rig.window->macros().waitForSaves();
        QCoreApplication::processEvents();
        QCOMPARE(rig.messages.shown().size(), before + 1);

        rig.files.clearWriteFault(file);
        rig.window->onTrayCommand(mainwindow::kExitCommand);
        QTRY_COMPARE(closed.count(), 1);
        QCOMPARE(rig.messages.shown().size(), before + 1);
        QCOMPARE(test::ReadBytes(file), rig.window->macros().table().fileImage());
    }

    void exitDuringAnApplyWaitsForItsResultAndSaves() {
        Rig rig;
        QSignalSpy closed(rig.window.get(), &CT7QDriverDlg::closed);
        rig.window->store().image().set(profile::kLightingColour, 0x123456);
        // The request is handled while the progress dialog runs.
        rig.window->post(msg::kClose, 0, 0);
        rig.window->onApply();
        QTRY_COMPARE(closed.count(), 1);
        ProfileImage saved;
        QCOMPARE(rig.files.readInto(rig.dataFile("Profile/Profile1.cfg"), saved.bytes()),
                 FileError::None);
        QCOMPARE(saved.get(profile::kLightingColour), 0x123456);
        QCOMPARE(rig.mouse.state().colour, uint32_t{0x123456});
    }

    // A close request (a termination signal, the tray's Exit, the session ending) ends the
    // program once, whenever it comes: the apply under way is let finish and saved, and
    // the statistics and the last macro change reach their files.
    void everyCloseRequestAlongAnApplyEndsTheProgramOnce_data() {
        QTest::addColumn<int>("moment");
        QTest::addColumn<int>("pause");
        QTest::newRow("before the apply") << int(CloseMoment::BeforeTheApply) << -1;
        const int pauses = WorkerPausesOfAnApply();
        QVERIFY(pauses > 10);
        for (int k = 0; k < pauses; ++k) {
            QTest::addRow("at worker pause %d of %d", k + 1, pauses)
                << int(CloseMoment::AtAWorkerPause) << k;
        }
        QTest::newRow("after the success, before the dialog closes")
            << int(CloseMoment::AfterTheSuccessBeforeTheDialogCloses) << -1;
        QTest::newRow("after the apply") << int(CloseMoment::AfterTheApply) << -1;
    }
    void everyCloseRequestAlongAnApplyEndsTheProgramOnce() {
        QFETCH(int, moment);
        QFETCH(int, pause);
        const auto at = static_cast<CloseMoment>(moment);
        std::atomic<int> seen{0};
        Rig rig;
        QSignalSpy closed(rig.window.get(), &CT7QDriverDlg::closed);
        ui::CDlgProgress* progress = rig.window->progressDialog();
        std::filesystem::remove(rig.dataFile("Sts.cfg"));
        const uint32_t colourBefore = rig.mouse.state().colour;
        rig.window->store().image().set(profile::kLightingColour, 0x123456);
        std::optional<StoreResult> macroStored;
        const auto requestClose = [&rig, &macroStored] {
            macroStored = rig.window->macros().storeMacro(test::SampleMacro(0x15000077, "last"));
            rig.window->send(msg::kClose, 0, 0);
        };
        // An apply that never ends would leave the dialog waiting: it is closed, and told.
        bool stuck = false;
        QTimer safety;
        safety.setSingleShot(true);
        connect(&safety, &QTimer::timeout, progress, [&stuck, progress] {
            stuck = true;
            progress->Close();
        });
        safety.start(3000);
        QTimer watch;
        switch (at) {
            case CloseMoment::BeforeTheApply:
                requestClose();
                break;
            case CloseMoment::AtAWorkerPause:
                OnWorkerPause(rig, seen, pause, requestClose);
                break;
            case CloseMoment::AfterTheSuccessBeforeTheDialogCloses:
                // The dialog stays at 100 % until the request has been handled.
                progress->CloseTimer()->setInterval(std::chrono::hours(1));
                connect(&watch, &QTimer::timeout, this, [&] {
                    if (!progress->IsRunning() || progress->Bar()->GetPos() != 100 ||
                        !rig.window->idle()) {
                        return;
                    }
                    watch.stop();
                    requestClose();
                    progress->CloseDelayEnded();
                });
                watch.start(1);
                break;
            case CloseMoment::AfterTheApply:
                break;
        }
        rig.window->onApply();
        if (at == CloseMoment::AfterTheApply) {
            QTRY_VERIFY(rig.window->idle() && !progress->IsRunning());
            requestClose();
        }
        QTRY_COMPARE(closed.count(), 1);
        safety.stop();
        rig.clock.afterPause = {};
        QVERIFY(!stuck);
        QVERIFY(rig.window->closing());
        // A second request (a second signal) finds the program ending already.
        rig.window->post(msg::kClose, 0, 0);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(closed.count(), 1);

        QVERIFY(std::filesystem::exists(rig.dataFile("Sts.cfg")));
        QCOMPARE(macroStored, std::optional(StoreResult::Stored));
        QCOMPARE(test::ReadBytes(rig.dataFile("Macro.cfg")),
                 rig.window->macros().table().fileImage());
        // The files hold what the mouse holds: the apply ran to its end, or never began.
        ProfileImage saved;
        QCOMPARE(rig.files.readInto(rig.dataFile("Profile/Profile1.cfg"), saved.bytes()),
                 FileError::None);
        if (at == CloseMoment::BeforeTheApply) {
            QCOMPARE(rig.mouse.state().colour, colourBefore);
            QVERIFY(saved.get(profile::kLightingColour) != 0x123456);
        } else {
            QCOMPARE(rig.mouse.state().colour, uint32_t{0x123456});
            QCOMPARE(saved.get(profile::kLightingColour), 0x123456);
        }
    }

    void pressingApplyLeavesItUpWhenTheApplyIsOver() {
        Rig rig;
        ui::CIrrButton* apply = rig.window->regionButton(10);
        QTest::mousePress(apply, Qt::LeftButton, Qt::NoModifier, RegionCentre(10) - apply->pos());
        QTRY_VERIFY(!rig.mouse.reports().empty());  // the apply ran
        QTRY_VERIFY(rig.window->idle() && !rig.window->progressDialog()->IsRunning());
        QVERIFY(!apply->isDown());
    }

    void aPageHintStaysWhileThePointerMovesWithinItsArea() {
        Rig rig;
        QWidget* page = rig.window->settingsPage();
        for (const QPoint at : {QPoint(60, 38), QPoint(70, 40), QPoint(80, 38)}) {
            uitest::moveAt(page, at);  // the "DPI settings" section
            QCoreApplication::sendPostedEvents();
            QCOMPARE(rig.window->hintText().toStdString(), rig.string("str_dpi_setting"));
        }
    }

    void arrivalDuringAnApplyReleasesApply() {
        Rig rig;
        QSignalSpy closed(rig.window.get(), &CT7QDriverDlg::closed);
        rig.window->idleFlag() = false;  // an apply is running
        rig.mouse.unplug();
        rig.window->onDeviceChange(DeviceChange::Removal, kMouseDevice);
        QVERIFY(rig.messages.shown().empty());  // the apply reports the removal itself
        QVERIFY(!rig.hooks.mouseHookInstalled());
        rig.window->regionButton(10)->setDown(true);
        rig.mouse.plug();
        rig.window->onDeviceChange(DeviceChange::Arrival, kMouseDevice);
        QVERIFY(rig.window->idle());
        QVERIFY(!rig.window->regionButton(10)->isDown());
        QVERIFY(rig.messages.shown().empty());
        QVERIFY(rig.hooks.mouseHookInstalled());
        QCoreApplication::processEvents();
        QCOMPARE(closed.count(), 0);
    }

    void removalClosesTheProgramAfterTheNotice() {
        Rig rig;
        QSignalSpy closed(rig.window.get(), &CT7QDriverDlg::closed);
        rig.window->onDeviceChange(DeviceChange::Removal, "HID\\VID_046D&PID_C077\\hidraw1");
        QCoreApplication::processEvents();
        QCOMPARE(closed.count(), 0);  // another device
        rig.mouse.unplug();
        rig.window->onDeviceChange(DeviceChange::Removal, kMouseDevice);
        const auto shown = rig.messages.shown();
        QCOMPARE(shown.size(), size_t{1});
        QCOMPARE(shown[0].kind, test::BoxKind::CountdownNotice);
        QCOMPARE(shown[0].text, std::string("The X5K gaming mouse cannot be found."));
        QTRY_COMPARE(closed.count(), 1);
    }

    void aLanguageSwitchRewritesLanguageCfgAndTheTooltips() {
        Rig rig;
        rig.window->onLanguageButton();
        QVERIFY(rig.window->languageMenu() != nullptr);
        const QPoint origin = rig.window->mapToGlobal(QPoint(15 - 4, 635 - 287));
        QCOMPARE(rig.window->languageMenu()->pos(), origin);
        rig.window->post(msg::kSwitchLanguage, 0, 5);  // German, from the menu
        QCoreApplication::sendPostedEvents();
        QCOMPARE(test::ReadBytes(rig.dataFile("Language.cfg")), (std::vector<uint8_t>{5, 0, 0, 0}));
        QCOMPARE(rig.window->regionButton(0)->toolTip().toStdString(), rig.string("str_main"));
        QVERIFY(rig.window->regionButton(0)->toolTip() != QStringLiteral("Main settings"));
        QCOMPARE(rig.window->regionButton(0)->text(), rig.window->regionButton(0)->toolTip());
        QCOMPARE(rig.window->languageFlagPicture(), 146);
        QTRY_VERIFY(rig.window->languageMenu() == nullptr);
        // A menu message without an open menu is ignored.
        rig.window->post(msg::kSwitchLanguage, 0, 1);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(test::ReadBytes(rig.dataFile("Language.cfg")), (std::vector<uint8_t>{5, 0, 0, 0}));
        QVERIFY(!rig.localisation.chinese());
    }

    void theControlsCarryNamesAndRolesInTheLanguageShown_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("windowButtons");
        QTest::addColumn<QString>("flag");
        const QStringList english{"Minimise", "Hide", "Language"};
        QTest::newRow("English") << 2 << english << QStringLiteral("English");
        QTest::newRow("German") << 5 << english << QStringLiteral("German");
        QTest::newRow("Chinese") << 1 << QStringList{"最小化", "隐藏", "语言"}
                                 << QStringLiteral("Chinese");
    }
    void theControlsCarryNamesAndRolesInTheLanguageShown() {
        QFETCH(int, language);
        QFETCH(QStringList, windowButtons);
        QFETCH(QString, flag);
        Rig rig;
        rig.window->post(msg::kSwitchLanguage, Localisation::kFromStartUp, language);
        QCoreApplication::sendPostedEvents();
        const auto shown = [](QObject* control) {
            return QAccessible::queryAccessibleInterface(control);
        };
        const auto name = [&](QObject* control) { return shown(control)->text(QAccessible::Name); };
        QCOMPARE((QStringList{name(rig.window->minimiseButton()), name(rig.window->hideButton()),
                              name(rig.window->languageButton())}),
                 windowButtons);
        for (QObject* button :
             std::initializer_list<QObject*>{rig.window->minimiseButton(), rig.window->hideButton(),
                                             rig.window->languageButton()}) {
            QCOMPARE(shown(button)->role(), QAccessible::PushButton);
        }
        QCOMPARE(name(rig.window->languageFlag()), flag);
        for (int i = 0; i < mainwindow::kRegionButtonCount; ++i) {
            ui::CIrrButton* button = rig.window->regionButton(i);
            const QString expected = QString::fromStdString(
                rig.string(mainwindow::kRegionTooltipKeys[static_cast<size_t>(i)]));
            QVERIFY(!expected.isEmpty());
            QCOMPARE(name(button), expected);
            const QAccessible::Role role = i < mainwindow::kFirstProfileButton
                                               ? QAccessible::PageTab
                                           : i < mainwindow::kApplyButton ? QAccessible::RadioButton
                                                                          : QAccessible::PushButton;
            QCOMPARE(shown(button)->role(), role);
            if (i < mainwindow::kPageCount) {
                // Each page carries the name of its tab.
                QCOMPARE(name(rig.window->page(i + 1)), expected);
                QCOMPARE(shown(rig.window->page(i + 1))->role(), QAccessible::Pane);
            }
        }
    }

    void aTabPressedThroughItsActionSelectsItsPage() {
        Rig rig;
        const auto shown = [](QObject* control) {
            return QAccessible::queryAccessibleInterface(control);
        };
        QAccessibleInterface* statistics = shown(rig.window->regionButton(3));
        // The pages are named from the start, before any language switch is handled.
        QCOMPARE(shown(rig.window->page(4))->text(QAccessible::Name),
                 rig.window->regionButton(3)->text());
        QVERIFY(shown(rig.window->regionButton(0))->state().checked);
        QVERIFY(!statistics->state().checked);
        statistics->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCoreApplication::sendPostedEvents();
        QCOMPARE(rig.window->selectedPage(), 4);
        QVERIFY(statistics->state().checked);
        QVERIFY(statistics->state().selected);
        QVERIFY(!shown(rig.window->regionButton(0))->state().checked);
        QVERIFY(!shown(rig.window->page(4))->state().invisible);
        QVERIFY(shown(rig.window->page(1))->state().invisible);
        // The statistics page disables the profiles and Apply: they offer no action.
        for (int i = mainwindow::kFirstProfileButton; i < mainwindow::kRegionButtonCount; ++i) {
            QAccessibleInterface* button = shown(rig.window->regionButton(i));
            QVERIFY(button->state().disabled);
            QVERIFY(button->actionInterface()->actionNames().isEmpty());
        }
        // A profile pressed through its action on page 1 switches the profile, as a click does.
        shown(rig.window->regionButton(0))
            ->actionInterface()
            ->doAction(QAccessibleActionInterface::pressAction());
        QCoreApplication::sendPostedEvents();
        QAccessibleInterface* third = shown(rig.window->regionButton(7));
        third->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCoreApplication::sendPostedEvents();
        QVERIFY(third->state().checked);
        QVERIFY(!shown(rig.window->regionButton(5))->state().checked);
        QVERIFY(rig.mouse.reports().empty());
    }

    void hookedMouseInputReachesTheStatisticsPageAndRunsHostActions() {
        Rig rig;
        QSignalSpy forwarded(rig.window->statisticsPage(), &pages::CDlgSts::mouseEvent);
        ProfileImage& image = rig.window->store().image();
        image.set(profile::FunctionCode(1), mainwindow::kHostActionFunction);
        image.set(profile::HostActionKind(1), kHostProgram);
        image.setText(profile::HostActionPath(1), "/usr/bin/gnome-calculator");
        for (const uint32_t code : {0x201u, 0x204u, 0x207u}) {
            rig.window->post(msg::kHookNotify, code, 0);
        }
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents();
        QCOMPARE(forwarded.count(), 3);
        QCOMPARE(rig.shell.opened(), std::vector<std::string>{"/usr/bin/gnome-calculator"});
    }

    void restoreDefaultsPutsTheDefaultProfileAndApplies() {
        Rig rig;
        rig.window->store().image().set(profile::kLightingColour, 0x123456);
        rig.window->store().workingMacroIds()[2] = 0x01000005;
        rig.window->post(msg::kRestoreDefaults, 0, 0);
        QTRY_VERIFY(!rig.mouse.reports().empty());
        QTRY_VERIFY(rig.window->idle());
        QVERIFY(rig.window->store().image().get(profile::kLightingColour) != 0x123456);
        QCOMPARE(rig.window->store().workingMacroIds()[2], 0);
        QCOMPARE(rig.mouse.state().colour,
                 static_cast<uint32_t>(rig.window->store().image().get(profile::kLightingColour)));
    }

    void theBackgroundDragsTheWindow() {
        Rig rig;
        const QPoint before = rig.window->pos();
        const QPoint grip(400, 40);  // the title area, no control
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(grip),
                          QPointF(rig.window->mapToGlobal(grip)), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(rig.window.get(), &press);
        const QPoint to = grip + QPoint(30, 20);
        QMouseEvent move(QEvent::MouseMove, QPointF(to), QPointF(rig.window->mapToGlobal(to)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(rig.window.get(), &move);
        uitest::releaseAt(rig.window.get(), to);
        QCOMPARE(rig.window->pos(), before + QPoint(30, 20));
        // Moving afterwards no longer drags.
        uitest::moveAt(rig.window.get(), QPoint(10, 10));
        QCOMPARE(rig.window->pos(), before + QPoint(30, 20));
    }

    void theUpdaterStartsOnceThreeSecondsAfterStartUp_data() {
        QTest::addColumn<bool>("present");
        QTest::addColumn<bool>("executable");
        QTest::newRow("runnable") << true << true;
        QTest::newRow("not executable") << true << false;
        QTest::newRow("missing") << false << false;
    }
    void theUpdaterStartsOnceThreeSecondsAfterStartUp() {
        QFETCH(bool, present);
        QFETCH(bool, executable);
        test::TempFolder copy;
        const std::filesystem::path updater = "zintu_update/ZintuUpdate.exe";
        Setup setup;
        if (present) setup.programFolder = ProgramFolderWith(copy / "program", updater, executable);
        Rig rig(setup);
        QTimer* timer = rig.window->updaterTimer();
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 3000);
        QVERIFY(timer->isSingleShot());
        QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
        QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
        std::vector<std::string> expected;
        if (executable) expected.push_back((setup.programFolder / updater).string());
        QCOMPARE(rig.shell.started(), expected);
        QVERIFY(rig.shell.opened().empty());  // never handed to the desktop's opener
        QVERIFY(!timer->isActive());
    }
};

X5K_UI_TEST_CLASS(CT7QDriverDlgTest);
#include "CT7QDriverDlgTest.moc"

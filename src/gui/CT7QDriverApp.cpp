#include "gui/CT7QDriverApp.h"

#include <QApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QSystemTrayIcon>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>

#include "common/DiagnosticLog.h"
#include "device/emulator/EmulatedMouse.h"
#include "device/emulator/MouseStateFile.h"
#include "gui/Autostart.h"
#include "gui/CT7QDriverDlg.h"
#include "gui/DriverOptions.h"
#include "localisation/Localisation.h"
#include "macros/InputHooks.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxPlatform.h"
#include "ui/Accessibility.h"
#include "ui/QtMessagePoster.h"
#include "ui/QtUserMessages.h"
#include "ui/Skin.h"

namespace x5k::gui {
namespace {

constexpr std::string_view kUsage =
    "usage: x5k-driver [--emulated-mouse[=STATE_FILE]] [--verbose] [--hidden]\n"
    "       x5k-driver --autostart=on|off\n"
    "  --emulated-mouse[=STATE_FILE]  run against the emulated mouse instead of the real one;\n"
    "                                 with STATE_FILE its settings are kept between runs\n"
    "  --verbose                      print the diagnostic log to stderr (also X5K_DEBUG=1)\n"
    "  --hidden                       start in the notification area (minimised where the\n"
    "                                 desktop has none)\n"
    "  --autostart=on|off             start, or no longer start, with the desktop session\n"
    "                                 (hidden), then end\n";

// --autostart: writes or removes the session's autostart entry, which starts the program
// by the path it was started by now. Returns the exit code.
int ChangeAutostart(bool on, const char* startedAs) {
    PlatformFiles platform = MakeLinuxPlatformFiles();
    if (!platform.configFolder) {
        std::fprintf(stderr,
                     "x5k-driver: no folder for the autostart entry: neither XDG_CONFIG_HOME nor "
                     "HOME names an absolute folder\n");
        return 1;
    }
    const std::filesystem::path entry =
        *platform.configFolder / "autostart" / std::string(kAutostartEntryName);
    std::error_code error;
    const std::filesystem::path working = std::filesystem::current_path(error);
    FileSystem& files = *platform.files;
    const std::filesystem::path launcher = LauncherPath(
        startedAs ? startedAs : "", std::getenv("PATH"), working, platform.programFolder,
        [&files](const std::filesystem::path& path) { return files.exists(path); });
    const AutostartResult result = SetAutostart(files, entry, on, launcher);
    switch (result.error) {
        case AutostartError::None:
            if (on) {
                std::printf("x5k-driver: starts with the session from %s (entry %s)\n",
                            launcher.c_str(), entry.c_str());
            } else {
                std::printf("x5k-driver: no longer starts with the session (removed %s)\n",
                            entry.c_str());
            }
            return 0;
        case AutostartError::UnusablePath:
            std::fprintf(stderr,
                         "x5k-driver: the program's path %s cannot go into an autostart entry\n",
                         launcher.c_str());
            return 1;
        case AutostartError::Write:
            break;
    }
    std::fprintf(stderr, "x5k-driver: could not %s %s: %s\n", on ? "write" : "remove",
                 entry.c_str(), result.cause.describe().c_str());
    return 1;
}

}  // namespace

int CT7QDriverApp::Run(int argc, char** argv) {
    ReturnLargeBlocksWhenFreed();
    const DriverOptions options = ParseDriverOptions(
        std::span<char* const>(argv + 1, static_cast<size_t>(argc - 1)), std::getenv("X5K_DEBUG"));
    if (options.help || !options.error.empty()) {
        if (!options.error.empty()) {
            std::fprintf(stderr, "x5k-driver: unknown argument %s\n", options.error.c_str());
        }
        std::fputs(kUsage.data(), options.help ? stdout : stderr);
        return options.help ? 0 : 64;
    }
    // Before any thread starts: the sink is never changed while one may log.
    if (options.verbose) diagnostic::setSink(&diagnostic::standardErrorSink());
    if (options.autostart) return ChangeAutostart(*options.autostart, argv[0]);

    // The emulated mouse's settings from the last run. The state path is looked at before
    // anything starts: what is not a state file or nothing is refused, and never replaced.
    std::optional<MouseState> savedState;
    if (options.emulated && options.state) {
        StatePathRead read = ReadStatePath(*options.state);
        if (!read.replaceable()) {
            std::fprintf(stderr, "x5k-driver: %s %s\n", options.state->c_str(),
                         read.refusal().c_str());
            return 1;
        }
        savedState = std::move(read.state);
    }

    // The services of the system, the mouse among them: the real one, or the emulated
    // one.
    // Without a session bus, Qt's accessibility bridge and tray icon would have one started
    // that outlives the program. Set before any thread starts.
    KeepSessionBusFromStarting();
    auto emulatedMouse = options.emulated ? std::make_unique<EmulatedMouse>() : nullptr;
    if (emulatedMouse && savedState) emulatedMouse->setState(*savedState);
    EmulatedMouse* const emulated = emulatedMouse.get();
    Platform platform = MakeLinuxPlatform({.emulatedMouse = std::move(emulatedMouse)});

    // One instance per user: a second start hands over to the running one and ends.
    ProgramInstance& instance = *platform.instance;
    if (instance.role() == ProgramInstance::Role::Secondary) {
        instance.send(kShowRunningInstance);
        return 0;
    }

    // The look for the mouse's firmware loader waits twice for half a second: it runs from
    // here on, while the window is built, and the device start-up takes its answer.
    FirmwareLoaderCheck loaderCheck(*platform.hid, *platform.clock);
    loaderCheck.start();

    // The folders.
    const std::optional<std::filesystem::path> dataFolder = platform.dataFolder;
    if (!dataFolder) {
        std::fprintf(stderr,
                     "x5k-driver: no folder for the settings: neither XDG_DATA_HOME nor HOME "
                     "names an absolute folder\n");
        return 1;
    }
    const std::filesystem::path programFolder = platform.programFolder;

    platform.crashGuard->install();
    const std::unique_ptr<CrashGuard::ThreadCover> signalStack =
        platform.crashGuard->coverThisThread();

    QApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(QStringLiteral("x5k-driver"));
    QApplication::setDesktopFileName(QStringLiteral("x5k-driver"));
    ui::setProgramFolder(QString::fromStdString(programFolder.string()));
    ui::installAccessibility();

    FileSystem& files = *platform.files;
    ui::QtMessagePoster poster;
    std::unique_ptr<PointerSettings> pointer = platform.pointerSettings->makePointerSettings();

    // The first interface language, then the boxes that speak it.
    std::unique_ptr<ui::QtUserMessages> messages;
    // The language's loader tells of missing files through the boxes, which speak the
    // language the loader sets: the boxes come second and the loader reaches them
    // through this.
    struct Forwarder final : UserMessages {
        UserMessages* target = nullptr;
        int showInfoDialog(std::string_view text, BoxButtons buttons) override {
            return target->showInfoDialog(text, buttons);
        }
        int showCountdownNotice(std::string_view text) override {
            return target->showCountdownNotice(text);
        }
        void showInfoBox(std::string_view text) override { target->showInfoBox(text); }
    } boxes;
    Localisation localisation(files, boxes, programFolder, *dataFolder);
    messages = std::make_unique<ui::QtUserMessages>(localisation.chineseInterface());
    boxes.target = messages.get();
    localisation.loadDefaultLanguage();

    // The input hooks, fed by the system's input watch.
    HookBackend& hookBackend = *platform.hooks;
    InputHooks hooks(hookBackend, poster);
    InputHooksSink sink(hooks);
    hookBackend.setSink(&sink);

    DriverServices services{files,
                            *platform.clock,
                            boxes,
                            *platform.shell,
                            *platform.sound,
                            *platform.hid,
                            *pointer,
                            programFolder,
                            *dataFolder,
                            [&hookBackend, &platform]() -> std::optional<std::string> {
                                // The start-up notice tells both problems at once.
                                std::optional<std::string> problem = hookBackend.accessProblem();
                                if (!platform.instanceProblem) return problem;
                                return problem ? *problem + "\n" + *platform.instanceProblem
                                               : platform.instanceProblem;
                            },
                            [] { return QSystemTrayIcon::isSystemTrayAvailable(); },
                            &loaderCheck,
                            platform.keyboard.get(),
                            platform.keyEvents.get(),
                            [&hookBackend] { return hookBackend.readsKeyboard(); },
                            [&hookBackend] { return hookBackend.readsPointer(); },
                            platform.statsInput.get(),
                            platform.downloader.get()};

    int status = 0;
    {
        CT7QDriverDlg window(services, localisation, hooks, poster);
        // exit(), not quit(): a quit may be refused by a window that ignores its close, as
        // the main window does.
        QObject::connect(&window, &CT7QDriverDlg::closed, &application,
                         [] { QCoreApplication::exit(0); });
        // The program is started by the desktop's autostart or the user, never by a
        // session manager restoring it.
        QObject::connect(&application, &QGuiApplication::commitDataRequest, &window,
                         [&window](QSessionManager& session) {
                             session.setRestartHint(QSessionManager::RestartNever);
                             window.onSessionEnd();
                         });
        QObject::connect(&application, &QCoreApplication::aboutToQuit, &window,
                         [&window] { window.onSessionEnd(); });

        // A second start's hand-over, the hot-plug monitor and the termination signals
        // reach the window through the event loop.
        const std::unique_ptr<QSocketNotifier> handOver = WatchHandOvers(instance, window);
        std::unique_ptr<QSocketNotifier> hotPlug;
        if (DeviceMonitor* const monitor = platform.devices.get(); monitor && monitor->start()) {
            hotPlug = std::make_unique<QSocketNotifier>(monitor->fd(), QSocketNotifier::Read);
            QObject::connect(hotPlug.get(), &QSocketNotifier::activated, &window,
                             [monitor, &window] {
                                 for (const auto& [change, name] : monitor->readChanges()) {
                                     window.onDeviceChange(change, name);
                                 }
                             });
        }
        // The session ending or a terminal closing the program is a close request.
        TerminationRequests& requests = *platform.terminations;
        std::unique_ptr<QSocketNotifier> terminations;
        if (requests.start()) {
            terminations = std::make_unique<QSocketNotifier>(requests.fd(), QSocketNotifier::Read);
            QObject::connect(terminations.get(), &QSocketNotifier::activated, &window,
                             [&requests, &window] {
                                 if (requests.takeRequests()) window.post(msg::kClose, 0, 0);
                             });
        }

        window.setStartHidden(options.hidden);
        window.onInitDialog();
        if (!window.closing()) status = application.exec();
        requests.stop();
        // The watch stops calling into the hooks before they go.
        hookBackend.setSink(nullptr);
    }
    if (emulated && options.state && !emulated->saveState(*options.state, *platform.files)) {
        std::fprintf(stderr, "x5k-driver: could not write %s\n", options.state->c_str());
    }
    return status;
}

}  // namespace x5k::gui

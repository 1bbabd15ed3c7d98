#include "gui/CT7QDriverApp.h"

#include <QApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QSystemTrayIcon>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "common/DiagnosticLog.h"
#include "gui/DriverOptions.h"
#include "device/emulator/EmulatedMouse.h"
#include "gui/CT7QDriverDlg.h"
#include "localisation/Localisation.h"
#include "macros/InputHooks.h"
#include "platform/linux/DesktopPointerSettings.h"
#include "platform/linux/EvdevCrashGuard.h"
#include "platform/linux/EvdevHookBackend.h"
#include "platform/linux/EvdevTranslation.h"
#include "platform/linux/HidrawBackend.h"
#include "platform/linux/LinuxShell.h"
#include "platform/linux/LinuxSound.h"
#include "platform/linux/PosixFileSystem.h"
#include "platform/linux/ProgramFolder.h"
#include "platform/linux/SingleInstance.h"
#include "platform/linux/UdevMonitor.h"
#include "ui/QtMessagePoster.h"
#include "ui/QtUserMessages.h"
#include "ui/Skin.h"

namespace x5k::gui {
namespace {

constexpr std::string_view kUsage =
    "usage: x5k-driver [--emulated-mouse[=STATE_FILE]] [--verbose]\n"
    "  --emulated-mouse[=STATE_FILE]  run against the emulated mouse instead of the real one;\n"
    "                                 with STATE_FILE its settings are kept between runs\n"
    "  --verbose                      print the diagnostic log to stderr (also X5K_DEBUG=1)\n";

// The emulated mouse is a stand-in for a mouse on the desk: what an apply would do to the
// desktop's pointer settings is left undone, so trying the program changes nothing of the
// computer.
class UntouchedPointerSettings final : public PointerSettings {
public:
    bool setAcceleration(bool) override { return true; }
    bool setSpeed(int) override { return true; }
    bool setWheelScrollLines(int) override { return true; }
};

// SIGTERM, SIGINT and SIGHUP (the session or a terminal ends the program) become a close
// request of the main window, so the program ends as through "Exit" and keeps its
// statistics. The handler only writes a byte into a pipe the event loop watches, and
// gives way to the default action afterwards: a second signal ends a program that hangs.
int gSignalPipe[2] = {-1, -1};
constexpr int kTerminationSignals[] = {SIGTERM, SIGINT, SIGHUP};

extern "C" void OnTerminationSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(gSignalPipe[1], &byte, 1);
    errno = saved;
}

bool WatchTerminationSignals() {
    if (pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int signal : kTerminationSignals) sigaction(signal, &action, nullptr);
    return true;
}

void StopWatchingTerminationSignals() {
    for (const int signal : kTerminationSignals) std::signal(signal, SIG_DFL);
}

}  // namespace

int CT7QDriverApp::Run(int argc, char** argv) {
    const DriverOptions options =
        ParseDriverOptions(std::span<char* const>(argv + 1, static_cast<size_t>(argc - 1)),
                           std::getenv("X5K_DEBUG"));
    if (options.help || !options.error.empty()) {
        if (!options.error.empty()) {
            std::fprintf(stderr, "x5k-driver: unknown argument %s\n", options.error.c_str());
        }
        std::fputs(kUsage.data(), options.help ? stdout : stderr);
        return options.help ? 0 : 64;
    }
    // Before any thread starts: the sink is never changed while one may log.
    if (options.verbose) diagnostic::setSink(&diagnostic::standardErrorSink());

    // One instance per user: a second start hands over to the running one and ends.
    std::unique_ptr<SingleInstance> instance;
    if (const auto folder = InstanceFolder(std::getenv("XDG_RUNTIME_DIR"))) {
        instance = std::make_unique<SingleInstance>(*folder, kInstanceName);
        if (instance->role() == SingleInstance::Role::Secondary) {
            instance->send(kShowRunningInstance);
            return 0;
        }
    }

    // The folders.
    const std::optional<std::filesystem::path> dataFolder = DataFolder();
    if (!dataFolder) {
        std::fprintf(stderr,
                     "x5k-driver: no folder for the settings: neither XDG_DATA_HOME nor HOME "
                     "names an absolute folder\n");
        return 1;
    }
    const std::filesystem::path programFolder = ProgramFolder();

    crash_guard::InstallHandlers();
    const crash_guard::ThreadSignalStack signalStack;

    QApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(QStringLiteral("x5k-driver"));
    QApplication::setDesktopFileName(QStringLiteral("x5k-driver"));
    ui::setProgramFolder(QString::fromStdString(programFolder.string()));

    PosixFileSystem files;
    SteadyClock clock;
    LinuxShell shell;
    LinuxSound sound;
    ui::QtMessagePoster poster;

    // The mouse: the real one through hidraw, or the emulated one.
    std::unique_ptr<EmulatedMouse> emulated;
    std::unique_ptr<HidrawBackend> hidraw;
    HidBackend* hid = nullptr;
    if (options.emulated) {
        emulated = std::make_unique<EmulatedMouse>();
        if (options.state && std::filesystem::exists(*options.state) &&
            !emulated->loadState(*options.state)) {
            std::fprintf(stderr, "x5k-driver: %s is damaged; the emulated mouse starts afresh\n",
                         options.state->c_str());
        }
        hid = emulated.get();
    } else {
        hidraw = std::make_unique<HidrawBackend>();
        hid = hidraw.get();
    }
    std::unique_ptr<PointerSettings> pointer;
    if (options.emulated) {
        pointer = std::make_unique<UntouchedPointerSettings>();
    } else {
        pointer = MakeDesktopPointerSettings(DesktopEnvironment::FromProcess());
    }

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

    // The input hooks, fed by the evdev watch.
    EvdevHookBackend hookBackend;
    InputHooks hooks(hookBackend, poster);
    InputHooksSink sink(hooks);
    hookBackend.setSink(&sink);

    DriverServices services{files,
                            clock,
                            boxes,
                            shell,
                            sound,
                            *hid,
                            *pointer,
                            programFolder,
                            *dataFolder,
                            [&hookBackend] { return hookBackend.accessProblem(); },
                            [] { return QSystemTrayIcon::isSystemTrayAvailable(); }};

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
                             window.OnSessionEnd();
                         });
        QObject::connect(&application, &QCoreApplication::aboutToQuit, &window,
                         [&window] { window.OnSessionEnd(); });

        // A second start's hand-over, the hot-plug monitor and the termination signals
        // reach the window through the event loop.
        std::unique_ptr<QSocketNotifier> handOver;
        if (instance && instance->role() == SingleInstance::Role::Primary) {
            handOver = std::make_unique<QSocketNotifier>(instance->fd(), QSocketNotifier::Read);
            QObject::connect(handOver.get(), &QSocketNotifier::activated, &window,
                             [&instance, &window] {
                                 // Only the show request is taken from a later start.
                                 for (const HandOver& message : instance->takeMessages()) {
                                     if (message != kShowRunningInstance) continue;
                                     window.post(message.message, message.wParam, message.lParam);
                                 }
                             });
        }
        std::unique_ptr<UdevMonitor> monitor;
        std::unique_ptr<QSocketNotifier> hotPlug;
        if (!options.emulated) {
            monitor = std::make_unique<UdevMonitor>();
            if (monitor->fd() >= 0) {
                hotPlug = std::make_unique<QSocketNotifier>(monitor->fd(), QSocketNotifier::Read);
                QObject::connect(hotPlug.get(), &QSocketNotifier::activated, &window,
                                 [&monitor, &window] {
                                     for (const auto& [change, name] : monitor->readChanges()) {
                                         window.OnDeviceChange(change, name);
                                     }
                                 });
            }
        }
        std::unique_ptr<QSocketNotifier> terminations;
        if (WatchTerminationSignals()) {
            terminations = std::make_unique<QSocketNotifier>(gSignalPipe[0], QSocketNotifier::Read);
            QObject::connect(terminations.get(), &QSocketNotifier::activated, &window, [&window] {
                char bytes[16];
                while (read(gSignalPipe[0], bytes, sizeof bytes) > 0) {
                }
                window.post(msg::kClose, 0, 0);
            });
        }

        window.OnInitDialog();
        if (!window.closing()) status = application.exec();
        StopWatchingTerminationSignals();
        // The watch stops calling into the hooks before they go.
        hookBackend.setSink(nullptr);
    }
    if (emulated && options.state && !emulated->saveState(*options.state)) {
        std::fprintf(stderr, "x5k-driver: could not write %s\n", options.state->c_str());
    }
    return status;
}

}  // namespace x5k::gui

// The main window in one long run against the emulated mouse: applies, later starts
// handing over through the real one-instance socket, the mouse unplugged and plugged in
// again, and language switches, interleaved. The process's descriptors, threads and
// resident memory must come back to what they were once every kind had run a few times.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <vector>

#include "gui/CT7QDriverDlg.h"
#include "localisation/Languages.h"
#include "platform/linux/SingleInstance.h"
#include "support/DriverRig.h"
#include "support/TempFolder.h"
#include "support/UiTest.h"
#include "ui/CDlgProgress.h"

using namespace x5k;
using namespace x5k::gui;
using namespace x5k::uitest;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// Under the sanitizer everything runs about ten times slower and freed memory is held
// back: a tenth of the cycles, and the memory is not compared.
constexpr int kScale = kSanitized ? 10 : 1;
constexpr int kRounds = 1000 / kScale;  // one apply and one hand-over each
constexpr int kPlugEvery = 2;           // 500 plug cycles
constexpr int kLanguageEvery = 5;       // 200 language switches
constexpr int kWarmUpRounds = 10;
// Resident memory may grow by this much over the run. A run grows by about 0.3 MB, most
// of it the fakes' own records (every pause of the virtual clock, every open of the
// emulated mouse); the rest is malloc's arenas settling. 2 MB still catches a leak of
// 2 kB a round.
constexpr long kRssSlackKb = 2 * 1024;
constexpr auto kTimeLimit = std::chrono::seconds(60);

struct Usage {
    int descriptors = 0;
    int threads = 0;
    long residentKb = 0;
};

int EntriesOf(const char* folder) {
    int count = 0;
    std::error_code error;
    for (auto it = std::filesystem::directory_iterator(folder, error);
         !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        ++count;
    }
    return count;
}

long ResidentKb() {
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

Usage Measure() {
    // What was handed over for deletion goes first.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return {EntriesOf("/proc/self/fd"), EntriesOf("/proc/self/task"), ResidentKb()};
}

// Runs the event loop until `done` holds, waking on every event and at least every few
// milliseconds; false when `limit` passes first.
bool RunUntil(const std::function<bool()>& done, int limitMs = 5000) {
    QTimer wake;
    wake.start(5);
    const QDeadlineTimer deadline(limitMs);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

// The offscreen platform says it cannot raise the window or grab the keyboard each
// time the window is shown; thousands of these would use up the test's message budget
// and hide the figures. Everything else passes on.
QtMessageHandler gPassOn = nullptr;
void QuietPlatform(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg && text.startsWith(QLatin1String("This plugin does not support"))) {
        return;
    }
    gPassOn(type, context, text);
}

uint32_t ColourOf(int cycle) {
    return (static_cast<uint32_t>(cycle) * 0x9E3779u + 0x10101u) & 0xFFFFFFu;
}

// German, Chinese, French, English, Russian.
constexpr int kLanguages[] = {5, kLanguageChinese, 3, kLanguageEnglish, 10};

}  // namespace

class SoakTest : public QObject {
    Q_OBJECT

private slots:
    void descriptorsThreadsAndMemoryComeBackOverALongRun() {
        gPassOn = qInstallMessageHandler(QuietPlatform);
        const auto restore = qScopeGuard([] { qInstallMessageHandler(gPassOn); });
        const auto began = std::chrono::steady_clock::now();
        Rig rig;
        QCOMPARE(rig.started, std::optional<StartUp>(StartUp::Connected));
        test::TempFolder instanceFolder;
        SingleInstance running(instanceFolder.path());
        QCOMPARE(running.role(), ProgramInstance::Role::Primary);
        const std::unique_ptr<QSocketNotifier> handOvers = WatchHandOvers(running, *rig.window);
        QVERIFY(handOvers != nullptr);

        int applies = 0;
        int handed = 0;
        int plugs = 0;
        int switches = 0;
        uint32_t lastColour = 0;
        int lastLanguage = 0;

        // Apply: a new colour reaches the mouse through the apply worker.
        const auto apply = [&] {
            lastColour = ColourOf(applies++);
            rig.window->store().image().set(profile::kLightingColour,
                                            static_cast<int32_t>(lastColour));
            rig.window->onApply();
            const bool over = RunUntil([&] {
                return rig.window->idle() && !rig.window->progressDialog()->IsRunning();
            });
            const bool written = !rig.mouse.reports().empty();
            rig.mouse.clearReports();
            rig.pointer.calls.clear();
            return over && written && rig.mouse.state().colour == lastColour;
        };
        // A later start hands its show request over to the hidden window.
        const auto handOver = [&] {
            ++handed;
            rig.window->onHide();
            if (rig.window->isVisible()) return false;
            const SingleInstance later(instanceFolder.path());
            return later.role() == ProgramInstance::Role::Secondary &&
                   later.send(kShowRunningInstance) &&
                   RunUntil([&] { return rig.window->isVisible(); });
        };
        // The mouse is pulled out and plugged in again while the window is busy, as during
        // an apply (a removal while idle ends the program).
        const auto replug = [&] {
            ++plugs;
            rig.window->idleFlag() = false;
            rig.mouse.unplug();
            rig.window->onDeviceChange(DeviceChange::Removal, kMouseDevice);
            if (rig.hooks.mouseHookInstalled()) return false;
            rig.mouse.plug();
            rig.window->onDeviceChange(DeviceChange::Arrival, kMouseDevice);
            return rig.window->idle() && rig.hooks.mouseHookInstalled() &&
                   rig.messages.shown().empty();
        };
        // The language menu is opened and a language chosen from it; the choice is saved.
        const auto switchLanguage = [&] {
            lastLanguage = kLanguages[static_cast<size_t>(switches++) % std::size(kLanguages)];
            rig.window->onLanguageButton();
            if (rig.window->languageMenu() == nullptr) return false;
            rig.window->post(msg::kSwitchLanguage, 0, lastLanguage);
            QCoreApplication::sendPostedEvents();
            return RunUntil([&] { return rig.window->languageMenu() == nullptr; }) &&
                   test::ReadBytes(rig.dataFile("Language.cfg")) ==
                       std::vector<uint8_t>{static_cast<uint8_t>(lastLanguage), 0, 0, 0};
        };
        const auto round = [&](int n) {
            if (!apply()) return false;
            if (!handOver()) return false;
            if (n % kPlugEvery == 0 && !replug()) return false;
            if (n % kLanguageEvery == 0 && !switchLanguage()) return false;
            return true;
        };

        for (int n = 0; n < kWarmUpRounds; ++n) QVERIFY2(round(n), qPrintable(QString::number(n)));
        const Usage start = Measure();
        applies = handed = plugs = switches = 0;
        for (int n = 0; n < kRounds; ++n) QVERIFY2(round(n), qPrintable(QString::number(n)));
        const Usage end = Measure();
        const auto elapsed = std::chrono::steady_clock::now() - began;
        const double seconds = std::chrono::duration<double>(elapsed).count();

        qInfo("soak%s: %d applies, %d hand-overs, %d plug cycles, %d language switches",
              kSanitized ? " (sanitized, a tenth)" : "", applies, handed, plugs, switches);
        qInfo("soak: descriptors %d -> %d, threads %d -> %d, resident %ld kB -> %ld kB (%+ld kB), "
              "%.1f s",
              start.descriptors, end.descriptors, start.threads, end.threads, start.residentKb,
              end.residentKb, end.residentKb - start.residentKb, seconds);

        QCOMPARE(applies, kRounds);
        QCOMPARE(handed, kRounds);
        QCOMPARE(plugs, kRounds / kPlugEvery);
        QCOMPARE(switches, kRounds / kLanguageEvery);
        QCOMPARE(rig.mouse.state().colour, lastColour);
        QCOMPARE(end.descriptors, start.descriptors);
        QCOMPARE(end.threads, start.threads);
        if (!kSanitized) {
            QVERIFY2(end.residentKb - start.residentKb <= kRssSlackKb,
                     qPrintable(QStringLiteral("resident memory grew by %1 kB")
                                    .arg(end.residentKb - start.residentKb)));
            QVERIFY(elapsed < kTimeLimit);
        }
    }
};

X5K_UI_TEST_CLASS(SoakTest);
#include "SoakTest.moc"

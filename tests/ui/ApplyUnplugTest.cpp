// The mouse pulled out at every step of an apply: after each report the mouse takes, it
// drops off the bus. The window tells what failed (or nothing, when only steps whose
// result never counts were left), releases Apply, keeps the files as they were unless
// the apply counted as done, and after the mouse is plugged in again a second apply
// leaves it exactly as a clean apply leaves a fresh mouse.
//
// A window takes long to start, so each kind of apply has one window for all its rows:
// a row starts from a fresh mouse and the files as they were before any apply.

#include <QDeadlineTimer>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/ApplyWorker.h"
#include "device/Protocol.h"
#include "device/emulator/EmulatedMouse.h"
#include "functions/FunctionCatalogue.h"
#include "support/DriverRig.h"
#include "support/SampleMacro.h"
#include "support/TempFolder.h"
#include "ui/CDlgProgress.h"
#include "ui/CIrrButton.h"

using namespace x5k;
using namespace x5k::gui;
using namespace x5k::uitest;

namespace {

enum class Settings { Default, SevenMacros };

constexpr int32_t kColour = 0x123456;
constexpr int32_t kFirstMacroId = 0x15000101;

// The settings of the apply: the lighting colour changed, so a save shows in the profile
// file; with macros, every input bound to a macro of its own, so the apply also writes
// the macro data.
bool PrepareSettings(Rig& rig, Settings settings) {
    rig.window->store().image().set(profile::kLightingColour, kColour);
    if (settings == Settings::SevenMacros) {
        for (int b = 0; b < kButtonCount; ++b) {
            const int32_t id = kFirstMacroId + b;
            const std::string name = "macro " + std::to_string(b);
            if (rig.window->macros().storeMacro(test::SampleMacro(id, name)) !=
                StoreResult::Stored) {
                return false;
            }
            rig.window->store().image().set(profile::FunctionCode(b), kFunctionMacro);
            rig.window->store().workingMacroIds()[static_cast<size_t>(b)] = id;
        }
        rig.window->macros().waitForSaves();
    }
    return true;
}

// The hot-plug monitor's part: the mouse's comings and goings reach the window through
// its event loop, from whichever thread saw them.
void AnnouncePlugging(Rig& rig) {
    CT7QDriverDlg* window = rig.window.get();
    rig.mouse.setChangeListener([window](DeviceChange change, const std::string& name) {
        QMetaObject::invokeMethod(
            window, [window, change, name] { window->onDeviceChange(change, name); },
            Qt::QueuedConnection);
    });
}

// Runs the window's events, waking for each one, until `done`; false when it takes
// longer than a stuck apply could.
template <typename Done>
bool RunUntil(Done done) {
    const QDeadlineTimer deadline(20000);
    QTimer wake;  // so the deadline is seen when nothing else comes
    wake.start(100);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Presses Apply and waits until the window is idle with the progress dialog closed;
// false when the apply never ended (the dialog is then closed so the test goes on).
bool ApplyAndWait(Rig& rig) {
    ui::CDlgProgress* progress = rig.window->progressDialog();
    bool stuck = false;
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, progress, [&stuck, progress] {
        stuck = true;
        progress->Close();
    });
    safety.start(20000);
    rig.window->regionButton(mainwindow::kApplyButton)->setDown(true);
    rig.window->onApply();
    const bool over =
        RunUntil([&rig, progress] { return rig.window->idle() && !progress->IsRunning(); });
    safety.stop();
    QCoreApplication::processEvents();
    return over && !stuck;
}

// The failure code of a step whose failure ends the apply; nothing for the steps whose
// result never counts (macros, resolution level, report rate).
std::optional<int> CheckedStep(uint8_t command) {
    switch (command) {
        case command::kButtonMatrix:
            return kFailButtonMatrix;
        case command::kLightingColour:
            return kFailLightingColour;
        case command::kLightingEffect:
            return kFailLightingEffect;
        case command::kBodyLighting:
            return kFailBodyLighting;
        case command::kResolutionTable:
            return kFailResolutionTable;
        default:
            return std::nullopt;
    }
}

const char* CommandName(uint8_t command) {
    switch (command) {
        case command::kMacro:
            return "macro";
        case command::kButtonMatrix:
            return "button matrix";
        case command::kLightingColour:
            return "lighting colour";
        case command::kLightingEffect:
            return "lighting effect";
        case command::kBodyLighting:
            return "body lighting";
        case command::kResolutionTable:
            return "resolution table";
        case command::kResolutionLevel:
            return "resolution level";
        case command::kReportRate:
            return "report rate";
        default:
            return "?";
    }
}

// The command each report of an apply belongs to: a feature report's own, and for data
// reports the command that announced them.
std::vector<uint8_t> CommandsOf(const std::vector<LoggedReport>& reports) {
    std::vector<uint8_t> commands;
    uint8_t announced = 0;
    for (const LoggedReport& report : reports) {
        if (report.kind != ReportKind::Output && report.bytes.size() > feature::kCommandOffset) {
            announced = report.bytes[feature::kCommandOffset];
        }
        commands.push_back(announced);
    }
    return commands;
}

using Files = std::map<std::string, std::vector<uint8_t>>;

const char* const kFiles[] = {"Profile/Profile1.cfg", "Profile/ConfigInfo.cfg", "Macro.cfg"};

Files FilesOf(const Rig& rig) {
    Files bytes;
    for (const char* name : kFiles) bytes[name] = test::ReadBytes(rig.dataFile(name));
    return bytes;
}

// One window with its settings made, and what its rows start from and compare with.
struct Bench {
    std::unique_ptr<Rig> rig = std::make_unique<Rig>();
    MouseState fresh;               // the mouse before any apply
    Files files;                    // before any apply
    MouseState clean;               // after a clean apply
    std::vector<uint8_t> commands;  // of each report of the clean apply, in order

    // A fresh mouse and the files as they were.
    void reset() {
        rig->mouse.setFaults({});
        rig->mouse.plug();  // after a row that failed half-way
        QCoreApplication::processEvents();
        (void)RunUntil([this] { return rig->window->idle(); });
        rig->mouse.setState(fresh);
        rig->mouse.clearReports();
        for (const auto& [name, bytes] : files)
            test::WriteBytes(rig->dataFile(name.c_str()), bytes);
    }
};

// The window with the settings made, after a clean apply on a fresh mouse.
std::unique_ptr<Bench> MakeBench(Settings settings) {
    auto bench = std::make_unique<Bench>();
    Rig& rig = *bench->rig;
    if (!PrepareSettings(rig, settings)) return nullptr;
    bench->fresh = rig.mouse.state();
    bench->files = FilesOf(rig);
    if (!ApplyAndWait(rig) || !rig.messages.shown().empty()) return nullptr;
    bench->clean = rig.mouse.state();
    bench->commands = CommandsOf(rig.mouse.reports());
    AnnouncePlugging(rig);
    return bench;
}

std::vector<test::ShownMessage> ShownSince(const Rig& rig, size_t from) {
    const std::vector<test::ShownMessage> shown = rig.messages.shown();
    return {shown.begin() + static_cast<std::ptrdiff_t>(std::min(from, shown.size())), shown.end()};
}

}  // namespace

class ApplyUnplugTest : public QObject {
    Q_OBJECT

private slots:
    void cleanupTestCase() { benches_.clear(); }

    void theMouseGoneAfterEveryReportOfAnApply_data() {
        QTest::addColumn<int>("settings");
        QTest::addColumn<int>("taken");    // reports the mouse takes before it drops off
        QTest::addColumn<int>("failure");  // the code told, or -1: the apply counts as done
        for (const Settings settings : {Settings::Default, Settings::SevenMacros}) {
            std::unique_ptr<Bench>& bench = benches_[int(settings)];
            bench = MakeBench(settings);
            QVERIFY(bench);
            const std::vector<uint8_t>& commands = bench->commands;
            const int count = static_cast<int>(commands.size());
            QVERIFY(count >= 10);
            if (settings == Settings::SevenMacros) {
                QCOMPARE(std::count(commands.begin(), commands.end(), command::kMacro),
                         std::ptrdiff_t{kButtonCount * (1 + kMacroImageSize / output::kDataSize)});
            }
            for (int k = 1; k <= count; ++k) {
                // The first report not taken that a checked step needs makes that step
                // fail; when none is left, the apply ends as a success.
                int failure = -1;
                for (int r = k; r < count && failure < 0; ++r) {
                    failure = CheckedStep(commands[static_cast<size_t>(r)]).value_or(-1);
                }
                QTest::addRow("%s, after report %d of %d (%s)",
                              settings == Settings::Default ? "default" : "seven macros", k, count,
                              CommandName(commands[static_cast<size_t>(k - 1)]))
                    << int(settings) << k << failure;
            }
        }
    }
    void theMouseGoneAfterEveryReportOfAnApply() {
        QFETCH(int, settings);
        QFETCH(int, taken);
        QFETCH(int, failure);
        Bench& bench = *benches_.at(settings);
        bench.reset();
        Rig& rig = *bench.rig;
        const size_t shownBefore = rig.messages.shown().size();
        rig.mouse.setFaults({.unplugAfterReports = static_cast<size_t>(taken)});

        QVERIFY(ApplyAndWait(rig));
        QVERIFY(!rig.mouse.pluggedIn());
        QCOMPARE(rig.mouse.reports().size(), size_t(taken));
        // The removal was heard while the apply ran, and said nothing of its own.
        QVERIFY(!rig.hooks.mouseHookInstalled());
        // Released: idle, the dialog closed, Apply up.
        QVERIFY(!rig.window->closing());
        QVERIFY(!rig.window->regionButton(mainwindow::kApplyButton)->isDown());
        std::vector<test::ShownMessage> told;
        if (failure >= 0) {
            told.push_back({test::BoxKind::InfoDialog, std::string(ApplyFailureText(failure))});
            QCOMPARE(FilesOf(rig), bench.files);
        } else {
            // Only steps whose result never counts were left: the apply is done and saved.
            QVERIFY(FilesOf(rig)["Profile/Profile1.cfg"] != bench.files.at("Profile/Profile1.cfg"));
        }
        QCOMPARE(ShownSince(rig, shownBefore), told);

        // Plugged in again, the mouse is announced, and a second apply writes it whole.
        rig.mouse.setFaults({});
        rig.mouse.plug();
        told.push_back({test::BoxKind::CountdownNotice, "The X5K gaming mouse is found."});
        QVERIFY(RunUntil([&] { return ShownSince(rig, shownBefore).size() == told.size(); }));
        QCOMPARE(ShownSince(rig, shownBefore), told);
        QVERIFY(rig.window->idle());
        QVERIFY(rig.hooks.mouseHookInstalled());
        QVERIFY(ApplyAndWait(rig));
        QCOMPARE(ShownSince(rig, shownBefore), told);
        QVERIFY(rig.mouse.state() == bench.clean);
        ProfileImage saved;
        QCOMPARE(rig.files.readInto(rig.dataFile("Profile/Profile1.cfg"), saved.bytes()),
                 FileError::None);
        QCOMPARE(saved.get(profile::kLightingColour), kColour);
        QCOMPARE(test::ReadBytes(rig.dataFile("Macro.cfg")), bench.files.at("Macro.cfg"));
        QVERIFY(!rig.window->closing());
    }

private:
    std::map<int, std::unique_ptr<Bench>> benches_;  // by settings
};

X5K_UI_TEST_CLASS(ApplyUnplugTest);
#include "ApplyUnplugTest.moc"

#include "device/ApplyWorker.h"

#include <algorithm>
#include <chrono>

#include "common/ByteRecord.h"
#include "common/DiagnosticLog.h"
#include "functions/FunctionCatalogue.h"
#include "macros/MacroImage.h"
#include "macros/MacroTable.h"

namespace x5k {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kStepPause{50};
constexpr milliseconds kFinalPause{300};
constexpr int kProgressPerButton = 7;
constexpr int kResolutionLevels = 5;

// The effect the mouse shows for a lighting mode; the steady and breathing modes take
// their own level from the profile.
lighting::EffectTriple EffectOf(const ProfileImage& image) {
    const int32_t mode = image.get(profile::kLightingMode);
    const lighting::ModeEffect* entry = lighting::FindModeEffect(mode);
    if (!entry) return lighting::kEffectOff;
    lighting::EffectTriple triple = entry->triple;
    if (entry->takesLevel) {
        const I32Field level =
            mode == lighting::kModeSteady ? profile::kMode1Level : profile::kMode2Level;
        triple[lighting::kLevelInTriple] = static_cast<uint8_t>(image.get(level));
    }
    return triple;
}

// The step that failed, with the cause, goes to the diagnostic log; the user sees the
// step's own text only.
int Failed(int code, std::string_view step, const SysResult& cause) {
    X5K_LOG("apply: ", step, " failed (code ", code, "): ", cause);
    return code;
}

// Steps whose result never fails an apply still leave their failure in the log.
void Ignored(std::string_view step, const SysResult& result) {
    if (!result) X5K_LOG("apply: ", step, " failed, which does not fail the apply: ", result);
}

}  // namespace

std::string_view ApplyFailureText(int code) {
    switch (code) {
        case kFailButtonMatrix:
            return "write mousekey metix fail.\n";
        case kFailLightingColour:
            return "Write mouse LED color failed.\n";
        case kFailLightingEffect:
            return "Write mouse effect failed.\n";
        case kFailBodyLighting:
            return "Write mouse touch failed.\n";
        case kFailResolutionTable:
            return "Write mouse DPI failed.\n";
        default:
            return {};
    }
}

std::optional<EncodedMacro> MacroTableSource::encodeMacro(int32_t macroId) {
    const std::optional<MacroRecord> record = table_.copyOf(macroId);
    if (!record || record->get(macro::kSizeTag) == 0) return std::nullopt;
    const MacroImage image = EncodeMacroImage(*record);
    return EncodedMacro{image.bytes, image.wordCount};
}

ApplyWorker::ApplyWorker(Services services) : s_(services) {}

ApplyWorker::~ApplyWorker() {
    stop();
}

void ApplyWorker::start() {
    if (thread_.joinable()) return;
    run_ = true;
    thread_ = std::thread([this] { loop(); });
}

void ApplyWorker::stop() {
    run_ = false;
    event_.set();
    if (thread_.joinable()) thread_.join();
    // A later start() must wait for a new request, not run the one that woke it to stop.
    event_.reset();
}

void ApplyWorker::loop() {
    for (;;) {
        event_.wait();
        if (!run_) return;
        event_.reset();
        runOnce();
    }
}

void ApplyWorker::progress(int percent) {
    // The progress dialog lives for the whole run of the program and queues what it is
    // sent, so a percentage posted before it is shown is still seen.
    s_.poster.post(Window::ProgressDialog, msg::kProgress, static_cast<uintptr_t>(percent), 0);
}

void ApplyWorker::runOnce() {
    s_.idle = false;
    X5K_LOG("apply: started");
    s_.clock.sleepFor(kStepPause);
    if (const auto failure = write()) {
        // The dialog would otherwise wait for a 100 % that never comes.
        s_.poster.post(Window::ProgressDialog, msg::kClose, 0, 0);
        s_.poster.post(Window::MainWindow, msg::kApplyFailed, 0, *failure);
        return;
    }
    s_.clock.sleepFor(kFinalPause);
    X5K_LOG("apply: succeeded");
    s_.poster.post(Window::MainWindow, msg::kApplySucceeded, 0, 0);
}

std::optional<int> ApplyWorker::write() {
    // Everything sent comes from one consistent copy taken now, so an edit made while
    // the mouse is being written can never tear a record.
    const ProfileSnapshot snapshot = s_.profile.snapshot();
    const ProfileImage& image = snapshot.image;

    ByteRecord<kButtonMatrixSize> matrix;
    int macroSlot = 1;
    int percent = 0;
    for (int b = 0; b < kButtonCount; ++b) {
        const uint32_t inputCode = ButtonPositionOf(b).inputCode;
        s_.blockList.BlockMouseCode(inputCode, /*remove=*/true);
        progress(percent);
        const int32_t code = image.get(profile::FunctionCode(b));
        std::optional<uint32_t> value = FixedDeviceValue(b, code, image.get(profile::KeyValue(b)));
        if (code == kFunctionMacro) {
            const int32_t id = snapshot.macroIds[static_cast<size_t>(b)];
            if (const auto macro = s_.macros.encodeMacro(id)) {
                s_.device.writeMacro(macroSlot, macro->image);
                s_.clock.sleepFor(kStepPause);
                value = matrix::MacroWord(static_cast<uint8_t>(macroSlot),
                                          static_cast<uint8_t>(macro->words));
                ++macroSlot;
            }
        } else if (code == kFunctionHostAction) {
            s_.blockList.BlockMouseCode(inputCode, /*remove=*/false);
        }
        if (value) {
            SetU32(matrix.bytes(), matrix::kWordSize * static_cast<size_t>(kMatrixSlotOfButton[b]),
                   *value);
            s_.clock.sleepFor(kStepPause);
        }
        percent += kProgressPerButton;
    }
    SetU32(matrix.bytes(), matrix::kWordSize * matrix::kSlotFixed, matrix::kFixedWord);
    if (const SysResult r = s_.device.writeButtonMatrix(matrix.bytes()); !r) {
        return Failed(kFailButtonMatrix, "write button matrix", r);
    }
    progress(60);

    if (const SysResult r =
            s_.device.setLightingColour(static_cast<uint32_t>(image.get(profile::kLightingColour)));
        !r) {
        return Failed(kFailLightingColour, "set lighting colour", r);
    }
    const lighting::EffectTriple effect = EffectOf(image);
    if (const SysResult r = s_.device.setLightingEffect(effect[0], effect[1], effect[2]); !r) {
        return Failed(kFailLightingEffect, "set lighting effect", r);
    }
    progress(70);

    const bool lightingOn = image.get(profile::kLightSwitch) == 1 &&
                            image.get(profile::kLightingMode) != lighting::kModeOff;
    if (const SysResult r = s_.device.setBodyLighting(lightingOn); !r) {
        return Failed(kFailBodyLighting, "set body lighting", r);
    }
    progress(75);

    std::array<uint8_t, kResolutionTableSize> table;
    table.fill(kUnusedResolution);
    int recognised = 0;
    for (int level = 0; level < kResolutionLevels; ++level) {
        const uint8_t resolutionCode = ResolutionCode(image.get(profile::Resolution(level)));
        if (resolutionCode != kUnusedResolution) ++recognised;
        table[static_cast<size_t>(level)] = resolutionCode;
        table[static_cast<size_t>(level + kResolutionTableLevels)] = resolutionCode;
    }
    if (const SysResult r = s_.device.writeResolutionTable(table); !r) {
        return Failed(kFailResolutionTable, "write resolution table", r);
    }
    Ignored("set resolution level", s_.device.setResolutionLevel(std::min(3, recognised)));
    progress(80);

    // The pointer settings never fail an apply; the main window is told after each.
    const auto pointerSetting = [&](std::string_view name, bool taken) {
        if (!taken) X5K_LOG("apply: the desktop did not take the ", name, " setting");
    };
    pointerSetting("pointer acceleration",
                   s_.pointer.setAcceleration(image.get(profile::kPrecision) != 0));
    s_.poster.send(Window::MainWindow, msg::kSettingChange, kSettingMouseAcceleration, 0);
    pointerSetting("pointer speed", s_.pointer.setSpeed(image.get(profile::kPointerSpeed)));
    s_.poster.send(Window::MainWindow, msg::kSettingChange, kSettingMouseSpeed, 0);
    pointerSetting("wheel scroll lines",
                   s_.pointer.setWheelScrollLines(image.get(profile::kScrollLines)));
    s_.poster.send(Window::MainWindow, msg::kSettingChange, kSettingWheelScrollLines, 0);
    progress(90);

    Ignored("set report rate", s_.device.setReportRate(image.get(profile::kReportRate)));
    progress(100);
    return std::nullopt;
}

}  // namespace x5k

#pragma once
// The apply worker: writes the whole working profile to the mouse in one fixed
// sequence on its own thread, sets the pointer settings the profile carries, reports
// progress to the progress dialog and the result to the main window. The main window
// saves the profile files only when it is told the apply succeeded.

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string_view>
#include <thread>

#include "profiles/ConfigStore.h"
#include "common/ManualResetEvent.h"
#include "device/UsbDriver.h"
#include "platform/Clock.h"
#include "platform/PointerSettings.h"
#include "platform/WindowMessages.h"

namespace x5k {

// Failure codes of an apply (lParam of the failure message) and the step that failed.
enum ApplyFailure : int {
    kFailButtonMatrix = 0,
    kFailLightingColour = 1,
    kFailLightingEffect = 2,
    kFailBodyLighting = 4,
    kFailResolutionTable = 5,
};

// The text the main window shows for a failure code; empty for an unknown code.
std::string_view ApplyFailureText(int code);

// A macro encoded for the mouse: the 512-byte image and the words it uses.
struct EncodedMacro {
    std::array<uint8_t, kMacroImageSize> image{};
    int words = 0;
};

// What the worker needs of the macro table.
class MacroSource {
public:
    virtual ~MacroSource() = default;
    // The macro with this identifier encoded for the mouse; nothing when no stored
    // macro has the identifier or its slot is empty.
    virtual std::optional<EncodedMacro> encodeMacro(int32_t macroId) = 0;
};

class MacroTable;

// The macro table as the worker's source: a copy of the record is taken under the
// table's lock, then encoded.
class MacroTableSource final : public MacroSource {
public:
    explicit MacroTableSource(const MacroTable& table) : table_(table) {}
    std::optional<EncodedMacro> encodeMacro(int32_t macroId) override;

private:
    const MacroTable& table_;
};

// The input hooks' list of mouse input codes whose presses are swallowed and reported,
// so the program can carry out a button's host action instead.
class MouseBlockList {
public:
    virtual ~MouseBlockList() = default;
    virtual void BlockMouseCode(uint32_t inputCode, bool remove) = 0;
};

// Every button of the profile fills one slot of the button matrix.
static_assert(kMatrixSlotOfButton.size() == kButtonCount);

class ApplyWorker {
public:
    struct Services {
        CUSBDriver& device;
        const ProfileSource& profile;
        MacroSource& macros;
        MouseBlockList& blockList;
        PointerSettings& pointer;
        MessagePoster& poster;
        Clock& clock;
        std::atomic<bool>& idle;  // the main window's idle flag: set while no apply runs
    };

    explicit ApplyWorker(Services services);
    ~ApplyWorker();
    ApplyWorker(const ApplyWorker&) = delete;
    ApplyWorker& operator=(const ApplyWorker&) = delete;

    // Starts the thread, which waits for the apply event.
    void start();
    // Signals the apply event.
    void trigger() { event_.set(); }
    // Clears the run flag, wakes the thread and waits for it to leave its loop.
    void stop();

    // One apply, on the calling thread: what the thread does after each wake-up.
    void runOnce();

private:
    void loop();
    std::optional<int> write();  // the failure code, or nothing on success
    void progress(int percent);

    Services s_;
    ManualResetEvent event_;
    std::atomic<bool> run_{true};
    std::thread thread_;
};

}  // namespace x5k

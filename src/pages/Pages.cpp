#include "pages/Pages.h"

#include <utility>
#include <vector>

#include "common/ByteRecord.h"
#include "platform/WindowMessages.h"

namespace x5k::pages {

CDlgMainSet::CDlgMainSet(QWidget* mainWindow, const InterfaceStrings& strings, bool chinese)
    : PageWindow(mainWindow, "settings", strings, chinese) {}

void CDlgMainSet::RefreshFromProfile() {
    update();
    emit refreshed();
}

void CDlgMainSet::ValidateScrollLines() {}

CDlgLEDSet::CDlgLEDSet(QWidget* mainWindow, const InterfaceStrings& strings, bool chinese)
    : PageWindow(mainWindow, "lighting", strings, chinese) {}

void CDlgLEDSet::RefreshLighting() {
    update();
    emit refreshed();
}

CDlgMacro::CDlgMacro(QWidget* mainWindow, const InterfaceStrings& strings, bool chinese)
    : PageWindow(mainWindow, "macros", strings, chinese) {}

void CDlgMacro::CloseGroupMenu() {}

void CDlgMacro::ToggleRecording() {
    recording_ = !recording_;
}

void CDlgMacro::ShowGroup(int group) {
    group_ = group;
    update();
}

void CDlgMacro::NormaliseLoopCounts() {}

CDlgSts::CDlgSts(QWidget* mainWindow, const InterfaceStrings& strings, bool chinese,
                 FileSystem& files, std::filesystem::path statisticsFile)
    : PageWindow(mainWindow, "statistics", strings, chinese),
      files_(files),
      file_(std::move(statisticsFile)) {
    // Six little-endian 32-bit counters; a short or missing file counts from zero.
    std::vector<uint8_t> bytes(kCounterCount * 4);
    const FileError read = files_.readInto(file_, bytes);
    if (read == FileError::None) {
        for (size_t i = 0; i < kCounterCount; ++i) counters_[i] = GetU32(bytes, 4 * i);
    }
    unreadable_ = read != FileError::None && read != FileError::NotFound;
}

CDlgSts::~CDlgSts() {
    SaveCounters();
}

bool CDlgSts::SaveCounters() {
    if (unreadable_) return false;
    std::vector<uint8_t> bytes(kCounterCount * 4);
    for (size_t i = 0; i < kCounterCount; ++i) SetU32(bytes, 4 * i, counters_[i]);
    return files_.replace(file_, bytes) == FileError::None;
}

std::span<const ui::MessageWindow::MessageEntry> CDlgSts::messageTable() const {
    static const MessageEntry table[] = {on(msg::kStatsMouseEvent, &CDlgSts::onMouseEvent)};
    return table;
}

intptr_t CDlgSts::onMouseEvent(uintptr_t wParam, intptr_t) {
    emit mouseEvent(static_cast<uint32_t>(wParam));
    return 0;
}

CDlgSupport::CDlgSupport(QWidget* mainWindow, const InterfaceStrings& strings, bool chinese)
    : PageWindow(mainWindow, "support", strings, chinese) {}

}  // namespace x5k::pages

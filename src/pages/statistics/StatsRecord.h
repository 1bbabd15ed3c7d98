#pragma once
// The statistics page's counters and their file "Sts.cfg": six unsigned 32-bit
// little-endian counters, 24 bytes. The page loads them once when it is made and writes
// them back when asked; nothing here needs a window.

#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "common/ByteRecord.h"
#include "platform/FileSystem.h"

namespace x5k::statistics {

// The counters in file order.
enum class Counter : size_t {
    LeftPresses,
    MiddlePresses,
    RightPresses,
    WheelForward,
    WheelBackward,
    PointerDistance,
};
inline constexpr size_t kCounterCount = 6;

class StatsRecord : public ByteRecord<kCounterCount * 4> {
public:
    uint32_t counter(Counter which) const { return GetU32(bytes(), offsetOf(which)); }
    void setCounter(Counter which, uint32_t value) { SetU32(bytes(), offsetOf(which), value); }

private:
    static constexpr size_t offsetOf(Counter which) { return 4 * static_cast<size_t>(which); }
};
static_assert(StatsRecord::kSize == 24);

// The counters kept in "Sts.cfg", read once and written back on request.
class StatsFile {
public:
    StatsFile(FileSystem& files, std::filesystem::path path);

    // Reads the file: a short file leaves the missing counters zero, a longer one is read
    // only as far as the record goes, and a missing one counts from zero. Returns what the
    // read found.
    FileError load();
    // Writes the counters back. A file that was there but could not be read is never
    // replaced: that would turn the user's counts into zeros.
    [[nodiscard]] bool save();
    // What the last save found (None when it wrote, or when it refused to replace an
    // unreadable file).
    FileError lastSaveError() const { return lastSaveError_; }

    StatsRecord& record() { return record_; }
    const StatsRecord& record() const { return record_; }
    const std::filesystem::path& path() const { return path_; }

private:
    FileSystem& files_;
    std::filesystem::path path_;
    StatsRecord record_;
    bool unreadable_ = false;
    FileError lastSaveError_ = FileError::None;
};

}  // namespace x5k::statistics

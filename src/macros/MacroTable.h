#pragma once
// The macro table: 500 macro slots held for the whole run, and "Macro.cfg", their raw
// image in the data folder. The user-interface thread changes the table; a writer thread
// of the store writes the file; the apply worker reads macros from another thread, so
// the table guards its slots with a lock and hands out copies, never references.

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "functions/Assignment.h"
#include "localisation/InterfaceStrings.h"
#include "macros/MacroRecord.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/UserMessages.h"
#include "profiles/ProfileImage.h"

namespace x5k {

// One line of a group's macro list, in slot order.
struct MacroListRow {
    std::string name;
    int32_t id = 0;
    bool operator==(const MacroListRow&) const = default;
};

enum class [[nodiscard]] StoreResult{
    Stored,
    Invalid,    // not a built record: short size tag, no used mark, or ID 0
    TableFull,  // no slot with the ID and no free slot; nothing is written or shown
};

class MacroTable {
public:
    static constexpr int kSlotCount = 500;
    static constexpr size_t kFileSize = kSlotCount * macro::kSize;
    static_assert(kFileSize == 2052000);

    MacroTable();
    MacroTable(const MacroTable&) = delete;
    MacroTable& operator=(const MacroTable&) = delete;

    // The 2,052,000 bytes of "Macro.cfg": every slot in order.
    std::vector<uint8_t> fileImage() const;
    // Replaces every slot from a file image; missing bytes read as zero and bytes past
    // the last slot are ignored.
    void loadImage(std::span<const uint8_t> bytes);

    // Copies, taken under the lock, so a store on another thread never tears them.
    MacroRecord slot(int index) const;
    std::optional<MacroRecord> copyOf(int32_t id) const;
    // The slot of the first record with this ID; none for ID 0, which names no macro.
    std::optional<int> slotOf(int32_t id) const;
    // The name of the first record with this ID; empty when there is none.
    std::string nameOf(int32_t id) const;
    // (name, ID) of every used slot whose ID carries `group`, in slot order.
    std::vector<MacroListRow> listGroup(int group) const;

    // An ID for a new macro of `group` made from the tick count. The low 24 bits of the
    // tick repeat every 4.6 hours; an ID already in the table is stepped past, so a new
    // macro never replaces an old one by chance.
    int32_t newId(int group, uint32_t tickMs) const;

    // Changes in memory only; MacroStore pairs each with a write of the file.
    // `put` replaces the slot holding the record's ID in place, else takes the lowest
    // free slot. Returns the slot used.
    std::optional<int> put(const MacroRecord& record);
    bool erase(int32_t id);
    bool rename(int32_t id, std::string_view name);

private:
    int find(int32_t id) const;  // -1 when absent; the caller holds the lock

    mutable std::mutex mutex_;
    std::vector<MacroRecord> slots_;
};

// True for a record StoreMacro accepts: built by BuildMacroRecord (size tag of at
// least one row, used mark) and with a macro ID.
bool IsStorable(const MacroRecord& record);

// The table together with its file. Every change updates the table at once and queues a
// write of the whole file on the store's writer thread, so the user-interface thread
// never waits for the pauses or the disk. Writes that queue up behind a running one
// become one write of the latest table. The file is replaced whole (a temporary file,
// then a rename), so a crash leaves the old or the new table, never a mixture.
//
// Messages are shown on the user-interface thread only: a write that has something to
// tell keeps it and calls `saveNotice` (from the writer thread); the window then calls
// showSaveProblems() on its own thread. flush() shows them too.
class MacroStore {
public:
    MacroStore(FileSystem& files, Clock& clock, UserMessages& messages,
               const InterfaceStrings& strings, std::filesystem::path dataFolder,
               std::function<void()> saveNotice = {});
    // Finishes a queued write (nothing is shown) and ends the writer thread.
    ~MacroStore();
    MacroStore(const MacroStore&) = delete;
    MacroStore& operator=(const MacroStore&) = delete;

    const MacroTable& table() const { return table_; }
    std::filesystem::path filePath() const { return dataFolder_ / "Macro.cfg"; }

    // Fills the table from "Macro.cfg" at start-up. A missing file is reported
    // (str_msg2 with the path) and leaves the table as it was; false when not read.
    bool loadFile();

    // Queues a write of the whole table and returns at once. On the writer thread an
    // existing file is replaced between two 100 ms pauses. A missing file is reported in
    // the "Info" box (str_msg2 with the path) and then created with the current table;
    // denied access is reported (str_msg4); other failures are silent.
    void saveFile();

    // Waits until no write is queued or running. Shows nothing.
    void waitForSaves();
    // Waits until the file holds the table as it is now: a queued write finishes, and
    // after a failed one the table is written once more. Then shows what the writes had
    // to tell. True when the file holds the table. User-interface thread only.
    bool flush();
    // Shows, once each, the messages of the writes that ended since the last call.
    // User-interface thread only.
    void showSaveProblems();

    // Stores a built record and queues a write (not when refused).
    StoreResult storeMacro(const MacroRecord& record);
    // Empties the slot holding `id` (if any) and queues a write in either case.
    void deleteMacro(int32_t id);
    // Changes only the name of the macro `id` and queues a write; false (nothing
    // written) when no slot holds it.
    bool renameMacro(int32_t id, std::string_view name);

    // For the assignment code: the name of the first slot with an ID.
    MacroNameLookup nameLookup() const;

private:
    enum class SaveProblem { Missing, Denied };
    // One write on the writer thread; true when the file holds the image written.
    bool writeFile(std::vector<SaveProblem>& problems);
    void writerLoop();

    FileSystem& files_;
    Clock& clock_;
    UserMessages& messages_;
    const InterfaceStrings& strings_;
    std::filesystem::path dataFolder_;
    std::function<void()> saveNotice_;
    MacroTable table_;

    // The writer's state. A change counts up `changes_` after it reached the table; a
    // write notes the count before it copies the table, so the file holds at least the
    // changes counted when the write succeeds.
    std::mutex stateMutex_;
    std::condition_variable stateChanged_;
    uint64_t changes_ = 0;
    uint64_t savedChanges_ = 0;  // the count the file is known to hold
    bool queued_ = false;
    bool running_ = false;
    bool stopping_ = false;
    std::vector<SaveProblem> problems_;  // kept for showSaveProblems()
    std::thread writer_;
};

// True when `id` is the macro of any button in any of the five profile entries, or of
// a working-profile button whose function is "macro". ID 0 binds nothing.
bool IsMacroBound(int32_t id, const ConfigBlock& block, const ProfileImage& image);

}  // namespace x5k

#include "macros/MacroTable.h"

#include <algorithm>
#include <chrono>

#include "common/TextFormat.h"
#include "functions/FunctionCatalogue.h"

namespace x5k {
namespace {

// An existing file is rewritten between two pauses of this length. Every change costs
// them; a change is one user action, so nobody waits on them in a loop.
constexpr std::chrono::milliseconds kSavePause{100};

}  // namespace

bool IsStorable(const MacroRecord& record) {
    return static_cast<uint32_t>(record.get(macro::kSizeTag)) >= macro::kSize &&
           static_cast<uint32_t>(record.get(macro::kFormatTag)) >> 16 == macro::kUsedMark &&
           record.get(macro::kMacroId) != 0;
}

// ---------------------------------------------------------------- MacroTable

MacroTable::MacroTable() : slots_(kSlotCount) {}

std::vector<uint8_t> MacroTable::fileImage() const {
    std::vector<uint8_t> bytes;
    bytes.reserve(kFileSize);
    std::lock_guard lock(mutex_);
    for (const MacroRecord& slot : slots_) {
        bytes.insert(bytes.end(), slot.bytes().begin(), slot.bytes().end());
    }
    return bytes;
}

void MacroTable::loadImage(std::span<const uint8_t> bytes) {
    std::lock_guard lock(mutex_);
    for (size_t s = 0; s < slots_.size(); ++s) {
        const auto out = slots_[s].bytes();
        const size_t from = std::min(bytes.size(), s * macro::kSize);
        const size_t n = std::min(bytes.size() - from, macro::kSize);
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(from), n, out.begin());
        std::fill(out.begin() + static_cast<std::ptrdiff_t>(n), out.end(), uint8_t{0});
    }
}

int MacroTable::find(int32_t id) const {
    if (id == 0) return -1;
    for (size_t s = 0; s < slots_.size(); ++s) {
        if (slots_[s].get(macro::kMacroId) == id) return static_cast<int>(s);
    }
    return -1;
}

MacroRecord MacroTable::slot(int index) const {
    std::lock_guard lock(mutex_);
    if (index < 0 || index >= kSlotCount) return {};
    return slots_[static_cast<size_t>(index)];
}

std::optional<MacroRecord> MacroTable::copyOf(int32_t id) const {
    std::lock_guard lock(mutex_);
    const int s = find(id);
    if (s < 0) return std::nullopt;
    return slots_[static_cast<size_t>(s)];
}

std::optional<int> MacroTable::slotOf(int32_t id) const {
    std::lock_guard lock(mutex_);
    const int s = find(id);
    if (s < 0) return std::nullopt;
    return s;
}

std::string MacroTable::nameOf(int32_t id) const {
    std::lock_guard lock(mutex_);
    const int s = find(id);
    return s < 0 ? std::string() : slots_[static_cast<size_t>(s)].text(macro::kName);
}

std::vector<MacroListRow> MacroTable::listGroup(int group) const {
    std::vector<MacroListRow> rows;
    std::lock_guard lock(mutex_);
    for (const MacroRecord& slot : slots_) {
        const int32_t id = slot.get(macro::kMacroId);
        if (IsInUse(slot) && macro::GroupOf(id) == group) {
            rows.push_back({slot.text(macro::kName), id});
        }
    }
    return rows;
}

int32_t MacroTable::newId(int group, uint32_t tickMs) const {
    std::lock_guard lock(mutex_);
    // At most 500 IDs are taken, so at most 500 steps find a free one.
    uint32_t low = tickMs & macro::kValueMask;
    int32_t id = macro::MakeMacroId(group, low);
    while (id == 0 || find(id) >= 0) id = macro::MakeMacroId(group, ++low);
    return id;
}

std::optional<int> MacroTable::put(const MacroRecord& record) {
    if (!IsStorable(record)) return std::nullopt;
    std::lock_guard lock(mutex_);
    int s = find(record.get(macro::kMacroId));
    if (s < 0) {
        const auto free = std::find_if(slots_.begin(), slots_.end(), IsFree);
        if (free == slots_.end()) return std::nullopt;
        s = static_cast<int>(free - slots_.begin());
    }
    MacroRecord& slot = slots_[static_cast<size_t>(s)];
    // Every field of the slot comes from the record, except that events past its count
    // are cleared and a count above 1000 is limited to what the slot holds.
    slot = record;
    const int count = EventCountOf(record);
    slot.set(macro::kEventCount, count);
    for (int i = count; i < macro::kMaxEvents; ++i) slot.set(macro::Event(i), 0);
    return s;
}

bool MacroTable::erase(int32_t id) {
    std::lock_guard lock(mutex_);
    const int s = find(id);
    if (s < 0) return false;
    slots_[static_cast<size_t>(s)].clear();
    return true;
}

bool MacroTable::rename(int32_t id, std::string_view name) {
    std::lock_guard lock(mutex_);
    const int s = find(id);
    if (s < 0) return false;
    slots_[static_cast<size_t>(s)].setText(macro::kName, name);
    return true;
}

// ---------------------------------------------------------------- MacroStore

MacroStore::MacroStore(FileSystem& files, Clock& clock, UserMessages& messages,
                       const InterfaceStrings& strings, std::filesystem::path dataFolder,
                       std::function<void()> saveNotice)
    : files_(files),
      clock_(clock),
      messages_(messages),
      strings_(strings),
      dataFolder_(std::move(dataFolder)),
      saveNotice_(std::move(saveNotice)),
      writer_([this] { writerLoop(); }) {}

MacroStore::~MacroStore() {
    {
        std::lock_guard lock(stateMutex_);
        stopping_ = true;
    }
    stateChanged_.notify_all();
    writer_.join();
}

bool MacroStore::loadFile() {
    const auto path = filePath();
    std::vector<uint8_t> bytes(MacroTable::kFileSize);
    const FileError error = files_.readInto(path, bytes);
    if (error == FileError::None) {
        table_.loadImage(bytes);
        return true;
    }
    if (error == FileError::NotFound) {
        messages_.showInfoDialog(FormatText(strings_.get("str_msg2"), {path.string()}),
                                 BoxButtons::Ok);
    }
    return false;
}

void MacroStore::saveFile() {
    {
        std::lock_guard lock(stateMutex_);
        ++changes_;
        queued_ = true;
    }
    stateChanged_.notify_all();
}

void MacroStore::waitForSaves() {
    std::unique_lock lock(stateMutex_);
    stateChanged_.wait(lock, [this] { return !queued_ && !running_; });
}

bool MacroStore::flush() {
    bool current = false;
    {
        std::unique_lock lock(stateMutex_);
        stateChanged_.wait(lock, [this] { return !queued_ && !running_; });
        if (savedChanges_ != changes_) {
            // The last write failed: the table is tried once more, so that an exit or an
            // apply does not leave the file behind the table when the fault has gone.
            queued_ = true;
            stateChanged_.notify_all();
            stateChanged_.wait(lock, [this] { return !queued_ && !running_; });
        }
        current = savedChanges_ == changes_;
    }
    showSaveProblems();
    return current;
}

void MacroStore::showSaveProblems() {
    std::vector<SaveProblem> problems;
    {
        std::lock_guard lock(stateMutex_);
        problems.swap(problems_);
    }
    // Taken out first: a box runs a message loop, in which a later notice may come.
    for (const SaveProblem problem : problems) {
        if (problem == SaveProblem::Missing) {
            messages_.showInfoBox(FormatText(strings_.get("str_msg2"), {filePath().string()}));
        } else {
            messages_.showInfoBox(strings_.get("str_msg4"));
        }
    }
}

void MacroStore::writerLoop() {
    std::unique_lock lock(stateMutex_);
    for (;;) {
        stateChanged_.wait(lock, [this] { return queued_ || stopping_; });
        // A write queued before the end is still done: the last change reaches the file.
        if (!queued_) return;
        queued_ = false;
        running_ = true;
        const uint64_t changes = changes_;
        lock.unlock();
        std::vector<SaveProblem> problems;
        const bool written = writeFile(problems);
        lock.lock();
        if (!problems.empty()) {
            problems_.insert(problems_.end(), problems.begin(), problems.end());
            // Told before the write counts as done, so whoever waits for the writes
            // finds the notice given.
            if (saveNotice_) {
                lock.unlock();
                saveNotice_();
                lock.lock();
            }
        }
        running_ = false;
        if (written) savedChanges_ = std::max(savedChanges_, changes);
        stateChanged_.notify_all();
    }
}

bool MacroStore::writeFile(std::vector<SaveProblem>& problems) {
    const auto path = filePath();
    FileError error;
    if (files_.exists(path)) {
        clock_.sleepFor(kSavePause);
        // The table is copied after the first pause, so changes made meanwhile go along.
        error = files_.replace(path, table_.fileImage());
        clock_.sleepFor(kSavePause);
    } else {
        // A file that vanished is created afresh with the whole table, so it never
        // holds less than the program has in memory.
        problems.push_back(SaveProblem::Missing);
        error = files_.replace(path, table_.fileImage());
    }
    // Denied access is reported whether the file existed or not: otherwise a
    // write-protected file would drop every change at the next start without a word.
    if (error == FileError::AccessDenied) problems.push_back(SaveProblem::Denied);
    return error == FileError::None;
}

StoreResult MacroStore::storeMacro(const MacroRecord& record) {
    if (!IsStorable(record)) return StoreResult::Invalid;
    if (!table_.put(record)) return StoreResult::TableFull;
    saveFile();
    return StoreResult::Stored;
}

void MacroStore::deleteMacro(int32_t id) {
    table_.erase(id);
    saveFile();
}

bool MacroStore::renameMacro(int32_t id, std::string_view name) {
    if (!table_.rename(id, name)) return false;
    saveFile();
    return true;
}

MacroNameLookup MacroStore::nameLookup() const {
    return [this](int32_t id) { return table_.nameOf(id); };
}

// ---------------------------------------------------------------- bindings

bool IsMacroBound(int32_t id, const ConfigBlock& block, const ProfileImage& image) {
    if (id == 0) return false;
    for (int e = 0; e < kProfileCount; ++e) {
        for (int b = 0; b < kButtonCount; ++b) {
            if (block.get(config::MacroId(e, b)) == id) return true;
        }
    }
    for (int b = 0; b < kButtonCount; ++b) {
        if (image.get(profile::FunctionCode(b)) == kFunctionMacro &&
            image.get(profile::MacroId(b)) == id) {
            return true;
        }
    }
    return false;
}

}  // namespace x5k

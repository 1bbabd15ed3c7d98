// "Macro.cfg" written on the store's writer thread: edits never wait for the file,
// writes queued behind a running one become one, failures come back to the window's
// thread once each, and a process killed at any moment leaves a whole file.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <random>

#include "macros/MacroTable.h"
#include "platform/linux/PosixFileSystem.h"
#include "support/FaultyFileSystem.h"
#include "support/RecordingUserMessages.h"
#include "support/SampleMacro.h"
#include "support/TempFolder.h"
#include "support/VirtualClock.h"

namespace x5k {
namespace {

using namespace std::chrono_literals;
using test::BoxKind;
using test::ReadBytes;
using test::SampleMacro;
using test::ShownMessage;
using test::WriteBytes;

// A clock whose pauses hold the writer until the test opens the gate, so a test can
// edit while a write is running.
class GateClock final : public Clock {
public:
    void sleepFor(std::chrono::milliseconds duration) override {
        std::unique_lock lock(mutex_);
        pauses_.push_back(duration);
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
    }
    uint32_t tickMs() override { return 0; }
    void waitForPauses(size_t count) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return pauses_.size() >= count; });
    }
    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    size_t pauseCount() {
        std::lock_guard lock(mutex_);
        return pauses_.size();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::chrono::milliseconds> pauses_;
    bool open_ = false;
};

InterfaceStrings Strings() {
    InterfaceStrings strings;
    strings.set("str_msg2", "Cannot open or create %s");
    strings.set("str_msg4", "Access denied");
    return strings;
}

enum class Edit { Store, Rename, Delete };

void Apply(MacroStore& store, Edit edit, int n) {
    const int32_t id = 0x15000001 + n % 3;
    switch (edit) {
        case Edit::Store:
            (void)store.storeMacro(SampleMacro(id, "m" + std::to_string(n)));
            break;
        case Edit::Rename:
            (void)store.renameMacro(id, "r" + std::to_string(n));
            break;
        case Edit::Delete:
            store.deleteMacro(id);
            break;
    }
}

TEST(MacroWriterTest, EditsBehindARunningWriteBecomeOneWrite) {
    struct Case {
        const char* what;
        std::vector<Edit> behind;  // edits made while the first write waits in its pause
        int writes;
    };
    const Case cases[] = {
        {"one edit alone", {}, 1},
        {"one edit behind", {Edit::Store}, 2},
        {"store, rename and delete behind",
         {Edit::Store, Edit::Rename, Edit::Delete, Edit::Store, Edit::Rename},
         2},
    };
    const InterfaceStrings strings = Strings();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempFolder folder;
        test::FaultyFileSystem files;
        GateClock clock;
        test::RecordingUserMessages messages;
        MacroStore store{files, clock, messages, strings, folder.path()};
        WriteBytes(store.filePath(), std::vector<uint8_t>(MacroTable::kFileSize, 0));

        Apply(store, Edit::Store, 0);
        clock.waitForPauses(1);  // the writer holds in its first pause
        int n = 1;
        for (const Edit edit : c.behind) Apply(store, edit, n++);  // none of them waits
        clock.open();

        EXPECT_TRUE(store.flush());
        EXPECT_EQ(files.writeCount(), c.writes);
        EXPECT_EQ(clock.pauseCount(), static_cast<size_t>(2 * c.writes));
        EXPECT_EQ(ReadBytes(store.filePath()), store.table().fileImage());
        EXPECT_TRUE(messages.shown().empty());
    }
}

TEST(MacroWriterTest, FailuresComeBackOnceAndTheKeptTableIsWrittenLater) {
    struct Case {
        const char* what;
        bool fileExists;
        std::optional<FileError> fault;
        std::vector<const char*> shown;  // "missing" stands for str_msg2 with the path
        bool retriedByFlush;             // flush writes again once the fault has gone
        bool stillMissing;               // and that write tells the file was missing
    };
    // clang-format off
    const Case cases[] = {
        {"written",                  true,  std::nullopt,            {},                           false, false},
        {"created after the notice", false, std::nullopt,            {"missing"},                  false, false},
        {"write-protected",          true,  FileError::AccessDenied, {"Access denied"},            true,  false},
        {"creation denied",          false, FileError::AccessDenied, {"missing", "Access denied"}, true,  true},
        {"other failure, silent",    true,  FileError::Other,        {},                           true,  false},
    };
    // clang-format on
    const InterfaceStrings strings = Strings();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempFolder folder;
        test::FaultyFileSystem files;
        test::VirtualClock clock;
        test::RecordingUserMessages messages;
        std::atomic<int> notices{0};
        MacroStore store{files, clock, messages, strings, folder.path(), [&] { ++notices; }};
        const std::vector<uint8_t> old(MacroTable::kFileSize, 0);
        if (c.fileExists) WriteBytes(store.filePath(), old);
        if (c.fault) files.failWrites(store.filePath(), *c.fault);

        ASSERT_EQ(store.storeMacro(SampleMacro(0x15000001, "kept")), StoreResult::Stored);
        store.waitForSaves();
        EXPECT_EQ(notices.load(), c.shown.empty() ? 0 : 1);
        EXPECT_TRUE(messages.shown().empty());  // nothing from the writer's thread
        store.showSaveProblems();
        store.showSaveProblems();  // each failing write is told once
        std::vector<ShownMessage> expected;
        for (const char* text : c.shown) {
            expected.push_back(
                {BoxKind::InfoBox, std::string_view(text) == "missing"
                                       ? "Cannot open or create " + store.filePath().string()
                                       : std::string(text)});
        }
        EXPECT_EQ(messages.shown(), expected);

        const int writes = files.writeCount();
        files.clearWriteFault(store.filePath());
        EXPECT_TRUE(store.flush());
        EXPECT_EQ(files.writeCount(), writes + (c.retriedByFlush ? 1 : 0));
        EXPECT_EQ(ReadBytes(store.filePath()), store.table().fileImage());
        if (c.stillMissing) expected.push_back(expected.front());
        EXPECT_EQ(messages.shown(), expected);
    }
}

TEST(MacroWriterTest, AFlushThatStillFailsSaysSoAndTheEndStillWrites) {
    const InterfaceStrings strings = Strings();
    test::TempFolder folder;
    test::FaultyFileSystem files;
    test::VirtualClock clock;
    test::RecordingUserMessages messages;
    {
        MacroStore store{files, clock, messages, strings, folder.path()};
        WriteBytes(store.filePath(), std::vector<uint8_t>(MacroTable::kFileSize, 0));
        files.failWrites(store.filePath(), FileError::AccessDenied);
        store.deleteMacro(0x15000001);
        EXPECT_FALSE(store.flush());
        // The edit's write and the flush's second try each tell.
        EXPECT_EQ(messages.texts(), (std::vector<std::string>{"Access denied", "Access denied"}));
        files.clearWriteFault(store.filePath());
        (void)store.storeMacro(SampleMacro(0x15000002, "last"));
    }  // the store ends with the queued write done
    test::VirtualClock otherClock;
    MacroStore reread{files, otherClock, messages, strings, folder.path()};
    ASSERT_TRUE(reread.loadFile());
    EXPECT_EQ(reread.table().nameOf(0x15000002), "last");
}

// ---------------------------------------------------------------- kill -9

// Version `v` of the table: 499 fixed macros and, in the first slot, one whose name and
// events carry v.
MacroRecord Versioned(uint32_t v) {
    using namespace macro;
    MacroRecord record = SampleMacro(0x15000001, std::to_string(v));
    record.set(kSizeTag,
               static_cast<int32_t>(kSizeTagBase + 4 * static_cast<uint32_t>(kMaxEvents)));
    record.set(kEventCount, kMaxEvents);
    for (int i = 0; i < kMaxEvents; ++i) {
        record.set(Event(i), static_cast<int32_t>(MakeEvent(kPress, 1 + (v + i) % 200)));
    }
    return record;
}

std::vector<uint8_t> VersionImage(uint32_t v) {
    static const std::vector<uint8_t> filled = [] {
        MacroTable table;
        for (int s = 0; s < MacroTable::kSlotCount; ++s)
            (void)table.put(SampleMacro(0x01000000 + s, "fill"));
        return table.fileImage();
    }();
    std::vector<uint8_t> image = filled;
    const MacroRecord first = Versioned(v);
    std::copy(first.bytes().begin(), first.bytes().end(), image.begin());
    return image;
}

// The child edits for ever: each round one new version, flushed, then its number sent.
[[noreturn]] void EditUntilKilled(const std::filesystem::path& folder, int ackFd) {
    PosixFileSystem files;
    test::VirtualClock clock;
    test::RecordingUserMessages messages;
    const InterfaceStrings strings = Strings();
    MacroStore store{files, clock, messages, strings, folder};
    if (!store.loadFile()) _exit(3);
    uint32_t v = static_cast<uint32_t>(std::stoul(store.table().nameOf(0x15000001)));
    for (;;) {
        ++v;
        (void)store.storeMacro(Versioned(v));
        if (!store.flush()) _exit(4);
        if (::write(ackFd, &v, sizeof v) != sizeof v) _exit(5);
    }
}

// A folder in memory where there is one: a kill leaves the page cache as it was, so the
// file's fate is the same as on a disk, without waiting for the disk's syncs.
struct MemoryFolder {
    MemoryFolder() {
        std::error_code error;
        if (std::filesystem::is_directory("/dev/shm", error)) {
            std::string pattern = "/dev/shm/x5k-test-XXXXXX";
            if (::mkdtemp(pattern.data()) != nullptr) path = pattern;
        }
        if (path.empty()) path = fallback.path();
    }
    ~MemoryFolder() {
        std::error_code error;
        if (path != fallback.path()) std::filesystem::remove_all(path, error);
    }
    test::TempFolder fallback;
    std::filesystem::path path;
};

TEST(MacroFileKill, AKilledEditorLeavesTheOldOrTheNewFile) {
    MemoryFolder folder;
    const std::filesystem::path file = folder.path / "Macro.cfg";
    WriteBytes(file, VersionImage(0));
    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> delayUs(0, 4000);
    uint32_t acked = 0;
    for (int round = 0; round < 30; ++round) {
        SCOPED_TRACE(round);
        int ack[2];
        ASSERT_EQ(::pipe(ack), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ack[0]);
            EditUntilKilled(folder.path, ack[1]);
        }
        ::close(ack[1]);
        uint32_t v = 0;
        // Every other round the kill comes right after a finished edit, while the next
        // one is being written; the others may hit the start-up or the first write.
        if (round % 2 == 1) {
            ASSERT_EQ(::read(ack[0], &v, sizeof v), static_cast<ssize_t>(sizeof v));
            acked = v;
        }
        ::usleep(static_cast<useconds_t>(delayUs(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the editor ended by itself: " << status;
        while (::read(ack[0], &v, sizeof v) == sizeof v) acked = v;
        ::close(ack[0]);

        const std::vector<uint8_t> bytes = ReadBytes(file);
        ASSERT_EQ(bytes.size(), MacroTable::kFileSize);
        MacroTable table;
        table.loadImage(bytes);
        const uint32_t found = static_cast<uint32_t>(std::stoul(table.nameOf(0x15000001)));
        ASSERT_TRUE(found == acked || found == acked + 1) << found << " after " << acked;
        ASSERT_EQ(bytes, VersionImage(found));
        acked = found;
    }
    EXPECT_GE(acked, 15u);  // every round that waited for an edit kept it
}

}  // namespace
}  // namespace x5k

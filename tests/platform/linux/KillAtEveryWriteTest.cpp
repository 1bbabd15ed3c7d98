// A save killed at any moment leaves each file it concerns whole: its old content or its
// new one, readable by its owner, and nothing else but temporary files "<name>.XXXXXX"
// that a later start removes. Each save runs the program's own code in a forked child
// whose file system kills it before its k-th change of the disk, for k = 1, 2, ... until
// the save completes.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "device/emulator/MouseStateFile.h"
#include "gui/Autostart.h"
#include "localisation/Localisation.h"
#include "macros/MacroTable.h"
#include "pages/statistics/StatsRecord.h"
#include "pages/support/UpdateCheck.h"
#include "platform/linux/PosixFileSystem.h"
#include "platform/linux/StaleTemporaries.h"
#include "profiles/ConfigStore.h"
#include "profiles/DefaultFiles.h"
#include "profiles/Folders.h"
#include "support/RecordingShell.h"
#include "support/RecordingUserMessages.h"
#include "support/SampleMacro.h"
#include "support/TempFolder.h"
#include "support/VirtualClock.h"

namespace x5k {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using test::RecordingUserMessages;
using test::TempFolder;

// The folders a save works in, below one test folder.
struct World {
    fs::path root;
    fs::path program() const { return root / "program"; }
    fs::path data() const { return root / "data"; }
};

// A file's state: its size, a hash of its bytes, and whether its owner may read it. A
// file of up to 2 MB is read at every step, so only its hash is kept.
struct FileState {
    size_t size = 0;
    size_t hash = 0;
    bool ownerReads = false;
    bool operator==(const FileState&) const = default;
};
using Snapshot = std::map<std::string, FileState>;  // by path below the root

FileState Read(const fs::path& path) {
    static std::string buffer;  // kept: a fresh buffer would fault in its pages each time
    FileState state;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return state;
    state.ownerReads = (info.st_mode & S_IRUSR) != 0;
    // Root reads a file whatever its mode, and the test runs as root or not.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return state;
    buffer.resize(static_cast<size_t>(info.st_size) + 1);
    ssize_t n = 0;
    while ((n = ::read(fd, buffer.data() + state.size, buffer.size() - state.size)) > 0) {
        state.size += static_cast<size_t>(n);
        if (state.size == buffer.size()) buffer.resize(2 * buffer.size());
    }
    ::close(fd);
    state.hash = std::hash<std::string_view>{}(std::string_view(buffer).substr(0, state.size));
    return state;
}

// Every file below the root but the program folder, which the saves only read.
Snapshot Take(const fs::path& root) {
    Snapshot files;
    std::error_code error;
    for (auto entry = fs::recursive_directory_iterator(root, error);
         entry != fs::recursive_directory_iterator(); entry.increment(error)) {
        if (entry->path() == root / "program") entry.disable_recursion_pending();
        if (entry->is_directory(error)) continue;
        files[entry->path().lexically_relative(root).string()] = Read(entry->path());
    }
    return files;
}

// One save of the program.
struct SavePath {
    const char* name;  // the test's name
    std::function<void(const World&)> setup;            // the old files, made by the test
    std::function<bool(FileSystem&, const World&)> save;  // run in the child
    std::vector<std::string> files;                     // the files it writes
    // What a later start does; when it `completes`, every file then holds the new content.
    std::function<void(FileSystem&, const World&)> nextStart = {};
    bool completes = false;
    std::vector<std::string> mayStay = {};  // besides temporaries, until the next start
};

// A count shared with the child: the steps it began and the name of the last one.
struct Steps {
    std::atomic<int> count;
    char last[48];
};

// Runs the save in a child killed before its `killAt`-th step (never when 0). Returns the
// child's wait status.
int RunChild(const SavePath& row, const World& world, Steps& steps, int killAt) {
    steps.count = 0;
    std::memset(steps.last, 0, sizeof steps.last);
    const pid_t child = ::fork();
    if (child != 0) {
        int status = -1;
        if (child > 0) ::waitpid(child, &status, 0);
        return status;
    }
    PosixFileSystem files([&steps, killAt](std::string_view step) {
        const int k = ++steps.count;
        const size_t n = std::min(step.size(), sizeof steps.last - 1);
        std::memcpy(steps.last, step.data(), n);
        steps.last[n] = '\0';
        if (k == killAt) ::raise(SIGKILL);
    });
    _exit(row.save(files, world) ? 0 : 2);
}

// Removes everything the setup made but the program folder, which no save changes.
void Clear(const World& world) {
    for (const auto& entry : fs::directory_iterator(world.root)) {
        if (entry.path() != world.program()) fs::remove_all(entry.path());
    }
}

// "Profile/Profile1.cfg.Ab3xYz" is a temporary of "Profile/Profile1.cfg".
bool IsTemporaryOfAny(const std::string& path, const std::vector<std::string>& files) {
    const fs::path p(path);
    return std::any_of(files.begin(), files.end(), [&](const std::string& file) {
        const fs::path f(file);
        return p.parent_path() == f.parent_path() &&
               IsTemporaryOf(p.filename().string(), f.filename().string());
    });
}

bool Contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

// Every file the save writes holds its old or its new state (with `onlyNew`, its new
// one), readable by its owner; every other file is as it was, and what the save added
// is a temporary of one of its files or allowed to stay (`strays` false: neither).
void ExpectWhole(const SavePath& row, const Snapshot& before, const Snapshot& after,
                 const Snapshot& found, bool onlyNew, bool strays) {
    const auto at = [](const Snapshot& files, const std::string& file) -> const FileState* {
        const auto found = files.find(file);
        return found == files.end() ? nullptr : &found->second;
    };
    const auto same = [](const FileState* a, const FileState* b) {
        return a == b || (a && b && *a == *b);
    };
    for (const std::string& file : row.files) {
        const FileState* state = at(found, file);
        const FileState* oldState = at(before, file);
        const FileState* newState = at(after, file);
        if (state && !state->ownerReads) ADD_FAILURE() << file << ": the owner cannot read it";
        if (same(state, newState)) continue;
        if (onlyNew) {
            ADD_FAILURE() << file << ": not the new content after the next start";
        } else if (!same(state, oldState)) {
            ADD_FAILURE() << file << (state ? ": torn (" + std::to_string(state->size) +
                                                  " bytes, neither old nor new)"
                                            : std::string(": missing"));
        }
    }
    for (const auto& [path, state] : found) {
        if (Contains(row.files, path)) continue;
        if (const auto old = before.find(path); old != before.end()) {
            EXPECT_TRUE(state == old->second) << path << " changed, which the save does not write";
        } else if (!strays || (!Contains(row.mayStay, path) && !IsTemporaryOfAny(path, row.files) &&
                               !IsTemporaryOfAny(path, row.mayStay))) {
            ADD_FAILURE() << path << " was left behind";
        }
    }
    for (const auto& [path, state] : before) {
        if (!Contains(row.files, path) && !found.contains(path)) {
            ADD_FAILURE() << path << " was removed, which the save does not write";
        }
    }
}

// The data folder's mending at start, with a clock far enough ahead that every temporary
// counts as stale.
void MendAtStart(const World& world) {
    RemoveStaleDataTemporaries(world.data(), std::time(nullptr) + 3600);
    RestoreOwnerRead(world.data());
}

// Runs the row with k = 1, 2, ... and returns the number of kill points.
int KillAtEveryStep(const SavePath& row) {
    TempFolder folder(test::MemoryBase());
    if (folder.path().empty()) {
        ADD_FAILURE() << "no test folder";
        return 0;
    }
    const World world{folder.path()};
    void* shared = ::mmap(nullptr, sizeof(Steps), PROT_READ | PROT_WRITE,
                          MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED) {
        ADD_FAILURE() << "no shared memory";
        return 0;
    }
    auto* steps = new (shared) Steps{};
    PosixFileSystem plain;

    row.setup(world);
    const Snapshot before = Take(world.root);
    const int status = RunChild(row, world, *steps, 0);
    const int total = steps->count;
    const Snapshot after = Take(world.root);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the save failed: " << status;
    for (const std::string& file : row.files) {
        EXPECT_TRUE(!before.contains(file) || !after.contains(file) ||
                    before.at(file) != after.at(file))
            << file << " is not changed by the save";
    }
    ExpectWhole(row, before, after, after, false, false);

    for (int k = 1; k <= total && !::testing::Test::HasFailure(); ++k) {
        Clear(world);
        row.setup(world);
        const int killed = RunChild(row, world, *steps, k);
        SCOPED_TRACE("killed before step " + std::to_string(k) + " of " +
                     std::to_string(total) + " (" + steps->last + ")");
        EXPECT_TRUE(WIFSIGNALED(killed) && WTERMSIG(killed) == SIGKILL) << killed;
        ExpectWhole(row, before, after, Take(world.root), false, true);
        if (row.nextStart) {
            SCOPED_TRACE("after the next start");
            row.nextStart(plain, world);
            ExpectWhole(row, before, after, Take(world.root), row.completes, false);
        }
    }
    ::munmap(shared, sizeof(Steps));
    return total;
}

// ------------------------------------------------------------------ the saves

Bytes Filled(size_t size, uint8_t value) {
    return Bytes(size, value);
}

void Write(const fs::path& path, const Bytes& bytes) {
    test::WriteBytes(path, bytes);
}

// The shipped files written as a seeded data folder holds them.
const std::vector<DefaultFile>& Shipped() {
    static const std::vector<DefaultFile> files = DefaultDataFiles();
    return files;
}

// The shipped files as a seeded data folder holds them; the 2 MB macro file only for the
// save that reads it.
void SeededData(const World& world, bool withMacros) {
    for (const DefaultFile& file : Shipped()) {
        if (withMacros || file.relativePath != "Macro.cfg") {
            Write(world.data() / file.relativePath, file.bytes);
        }
    }
}

InterfaceStrings Strings() {
    InterfaceStrings strings;
    strings.set("str_msg2", "Cannot open or create %s");
    strings.set("str_msg4", "Access denied");
    strings.set("str_msg5", "Access denied");
    return strings;
}

class ScriptedDownloader final : public Downloader {
public:
    DownloadResult get(const std::string& url, size_t, const Progress&, const Cancel&) override {
        const auto found = bodies.find(url);
        if (found == bodies.end()) return {DownloadStatus::Failed, {}, "not served"};
        return {DownloadStatus::Ok, found->second, {}};
    }
    std::map<std::string, std::string> bodies;
};

class NoFlasherHost final : public supportpage::UpdateHost {
public:
    std::string firmwareVersion() override { return "1"; }
    bool chineseInterface() override { return false; }
    supportpage::UpdateTexts texts() override { return {}; }
    bool isExecutable(const fs::path&) override { return false; }
    void closeProgram() override {}
};

std::string UpdateDescription(int current) {
    return "<update><firmware><current>" + std::to_string(current) +
           "</current><newfile>https://updates.test/fw.bin</newfile></firmware></update>";
}

Bytes AsBytes(std::string_view text) {
    return {text.begin(), text.end()};
}

const std::vector<SavePath>& Saves() {
    static const std::vector<SavePath> saves = {
        {.name = "ProfileAndBlockAfterApply",
         .setup = [](const World& world) { SeededData(world, false); },
         .save =
             [](FileSystem& files, const World& world) {
                 RecordingUserMessages messages;
                 const InterfaceStrings strings = Strings();
                 const std::atomic<bool> chinese{false};
                 ConfigStore store(files, messages, strings, chinese, world.data());
                 store.loadConfiguration();
                 store.image().set(profile::kPointerSpeed, 17);
                 store.workingMacroIds()[2] = 0x15000001;
                 return store.saveAfterApply();
             },
         .files = {"data/Profile/Profile1.cfg", "data/Profile/ConfigInfo.cfg"},
         .nextStart = [](FileSystem&, const World& world) { MendAtStart(world); }},
        {.name = "MacroFile",
         .setup = [](const World& world) { SeededData(world, true); },
         .save =
             [](FileSystem& files, const World& world) {
                 test::VirtualClock clock;
                 RecordingUserMessages messages;
                 const InterfaceStrings strings = Strings();
                 MacroStore store(files, clock, messages, strings, world.data());
                 return store.loadFile() &&
                        store.storeMacro(test::SampleMacro(0x15000001, "kill")) ==
                            StoreResult::Stored &&
                        store.flush();
             },
         .files = {"data/Macro.cfg"},
         .nextStart = [](FileSystem&, const World& world) { MendAtStart(world); }},
        {.name = "Statistics",
         .setup = [](const World& world) { Write(world.data() / "Sts.cfg", Filled(24, 0x11)); },
         .save =
             [](FileSystem& files, const World& world) {
                 statistics::StatsFile stats(files, world.data() / "Sts.cfg");
                 if (stats.load() != FileError::None) return false;
                 stats.record().setCounter(statistics::Counter::LeftPresses, 0x22222222);
                 return stats.save();
             },
         .files = {"data/Sts.cfg"},
         .nextStart = [](FileSystem&, const World& world) { MendAtStart(world); }},
        {.name = "LanguageChoice",
         .setup = [](const World& world) { Write(world.data() / "Language.cfg", {2, 0, 0, 0}); },
         .save =
             [](FileSystem& files, const World& world) {
                 RecordingUserMessages messages;
                 Localisation localisation(files, messages, world.program(), world.data());
                 localisation.saveLanguageChoice(1);
                 return messages.shown().empty();
             },
         .files = {"data/Language.cfg"},
         .nextStart = [](FileSystem&, const World& world) { MendAtStart(world); }},
        {.name = "FirstRunSeeding",
         .setup =
             [](const World& world) {
                 if (fs::exists(world.program())) return;
                 // The macro file cut to its first slot: a copy goes the same way whatever
                 // the size, and the whole 2 MB would be copied twice at every step.
                 for (DefaultFile file : Shipped()) {
                     if (file.relativePath == "Macro.cfg") file.bytes.resize(4104);
                     Write(world.program() / file.relativePath, file.bytes);
                 }
             },
         .save =
             [](FileSystem& files, const World& world) {
                 return SeedDataFolder(files, world.program(), world.data());
             },
         .files = {"data/Macro.cfg", "data/Language.cfg", "data/Sts.cfg",
                   "data/Profile/ConfigInfo.cfg", "data/Profile/Profile1.cfg",
                   "data/Profile/Profile2.cfg", "data/Profile/Profile3.cfg",
                   "data/Profile/Profile4.cfg", "data/Profile/Profile5.cfg"},
         .nextStart =
             [](FileSystem& files, const World& world) {
                 MendAtStart(world);
                 (void)SeedDataFolder(files, world.program(), world.data());
             },
         .completes = true,
         .mayStay = {"data/Seeding.unfinished"}},
        {.name = "FirmwareUpdateDownloads",
         .setup =
             [](const World& world) {
                 Write(world.data() / "FWUpdate/new_version/update.xml",
                       AsBytes(UpdateDescription(1)));
                 Write(world.data() / "FWUpdate/new_version/ZintuGameDevice.bin",
                       Filled(1000, 0x33));
             },
         .save =
             [](FileSystem& files, const World& world) {
                 test::VirtualClock clock;
                 ScriptedDownloader downloader;
                 downloader.bodies = {
                     {"https://updates.test/software/x5k/update.xml", UpdateDescription(2)},
                     {"https://updates.test/fw.bin", std::string(3000, 'F')}};
                 RecordingUserMessages messages;
                 test::RecordingShell shell;
                 NoFlasherHost host;
                 supportpage::UpdateCheck check(
                     {"https://updates.test", world.program(), world.data()},
                     {clock, downloader, messages, files, shell, host, nullptr});
                 return check.start() && check.serveOne();
             },
         .files = {"data/FWUpdate/new_version/update.xml",
                   "data/FWUpdate/new_version/ZintuGameDevice.bin"},
         .nextStart = [](FileSystem&, const World& world) { MendAtStart(world); }},
        // Both live outside the data folder: their temporaries stay, unread by anything.
        {.name = "EmulatedMouseState",
         .setup =
             [](const World& world) {
                 Write(world.root / "demo/mouse.state", AsBytes(FormatMouseState(MouseState{})));
             },
         .save =
             [](FileSystem& files, const World& world) {
                 MouseState state;
                 state.resolutionLevel = 5;
                 return SaveMouseState(state, world.root / "demo/mouse.state", files);
             },
         .files = {"demo/mouse.state"}},
        {.name = "AutostartEntry",
         .setup = [](const World&) {},
         .save =
             [](FileSystem& files, const World& world) {
                 return SetAutostart(files, world.root / "config/autostart/x5k-driver.desktop",
                                     true, "/usr/bin/x5k-driver")
                     .ok();
             },
         .files = {"config/autostart/x5k-driver.desktop"}},
    };
    return saves;
}

class KillAtEveryWrite : public ::testing::TestWithParam<size_t> {};

TEST_P(KillAtEveryWrite, LeavesTheOldOrTheNewFilesWhole) {
    const SavePath& row = Saves()[GetParam()];
    const int points = KillAtEveryStep(row);
    EXPECT_GT(points, 0);
    RecordProperty("kill_points", points);
    std::printf("%s: %d kill points\n", row.name, points);
}

INSTANTIATE_TEST_SUITE_P(Saves, KillAtEveryWrite, ::testing::Range<size_t>(0, Saves().size()),
                         [](const ::testing::TestParamInfo<size_t>& info) {
                             return std::string(Saves()[info.param].name);
                         });

}  // namespace
}  // namespace x5k

#include "platform/linux/PosixFileSystem.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/linux/StaleTemporaries.h"
#include "support/TempFolder.h"

namespace x5k {
namespace {

using test::ReadBytes;
using test::WriteBytes;

size_t EntriesIn(const std::filesystem::path& folder) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                             std::filesystem::directory_iterator()));
}

struct ReadCase {
    const char* name;
    std::optional<size_t> fileSize;  // nothing: no file
    FileError expected;
    std::vector<uint8_t> record;  // the record afterwards (it starts as 9 9 9 9)
};

TEST(PosixFileSystem, ReadZeroesThenReadsUpToTheRecord) {
    const ReadCase cases[] = {
        {"missing", std::nullopt, FileError::NotFound, {9, 9, 9, 9}},
        {"empty", 0, FileError::None, {0, 0, 0, 0}},
        {"short", 2, FileError::None, {1, 2, 0, 0}},
        {"exact", 4, FileError::None, {1, 2, 3, 4}},
        {"long", 6, FileError::None, {1, 2, 3, 4}},
    };
    for (const auto& c : cases) {
        test::TempFolder folder;
        if (c.fileSize) {
            std::vector<uint8_t> content = {1, 2, 3, 4, 5, 6};
            content.resize(*c.fileSize);
            WriteBytes(folder / "f.cfg", content);
        }
        std::vector<uint8_t> record = {9, 9, 9, 9};
        PosixFileSystem files;
        EXPECT_EQ(files.readInto(folder / "f.cfg", record), c.expected) << c.name;
        EXPECT_EQ(record, c.record) << c.name;
    }
}

TEST(PosixFileSystem, NamedPipeIsNoFileAndNeverBlocks) {
    test::TempFolder folder;
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    PosixFileSystem files;
    std::vector<uint8_t> record = {9};
    EXPECT_EQ(files.readInto(folder / "pipe", record), FileError::Other);
    EXPECT_EQ(record, std::vector<uint8_t>{9});
}

TEST(PosixFileSystem, MissingFolderIsNotFound) {
    test::TempFolder folder;
    PosixFileSystem files;
    std::vector<uint8_t> record(4);
    EXPECT_EQ(files.readInto(folder / "no" / "f.cfg", record), FileError::NotFound);
    EXPECT_EQ(files.replace(folder / "no" / "f.cfg", record), FileError::NotFound);
    EXPECT_EQ(files.readInto(folder.path(), record), FileError::Other);  // a folder
}

TEST(PosixFileSystem, ReadErrorFailsAndLeavesTheRecord) {
    // A file that opens but cannot be read: this process's memory at address 0.
    PosixFileSystem files;
    std::vector<uint8_t> record = {9, 9, 9, 9};
    EXPECT_EQ(files.readInto("/proc/self/mem", record), FileError::Other);
    EXPECT_EQ(record, (std::vector<uint8_t>{9, 9, 9, 9}));
}

TEST(PosixFileSystem, ReplaceWritesExactlyAndLeavesNoTemporaryFile) {
    test::TempFolder folder;
    PosixFileSystem files;
    WriteBytes(folder / "f.cfg", std::vector<uint8_t>(100, 7));
    ::chmod((folder / "f.cfg").c_str(), 0640);
    const std::vector<uint8_t> bytes = {1, 2, 3};
    ASSERT_EQ(files.replace(folder / "f.cfg", bytes), FileError::None);
    EXPECT_EQ(ReadBytes(folder / "f.cfg"), bytes);
    EXPECT_EQ(EntriesIn(folder.path()), 1u);
    struct stat info {};
    ::stat((folder / "f.cfg").c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

// A killed save leaves its temporary file, and the start's clean-up removes only names it
// knows for ours: a suffix of six small letters it keeps as a user's copy. Such a suffix
// comes up about eight times in 1500 random ones.
TEST(PosixFileSystem, EveryTemporaryIsOneTheStartRemoves) {
    test::TempFolder folder(test::MemoryBase());
    std::vector<std::string> temporaries;
    PosixFileSystem files([&](std::string_view step) {
        if (step != "fchmod") return;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
            const std::string name = entry.path().filename().string();
            if (name != "Sts.cfg") temporaries.push_back(name);
        }
    });
    for (int i = 0; i < 1500; ++i) {
        ASSERT_EQ(files.replace(folder / "Sts.cfg", std::vector<uint8_t>{1}), FileError::None);
    }
    ASSERT_EQ(temporaries.size(), 1500u);
    for (const std::string& name : temporaries) EXPECT_TRUE(IsTemporaryOf(name, "Sts.cfg")) << name;
}

TEST(PosixFileSystem, FailedReplaceKeepsTheOldContent) {
    test::TempFolder folder;
    PosixFileSystem files;
    // A folder standing where the file should be cannot be replaced by a rename.
    std::filesystem::create_directories(folder / "f.cfg" / "inner");
    EXPECT_NE(files.replace(folder / "f.cfg", std::vector<uint8_t>{1}), FileError::None);
    EXPECT_TRUE(std::filesystem::is_directory(folder / "f.cfg" / "inner"));
    EXPECT_EQ(EntriesIn(folder.path()), 1u);
}

TEST(PosixFileSystem, ReadOnlyFileStaysProtected) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions deny nothing to root";
    test::TempFolder folder;
    PosixFileSystem files;
    WriteBytes(folder / "f.cfg", {5});
    ::chmod((folder / "f.cfg").c_str(), 0444);
    EXPECT_EQ(files.replace(folder / "f.cfg", std::vector<uint8_t>{1}), FileError::AccessDenied);
    EXPECT_EQ(ReadBytes(folder / "f.cfg"), std::vector<uint8_t>{5});
}

TEST(PosixFileSystem, CopyIfAbsentNeverOverwrites) {
    test::TempFolder folder;
    PosixFileSystem files;
    WriteBytes(folder / "a", {1});
    WriteBytes(folder / "b", {2});
    EXPECT_FALSE(files.copyIfAbsent(folder / "a", folder / "b"));
    EXPECT_EQ(ReadBytes(folder / "b"), std::vector<uint8_t>{2});
    EXPECT_TRUE(files.copyIfAbsent(folder / "a", folder / "c"));
    EXPECT_EQ(ReadBytes(folder / "c"), std::vector<uint8_t>{1});
    EXPECT_FALSE(files.copyIfAbsent(folder / "missing", folder / "d"));
}

}  // namespace
}  // namespace x5k

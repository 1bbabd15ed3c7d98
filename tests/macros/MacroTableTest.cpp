// The macro table, its file, and what may be deleted.

#include "macros/MacroTable.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "functions/FunctionCatalogue.h"
#include "macros/MacroGroups.h"
#include "support/FaultyFileSystem.h"
#include "support/RecordingUserMessages.h"
#include "support/TempFolder.h"
#include "support/VirtualClock.h"

namespace x5k {
namespace {

using namespace std::chrono_literals;
using namespace macro;
using test::BoxKind;
using test::ReadBytes;
using test::ShownMessage;
using test::WriteBytes;

// A record as BuildMacroRecord makes it, with `events` presses of code `mark`, so a
// test can tell versions of the same macro apart.
MacroRecord Macro(int32_t id, std::string_view name, int events = 2, uint32_t mark = 0x41) {
    MacroRecord record;
    record.set(kSizeTag, static_cast<int32_t>(kSizeTagBase + 4 * static_cast<uint32_t>(events)));
    record.set(kFormatTag, static_cast<int32_t>(kFormatValue));
    record.set(kMacroId, id);
    record.set(kRepeatCount, static_cast<int32_t>(mark));
    record.set(kEventCount, events);
    for (int i = 0; i < events; ++i) {
        record.set(Event(i), static_cast<int32_t>(MakeEvent(kPress, mark)));
    }
    record.setText(kName, name);
    return record;
}

std::vector<uint8_t> ImageWith(const std::vector<std::pair<int, MacroRecord>>& slots) {
    std::vector<uint8_t> bytes(MacroTable::kFileSize, 0);
    for (const auto& [slot, record] : slots) {
        std::copy(record.bytes().begin(), record.bytes().end(),
                  bytes.begin() + static_cast<std::ptrdiff_t>(slot * kSize));
    }
    return bytes;
}

class MacroStoreTest : public ::testing::Test {
protected:
    MacroStoreTest() {
        strings.set("str_msg2", "Cannot open or create %s");
        strings.set("str_msg4", "Access denied: the file could not be created");
    }

    std::filesystem::path file() const { return store.filePath(); }
    std::vector<int32_t> slotIds() const {
        std::vector<int32_t> ids;
        for (int s = 0; s < MacroTable::kSlotCount; ++s)
            ids.push_back(store.table().slot(s).get(kMacroId));
        while (!ids.empty() && ids.back() == 0) ids.pop_back();
        return ids;
    }
    std::string missingText() const { return "Cannot open or create " + file().string(); }

    test::TempFolder data;
    test::FaultyFileSystem files;
    test::VirtualClock clock;
    test::RecordingUserMessages messages;
    InterfaceStrings strings;
    MacroStore store{files, clock, messages, strings, data.path()};
};

// ---------------------------------------------------------------- loading

TEST_F(MacroStoreTest, FilesOfAnySizeLoadAsTheProgramReadsThem) {
    const std::vector<uint8_t> full =
        ImageWith({{0, Macro(0x15000001, "first")}, {499, Macro(0x01000002, "last")}});
    for (const size_t size : {size_t{0}, size_t{1000}, MacroTable::kFileSize, size_t{3000000}}) {
        SCOPED_TRACE(size);
        std::vector<uint8_t> bytes(size, 0);
        for (size_t i = 0; i < size; ++i) bytes[i] = i < full.size() ? full[i] : 0x5A;
        WriteBytes(file(), bytes);
        ASSERT_TRUE(store.loadFile());
        std::vector<uint8_t> expected(MacroTable::kFileSize, 0);
        std::copy_n(full.begin(), std::min(size, full.size()), expected.begin());
        EXPECT_EQ(store.table().fileImage(), expected);
    }
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(MacroStoreTest, MissingFileIsReportedAndTheTableStaysAsItWas) {
    WriteBytes(file(), ImageWith({{3, Macro(0x15000001, "kept")}}));
    ASSERT_TRUE(store.loadFile());
    std::filesystem::remove(file());
    EXPECT_FALSE(store.loadFile());
    EXPECT_EQ(messages.shown(), (std::vector<ShownMessage>{{BoxKind::InfoDialog, missingText()}}));
    EXPECT_EQ(store.table().nameOf(0x15000001), "kept");
}

TEST_F(MacroStoreTest, UnreadableFileIsSilent) {
    WriteBytes(file(), ImageWith({}));
    files.failReads(file(), FileError::AccessDenied);
    EXPECT_FALSE(store.loadFile());
    EXPECT_TRUE(messages.shown().empty());
}

// Damaged slots load as they are; readers of them are tested with the encoder.
TEST_F(MacroStoreTest, DamagedSlotsListWithoutHarm) {
    MacroRecord badKind = Macro(0x15000001, "bad kind");
    badKind.set(Event(0), 0x12000041);
    MacroRecord badCount = Macro(0x15000002, "bad count", 1000);
    badCount.set(kEventCount, 5000);
    WriteBytes(file(), ImageWith({{0, badKind}, {1, badCount}}));
    ASSERT_TRUE(store.loadFile());
    EXPECT_EQ(store.table().listGroup(21),
              (std::vector<MacroListRow>{{"bad kind", 0x15000001}, {"bad count", 0x15000002}}));
    EXPECT_EQ(RowsOfRecord(*store.table().copyOf(0x15000001)).stoppedAt, 0);
    EXPECT_EQ(RowsOfRecord(*store.table().copyOf(0x15000002)).rows.size(), 1000u);
}

// ---------------------------------------------------------------- saving

struct SaveCase {
    const char* what;
    bool fileExists;
    std::optional<FileError> fault;
    std::vector<ShownMessage> shown;
    size_t pauses;  // each of 100 ms
    bool written;   // the file holds the table afterwards; else it is as before
};

TEST_F(MacroStoreTest, SaveMessagesPausesAndFileContent) {
    // "missing" stands for str_msg2 with the file's path.
    const ShownMessage missing{BoxKind::InfoBox, "missing"};
    const ShownMessage denied{BoxKind::InfoBox, "Access denied: the file could not be created"};
    // clang-format off
    const SaveCase cases[] = {
        {"existing file",                          true,  std::nullopt,            {},                2, true},
        {"missing file is created with the table", false, std::nullopt,            {missing},         0, true},
        {"missing file, creation denied",          false, FileError::AccessDenied, {missing, denied}, 0, false},
        {"write-protected file",                   true,  FileError::AccessDenied, {denied},          2, false},
        {"other failure is silent",                true,  FileError::Other,        {},                2, false},
        {"missing folder",                         false, FileError::NotFound,     {missing},         0, false},
    };
    // clang-format on
    const std::vector<uint8_t> old = ImageWith({{0, Macro(0x15000001, "old")}});
    for (const SaveCase& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempFolder folder;
        test::FaultyFileSystem faulty;
        test::VirtualClock virtualClock;
        test::RecordingUserMessages shown;
        MacroStore s{faulty, virtualClock, shown, strings, folder.path()};
        if (c.fileExists) WriteBytes(s.filePath(), old);
        if (c.fault) faulty.failWrites(s.filePath(), *c.fault);

        EXPECT_EQ(s.storeMacro(Macro(0x15000002, "new")), StoreResult::Stored);
        s.waitForSaves();
        EXPECT_TRUE(shown.shown().empty());  // never from the writer's thread
        s.showSaveProblems();

        std::vector<ShownMessage> expected = c.shown;
        for (auto& m : expected) {
            if (m.text == "missing") m.text = "Cannot open or create " + s.filePath().string();
        }
        EXPECT_EQ(shown.shown(), expected);
        EXPECT_EQ(virtualClock.pauses(), std::vector<std::chrono::milliseconds>(c.pauses, 100ms));
        if (c.written) {
            EXPECT_EQ(ReadBytes(s.filePath()), s.table().fileImage());
        } else if (c.fileExists) {
            EXPECT_EQ(ReadBytes(s.filePath()), old);
        } else {
            EXPECT_FALSE(std::filesystem::exists(s.filePath()));
        }
    }
}

// ---------------------------------------------------------------- storing

TEST_F(MacroStoreTest, StoreReplacesInPlaceAndTakesTheLowestFreeSlot) {
    WriteBytes(file(), ImageWith({}));
    ASSERT_TRUE(store.loadFile());
    for (int32_t id : {0x15000001, 0x15000002, 0x15000003}) {
        ASSERT_EQ(store.storeMacro(Macro(id, "m")), StoreResult::Stored);
    }
    store.deleteMacro(0x15000002);
    EXPECT_EQ(store.table().slot(1), MacroRecord{});  // a deleted slot is all zero
    ASSERT_EQ(store.storeMacro(Macro(0x15000004, "new")), StoreResult::Stored);
    EXPECT_EQ(slotIds(), (std::vector<int32_t>{0x15000001, 0x15000004, 0x15000003}));

    ASSERT_EQ(store.storeMacro(Macro(0x15000003, "edited", 1, 0x42)), StoreResult::Stored);
    EXPECT_EQ(slotIds(), (std::vector<int32_t>{0x15000001, 0x15000004, 0x15000003}));
    const MacroRecord edited = store.table().slot(2);
    EXPECT_EQ(edited, Macro(0x15000003, "edited", 1, 0x42));  // old second event cleared
    EXPECT_TRUE(store.flush());
    EXPECT_EQ(ReadBytes(file()), store.table().fileImage());
}

TEST_F(MacroStoreTest, InvalidRecordsAndAFullTableChangeNothing) {
    std::vector<std::pair<int, MacroRecord>> slots;
    for (int s = 0; s < MacroTable::kSlotCount; ++s)
        slots.push_back({s, Macro(0x01000000 + s, "m")});
    const std::vector<uint8_t> full = ImageWith(slots);
    WriteBytes(file(), full);
    ASSERT_TRUE(store.loadFile());

    MacroRecord shortTag = Macro(0x15000001, "x");
    shortTag.set(kSizeTag, 4103);
    MacroRecord noMark = Macro(0x15000001, "x");
    noMark.set(kFormatTag, static_cast<int32_t>(0xE8E70010));
    const std::pair<MacroRecord, StoreResult> refused[] = {
        {shortTag, StoreResult::Invalid},
        {noMark, StoreResult::Invalid},
        {Macro(0, "no id"), StoreResult::Invalid},
        {Macro(0x15000001, "new"), StoreResult::TableFull},
    };
    for (const auto& [record, result] : refused) EXPECT_EQ(store.storeMacro(record), result);
    EXPECT_EQ(files.writeCount(), 0);
    EXPECT_TRUE(clock.pauses().empty());
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_EQ(store.table().fileImage(), full);

    // A macro already in a full table is still replaced.
    EXPECT_EQ(store.storeMacro(Macro(0x01000007, "renamed")), StoreResult::Stored);
    EXPECT_EQ(store.table().slot(7).text(kName), "renamed");
}

TEST_F(MacroStoreTest, RenameChangesOnlyTheName) {
    WriteBytes(file(), ImageWith({{4, Macro(0x15000001, "old", 3, 0x43)}}));
    ASSERT_TRUE(store.loadFile());
    ASSERT_TRUE(store.renameMacro(0x15000001, "Reload"));
    MacroRecord expected = Macro(0x15000001, "Reload", 3, 0x43);
    EXPECT_EQ(store.table().slot(4), expected);
    EXPECT_TRUE(store.flush());
    EXPECT_EQ(ReadBytes(file()), store.table().fileImage());

    const int writes = files.writeCount();
    EXPECT_FALSE(store.renameMacro(0x15000009, "none"));
    store.waitForSaves();
    EXPECT_EQ(files.writeCount(), writes);
    // Deleting a macro that is not there still writes the file.
    store.deleteMacro(0x15000009);
    store.waitForSaves();
    EXPECT_EQ(files.writeCount(), writes + 1);
}

// ---------------------------------------------------------------- lookups

TEST_F(MacroStoreTest, ListsNamesAndIds) {
    MacroRecord sizeOnly;  // in use by its size tag alone
    sizeOnly.set(kSizeTag, 4104);
    sizeOnly.set(kMacroId, 0x05000009);
    sizeOnly.setText(kName, "size only");
    MacroRecord markOnly = Macro(0x05000003, "mark only");
    markOnly.set(kSizeTag, 0);
    MacroRecord unused;  // neither: not listed, though its ID names group 5
    unused.set(kMacroId, 0x05000004);
    WriteBytes(file(), ImageWith({{0, Macro(0x15000001, "custom")},
                                  {2, sizeOnly},
                                  {5, markOnly},
                                  {6, unused},
                                  {9, Macro(0x05000001, "first")},
                                  {11, Macro(0x05000001, "same id")}}));
    ASSERT_TRUE(store.loadFile());
    EXPECT_EQ(store.table().listGroup(5), (std::vector<MacroListRow>{{"size only", 0x05000009},
                                                                     {"mark only", 0x05000003},
                                                                     {"first", 0x05000001},
                                                                     {"same id", 0x05000001}}));
    EXPECT_TRUE(store.table().listGroup(7).empty());

    const MacroNameLookup name = store.nameLookup();
    EXPECT_EQ(name(0x05000001), "first");
    EXPECT_EQ(name(0x05000002), "");
    EXPECT_EQ(name(0), "");
    EXPECT_EQ(store.table().copyOf(0x05000001)->text(kName), "first");
    EXPECT_FALSE(store.table().copyOf(0));

    // A new ID never hits one in the table, even when the tick count repeats.
    EXPECT_EQ(store.table().newId(5, 0x01000003), 0x05000005);
    EXPECT_EQ(store.table().newId(21, 0x12345678), 0x15345678);
}

TEST(IsMacroBound, EntriesAndWorkingButtons) {
    const int32_t id = 0x15000042;
    ConfigBlock block;
    ProfileImage image = DefaultProfile(false);
    EXPECT_FALSE(IsMacroBound(id, block, image));
    // Every unused field holds 0, which names no macro.
    EXPECT_FALSE(IsMacroBound(0, block, image));

    image.set(profile::MacroId(3), id);  // a leftover ID on a button that is no macro
    EXPECT_FALSE(IsMacroBound(id, block, image));
    image.set(profile::FunctionCode(3), kFunctionMacro);
    EXPECT_TRUE(IsMacroBound(id, block, image));

    image = DefaultProfile(false);
    block.set(config::MacroId(4, 6), id);
    EXPECT_TRUE(IsMacroBound(id, block, image));
}

// ---------------------------------------------------------------- groups

TEST(MacroGroups, MenuAndButtonTexts) {
    struct Case {
        int group;
        bool chinese;
        std::string_view menu;
        std::string_view button;
    };
    const Case cases[] = {
        {1, false, "Battlefield 3 ", "Battlefield 3"},
        {1, true, "战地 3 ", "战地 3"},
        {5, true, "军团要塞2", "军团要塞 2"},
        {7, false, "Civilization 5 ", "Civilization 5 "},
        {13, false, "Dota 2 ", "Dota 2 "},
        {13, true, "远古遗迹守卫2（Dota 2） ", "远古遗迹守卫2（Dota 2）"},
        {21, false, "Customize", "Customisze"},
        {21, true, "玩家自定义", "玩家自定义"},
        {0, false, "", ""},
        {22, true, "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MacroGroupMenuText(c.group, c.chinese), c.menu) << c.group;
        EXPECT_EQ(MacroGroupButtonText(c.group, c.chinese), c.button) << c.group;
    }
}

// ---------------------------------------------------------------- threads

// The apply worker copies macros while the page stores new versions of them. Every
// copy must be one whole version: its repeat count, events and name agree.
TEST_F(MacroStoreTest, CopiesAreNeverTornByAConcurrentStore) {
    WriteBytes(file(), ImageWith({}));
    ASSERT_TRUE(store.loadFile());
    // The writes themselves are not what this test is about.
    files.failWrites(file(), FileError::Other);
    const int32_t id = 0x15000001;
    ASSERT_EQ(store.storeMacro(Macro(id, "1", kMaxEvents, 1)), StoreResult::Stored);

    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::atomic<int> copies{0};
    std::thread reader([&] {
        while (!done.load()) {
            const std::optional<MacroRecord> copy = store.table().copyOf(id);
            if (!copy) {
                ++torn;
                continue;
            }
            const uint32_t mark = static_cast<uint32_t>(copy->get(kRepeatCount));
            bool whole = copy->text(kName) == std::to_string(mark);
            for (int i = 0; i < kMaxEvents; ++i)
                whole = whole && EventOf(*copy, i) == MakeEvent(kPress, mark);
            if (!whole) ++torn;
            ++copies;
            (void)store.table().listGroup(21);
        }
    });
    while (copies.load() == 0) std::this_thread::yield();
    for (uint32_t mark = 2; mark < 60; ++mark) {
        (void)store.storeMacro(  // whether it fits is not what this test looks at
            Macro(id, std::to_string(mark), kMaxEvents, mark));
    }
    while (copies.load() < 10) std::this_thread::yield();
    done = true;
    reader.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_EQ(store.table().nameOf(id), "59");
}

}  // namespace
}  // namespace x5k

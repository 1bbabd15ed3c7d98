#include "profiles/ConfigStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

#include "profiles/DefaultFiles.h"
#include "support/FaultyFileSystem.h"
#include "support/RecordingLogSink.h"
#include "support/RecordingUserMessages.h"
#include "support/TempFolder.h"

namespace x5k {
namespace {

using test::BoxKind;
using test::ReadBytes;
using test::ShownMessage;
using test::WriteBytes;

class RecordingObserver final : public ProfileObserver {
public:
    void setProfileHighlights(const std::array<bool, kProfileCount>& h) override { highlights = h; }
    void refreshPagesFromProfile() override { ++refreshes; }
    std::optional<std::array<bool, kProfileCount>> highlights;
    int refreshes = 0;
};

template <size_t N>
std::vector<uint8_t> Bytes(const ByteRecord<N>& record) {
    return {record.bytes().begin(), record.bytes().end()};
}

// A valid profile that differs from the default, so a test can tell which file it holds.
ProfileImage MarkedProfile(int32_t mark) {
    ProfileImage image = DefaultProfile(false);
    image.set(profile::kSensorHeight, mark);
    return image;
}

class ConfigStoreTest : public ::testing::Test {
protected:
    ConfigStoreTest() {
        strings.set("str_msg2", "Cannot open %s");
        strings.set("str_msg4", "Access denied while creating the profile");
        strings.set("str_msg5", "Access denied while saving the profile");
        store.setObserver(&observer);
    }

    std::filesystem::path profileFile(int entry) const { return store.profilePath(entry); }

    // entries: per entry, {has magic, current flag}.
    void writeBlock(const std::array<std::pair<bool, int>, kProfileCount>& entries,
                    const MacroIds& macrosOfEntry2 = {}) {
        ConfigBlock block;
        for (int e = 0; e < kProfileCount; ++e) {
            if (entries[e].first) block.set(config::EntryMagic(e), config::kEntryMagicValue);
            block.set(config::CurrentFlag(e), entries[e].second);
        }
        for (int b = 0; b < kButtonCount; ++b) block.set(config::MacroId(2, b), macrosOfEntry2[b]);
        WriteBytes(store.blockPath(), Bytes(block));
    }
    void writeProfile(int entry, const ProfileImage& image) {
        WriteBytes(profileFile(entry), Bytes(image));
    }
    void writeAllProfiles() {
        for (int e = 0; e < kProfileCount; ++e) writeProfile(e, MarkedProfile(100 + e));
    }

    test::TempFolder data;
    test::FaultyFileSystem files;
    test::RecordingUserMessages messages;
    InterfaceStrings strings;
    std::atomic<bool> chinese{false};
    RecordingObserver observer;
    ConfigStore store{files, messages, strings, chinese, data.path()};
};

// ---------------------------------------------------------------- default profile

TEST(DefaultProfile, EveryFieldAndNothingElse) {
    using namespace profile;
    const ProfileImage image = DefaultProfile(false);
    const std::vector<std::pair<size_t, uint32_t>> fields = {
        {0, 0x80800026},     {ButtonBase(0), 1},  {ButtonBase(1), 4},  {ButtonBase(2), 2},
        {ButtonBase(3), 8},  {ButtonBase(4), 16}, {ButtonBase(5), 11}, {ButtonBase(6), 22},
        {22040, 750},        {22044, 1000},       {22048, 1500},       {22052, 2000},
        {22056, 3000},       {22112, 15},         {22116, 1},          {22120, 4},
        {22124, 0x000000FF}, {22128, 1},          {22136, 1},          {22144, 10},
        {22148, 5},          {22152, 3},          {22156, 3},
    };
    std::vector<bool> covered(kSize, false);
    for (const auto& [offset, value] : fields) {
        EXPECT_EQ(GetU32(image.bytes(), offset), value) << "offset " << offset;
        for (size_t i = 0; i < 4; ++i) covered[offset + i] = true;
    }
    const char* names[] = {"Click", "Middle",    "Menu",       "Forward",
                           "Back",  "Scroll up", "Scroll down"};
    for (int b = 0; b < kButtonCount; ++b) {
        EXPECT_EQ(image.text(DisplayName(b)), names[b]);
        const TextField f = DisplayName(b);
        for (size_t i = 0; i < 2 * std::string_view(names[b]).size(); ++i)
            covered[f.offset + i] = true;
    }
    for (size_t offset = 0; offset < kSize; ++offset) {
        if (!covered[offset]) {
            ASSERT_EQ(image.bytes()[offset], 0) << "offset " << offset;
        }
    }
}

TEST(DefaultProfile, NamesFollowTheBuiltInLanguage) {
    const ProfileImage image = DefaultProfile(true);
    EXPECT_EQ(image.text(profile::DisplayName(0)), "单击");
    EXPECT_EQ(image.text(profile::DisplayName(6)), "滚轮后滚");
}

// ---------------------------------------------------------------- load configuration

TEST_F(ConfigStoreTest, ShippedFilesLoadTheFirstProfileQuietly) {
    ASSERT_TRUE(WriteDefaultDataFiles(files, data.path()));
    store.loadConfiguration();
    EXPECT_EQ(store.currentEntry(), 0);
    EXPECT_EQ(store.image(), DefaultProfile(false));
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_EQ(observer.highlights, (std::array<bool, 5>{true, false, false, false, false}));
}

TEST_F(ConfigStoreTest, MissingBlockIsReportedAndTheFirstProfileIsUsed) {
    writeAllProfiles();
    store.loadConfiguration();
    EXPECT_EQ(messages.shown(),
              (std::vector<ShownMessage>{
                  {BoxKind::InfoDialog, "Failed to open file, check whether there is a " +
                                            store.blockPath().string() + " path?"}}));
    EXPECT_EQ(store.currentEntry(), 0);
    EXPECT_EQ(store.image(), MarkedProfile(100));
    EXPECT_EQ(store.block().get(config::CurrentFlag(0)), 1);
    // Entry 0 has no magic, so no button is highlighted.
    EXPECT_EQ(observer.highlights, (std::array<bool, 5>{}));
}

TEST_F(ConfigStoreTest, NothingAtAllGivesAFreshDefaultWithoutFurtherMessages) {
    store.loadConfiguration();
    EXPECT_EQ(messages.shown().size(), 1u);  // only the block
    EXPECT_EQ(store.image(), DefaultProfile(false));
    EXPECT_EQ(ReadBytes(profileFile(0)), Bytes(DefaultProfile(false)));
}

TEST_F(ConfigStoreTest, BlockWithoutValidEntryFallsBackToEntryZeroUnhighlighted) {
    writeAllProfiles();
    writeBlock({{{false, 1}, {false, 1}, {false, 0}, {false, 1}, {false, 0}}});
    store.loadConfiguration();
    EXPECT_EQ(store.currentEntry(), 0);
    EXPECT_EQ(store.image(), MarkedProfile(100));
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_EQ(observer.highlights, (std::array<bool, 5>{}));
}

TEST_F(ConfigStoreTest, FlaggedEntryLoadsItsProfileAndMacros) {
    writeAllProfiles();
    writeBlock({{{true, 0}, {true, 0}, {true, 1}, {true, 0}, {true, 0}}},
               {0, 0, 0, 0x01000005, 0, 0, 0});
    store.loadConfiguration();
    EXPECT_EQ(store.currentEntry(), 2);
    EXPECT_EQ(store.image(), MarkedProfile(102));
    EXPECT_EQ(store.workingMacroIds()[3], 0x01000005);
    EXPECT_EQ(observer.highlights, (std::array<bool, 5>{false, false, true, false, false}));
}

TEST_F(ConfigStoreTest, WrongMagicIsReplacedAndTheNextFlaggedEntryWins) {
    writeAllProfiles();
    ProfileImage broken = MarkedProfile(7);
    broken.set(profile::kMagic, 0x12345678);
    writeProfile(1, broken);
    writeBlock({{{true, 0}, {true, 1}, {true, 0}, {true, 1}, {true, 0}}});
    store.loadConfiguration();
    EXPECT_EQ(messages.shown(),
              (std::vector<ShownMessage>{
                  {BoxKind::InfoBox, profileFile(1).string() + " is an invaild Profile!"}}));
    EXPECT_EQ(ReadBytes(profileFile(1)), Bytes(DefaultProfile(false)));
    EXPECT_EQ(store.currentEntry(), 3);
    EXPECT_EQ(store.image(), MarkedProfile(103));
    EXPECT_EQ(store.block().get(config::CurrentFlag(1)), 0);
    EXPECT_EQ(observer.highlights, (std::array<bool, 5>{false, false, false, true, false}));
}

TEST_F(ConfigStoreTest, MissingCurrentProfileIsRecreatedAndEntryZeroIsUsed) {
    writeAllProfiles();
    std::filesystem::remove(profileFile(1));
    writeBlock({{{true, 0}, {true, 1}, {true, 0}, {true, 0}, {true, 0}}});
    store.loadConfiguration();
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{"Failed to open file, check whether there is a " +
                                        profileFile(1).string() + " path?"}));
    EXPECT_EQ(ReadBytes(profileFile(1)), Bytes(DefaultProfile(false)));
    EXPECT_EQ(store.currentEntry(), 0);
    EXPECT_EQ(store.image(), MarkedProfile(100));
    EXPECT_EQ(observer.highlights, (std::array<bool, 5>{true, false, false, false, false}));
}

struct FileShapeCase {
    const char* name;
    size_t size;           // bytes of a marked profile written to Profile1.cfg
    bool loaded;           // it counts as a profile
    int32_t sensorHeight;  // what the image then holds
};

class ProfileFileShapeTest : public ConfigStoreTest,
                             public ::testing::WithParamInterface<FileShapeCase> {};

TEST_P(ProfileFileShapeTest, ShortLongAndEmptyFiles) {
    const FileShapeCase& c = GetParam();
    std::vector<uint8_t> bytes = Bytes(MarkedProfile(42));
    bytes.resize(c.size, 0x5A);
    WriteBytes(profileFile(0), bytes);
    store.image() = MarkedProfile(9);
    const ProfileLoad result = store.loadProfile(profileFile(0), true);
    EXPECT_EQ(result, c.loaded ? ProfileLoad::Loaded : ProfileLoad::NotAProfile);
    EXPECT_EQ(store.image().get(profile::kSensorHeight), c.sensorHeight);
    EXPECT_EQ(messages.shown().size(), c.loaded ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Shapes, ProfileFileShapeTest,
                         ::testing::Values(FileShapeCase{"empty", 0, false, 0},
                                           FileShapeCase{"magic_only", 4, true, 0},
                                           FileShapeCase{"short", 22112, true, 0},
                                           FileShapeCase{"exact", profile::kSize, true, 42},
                                           FileShapeCase{"long", profile::kSize + 5000, true, 42}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConfigStoreTest, ShortBlockLeavesLaterEntriesEmpty) {
    writeAllProfiles();
    writeBlock({{{true, 0}, {true, 0}, {true, 0}, {true, 1}, {true, 0}}});
    auto bytes = ReadBytes(store.blockPath());
    bytes.resize(config::kEntrySize * 2);  // entries 2..4 are cut off
    WriteBytes(store.blockPath(), bytes);
    store.loadConfiguration();
    // Entry 3's flag was cut off; entry 0 keeps its magic and becomes current.
    EXPECT_EQ(store.currentEntry(), 0);
    EXPECT_EQ(store.image(), MarkedProfile(100));
    EXPECT_EQ(observer.highlights, (std::array<bool, 5>{true, false, false, false, false}));
}

TEST_F(ConfigStoreTest, StoredPathsAreRebuiltAndNeverFollowed) {
    writeAllProfiles();
    test::TempFolder elsewhere;
    writeBlock({{{true, 1}, {true, 0}, {true, 0}, {true, 0}, {true, 0}}});
    ConfigBlock planted;
    const auto bytes = ReadBytes(store.blockPath());
    std::copy(bytes.begin(), bytes.end(), planted.bytes().begin());
    for (int e = 0; e < kProfileCount; ++e) {
        planted.setText(config::ProfilePath(e), (elsewhere / "victim.cfg").string());
    }
    WriteBytes(store.blockPath(), Bytes(planted));

    store.loadConfiguration();
    store.saveAfterApply();
    EXPECT_FALSE(std::filesystem::exists(elsewhere / "victim.cfg"));
    for (int e = 0; e < kProfileCount; ++e) {
        EXPECT_EQ(store.block().text(config::ProfilePath(e)), profileFile(e).string());
    }
}

// ---------------------------------------------------------------- switch profile

TEST_F(ConfigStoreTest, SwitchLoadsFlagsHighlightsAndRefreshes) {
    writeAllProfiles();
    writeBlock({{{true, 1}, {true, 0}, {true, 0}, {true, 0}, {true, 0}}},
               {0, 0, 0, 0, 0, 0x0200000A, 0});
    store.loadConfiguration();
    const auto writesBefore = files.writeCount();
    ASSERT_TRUE(store.switchProfile(2));
    EXPECT_EQ(store.currentEntry(), 2);
    EXPECT_EQ(store.image(), MarkedProfile(102));
    EXPECT_EQ(store.workingMacroIds()[5], 0x0200000A);
    for (int e = 0; e < kProfileCount; ++e)
        EXPECT_EQ(store.block().get(config::CurrentFlag(e)), e == 2);
    EXPECT_EQ(observer.highlights, (std::array<bool, 5>{false, false, true, false, false}));
    EXPECT_EQ(observer.refreshes, 1);
    EXPECT_EQ(files.writeCount(), writesBefore);  // a switch writes nothing
}

TEST_F(ConfigStoreTest, SwitchToMissingFileStopsAndKeepsTheEditedProfile) {
    writeAllProfiles();
    writeBlock({{{true, 1}, {true, 0}, {true, 0}, {true, 0}, {true, 0}}});
    store.loadConfiguration();
    store.image().set(profile::kPointerSpeed, 17);  // an unsaved edit
    const ProfileImage edited = store.image();
    std::filesystem::remove(profileFile(4));
    observer.highlights.reset();

    EXPECT_FALSE(store.switchProfile(4));
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{"Failed to open file, check whether there is a " +
                                        profileFile(4).string() + " path?"}));
    EXPECT_EQ(ReadBytes(profileFile(4)), Bytes(DefaultProfile(false)));
    EXPECT_EQ(store.image(), edited);
    EXPECT_EQ(store.currentEntry(), 0);
    EXPECT_EQ(store.block().get(config::CurrentFlag(0)), 1);
    EXPECT_EQ(store.block().get(config::CurrentFlag(4)), 0);
    EXPECT_FALSE(observer.highlights.has_value());
    EXPECT_EQ(observer.refreshes, 0);
}

TEST_F(ConfigStoreTest, SwitchToInvalidFileStopsWithoutRewritingIt) {
    writeAllProfiles();
    writeBlock({{{true, 1}, {true, 0}, {true, 0}, {true, 0}, {true, 0}}});
    store.loadConfiguration();
    WriteBytes(profileFile(3), std::vector<uint8_t>(100, 0x11));
    EXPECT_FALSE(store.switchProfile(3));
    EXPECT_EQ(messages.shown().back().kind, BoxKind::InfoBox);
    EXPECT_EQ(ReadBytes(profileFile(3)), std::vector<uint8_t>(100, 0x11));
    EXPECT_EQ(store.image(), MarkedProfile(100));
    EXPECT_EQ(store.currentEntry(), 0);
}

// ---------------------------------------------------------------- save and restore

TEST_F(ConfigStoreTest, SaveWritesExactImagesWithThisRunsPaths) {
    ASSERT_TRUE(WriteDefaultDataFiles(files, data.path()));
    store.loadConfiguration();
    ASSERT_TRUE(store.switchProfile(1));
    store.image().set(profile::kReportRate, 8);
    store.workingMacroIds()[2] = 0x03000001;
    ASSERT_TRUE(store.saveAfterApply());

    const auto profileBytes = ReadBytes(profileFile(1));
    ASSERT_EQ(profileBytes.size(), 22160u);
    EXPECT_EQ(profileBytes, Bytes(store.image()));
    const auto blockBytes = ReadBytes(store.blockPath());
    ASSERT_EQ(blockBytes.size(), 8000u);
    ConfigBlock saved;
    std::copy(blockBytes.begin(), blockBytes.end(), saved.bytes().begin());
    EXPECT_EQ(saved.get(config::MacroId(1, 2)), 0x03000001);
    EXPECT_EQ(saved.get(config::CurrentFlag(1)), 1);
    EXPECT_EQ(saved.get(config::CurrentFlag(0)), 0);
    EXPECT_EQ(saved.text(config::ProfilePath(3)), profileFile(3).string());
    EXPECT_EQ(saved.get(config::EntryMagic(4)), config::kEntryMagicValue);
}

struct SaveFaultCase {
    const char* name;
    FileError error;
    std::optional<ShownMessage> expected;  // %s stands for the profile path
    int cause;                             // the errno the write fails with
    const char* logged;                    // what the diagnostic log says of it
};

class SaveFaultTest : public ConfigStoreTest,
                      public ::testing::WithParamInterface<SaveFaultCase> {};

TEST_P(SaveFaultTest, FailedSaveReportsAndLeavesTheOldFiles) {
    ASSERT_TRUE(WriteDefaultDataFiles(files, data.path()));
    store.loadConfiguration();
    const auto oldProfile = ReadBytes(profileFile(0));
    store.image().set(profile::kPointerSpeed, 3);
    files.failWrites(profileFile(0), GetParam().error, GetParam().cause);

    test::RecordingLogSink log;
    EXPECT_FALSE(store.saveAfterApply());
    // The box keeps the program's own text; the cause is in the log only.
    EXPECT_TRUE(log.has({"cannot save profile", profileFile(0).string(), GetParam().logged}))
        << log.all();
    std::vector<ShownMessage> expected;
    if (auto m = GetParam().expected) {
        if (auto pos = m->text.find("%s"); pos != std::string::npos) {
            m->text.replace(pos, 2, profileFile(0).string());
        }
        expected.push_back(*m);
    }
    EXPECT_EQ(messages.shown(), expected);
    EXPECT_EQ(ReadBytes(profileFile(0)), oldProfile);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SaveFaultTest,
    ::testing::Values(
        SaveFaultCase{"not_found", FileError::NotFound,
                      ShownMessage{BoxKind::InfoBox, "Cannot open %s"}, ENOTDIR, "Not a directory"},
        SaveFaultCase{"denied", FileError::AccessDenied,
                      ShownMessage{BoxKind::InfoBox, "Access denied while saving the profile"},
                      EROFS, "Read-only file system"},
        SaveFaultCase{"other", FileError::Other, std::nullopt, ENOSPC, "No space left on device"}),
    [](const auto& info) { return std::string(info.param.name); });

// Failures that show no message at all still leave their cause in the log.
TEST_F(ConfigStoreTest, SilentFileFailuresAreLogged) {
    ASSERT_TRUE(WriteDefaultDataFiles(files, data.path()));
    struct Case {
        const char* name;
        std::function<void()> inject;
        std::function<void()> run;
        const char* logged;
    };
    const Case cases[] = {
        {"block_not_saved", [&] { files.failWrites(store.blockPath(), FileError::Other, EIO); },
         [&] { EXPECT_TRUE(store.saveAfterApply()); }, "Input/output error"},
        {"block_unreadable",
         [&] { files.failReads(store.blockPath(), FileError::AccessDenied, EACCES); },
         [&] { store.loadConfiguration(); }, "Permission denied"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        store.loadConfiguration();
        const size_t shownBefore = messages.shown().size();
        c.inject();
        test::RecordingLogSink log;
        c.run();
        EXPECT_EQ(messages.shown().size(), shownBefore);
        EXPECT_TRUE(log.has({"configuration block", store.blockPath().string(), c.logged}))
            << log.all();
    }
}

TEST_F(ConfigStoreTest, LanguageTextIsNeverAFormat) {
    strings.set("str_msg2", "%n%x %s and %s");
    files.failWrites(profileFile(0), FileError::NotFound);
    store.saveAfterApply();
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{"%n%x " + profileFile(0).string() + " and %s"}));
}

TEST_F(ConfigStoreTest, ReadOnlyDataFolderLosesNothing) {
    ASSERT_TRUE(WriteDefaultDataFiles(files, data.path()));
    std::filesystem::remove(profileFile(0));
    files.failWrites(data.path(), FileError::AccessDenied);
    store.loadConfiguration();
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{"Failed to open file, check whether there is a " +
                                            profileFile(0).string() + " path?",
                                        "Access denied while creating the profile"}));
    // The program goes on with a default profile in memory.
    EXPECT_EQ(store.image(), DefaultProfile(false));
    EXPECT_FALSE(std::filesystem::exists(profileFile(0)));
    const auto blockBefore = ReadBytes(store.blockPath());
    EXPECT_FALSE(store.saveAfterApply());
    EXPECT_EQ(messages.texts().back(), "Access denied while saving the profile");
    EXPECT_EQ(ReadBytes(store.blockPath()), blockBefore);
}

// The first profile is flagged but invalid and cannot be replaced: after the search falls
// back to it, the program still goes on with a default profile, never with the invalid
// file's bytes (which would reach the mouse at the next apply).
TEST_F(ConfigStoreTest, UnwritableInvalidFirstProfileStillLeavesADefaultInMemory) {
    ProfileImage broken = MarkedProfile(7);
    broken.set(profile::kMagic, 0);
    writeProfile(0, broken);
    writeBlock({{{true, 1}, {false, 0}, {false, 0}, {false, 0}, {false, 0}}});
    files.failWrites(profileFile(0), FileError::AccessDenied);
    store.loadConfiguration();
    EXPECT_EQ(store.currentEntry(), 0);
    EXPECT_EQ(store.image(), DefaultProfile(false));
    EXPECT_EQ(ReadBytes(profileFile(0)), Bytes(broken));
    const auto texts = messages.texts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Access denied while creating the profile"), 1);
}

TEST_F(ConfigStoreTest, RestoreDefaultsWritesNothingUntilTheNextSave) {
    writeAllProfiles();
    writeBlock({{{true, 0}, {true, 0}, {true, 1}, {true, 0}, {true, 0}}}, {6, 6, 6, 6, 6, 6, 6});
    store.loadConfiguration();
    const auto profileBefore = ReadBytes(profileFile(2));
    const auto blockBefore = ReadBytes(store.blockPath());
    chinese = true;
    store.restoreDefaults();
    EXPECT_EQ(store.image(), DefaultProfile(true));
    EXPECT_EQ(store.workingMacroIds(), MacroIds{});
    // The apply that follows fails: nothing is saved.
    EXPECT_EQ(ReadBytes(profileFile(2)), profileBefore);
    EXPECT_EQ(ReadBytes(store.blockPath()), blockBefore);
}

}  // namespace
}  // namespace x5k

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "pages/support/SupportModel.h"
#include "support/FaultyFileSystem.h"
#include "support/TempFolder.h"

namespace x5k::support {
namespace {

TEST(SupportModelTest, FirmwareVersionTextFillsThePartsFromTheRight) {
    struct Case {
        std::string digits;
        std::string text;
    };
    const Case cases[] = {
        {"", "Unknown"},      {"7", "V 0.0.7"},  {"12", "V 0.1.2"},  {"123", "V 1.2.3"},
        {"1234", "V 12.3.4"}, {"10", "V 0.1.0"}, {"100", "V 1.0.0"}, {"98765", "V 987.6.5"},
        {"0", "V 0.0.0"},     {"%s", "V 0.%.s"},  // a "%" the mouse never sends stays text
    };
    for (const Case& c : cases) EXPECT_EQ(FirmwareVersionText(c.digits), c.text) << c.digits;
}

TEST(SupportModelTest, WebButtonIsDisabledWithoutAnAddressAndSaysWhy) {
    EXPECT_TRUE(WebButton("https://example.com/", false).enabled);
    EXPECT_TRUE(WebButton("https://example.com/", false).disabledTooltip.empty());
    for (const bool chinese : {false, true}) {
        const WebButtonState state = WebButton("", chinese);
        EXPECT_FALSE(state.enabled);
        EXPECT_FALSE(state.disabledTooltip.empty());
    }
}

// A profile file of `size` bytes that starts with `magic`; every other byte is 0x5A.
std::vector<uint8_t> ProfileFile(size_t size, uint32_t magic) {
    std::vector<uint8_t> bytes(size, 0x5A);
    for (size_t i = 0; i < 4 && i < size; ++i) bytes[i] = static_cast<uint8_t>(magic >> (8 * i));
    return bytes;
}

TEST(SupportModelTest, ImportTakesFilesWithTheMagicWhateverTheirLength) {
    struct Case {
        const char* name;
        size_t size;
        uint32_t magic;
        bool taken;
    };
    const Case cases[] = {
        {"exact.cfg", profile::kSize, profile::kMagicValue, true},
        {"short.cfg", 100, profile::kMagicValue, true},
        {"long.cfg", profile::kSize + 5000, profile::kMagicValue, true},
        {"wrong.cfg", profile::kSize, 0x80800027, false},
        {"tiny.cfg", 3, profile::kMagicValue, false},  // the magic is cut short
        {"empty.cfg", 0, 0, false},
    };
    test::TempFolder folder;
    test::FaultyFileSystem files;
    for (const Case& c : cases) {
        ProfileImage profile;
        profile.bytes()[profile::kSize - 1] = 0x11;
        const ProfileImage before = profile;
        const auto path = folder / c.name;
        test::WriteBytes(path, ProfileFile(c.size, c.magic));
        SupportModel model(files, profile);
        const FileOutcome outcome = model.importProfile(path);
        EXPECT_EQ(outcome.profileChanged, c.taken) << c.name;
        EXPECT_EQ(outcome.message,
                  path.string() + (c.taken ? " import success!" : " is an invaild Profile!"))
            << c.name;
        if (!c.taken) {
            EXPECT_EQ(profile, before) << c.name;
            continue;
        }
        // What the file holds up to the image's size; zeros where it is shorter.
        const size_t kept = std::min(c.size, profile::kSize);
        EXPECT_EQ(profile.bytes()[kept - 1], 0x5A) << c.name;
        if (kept < profile::kSize) {
            EXPECT_EQ(profile.bytes()[kept], 0) << c.name;
        }
        EXPECT_EQ(profile.bytes()[profile::kSize - 1], kept < profile::kSize ? 0 : 0x5A) << c.name;
    }
}

TEST(SupportModelTest, ImportOfAMissingOrUnreadableFileLeavesTheProfile) {
    test::TempFolder folder;
    test::FaultyFileSystem files;
    const auto denied = folder / "denied.cfg";
    test::WriteBytes(denied, ProfileFile(profile::kSize, profile::kMagicValue));
    files.failReads(denied, FileError::AccessDenied);
    for (const auto& path : {folder / "missing.cfg", denied}) {
        ProfileImage profile;
        SupportModel model(files, profile);
        const FileOutcome outcome = model.importProfile(path);
        EXPECT_FALSE(outcome.profileChanged);
        EXPECT_EQ(outcome.message, path.string() + " is an invaild Profile!");
        EXPECT_EQ(profile, ProfileImage{});
    }
}

TEST(SupportModelTest, ExportWritesTheWholeImageOrSaysItFailed) {
    struct Case {
        const char* name;
        bool writeProtected;
        const char* suffix;
    };
    const Case cases[] = {
        {"out.cfg", false, " export success!"},
        {"protected.cfg", true, " export failed!"},
        {"100%s%d.cfg", false, " export success!"},  // a path is never a format
    };
    test::TempFolder folder;
    for (const Case& c : cases) {
        test::FaultyFileSystem files;
        const auto path = folder / c.name;
        const std::vector<uint8_t> old = {1, 2, 3};
        test::WriteBytes(path, old);
        if (c.writeProtected) files.failWrites(path, FileError::AccessDenied);
        ProfileImage profile;
        profile.set(profile::kMagic, static_cast<int32_t>(profile::kMagicValue));
        profile.bytes()[profile::kSize - 1] = 0x77;
        SupportModel model(files, profile);
        const FileOutcome outcome = model.exportProfile(path);
        EXPECT_EQ(outcome.ok, !c.writeProtected) << c.name;
        EXPECT_FALSE(outcome.profileChanged) << c.name;
        EXPECT_EQ(outcome.message, path.string() + c.suffix) << c.name;
        const std::vector<uint8_t> written = test::ReadBytes(path);
        if (c.writeProtected) {
            EXPECT_EQ(written, old) << c.name;
        } else {
            EXPECT_EQ(written, std::vector<uint8_t>(profile.bytes().begin(), profile.bytes().end()))
                << c.name;
        }
    }
}

TEST(SupportModelTest, AnExportedProfileImportsAsItWas) {
    test::TempFolder folder;
    test::FaultyFileSystem files;
    ProfileImage original = DefaultProfile(false);
    original.bytes()[1234] = 0x42;
    SupportModel out(files, original);
    ASSERT_TRUE(out.exportProfile(folder / "round.cfg").ok);
    ProfileImage other;
    SupportModel in(files, other);
    EXPECT_TRUE(in.importProfile(folder / "round.cfg").profileChanged);
    EXPECT_EQ(other, original);
}

}  // namespace
}  // namespace x5k::support

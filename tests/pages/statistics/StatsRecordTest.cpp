#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "pages/statistics/StatsRecord.h"
#include "support/FaultyFileSystem.h"
#include "support/TempFolder.h"

namespace x5k::statistics {
namespace {

// Six counters 1..6, little-endian, then whatever a longer file carries on.
std::vector<uint8_t> CountersOneToSix(size_t length) {
    std::vector<uint8_t> bytes(length, 0xEE);
    for (size_t i = 0; i < std::min<size_t>(length, 24); ++i) {
        bytes[i] = i % 4 == 0 ? static_cast<uint8_t>(i / 4 + 1) : 0;
    }
    return bytes;
}

TEST(StatsFileTest, LoadsUpToTheRecordAndCountsTheRestFromZero) {
    struct Case {
        std::optional<size_t> length;  // nothing: no file
        FileError read;
        std::array<uint32_t, kCounterCount> counters;
    };
    const Case cases[] = {
        {std::nullopt, FileError::NotFound, {0, 0, 0, 0, 0, 0}},
        {0, FileError::None, {0, 0, 0, 0, 0, 0}},
        {10, FileError::None, {1, 2, 3, 0, 0, 0}},  // only the low half of the third
        {24, FileError::None, {1, 2, 3, 4, 5, 6}},
        {30, FileError::None, {1, 2, 3, 4, 5, 6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length.value_or(999));
        test::TempFolder folder;
        if (c.length) test::WriteBytes(folder / "Sts.cfg", CountersOneToSix(*c.length));
        test::FaultyFileSystem files;
        StatsFile file(files, folder / "Sts.cfg");
        EXPECT_EQ(file.load(), c.read);
        for (size_t i = 0; i < kCounterCount; ++i) {
            EXPECT_EQ(file.record().counter(static_cast<Counter>(i)), c.counters[i]) << i;
        }
    }
}

TEST(StatsFileTest, SavesTheCountersAndNeverOverwritesAFileItCouldNotRead) {
    test::TempFolder folder;
    const auto path = folder / "Sts.cfg";
    test::FaultyFileSystem files;

    StatsFile missing(files, path);
    EXPECT_EQ(missing.load(), FileError::NotFound);
    missing.record().setCounter(Counter::PointerDistance, 0x01020304);
    ASSERT_TRUE(missing.save());
    std::vector<uint8_t> expected(24, 0);
    expected[20] = 4, expected[21] = 3, expected[22] = 2, expected[23] = 1;
    EXPECT_EQ(test::ReadBytes(path), expected);

    // The file is there but cannot be read: the user's counts stay as they are.
    files.failReads(path, FileError::AccessDenied);
    StatsFile unreadable(files, path);
    EXPECT_EQ(unreadable.load(), FileError::AccessDenied);
    EXPECT_FALSE(unreadable.save());
    EXPECT_EQ(test::ReadBytes(path), expected);
}

}  // namespace
}  // namespace x5k::statistics

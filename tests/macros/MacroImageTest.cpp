// Building a macro record from the page's rows, and the image the mouse replays.

#include "macros/MacroImage.h"

#include <gtest/gtest.h>

#include <vector>

#include "functions/KeyNames.h"
#include "macros/MacroBuilder.h"

namespace x5k {
namespace {

using namespace macro;

constexpr uint32_t kA = 0x41;
constexpr uint32_t P(uint32_t code) {
    return MakeEvent(kPress, code);
}
constexpr uint32_t R(uint32_t code) {
    return MakeEvent(kRelease, code);
}
constexpr uint32_t D(uint32_t ms) {
    return MakeEvent(kDelay, ms);
}

MacroRecord RecordOf(const std::vector<uint32_t>& events, uint32_t repeat = 1) {
    MacroRecord record;
    record.set(kSizeTag, static_cast<int32_t>(kSizeTagBase + 4 * events.size()));
    record.set(kFormatTag, static_cast<int32_t>(kFormatValue));
    record.set(kMacroId, 0x15000001);
    record.set(kRepeatCount, static_cast<int32_t>(repeat));
    record.set(kEventCount, static_cast<int32_t>(events.size()));
    for (size_t i = 0; i < events.size(); ++i) {
        record.set(Event(static_cast<int>(i)), static_cast<int32_t>(events[i]));
    }
    return record;
}

std::vector<uint32_t> EventsOf(const MacroRecord& record) {
    std::vector<uint32_t> events;
    for (int i = 0; i < EventCountOf(record); ++i) events.push_back(EventOf(record, i));
    return events;
}

// ---------------------------------------------------------------- image

struct ImageCase {
    const char* what;
    std::vector<uint32_t> events;
    uint32_t repeat;
    std::vector<uint8_t> start;  // the image's first bytes; every byte after them is 0
    int wordCount;
};

// clang-format off
const ImageCase kImageCases[] = {
    {"short pause on the press", {P(kA), D(50), R(kA)}, 1, {0, 1, 0x06, 0x04, 0x81, 0x04}, 3},
    {"2000 ms takes unit 1", {P(kA), D(2000), R(kA)}, 1,
     {0, 1, 0x01, 0x04, 0x00, 0x01, 0x00, 0x64, 0x81, 0x04}, 5},
    {"pause on the release", {P(kA), R(kA), D(30)}, 7, {0, 7, 0x01, 0x04, 0x84, 0x04}, 3},
    {"1260 ms is the longest short pause", {P(kA), D(1260)}, 1, {0, 1, 0x7F, 0x04}, 2},
    // The field starts at 1, so 1270 ms would need 128 and would set the release bit.
    {"1270 ms becomes a long pause", {P(kA), D(1270), R(kA)}, 1,
     {0, 1, 0x01, 0x04, 0x00, 0x01, 0x00, 0x3F, 0x81, 0x04}, 5},
    {"unit 1 ends at 1,310,700", {P(kA), D(1310700)}, 1, {0, 1, 0x01, 0x04, 0, 1, 0xFF, 0xFF}, 4},
    {"unit 2 from 1,310,701",    {P(kA), D(1310701)}, 1, {0, 1, 0x01, 0x04, 0, 2, 0x66, 0x66}, 4},
    {"unit 2 ends at 3,276,750", {P(kA), D(3276750)}, 1, {0, 1, 0x01, 0x04, 0, 2, 0xFF, 0xFF}, 4},
    {"unit 3 from 3,276,751",    {P(kA), D(3276751)}, 1, {0, 1, 0x01, 0x04, 0, 3, 0x7F, 0xFF}, 4},
    {"unit 3 ends at 6,553,500", {P(kA), D(6553500)}, 1, {0, 1, 0x01, 0x04, 0, 3, 0xFF, 0xFF}, 4},
    {"a longer pause is an empty entry", {P(kA), D(6553501), R(kA)}, 1,
     {0, 1, 0x01, 0x04, 0x00, 0x00, 0x81, 0x04}, 4},
    // Short pauses that would overflow the press's field, or follow a long pause, must
    // not be added into bytes that mean something else.
    {"accumulated pauses that overflow", {P(kA), D(1000), D(1000)}, 1,
     {0, 1, 0x65, 0x04, 0, 1, 0x00, 0x32}, 4},
    {"short pause after a long one", {P(kA), D(2000), D(50)}, 1,
     {0, 1, 0x01, 0x04, 0, 1, 0x00, 0x64, 0, 1, 0x00, 0x02}, 6},
    {"short pause after an invalid event", {P(kA), 0x55000000, D(30)}, 1,
     {0, 1, 0x01, 0x04, 0x00, 0x00, 0, 1, 0x00, 0x01}, 5},
    {"first-event pause counts in 100 ms", {D(2000), P(kA)}, 1, {0, 1, 0, 3, 0x00, 0x14, 0x01, 0x04}, 4},
    // 70 s is 700 units, not 70,000 mod 65,536 = 4,464 ms.
    {"long first-event pause keeps its length", {D(70000)}, 1, {0, 1, 0, 3, 0x02, 0xBC}, 3},
    {"code without usage", {P(0xAF), R(0xAF)}, 1, {0, 1, 0x01, 0x00, 0x81, 0x00}, 3},
    {"mouse buttons and Enter", {P(0x01), P(0x04), P(0x0D)}, 1, {0, 1, 1, 0xF0, 1, 0xF2, 1, 0x28}, 4},
    {"single press", {P(kA)}, kSinglePress, {0xFF, 0xFE, 0x01, 0x04}, 2},
    {"no events", {}, 65533, {0xFF, 0xFD}, 1},
};
// clang-format on

void PrintTo(const ImageCase& c, std::ostream* os) {
    *os << c.what;
}

class MacroImageCases : public ::testing::TestWithParam<ImageCase> {};

TEST_P(MacroImageCases, Bytes) {
    const ImageCase& c = GetParam();
    const MacroImage image = EncodeMacroImage(RecordOf(c.events, c.repeat));
    std::vector<uint8_t> expected(image::kSize, 0);
    std::copy(c.start.begin(), c.start.end(), expected.begin());
    EXPECT_EQ(std::vector<uint8_t>(image.bytes.begin(), image.bytes.end()), expected);
    EXPECT_EQ(image.wordCount, c.wordCount);
    EXPECT_FALSE(image.truncated);
}

INSTANTIATE_TEST_SUITE_P(All, MacroImageCases, ::testing::ValuesIn(kImageCases),
                         [](const auto& info) {
                             std::string name;
                             for (const char* p = info.param.what; *p; ++p)
                                 if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
                             return name;
                         });

struct TruncationCase {
    const char* what;
    std::vector<uint32_t> events;
    int wordCount;
    int eventsEncoded;
};

std::vector<uint32_t> Presses(int n, std::vector<uint32_t> tail = {}) {
    std::vector<uint32_t> events(static_cast<size_t>(n), P(kA));
    events.insert(events.end(), tail.begin(), tail.end());
    return events;
}

// The low byte of the word count reaches the button's device code, so an image never
// has 255 entries (a word count of 256 would read as 0 there).
TEST(MacroImage, TruncationKeepsTheWordCountBelow256) {
    const TruncationCase cases[] = {
        {"254 entries fit", Presses(254), 255, 254},
        {"the 255th is left out", Presses(300), 255, 254},
        {"a long pause needs both entries", Presses(253, {D(5000), P(kA)}), 254, 253},
        {"a short pause needs none", Presses(254, {D(50)}), 255, 255},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const MacroImage image = EncodeMacroImage(RecordOf(c.events));
        EXPECT_EQ(image.wordCount, c.wordCount);
        EXPECT_EQ(image.eventsEncoded, c.eventsEncoded);
        EXPECT_EQ(image.truncated, c.eventsEncoded < static_cast<int>(c.events.size()));
        for (size_t b = 2 * static_cast<size_t>(image.wordCount); b < image::kSize; ++b) {
            ASSERT_EQ(image.bytes[b], 0) << "byte " << b;
        }
    }
}

// The name follows the 1000th event word. Its first two units here read as "press A"
// when taken as an event, so reading one word too far would show in the output.
TEST(MacroImage, DamagedEventCountNeverReadsIntoTheName) {
    std::vector<uint32_t> events = {P(kA)};
    events.resize(kMaxEvents, D(0));
    MacroRecord record = RecordOf(events);
    record.setText(kName, "A\uC000");
    ASSERT_EQ(static_cast<uint32_t>(record.get(Event(kMaxEvents))), P(kA));
    for (const uint32_t count : {1001u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        record.set(kEventCount, static_cast<int32_t>(count));
        const MacroImage image = EncodeMacroImage(record);
        EXPECT_EQ(image.wordCount, 2) << count;
        EXPECT_EQ(image.eventsEncoded, kMaxEvents) << count;
        const RecordRows listed = RowsOfRecord(record);
        EXPECT_EQ(listed.rows.size(), static_cast<size_t>(kMaxEvents)) << count;
        EXPECT_EQ(listed.stoppedAt, -1);
    }
}

TEST(MacroImage, ListingStopsAtAnInvalidKind) {
    const RecordRows listed = RowsOfRecord(RecordOf({P(kA), D(40), 0x12000041, R(kA)}));
    EXPECT_EQ(listed.rows, (std::vector<EventRow>{PressRow(kA), DelayRow(40)}));
    EXPECT_EQ(listed.stoppedAt, 2);
    EXPECT_EQ(listed.rows[0].text, "A");
    EXPECT_EQ(listed.rows[1].text, "40  ms");
}

// ---------------------------------------------------------------- key usages

TEST(KeyUsageTable, AgreesWithTheKeyTableForEveryCode) {
    ASSERT_EQ(KeyUsageTable().size(), 113u);
    // Both tables describe the same keys; only the usages without a key differ.
    for (uint32_t code = 0; code <= 0xFF; ++code) {
        EXPECT_EQ(UsageOfCode(code), VkToUsage(code)) << "code " << code;
    }
    EXPECT_EQ(UsageOfCode(0x0D), 0x28);  // keypad Enter's pair is never reached
    EXPECT_EQ(UsageOfCode(0xAF), 0x00);
    EXPECT_EQ(UsageOfCode(0x1001), 0x00);
    int withoutKey = 0;
    for (const KeyUsage& pair : KeyUsageTable()) withoutKey += pair.code == 0;
    EXPECT_EQ(withoutKey, 6);  // usages 00-03, 32 and 64
}

// ---------------------------------------------------------------- building

struct BuildCase {
    const char* what;
    std::vector<EventRow> rows;
    const char* loop;
    std::vector<uint32_t> events;
    std::vector<EventRow> rowsAfter;
    uint32_t repeat;
};

// clang-format off
const BuildCase kBuildCases[] = {
    {"merge and leading pause",
     {DelayRow(500), PressRow(kA), DelayRow(40), DelayRow(60), ReleaseRow(kA)}, "1",
     {P(kA), D(100), R(kA)},
     {DelayRow(500), PressRow(kA), DelayRow(100), ReleaseRow(kA)}, 1},
    {"merged pauses are capped",
     {PressRow(kA), DelayRow(200000), DelayRow(200000), DelayRow(200000), ReleaseRow(kA)}, "",
     {P(kA), D(327670), R(kA)},
     {PressRow(kA), DelayRow(327670), ReleaseRow(kA)}, 1},
    {"leading rows of any kind are skipped",
     {DelayRow(5), {"odd", 0x07000001}, ReleaseRow(kA), {"odd", 0x07000002}}, "2",
     {R(kA), 0x07000002},
     {DelayRow(5), {"odd", 0x07000001}, ReleaseRow(kA), {"odd", 0x07000002}}, 2},
    {"single press ignores the loop text",
     {PressRow(kA)}, "5", {P(kA)}, {PressRow(kA)}, kSinglePress},
    {"single release is counted",
     {ReleaseRow(kA)}, "5", {R(kA)}, {ReleaseRow(kA)}, 5},
    {"press after pauses is a single press",
     {DelayRow(10), DelayRow(20), PressRow(kA)}, "5", {P(kA)},
     {DelayRow(30), PressRow(kA)}, kSinglePress},
    {"leading zeros",
     {PressRow(kA), ReleaseRow(kA)}, "007", {P(kA), R(kA)},
     {PressRow(kA), ReleaseRow(kA)}, 7},
};
// clang-format on

TEST(BuildMacroRecord, RowsToRecord) {
    for (const BuildCase& c : kBuildCases) {
        SCOPED_TRACE(c.what);
        std::vector<EventRow> rows = c.rows;
        const BuiltMacro built = BuildMacroRecord(rows, c.loop, 0x15ABCDEF, "Reload");
        ASSERT_EQ(built.status, BuildStatus::Built);
        ASSERT_TRUE(built.record);
        const MacroRecord& r = *built.record;
        EXPECT_EQ(EventsOf(r), c.events);
        EXPECT_EQ(rows, c.rowsAfter);
        EXPECT_EQ(static_cast<uint32_t>(r.get(kRepeatCount)), c.repeat);
        EXPECT_EQ(static_cast<uint32_t>(r.get(kSizeTag)), 4100 + 4 * c.rowsAfter.size());
        EXPECT_EQ(static_cast<uint32_t>(r.get(kFormatTag)), 0xE8E80010u);
        EXPECT_EQ(r.get(kMacroId), 0x15ABCDEF);
        EXPECT_EQ(r.get(kReserved), 0);
        EXPECT_EQ(r.text(kName), "Reload");
        for (int i = static_cast<int>(c.events.size()); i < kMaxEvents; ++i) {
            ASSERT_EQ(r.get(Event(i)), 0) << i;
        }
    }
}

TEST(BuildMacroRecord, RepeatCountFromTheLoopText) {
    // clang-format off
    const std::pair<const char*, uint32_t> cases[] = {
        {"007", 7}, {"70000", 65533}, {"65534", 65533}, {"-5", 65533},
        {"99999999999999999999", 65533},
        {"abc", 1}, {"", 1}, {"0", 1}, {"12a", 1}, {" 7", 1},
    };
    // clang-format on
    for (const auto& [text, repeat] : cases) {
        EXPECT_EQ(ParseRepeatCount(text), repeat) << '"' << text << '"';
    }
}

TEST(BuildMacroRecord, RefusesWhatNoRecordCanHold) {
    std::vector<EventRow> none;
    EXPECT_EQ(BuildMacroRecord(none, "1", 0x15000001, "m").status, BuildStatus::NoRows);

    // 1000 events fit; the leading pause is not an event.
    std::vector<EventRow> rows = {DelayRow(10)};
    for (int i = 0; i < 500; ++i) {
        rows.push_back(PressRow(kA));
        rows.push_back(ReleaseRow(kA));
    }
    std::vector<EventRow> full = rows;
    const BuiltMacro fits = BuildMacroRecord(full, "1", 0x15000001, "m");
    ASSERT_EQ(fits.status, BuildStatus::Built);
    EXPECT_EQ(EventCountOf(*fits.record), 1000);

    rows.push_back(PressRow(kA));
    const BuiltMacro over = BuildMacroRecord(rows, "1", 0x15000001, "m");
    EXPECT_EQ(over.status, BuildStatus::TooManyEvents);
    EXPECT_FALSE(over.record);
    EXPECT_EQ(over.eventCount, 1001);
    EXPECT_EQ(rows.size(), 1002u);  // the page keeps every row
}

}  // namespace
}  // namespace x5k

#include "device/ReportDescriptor.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace x5k {
namespace {

// ---- A tiny assembler: one short item per entry, its data in the fewest bytes that hold
// the value (0, 1, 2 or 4) unless a size is given.
struct Item {
    uint8_t prefix;  // type and tag; the size bits are filled in
    uint32_t value = 0;
    int size = -1;
};
using Bytes = std::vector<uint8_t>;

Bytes Assemble(std::initializer_list<Item> items) {
    Bytes out;
    for (const Item& item : items) {
        const int size = item.size >= 0         ? item.size
                         : item.value == 0      ? 0
                         : item.value <= 0xFF   ? 1
                         : item.value <= 0xFFFF ? 2
                                                : 4;
        out.push_back(static_cast<uint8_t>(item.prefix | (size == 4 ? 3 : size)));
        for (int i = 0; i < size; ++i) out.push_back(static_cast<uint8_t>(item.value >> (8 * i)));
    }
    return out;
}
Bytes operator+(Bytes a, const Bytes& b) {
    return a.insert(a.end(), b.begin(), b.end()), a;
}

Item Page(uint32_t v) {
    return {0x04, v};
}
Item LogMin(int32_t v) {
    return {0x14, static_cast<uint32_t>(v), v < 0 ? 1 : -1};
}
Item LogMax(uint32_t v) {
    return {0x24, v};
}
Item Size(uint32_t v) {
    return {0x74, v};
}
Item Id(uint32_t v, int size = -1) {
    return {0x84, v, size};
}
Item Count(uint32_t v) {
    return {0x94, v};
}
Item Push() {
    return {0xA4};
}
Item Pop() {
    return {0xB4};
}
Item Usage(uint32_t v, int size = -1) {
    return {0x08, v, size};
}
Item UsageMin(uint32_t v) {
    return {0x18, v};
}
Item UsageMax(uint32_t v) {
    return {0x28, v};
}
Item Delimiter(uint32_t v) {
    return {0xA8, v};
}
Item Input(uint32_t flags) {
    return {0x80, flags};
}
Item Feature(uint32_t flags = 0x02) {
    return {0xB0, flags};
}  // Data, Variable, Absolute
Item Collection(uint32_t kind = 1) {
    return {0xA0, kind, 1};
}
Item End() {
    return {0xC0};
}

// The vendor interface: page 0xFF01 (a 2-byte page), usage 0x22, bytes, report ID 5.
Bytes Vendor(uint32_t count, uint32_t size = 8) {
    return Assemble({Page(0xFF01), Usage(0x01), Collection(), Id(5), Usage(0x22), LogMin(0),
                     LogMax(0xFF), Size(size), Count(count), Feature(), End()});
}
const Bytes kBootMouse = Assemble(
    {Page(0x01),  Usage(0x02), Collection(), Usage(0x01), Collection(0), Page(0x09),   UsageMin(1),
     UsageMax(3), LogMin(0),   LogMax(1),    Count(3),    Size(1),       Input(0x02),  Count(1),
     Size(5),     Input(0x01), Page(0x01),   Usage(0x30), Usage(0x31),   LogMin(-127), LogMax(127),
     Size(8),     Count(2),    Input(0x06),  End(),       End()});
const Bytes kKeyboard =
    Assemble({Page(0x01), Usage(0x06), Collection(), Page(0x07), UsageMin(0xE0), UsageMax(0xE7),
              LogMin(0), LogMax(1), Size(1), Count(8), Input(0x02), Count(6), Size(8), LogMax(0x65),
              UsageMin(0), UsageMax(0x65), Input(0x00), End()});

// A capability in one line: "page:usage[-max] xCOUNT [field-size] [#id] [Llink] [Ttlc]".
std::string Describe(const HidValueCapability& c) {
    char text[32];
    std::snprintf(text, sizeof text, c.isRange ? "%X:%X-%X" : "%X:%X", c.usagePage, c.usageMin,
                  c.usageMax);
    std::string out = text;
    out += " x" + std::to_string(c.reportCount);
    if (c.reportSize != 8) out += " " + std::to_string(c.reportSize) + "bit";
    if (c.reportId != 0) out += " #" + std::to_string(c.reportId);
    if (c.linkCollection != 0) out += " L" + std::to_string(c.linkCollection);
    if (c.topLevelCollection != 0) out += " T" + std::to_string(c.topLevelCollection);
    return out;
}

// Feature items in the top-level collection of a page-1 application: one byte-wide field
// unless they say otherwise.
Bytes InApp(std::initializer_list<Item> items) {
    return Assemble({Page(0x01), Usage(0x00), Collection(), Size(8), Count(1), LogMin(0),
                     LogMax(0xFF)}) +
           Assemble(items) + Assemble({End()});
}

TEST(ReportDescriptor, FeatureValueCapabilities) {
    const struct {
        const char* name;
        Bytes descriptor;
        std::vector<std::string> expected;
    } cases[] = {
        {"vendor, 8-byte reports", Vendor(7), {"FF01:22 x7 #5"}},
        {"vendor, 32 bytes", Vendor(32), {"FF01:22 x32 #5"}},
        {"boot mouse", kBootMouse, {}},
        {"keyboard", kKeyboard, {}},
        {"no report ID", InApp({Usage(0x40), Count(2), Feature()}), {"1:40 x2"}},
        {"constant padding, then data",
         InApp({Count(3), Feature(0x03), Usage(9), Feature()}),
         {"1:9 x3"}},
        {"array items are buttons", InApp({UsageMin(1), UsageMax(8), Count(2), Feature(0x00)}), {}},
        {"1-bit 0..1 fields are buttons; 2-bit ones values",
         InApp({LogMax(1), Usage(1), Size(1), Feature(), Usage(2), Size(2), Feature()}),
         {"1:2 x1 2bit"}},
        {"report count 0", InApp({Usage(1), Count(0), Feature()}), {}},
        {"usage page taken at the main item",
         InApp({Usage(0x22), Page(0xFF01), Feature()}),
         {"FF01:22 x1"}},
        {"pop restores page, report ID and count",
         InApp({Page(0xFF01), Count(4), Push(), Page(0x0C), Id(9), Count(1), Pop(), Usage(0x22),
                Feature()}),
         {"FF01:22 x4"}},
        {"extended usage", InApp({Usage(0xFF010022), Feature()}), {"FF01:22 x1"}},
        {"extended usage with page 0", InApp({Usage(0x22, 4), Feature()}), {"0:22 x1"}},
        {"usage range, max first",
         InApp({UsageMax(0x25), UsageMin(0x22), Count(4), Feature()}),
         {"1:22-25 x4"}},
        {"several usages split, the last takes the rest",
         InApp({Usage(0x21), Usage(0x22), Usage(0x23), Count(5), Feature()}),
         {"1:21 x1", "1:22 x1", "1:23 x3"}},
        {"a range takes its width",
         InApp({Usage(0x10), UsageMin(0x20), UsageMax(0x22), Usage(0x30), Count(6), Feature()}),
         {"1:10 x1", "1:20-22 x3", "1:30 x2"}},
        {"usages beyond the count",
         InApp({Usage(1), Usage(2), Usage(3), Count(2), Feature()}),
         {"1:1 x1", "1:2 x1"}},
        {"no usage", InApp({Count(2), Feature()}), {"1:0 x2"}},
        {"locals end at every main item", InApp({Usage(0x22), Input(0x02), Feature()}), {"1:0 x1"}},
        {"delimiter keeps the first alternative",
         InApp({Delimiter(1), Usage(0x22), Usage(0x23), Delimiter(0), Count(2), Feature()}),
         {"1:22 x2"}},
        // A long item with two data bytes, which would read as Usage(0x23) if not skipped.
        {"long item stepped over",
         InApp({{0xFC, 0x1002, 2}, Usage(0x23), Usage(0x22), Feature()}),
         {"1:22 x1"}},
        {"nested collections",
         Assemble({Page(1),       Size(8),   Count(1),      Collection(),  Usage(1),      Feature(),
                   Collection(2), Usage(2),  Feature(),     Collection(0), Usage(3),      Feature(),
                   End(),         End(),     Collection(2), Usage(4),      Feature(),     End(),
                   Usage(5),      Feature(), End(),         Collection(),  Collection(2), Usage(6),
                   Feature(),     End(),     End()}),
         {"1:1 x1", "1:2 x1 L1", "1:3 x1 L2", "1:4 x1 L3", "1:5 x1", "1:6 x1 L1 T1"}},
        {"outside every collection",
         Assemble({Page(1), Size(8), Count(1), Usage(1), Feature()}),
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ReportDescriptorResult result = ParseReportDescriptor(c.descriptor);
        EXPECT_TRUE(result) << result.description() << " at " << result.offset;
        std::vector<std::string> got;
        for (const HidValueCapability& cap : result.capabilities) got.push_back(Describe(cap));
        EXPECT_EQ(got, c.expected);
    }
}

TEST(ReportDescriptor, ProblemsStopTheParseWhereTheyAre) {
    const Bytes vendor = Vendor(7);
    Bytes pushes, deep, usages, features;
    for (int i = 0; i <= 16; ++i) pushes = pushes + Assemble({Push()});
    for (int i = 0; i <= 64; ++i) deep = deep + Assemble({Collection()});
    for (int i = 0; i <= 1024; ++i) usages = usages + Assemble({Usage(1)});
    for (int i = 0; i <= 4096; ++i) features = features + Assemble({Feature()});
    const struct {
        const char* name;
        Bytes descriptor;
        DescriptorStatus status;
        size_t offset;
        size_t capabilities;
    } cases[] = {
        {"empty", {}, DescriptorStatus::Ok, 0, 0},
        {"2-byte page cut short", {0x06, 0x01}, DescriptorStatus::TruncatedItem, 0, 0},
        {"vendor cut in its End Collection's place", Bytes(vendor.begin(), vendor.end() - 1),
         DescriptorStatus::UnbalancedCollection, 5, 1},
        {"vendor cut inside an item", Bytes(vendor.begin(), vendor.end() - 2),
         DescriptorStatus::TruncatedItem, 18, 0},
        {"long item data cut short",
         {0xFE, 0x05, 0x10, 0xAA},
         DescriptorStatus::TruncatedItem,
         0,
         0},
        {"long item header cut short", {0xFE, 0x05}, DescriptorStatus::TruncatedItem, 0, 0},
        {"stray End Collection", Assemble({Page(1), End()}), DescriptorStatus::UnbalancedCollection,
         2, 0},
        {"innermost open collection", Assemble({Collection(), Collection(), Collection(), End()}),
         DescriptorStatus::UnbalancedCollection, 2, 0},
        {"push overflow", pushes, DescriptorStatus::PushOverflow, 16, 0},
        {"pop underflow", Assemble({Push(), Pop(), Pop()}), DescriptorStatus::PopUnderflow, 2, 0},
        {"report ID 0", Assemble({Page(1), Id(0, 1)}), DescriptorStatus::InvalidReportId, 2, 0},
        {"report ID 256", Assemble({Id(256)}), DescriptorStatus::InvalidReportId, 0, 0},
        {"report size 257", Assemble({Size(257)}), DescriptorStatus::InvalidReportSize, 0, 0},
        {"report count 12289", Assemble({Count(12289)}), DescriptorStatus::InvalidReportCount, 0,
         0},
        {"65 nested collections", deep, DescriptorStatus::CollectionTooDeep, 128, 0},
        {"1025 usages", Assemble({Collection()}) + usages, DescriptorStatus::TooManyUsages,
         2 + 2 * 1024, 0},
        {"4097 capabilities", Assemble({Collection(), Count(1), Size(8)}) + features,
         DescriptorStatus::TooManyCapabilities, 6 + 2 * 4096, kMaxCapabilities},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ReportDescriptorResult result = ParseReportDescriptor(c.descriptor);
        EXPECT_EQ(result.status, c.status) << result.description();
        EXPECT_EQ(result.offset, c.offset);
        EXPECT_EQ(result.capabilities.size(), c.capabilities);
    }
}

TEST(ReportDescriptor, GarbageParsesToAStatus) {
    uint32_t state = 12345;
    for (int run = 0; run < 200; ++run) {
        Bytes garbage(static_cast<size_t>(run) * 37);
        for (uint8_t& b : garbage)
            b = static_cast<uint8_t>((state = state * 1103515245 + 12345) >> 16);
        const ReportDescriptorResult result = ParseReportDescriptor(garbage);
        ASSERT_LE(result.offset, garbage.size());
        ASSERT_LE(result.capabilities.size(), kMaxCapabilities);
    }
}

TEST(ReportDescriptor, VendorCapability) {
    const Bytes keyboardFirst = kBootMouse + kKeyboard + Vendor(7);
    const Bytes twoMatches =
        InApp({Page(0xFF01), Usage(0x22), Count(300), Feature(), Usage(0x22), Count(7), Feature()});
    const struct {
        const char* name;
        Bytes descriptor;
        bool found;
        int reportId;
        int reportCount;
        std::string diagnostic;
    } cases[] = {
        {"8-byte reports", Vendor(7), true, 5, 7, ""},
        {"after mouse and keyboard collections", keyboardFirst, true, 5, 7, ""},
        {"254 data bytes fit", Vendor(254), true, 5, 254, ""},
        {"255 do not", Vendor(255), false, 5, 255,
         "the vendor feature report holds 255 bytes; at most 254 fit"},
        {"16-bit fields", Vendor(7, 16), false, 5, 7,
         "the vendor feature report has 16-bit fields; the commands need 8-bit fields"},
        {"the first match decides", twoMatches, false, 0, 300,
         "the vendor feature report holds 300 bytes; at most 254 fit"},
        {"vendor page, other usage", InApp({Page(0xFF01), Usage(0x21), Feature()}), false, 0, 0,
         ""},
        {"usage 0x22, other page", InApp({Page(0xFF00), Usage(0x22), Feature()}), false, 0, 0, ""},
        {"range from 0x22",
         InApp({Page(0xFF01), UsageMin(0x22), UsageMax(0x25), Count(4), Feature()}), true, 0, 4,
         ""},
        {"range around 0x22",
         InApp({Page(0xFF01), UsageMin(0x20), UsageMax(0x23), Count(4), Feature()}), false, 0, 0,
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ReportDescriptorResult result = ParseReportDescriptor(c.descriptor);
        ASSERT_TRUE(result) << result.description() << " at " << result.offset;
        const VendorCapability vendor = FindVendorCapability(result.capabilities);
        EXPECT_EQ(vendor.found, c.found);
        EXPECT_EQ(vendor.reportId, c.reportId);
        EXPECT_EQ(vendor.reportCount, c.reportCount);
        EXPECT_EQ(vendor.diagnostic, c.diagnostic);
    }
}

}  // namespace
}  // namespace x5k

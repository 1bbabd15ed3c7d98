#pragma once
// A HID report-descriptor parser that answers one question the way Windows would: which
// feature value capabilities (HidP_GetSpecificValueCaps on HidP_Feature) does an
// interface offer? Discovery looks there for the vendor capability that carries the
// mouse's commands, and takes its report ID and report count from it.
//
// The descriptor is read item by item (short items with 0, 1, 2 or 4 data bytes; long
// items are stepped over). Any bytes are safe: the parser never reads outside them,
// never throws, and keeps its memory bounded whatever the input.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/Protocol.h"

namespace x5k {

// The data-item flags of an Input, Output or Feature item (the item's data bits).
namespace hid_flags {
inline constexpr uint16_t kConstant = 0x001;  // clear: Data
inline constexpr uint16_t kVariable = 0x002;  // clear: Array
inline constexpr uint16_t kRelative = 0x004;  // clear: Absolute
inline constexpr uint16_t kWrap = 0x008;
inline constexpr uint16_t kNonLinear = 0x010;
inline constexpr uint16_t kNoPreferred = 0x020;
inline constexpr uint16_t kNullState = 0x040;
inline constexpr uint16_t kVolatile = 0x080;
inline constexpr uint16_t kBufferedBytes = 0x100;
}  // namespace hid_flags

// One feature value capability, as Windows' HIDP_VALUE_CAPS describes it.
struct HidValueCapability {
    uint16_t usagePage = 0;
    // The usage, or the first and last usage of a range. For a single usage both hold it,
    // so `usageMin` is what Windows' union shows as NotRange.Usage either way.
    uint16_t usageMin = 0;
    uint16_t usageMax = 0;
    bool isRange = false;
    uint8_t reportId = 0;     // 0 when the descriptor declares no report IDs
    uint16_t reportSize = 0;  // bits per field
    uint16_t reportCount = 0;
    // Windows' numbering inside the top-level collection: 0 is the top-level collection
    // itself, the collections nested in it count from 1 in order of appearance.
    uint16_t linkCollection = 0;
    // Which top-level collection (0 = the first); Windows gives each its own interface.
    uint16_t topLevelCollection = 0;
    uint16_t flags = 0;  // hid_flags of the Feature item
    int32_t logicalMin = 0;
    int32_t logicalMax = 0;

    bool operator==(const HidValueCapability&) const = default;
};

enum class [[nodiscard]] DescriptorStatus : uint8_t {
    Ok,
    TruncatedItem,         // an item's header or data runs past the end
    UnbalancedCollection,  // an End Collection closes nothing, or a collection stays open
    CollectionTooDeep,     // more than kMaxCollectionDepth collections nested
    TooManyCollections,    // link collection numbers beyond 16 bits
    PushOverflow,          // more than kMaxPushDepth Push items outstanding
    PopUnderflow,          // a Pop with nothing pushed
    InvalidReportId,       // Report ID 0, or above 255
    InvalidReportSize,     // Report Size above kMaxReportSize bits
    InvalidReportCount,    // Report Count above kMaxReportCount
    TooManyUsages,         // more than kMaxUsages usages before one main item
    TooManyCapabilities,   // more than kMaxCapabilities capabilities
};

// What a parse did, in the manner of pugixml's xml_parse_result: the first problem met and
// where, plus every capability found before it. Parsing stops at the first problem.
struct [[nodiscard]] ReportDescriptorResult {
    DescriptorStatus status = DescriptorStatus::Ok;
    size_t offset = 0;  // byte offset of the item where the problem was found
    std::vector<HidValueCapability> capabilities;

    explicit operator bool() const { return status == DescriptorStatus::Ok; }
    std::string_view description() const;
};

// Bounds that keep hostile input from costing memory or time. Real descriptors stay far
// below them; the Linux kernel refuses report sizes and counts beyond the same limits.
inline constexpr size_t kMaxCapabilities = 4096;
inline constexpr size_t kMaxUsages = 1024;
inline constexpr size_t kMaxPushDepth = 16;
inline constexpr size_t kMaxCollectionDepth = 64;
inline constexpr uint32_t kMaxReportSize = 256;
inline constexpr uint32_t kMaxReportCount = 12288;

// The feature value capabilities of a descriptor, in the order their items appear.
//
// How items become capabilities, as Windows classifies them:
// - Only Feature items inside a top-level collection count.
// - A Constant item is padding, and an item with report count or report size 0 has no
//   fields: neither gives a capability.
// - An Array item, and a Variable item of 1-bit fields with logical range 0..1, are
//   buttons, not values.
// - Any other Variable item gives one capability per usage (a usage range is one usage
//   here). Each usage takes one field, a range as many fields as it has usages, and the
//   last usage takes all the fields that remain: Usage(A) Usage(B) Usage(C) with report
//   count 5 gives A ×1, B ×1, C ×3. Usages beyond the report count give nothing. An
//   item without usages gives one capability with usage 0.
// - A 1- or 2-byte usage lies on the usage page in effect at the main item (Windows
//   concatenates there); a 4-byte usage carries its page in its high 16 bits.
// - Inside a Delimiter set only the first usage counts; the others are aliases of the
//   same field.
// When the parse stops at a problem, the capabilities found before it are kept: the
// kernel has already accepted any descriptor a hidraw node gives, so a caller may use them.
ReportDescriptorResult ParseReportDescriptor(std::span<const uint8_t> descriptor);

// Feature reports are built and read in 255-byte buffers: the report ID, then at most
// this many data bytes.
inline constexpr int kMaxVendorReportCount = 254;

struct VendorCapability {
    bool found = false;
    // The capability's report ID and count, also when it is refused.
    uint8_t reportId = 0;
    int reportCount = 0;  // data bytes of every feature report (the report ID comes first)
    // Why the interface is refused, when a capability was found but cannot be used.
    // Empty when it is used, or when the interface has none.
    std::string diagnostic;
};

// The first capability with the vendor usage page and usage (for a range, its first
// usage is compared, as Windows' union shows it). The interface is refused, with a
// diagnostic, when that capability's report does not fit the 255-byte buffers or its
// fields are not bytes, because the commands are framed as report count + 1 bytes.
VendorCapability FindVendorCapability(std::span<const HidValueCapability> capabilities);

}  // namespace x5k

#include "device/ReportDescriptor.h"

#include <algorithm>
#include <array>
#include <optional>

namespace x5k {
namespace {

// The item prefix: bits 0-1 the data size code, bits 2-3 the type, bits 4-7 the tag.
enum class ItemType : uint8_t { Main = 0, Global = 1, Local = 2, Reserved = 3 };
constexpr std::array<uint8_t, 4> kDataSizes = {0, 1, 2, 4};
// A long item: this prefix, a data size byte, a tag byte, then the data.
constexpr uint8_t kLongItemPrefix = 0xFE;
constexpr size_t kLongItemHeader = 3;

// Input (0x8) and Output (0x9) items only end a run of local items here.
namespace main_tag {
constexpr uint8_t kCollection = 0xA;
constexpr uint8_t kFeature = 0xB;
constexpr uint8_t kEndCollection = 0xC;
}  // namespace main_tag

namespace global_tag {
constexpr uint8_t kUsagePage = 0x0;
constexpr uint8_t kLogicalMinimum = 0x1;
constexpr uint8_t kLogicalMaximum = 0x2;
constexpr uint8_t kReportSize = 0x7;
constexpr uint8_t kReportId = 0x8;
constexpr uint8_t kReportCount = 0x9;
constexpr uint8_t kPush = 0xA;
constexpr uint8_t kPop = 0xB;
}  // namespace global_tag

namespace local_tag {
constexpr uint8_t kUsage = 0x0;
constexpr uint8_t kUsageMinimum = 0x1;
constexpr uint8_t kUsageMaximum = 0x2;
constexpr uint8_t kDelimiter = 0xA;
}  // namespace local_tag

constexpr uint32_t kMaxReportId = 255;
constexpr uint32_t kMaxCollectionNumber = 0xFFFF;
// A 4-byte usage is an extended usage: the usage page in the high half.
constexpr size_t kExtendedUsageSize = 4;

struct Item {
    size_t offset = 0;
    ItemType type = ItemType::Main;
    uint8_t tag = 0;
    size_t size = 0;
    uint32_t data = 0;

    // The data read as a two's-complement number of its own width.
    int32_t signedData() const {
        switch (size) {
            case 1:
                return static_cast<int8_t>(data);
            case 2:
                return static_cast<int16_t>(data);
            case 4:
                return static_cast<int32_t>(data);
            default:
                return 0;
        }
    }
};

// The global items a Push saves and a Pop restores. Physical range, unit and exponent are
// read but kept nowhere: no caller looks at them.
struct Globals {
    uint16_t usagePage = 0;
    int32_t logicalMin = 0;
    int32_t logicalMax = 0;
    uint16_t reportSize = 0;
    uint8_t reportId = 0;
    uint16_t reportCount = 0;
};

// One usage or usage range declared before a main item. A short usage gets its page only
// at the main item, so `page` is meaningful for extended usages alone.
struct UsageEntry {
    uint16_t min = 0;
    uint16_t max = 0;
    uint16_t page = 0;
    bool extended = false;
    bool isRange = false;
};

struct UsageBound {
    uint16_t usage = 0;
    uint16_t page = 0;
    bool extended = false;
};

// The local items, cleared by every main item.
struct Locals {
    std::vector<UsageEntry> usages;
    std::optional<UsageBound> rangeMin;
    std::optional<UsageBound> rangeMax;
    bool inDelimiterSet = false;
    bool delimiterSetHasUsage = false;

    void clear() {
        usages.clear();
        rangeMin.reset();
        rangeMax.reset();
        inDelimiterSet = false;
        delimiterSetHasUsage = false;
    }
};

struct OpenCollection {
    size_t offset = 0;  // of its Collection item, for the report of one left open
    uint16_t link = 0;
};

class Parser {
public:
    explicit Parser(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    ReportDescriptorResult run() {
        size_t pos = 0;
        while (pos < bytes_.size()) {
            const size_t left = bytes_.size() - pos;
            if (bytes_[pos] == kLongItemPrefix) {
                // No long item tag is defined; its data is stepped over unread.
                if (left < kLongItemHeader || left - kLongItemHeader < bytes_[pos + 1]) {
                    return finish(DescriptorStatus::TruncatedItem, pos);
                }
                pos += kLongItemHeader + bytes_[pos + 1];
                continue;
            }
            Item item;
            item.offset = pos;
            item.size = kDataSizes[bytes_[pos] & 0x3];
            item.type = static_cast<ItemType>((bytes_[pos] >> 2) & 0x3);
            item.tag = static_cast<uint8_t>(bytes_[pos] >> 4);
            if (left - 1 < item.size) return finish(DescriptorStatus::TruncatedItem, pos);
            for (size_t i = 0; i < item.size; ++i) {
                item.data |= static_cast<uint32_t>(bytes_[pos + 1 + i]) << (8 * i);
            }
            if (!handle(item)) return std::move(result_);
            pos += 1 + item.size;
        }
        if (depth_ > 0) {
            return finish(DescriptorStatus::UnbalancedCollection, open_[depth_ - 1].offset);
        }
        return std::move(result_);
    }

private:
    ReportDescriptorResult finish(DescriptorStatus status, size_t offset) {
        fail(status, offset);
        return std::move(result_);
    }
    bool fail(DescriptorStatus status, size_t offset) {
        result_.status = status;
        result_.offset = offset;
        return false;
    }

    bool handle(const Item& item) {
        switch (item.type) {
            case ItemType::Main: {
                const bool ok = onMain(item);
                locals_.clear();
                return ok;
            }
            case ItemType::Global:
                return onGlobal(item);
            case ItemType::Local:
                return onLocal(item);
            case ItemType::Reserved:
                return true;
        }
        return true;
    }

    bool onMain(const Item& item) {
        switch (item.tag) {
            case main_tag::kCollection:
                return openCollection(item);
            case main_tag::kEndCollection:
                if (depth_ == 0) return fail(DescriptorStatus::UnbalancedCollection, item.offset);
                --depth_;
                return true;
            case main_tag::kFeature:
                return addFeatureValues(item);
            default:
                // Input and Output items give no feature capability; unknown main tags are
                // ignored, as the kernel does.
                return true;
        }
    }

    bool openCollection(const Item& item) {
        if (depth_ == kMaxCollectionDepth) {
            return fail(DescriptorStatus::CollectionTooDeep, item.offset);
        }
        uint16_t link = 0;
        if (depth_ == 0) {
            // A new top-level collection: Windows makes it an interface of its own and
            // numbers its link collections afresh.
            if (topLevelCount_ > kMaxCollectionNumber) {
                return fail(DescriptorStatus::TooManyCollections, item.offset);
            }
            topLevel_ = static_cast<uint16_t>(topLevelCount_++);
            nextLink_ = 1;
        } else {
            if (nextLink_ > kMaxCollectionNumber) {
                return fail(DescriptorStatus::TooManyCollections, item.offset);
            }
            link = static_cast<uint16_t>(nextLink_++);
        }
        open_[depth_++] = {item.offset, link};
        return true;
    }

    bool onGlobal(const Item& item) {
        switch (item.tag) {
            case global_tag::kUsagePage:
                globals_.usagePage = static_cast<uint16_t>(item.data);
                return true;
            case global_tag::kLogicalMinimum:
                globals_.logicalMin = item.signedData();
                return true;
            case global_tag::kLogicalMaximum:
                globals_.logicalMax = item.signedData();
                return true;
            case global_tag::kReportSize:
                if (item.data > kMaxReportSize) {
                    return fail(DescriptorStatus::InvalidReportSize, item.offset);
                }
                globals_.reportSize = static_cast<uint16_t>(item.data);
                return true;
            case global_tag::kReportId:
                if (item.data == 0 || item.data > kMaxReportId) {
                    return fail(DescriptorStatus::InvalidReportId, item.offset);
                }
                globals_.reportId = static_cast<uint8_t>(item.data);
                return true;
            case global_tag::kReportCount:
                if (item.data > kMaxReportCount) {
                    return fail(DescriptorStatus::InvalidReportCount, item.offset);
                }
                globals_.reportCount = static_cast<uint16_t>(item.data);
                return true;
            case global_tag::kPush:
                if (pushDepth_ == kMaxPushDepth) {
                    return fail(DescriptorStatus::PushOverflow, item.offset);
                }
                pushed_[pushDepth_++] = globals_;
                return true;
            case global_tag::kPop:
                if (pushDepth_ == 0) return fail(DescriptorStatus::PopUnderflow, item.offset);
                globals_ = pushed_[--pushDepth_];
                return true;
            default:
                // Physical range, unit and exponent, and reserved tags.
                return true;
        }
    }

    bool onLocal(const Item& item) {
        const bool extended = item.size == kExtendedUsageSize;
        const UsageBound bound{static_cast<uint16_t>(item.data),
                               static_cast<uint16_t>(item.data >> 16), extended};
        switch (item.tag) {
            case local_tag::kUsage:
                return addUsage(item, {bound.usage, bound.usage, bound.page, extended, false});
            case local_tag::kUsageMinimum:
                locals_.rangeMin = bound;
                return completeRange(item);
            case local_tag::kUsageMaximum:
                locals_.rangeMax = bound;
                return completeRange(item);
            case local_tag::kDelimiter:
                // 1 opens a set of alternative usages for one field, 0 closes it.
                if (item.data == 1) {
                    locals_.inDelimiterSet = true;
                    locals_.delimiterSetHasUsage = false;
                } else if (item.data == 0) {
                    locals_.inDelimiterSet = false;
                }
                return true;
            default:
                // Designators and strings do not change what a capability is.
                return true;
        }
    }

    // A range is declared by its minimum and maximum, in either order; it joins the usage
    // list once both are known.
    bool completeRange(const Item& item) {
        if (!locals_.rangeMin || !locals_.rangeMax) return true;
        const UsageBound& min = *locals_.rangeMin;
        const UsageBound& max = *locals_.rangeMax;
        const UsageBound& paged = min.extended ? min : max;
        const UsageEntry entry{min.usage, max.usage, paged.page, min.extended || max.extended,
                               true};
        locals_.rangeMin.reset();
        locals_.rangeMax.reset();
        return addUsage(item, entry);
    }

    bool addUsage(const Item& item, const UsageEntry& entry) {
        if (locals_.inDelimiterSet) {
            // The alternatives after the first name the same field again.
            if (locals_.delimiterSetHasUsage) return true;
            locals_.delimiterSetHasUsage = true;
        }
        if (locals_.usages.size() == kMaxUsages) {
            return fail(DescriptorStatus::TooManyUsages, item.offset);
        }
        locals_.usages.push_back(entry);
        return true;
    }

    bool addFeatureValues(const Item& item) {
        // A data item outside every top-level collection belongs to no interface.
        if (depth_ == 0) return true;
        const uint16_t flags = static_cast<uint16_t>(item.data);
        if ((flags & hid_flags::kConstant) != 0) return true;
        if (globals_.reportCount == 0 || globals_.reportSize == 0) return true;
        if ((flags & hid_flags::kVariable) == 0) return true;
        if (globals_.reportSize == 1 && globals_.logicalMin == 0 && globals_.logicalMax == 1) {
            return true;
        }

        HidValueCapability cap;
        cap.reportId = globals_.reportId;
        cap.reportSize = globals_.reportSize;
        cap.linkCollection = open_[depth_ - 1].link;
        cap.topLevelCollection = topLevel_;
        cap.flags = flags;
        cap.logicalMin = globals_.logicalMin;
        cap.logicalMax = globals_.logicalMax;

        const std::vector<UsageEntry>& usages = locals_.usages;
        if (usages.empty()) {
            cap.usagePage = globals_.usagePage;
            cap.reportCount = globals_.reportCount;
            return emit(item, cap);
        }
        uint32_t remaining = globals_.reportCount;
        for (size_t i = 0; i < usages.size() && remaining > 0; ++i) {
            const UsageEntry& usage = usages[i];
            const uint32_t span = usage.isRange && usage.max >= usage.min
                                      ? static_cast<uint32_t>(usage.max - usage.min) + 1
                                      : 1;
            const uint32_t fields = i + 1 == usages.size() ? remaining : std::min(remaining, span);
            cap.usagePage = usage.extended ? usage.page : globals_.usagePage;
            cap.usageMin = usage.min;
            cap.usageMax = usage.max;
            cap.isRange = usage.isRange;
            cap.reportCount = static_cast<uint16_t>(fields);
            if (!emit(item, cap)) return false;
            remaining -= fields;
        }
        return true;
    }

    bool emit(const Item& item, const HidValueCapability& cap) {
        if (result_.capabilities.size() == kMaxCapabilities) {
            return fail(DescriptorStatus::TooManyCapabilities, item.offset);
        }
        result_.capabilities.push_back(cap);
        return true;
    }

    std::span<const uint8_t> bytes_;
    ReportDescriptorResult result_;
    Globals globals_;
    std::array<Globals, kMaxPushDepth> pushed_{};
    size_t pushDepth_ = 0;
    Locals locals_;
    std::array<OpenCollection, kMaxCollectionDepth> open_{};
    size_t depth_ = 0;
    uint32_t topLevelCount_ = 0;
    uint16_t topLevel_ = 0;
    uint32_t nextLink_ = 0;
};

constexpr std::array<std::string_view, 12> kStatusTexts = {
    "parsed",
    "an item runs past the end of the descriptor",
    "a collection is not balanced by an End Collection",
    "collections are nested too deeply",
    "there are too many collections",
    "too many Push items are outstanding",
    "a Pop item has nothing to restore",
    "a Report ID is 0 or above 255",
    "a Report Size is too large",
    "a Report Count is too large",
    "a main item has too many usages",
    "there are too many capabilities",
};
static_assert(kStatusTexts.size() ==
              static_cast<size_t>(DescriptorStatus::TooManyCapabilities) + 1);

}  // namespace

std::string_view ReportDescriptorResult::description() const {
    const auto index = static_cast<size_t>(status);
    return index < kStatusTexts.size() ? kStatusTexts[index] : std::string_view("unknown problem");
}

ReportDescriptorResult ParseReportDescriptor(std::span<const uint8_t> descriptor) {
    return Parser(descriptor).run();
}

VendorCapability FindVendorCapability(std::span<const HidValueCapability> capabilities) {
    VendorCapability vendor;
    const auto it =
        std::find_if(capabilities.begin(), capabilities.end(), [](const HidValueCapability& c) {
            return c.usagePage == kVendorCommandUsagePage && c.usageMin == kVendorCommandUsage;
        });
    if (it == capabilities.end()) return vendor;
    vendor.reportId = it->reportId;
    vendor.reportCount = it->reportCount;
    // Only the first match counts: a capability that cannot be used refuses the interface
    // rather than sending the search on to a later one.
    if (it->reportSize != 8) {
        vendor.diagnostic = "the vendor feature report has " + std::to_string(it->reportSize) +
                            "-bit fields; the commands need 8-bit fields";
    } else if (vendor.reportCount > kMaxVendorReportCount) {
        vendor.diagnostic = "the vendor feature report holds " +
                            std::to_string(vendor.reportCount) + " bytes; at most " +
                            std::to_string(kMaxVendorReportCount) + " fit";
    } else {
        vendor.found = true;
    }
    return vendor;
}

}  // namespace x5k

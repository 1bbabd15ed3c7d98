#include "device/emulator/ReportDescriptors.h"

#include <cstddef>

namespace x5k {
namespace {

// Short-item prefixes (tag and type; the size code is added when the item is written).
enum : uint8_t {
    kUsagePage = 0x04,
    kLogicalMinimum = 0x14,
    kLogicalMaximum = 0x24,
    kReportSize = 0x74,
    kReportId = 0x84,
    kReportCount = 0x94,
    kUsage = 0x08,
    kOutput = 0x90,
    kCollection = 0xA0,
    kFeature = 0xB0,
    kEndCollection = 0xC0,
};

constexpr uint32_t kApplicationCollection = 0x01;
constexpr uint32_t kDataVariableAbsolute = 0x02;
constexpr uint32_t kBulkDataBytes = 32;
constexpr uint16_t kBulkDataUsage = 0x23;

// Appends a short item with the fewest data bytes that hold `value`. Logical minimum
// and maximum are signed, so 255 needs two bytes there.
void Item(std::vector<uint8_t>& out, uint8_t prefix, uint32_t value, bool isSigned = false) {
    const uint32_t oneByteLimit = isSigned ? 0x7F : 0xFF;
    const uint32_t twoByteLimit = isSigned ? 0x7FFF : 0xFFFF;
    size_t size = value <= oneByteLimit ? 1 : value <= twoByteLimit ? 2 : 4;
    const uint8_t sizeCode = size == 4 ? 3 : static_cast<uint8_t>(size);
    out.push_back(static_cast<uint8_t>(prefix | sizeCode));
    for (size_t i = 0; i < size; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

std::vector<uint8_t> PointerInterfaceDescriptor() {
    return {
        0x05, 0x01,        // Usage Page (Generic Desktop)
        0x09, 0x02,        // Usage (Mouse)
        0xA1, 0x01,        // Collection (Application)
        0x09, 0x01,        //   Usage (Pointer)
        0xA1, 0x00,        //   Collection (Physical)
        0x05, 0x09,        //     Usage Page (Button)
        0x19, 0x01,        //     Usage Minimum (1)
        0x29, 0x05,        //     Usage Maximum (5)
        0x15, 0x00,        //     Logical Minimum (0)
        0x25, 0x01,        //     Logical Maximum (1)
        0x95, 0x05,        //     Report Count (5)
        0x75, 0x01,        //     Report Size (1)
        0x81, 0x02,        //     Input (Data, Variable, Absolute)
        0x95, 0x01,        //     Report Count (1)
        0x75, 0x03,        //     Report Size (3)
        0x81, 0x01,        //     Input (Constant)
        0x05, 0x01,        //     Usage Page (Generic Desktop)
        0x09, 0x30,        //     Usage (X)
        0x09, 0x31,        //     Usage (Y)
        0x16, 0x01, 0x80,  //     Logical Minimum (-32767)
        0x26, 0xFF, 0x7F,  //     Logical Maximum (32767)
        0x75, 0x10,        //     Report Size (16)
        0x95, 0x02,        //     Report Count (2)
        0x81, 0x06,        //     Input (Data, Variable, Relative)
        0x09, 0x38,        //     Usage (Wheel)
        0x15, 0x81,        //     Logical Minimum (-127)
        0x25, 0x7F,        //     Logical Maximum (127)
        0x75, 0x08,        //     Report Size (8)
        0x95, 0x01,        //     Report Count (1)
        0x81, 0x06,        //     Input (Data, Variable, Relative)
        0xC0,              //   End Collection
        0xC0,              // End Collection
    };
}

std::vector<uint8_t> KeyboardInterfaceDescriptor() {
    return {
        0x05, 0x01,        // Usage Page (Generic Desktop)
        0x09, 0x06,        // Usage (Keyboard)
        0xA1, 0x01,        // Collection (Application)
        0x85, 0x01,        //   Report ID (1)
        0x05, 0x07,        //   Usage Page (Keyboard/Keypad)
        0x19, 0xE0,        //   Usage Minimum (Left Control)
        0x29, 0xE7,        //   Usage Maximum (Right GUI)
        0x15, 0x00,        //   Logical Minimum (0)
        0x25, 0x01,        //   Logical Maximum (1)
        0x75, 0x01,        //   Report Size (1)
        0x95, 0x08,        //   Report Count (8)
        0x81, 0x02,        //   Input (Data, Variable, Absolute): modifier bits
        0x95, 0x01,        //   Report Count (1)
        0x75, 0x08,        //   Report Size (8)
        0x81, 0x01,        //   Input (Constant): reserved byte
        0x95, 0x05,        //   Report Count (5)
        0x75, 0x01,        //   Report Size (1)
        0x05, 0x08,        //   Usage Page (LEDs)
        0x19, 0x01,        //   Usage Minimum (Num Lock)
        0x29, 0x05,        //   Usage Maximum (Kana)
        0x91, 0x02,        //   Output (Data, Variable, Absolute)
        0x95, 0x01,        //   Report Count (1)
        0x75, 0x03,        //   Report Size (3)
        0x91, 0x01,        //   Output (Constant): LED padding
        0x95, 0x06,        //   Report Count (6)
        0x75, 0x08,        //   Report Size (8)
        0x15, 0x00,        //   Logical Minimum (0)
        0x26, 0xFF, 0x00,  //   Logical Maximum (255)
        0x05, 0x07,        //   Usage Page (Keyboard/Keypad)
        0x19, 0x00,        //   Usage Minimum (0)
        0x2A, 0xFF, 0x00,  //   Usage Maximum (255)
        0x81, 0x00,        //   Input (Data, Array): six key slots
        0xC0,              // End Collection
        0x05, 0x0C,        // Usage Page (Consumer)
        0x09, 0x01,        // Usage (Consumer Control)
        0xA1, 0x01,        // Collection (Application)
        0x85, 0x02,        //   Report ID (2)
        0x15, 0x00,        //   Logical Minimum (0)
        0x26, 0xFF, 0x03,  //   Logical Maximum (1023)
        0x19, 0x00,        //   Usage Minimum (0)
        0x2A, 0xFF, 0x03,  //   Usage Maximum (1023)
        0x75, 0x10,        //   Report Size (16)
        0x95, 0x01,        //   Report Count (1)
        0x81, 0x00,        //   Input (Data, Array)
        0xC0,              // End Collection
    };
}

std::vector<uint8_t> VendorInterfaceDescriptor(const VendorFeatureItem& capability) {
    std::vector<uint8_t> out;
    Item(out, kUsagePage, capability.usagePage);
    Item(out, kUsage, 0x01);
    Item(out, kCollection, kApplicationCollection);
    // Report ID 0 is reserved: an interface without report IDs has no Report ID item.
    if (capability.reportId != 0) Item(out, kReportId, capability.reportId);
    Item(out, kLogicalMinimum, 0, true);
    Item(out, kLogicalMaximum, 0xFF, true);
    Item(out, kReportSize, 8);
    Item(out, kReportCount, capability.reportCount);
    Item(out, kUsage, capability.usage);
    Item(out, kFeature, kDataVariableAbsolute);
    Item(out, kReportCount, kBulkDataBytes);
    Item(out, kUsage, kBulkDataUsage);
    Item(out, kOutput, kDataVariableAbsolute);
    out.push_back(kEndCollection);
    return out;
}

}  // namespace x5k

#pragma once
// The report descriptors the emulated mouse presents, as a real X5K does: an ordinary
// pointer interface and a keyboard interface (neither has a vendor capability), then
// the vendor interface that carries the configuration commands.

#include <cstdint>
#include <vector>

#include "device/Protocol.h"

namespace x5k {

// Five buttons, 16-bit relative X and Y and a wheel, without report IDs.
std::vector<uint8_t> PointerInterfaceDescriptor();

// A boot keyboard on report ID 1 (with the LED output report) and consumer control on
// report ID 2: the mouse sends key and media functions through this interface.
std::vector<uint8_t> KeyboardInterfaceDescriptor();

// The identity of the vendor interface's feature item.
struct VendorFeatureItem {
    uint16_t usagePage = kVendorCommandUsagePage;
    uint16_t usage = kVendorCommandUsage;
    uint8_t reportId = 0x05;  // 0: the interface uses no report IDs
    uint32_t reportCount = 32;
};

// One application collection on the vendor usage page holding a Feature item of
// `reportCount` bytes (the commands) and a 32-byte Output item (the bulk data), both on
// the same report ID.
std::vector<uint8_t> VendorInterfaceDescriptor(const VendorFeatureItem& capability);

}  // namespace x5k

// The identities the hidraw backend and the udev monitor build from sysfs texts: what
// the device link's case-insensitive "contains" checks run against.

#include <gtest/gtest.h>

#include "device/UsbDriver.h"
#include "platform/linux/HidrawBackend.h"
#include "platform/linux/UdevMonitor.h"

namespace x5k {
namespace {

TEST(HidrawNames, UsbHardwareIdFromSysfsAttributes) {
    struct Case {
        const char* vendor;
        const char* product;
        const char* revision;
        std::optional<std::string> id;
    };
    const Case cases[] = {
        {"7a1d", "5217", "0100", "USB\\VID_7A1D&PID_5217&REV_0100"},
        {"4d9", "8022", "100", "USB\\VID_04D9&PID_8022&REV_0100"},  // short texts are padded
        {"1D6B\n", " 0002", "0601\n", "USB\\VID_1D6B&PID_0002&REV_0601"},
        {"", "5217", "0100", std::nullopt},       // attribute missing
        {"7a1d", "5217", "", std::nullopt},       // no revision, no first hardware ID
        {"7a1dd", "5217", "0100", std::nullopt},  // more than four digits
        {"7a1g", "5217", "0100", std::nullopt},   // not hex
        {"-1", "5217", "0100", std::nullopt},
        {"0x7a", "5217", "0100", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UsbHardwareId(c.vendor, c.product, c.revision), c.id)
            << c.vendor << " " << c.product << " " << c.revision;
    }
    EXPECT_TRUE(ContainsIdentity(*UsbHardwareId("04d9", "8022", "0100"), kFirmwareLoaderIdentity));
}

TEST(HidrawNames, HidIdProperty) {
    const std::pair<const char*, std::optional<HidId>> cases[] = {
        {"0003:00007A1D:00005217", HidId{3, 0x7A1D, 0x5217}},
        {"0005:0000046D:0000B023\n", HidId{5, 0x046D, 0xB023}},
        {"0018:000004F3:00003125", HidId{0x18, 0x04F3, 0x3125}},
        {"0003:00017A1D:00005217", std::nullopt},  // a vendor beyond 16 bits
        {"0003:00007A1D", std::nullopt},
        {"0003::00005217", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [text, id] : cases) EXPECT_EQ(ParseHidId(text), id) << text;
}

TEST(HidrawNames, DeviceChangeNamesCarryTheIdentity) {
    const std::tuple<uint16_t, uint16_t, std::optional<int>, const char*, const char*> cases[] = {
        {0x7A1D, 0x5217, 2, "/dev/hidraw3", "HID\\VID_7A1D&PID_5217&MI_02\\hidraw3"},
        {0x046D, 0xC31C, std::nullopt, "/dev/hidraw0", "HID\\VID_046D&PID_C31C\\hidraw0"},
        {0x04D9, 0x8022, 0, "", "HID\\VID_04D9&PID_8022&MI_00\\"},
    };
    for (const auto& [vendor, product, interface, node, name] : cases) {
        EXPECT_EQ(DeviceChangeName(vendor, product, interface, node), name);
    }
    EXPECT_TRUE(
        ContainsIdentity(DeviceChangeName(0x7A1D, 0x5217, 2, "/dev/hidraw3"), kMouseIdentity));
    EXPECT_FALSE(
        ContainsIdentity(DeviceChangeName(0x7A1D, 0x5218, 2, "/dev/hidraw3"), kMouseIdentity));
}

}  // namespace
}  // namespace x5k

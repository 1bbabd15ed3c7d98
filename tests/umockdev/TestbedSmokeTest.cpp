#include <gtest/gtest.h>
#include <libudev.h>
#include <umockdev.h>

TEST(Testbed, EnumeratesAFakedHidrawNode) {
    
    UMockdevTestbed* testbed = umockdev_testbed_new();
    gchar* sys = umockdev_testbed_add_device(testbed, "hidraw", "hidraw0", nullptr, nullptr,
                                             "DEVNAME", "hidraw0", nullptr);
    ASSERT_NE(sys, nullptr);
    udev* u = udev_new();
    udev_enumerate* e = udev_enumerate_new(u);
    udev_enumerate_add_match_subsystem(e, "hidraw");
    udev_enumerate_scan_devices(e);
    int n = 0;
    for (udev_list_entry* it = udev_enumerate_get_list_entry(e); it; it = udev_list_entry_get_next(it)) ++n;
    EXPECT_EQ(n, 1);
    udev_enumerate_unref(e);
    udev_unref(u);
    g_free(sys);
    g_object_unref(testbed);
}

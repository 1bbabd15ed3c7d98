// The mice the KDE settings are filed under, as udev lists them.

#include "platform/linux/PointerMice.h"

#include <gtest/gtest.h>
#include <umockdev.h>

#include <string>
#include <vector>

namespace x5k {
namespace {

class Testbed {
public:
    Testbed() : testbed_(umockdev_testbed_new()) {}
    ~Testbed() { g_object_unref(testbed_); }
    Testbed(const Testbed&) = delete;
    Testbed& operator=(const Testbed&) = delete;

    // An input device with its name and identifiers, and below it the nodes given as
    // (sysname, extra udev property or nullptr).
    void addInput(const std::string& input, const char* name, const char* vendor,
                  const char* product,
                  const std::vector<std::pair<std::string, const char*>>& nodes,
                  const char* kind = "ID_INPUT_MOUSE") {
        gchar* parent = umockdev_testbed_add_device(testbed_, "input", input.c_str(), nullptr,
                                                    "name", name, "id/vendor", vendor, "id/product",
                                                    product, nullptr, nullptr);
        ASSERT_NE(parent, nullptr);
        for (const auto& [sysname, extra] : nodes) {
            const std::string devname = "/dev/input/" + sysname;
            gchar* node = umockdev_testbed_add_device(
                testbed_, "input", sysname.c_str(), parent, nullptr, "DEVNAME", devname.c_str(),
                "ID_INPUT", "1", kind, "1", extra ? extra : "ID_SERIAL", extra ? "1" : "x",
                nullptr);
            ASSERT_NE(node, nullptr);
            g_free(node);
        }
        g_free(parent);
    }

private:
    UMockdevTestbed* testbed_;
};

TEST(PointerMice, MiceAreListedOnceByTheirEventNodeWithoutTouchpadsOrKeyboards) {
    Testbed bed;
    bed.addInput("input1", "ZINTU X5K", "7a1d", "5217",
                 {{"event1", nullptr}, {"mouse0", nullptr}, {"event2", nullptr}});
    bed.addInput("input2", "SynPS/2 Synaptics TouchPad", "0002", "0007",
                 {{"event3", "ID_INPUT_TOUCHPAD"}});
    bed.addInput("input3", "TPPS/2 IBM TrackPoint", "0002", "000a",
                 {{"event4", "ID_INPUT_POINTINGSTICK"}});
    bed.addInput("input4", "AT Translated Set 2 keyboard", "0001", "0001", {{"event5", nullptr}},
                 "ID_INPUT_KEYBOARD");
    bed.addInput("input5", "Mouse \xff\xfe", "046d", "c077", {{"event6", nullptr}});

    const std::vector<PointerMouse> expected = {
        {"ZINTU X5K", 0x7A1D, 0x5217},
        {"Mouse \xEF\xBF\xBD\xEF\xBF\xBD", 0x046D, 0xC077},
    };
    std::vector<PointerMouse> mice = ConnectedMice();
    std::sort(mice.begin(), mice.end(),
              [](const auto& a, const auto& b) { return a.vendor > b.vendor; });
    EXPECT_EQ(mice, expected);
}

TEST(PointerMice, NoMiceGiveAnEmptyList) {
    Testbed bed;
    EXPECT_TRUE(ConnectedMice().empty());
}

}  // namespace
}  // namespace x5k

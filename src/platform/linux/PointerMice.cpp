#include "platform/linux/PointerMice.h"

#include <glib.h>
#include <libudev.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace x5k {
namespace {

struct UdevRelease {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};

bool HasProperty(udev_device* device, const char* name) {
    const char* value = udev_device_get_property_value(device, name);
    return value != nullptr && std::string_view(value) == "1";
}

// Sysfs shows the identifiers as four hex digits ("046d").
unsigned HexAttribute(udev_device* device, const char* name) {
    const char* text = udev_device_get_sysattr_value(device, name);
    return text == nullptr ? 0u : static_cast<unsigned>(std::strtoul(text, nullptr, 16));
}

std::string ValidUtf8(const char* text) {
    gchar* valid = g_utf8_make_valid(text, -1);
    std::string result(valid);
    g_free(valid);
    return result;
}

}  // namespace

std::vector<PointerMouse> ConnectedMice() {
    std::vector<PointerMouse> mice;
    std::unique_ptr<udev, UdevRelease> context(udev_new());
    if (!context) return mice;
    std::unique_ptr<udev_enumerate, UdevRelease> scan(udev_enumerate_new(context.get()));
    if (!scan) return mice;
    udev_enumerate_add_match_subsystem(scan.get(), "input");
    udev_enumerate_add_match_property(scan.get(), "ID_INPUT_MOUSE", "1");
    if (udev_enumerate_scan_devices(scan.get()) < 0) return mice;

    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(scan.get())) {
        std::unique_ptr<udev_device, UdevRelease> node(
            udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        if (!node) continue;
        // Each mouse shows up as its event node and its legacy mouseN node; the event
        // node is the one libinput opens.
        const std::string_view sysname = udev_device_get_sysname(node.get());
        if (!sysname.starts_with("event")) continue;
        if (HasProperty(node.get(), "ID_INPUT_TOUCHPAD") ||
            HasProperty(node.get(), "ID_INPUT_POINTINGSTICK")) {
            continue;
        }
        // The name and identifiers belong to the parent "inputN" device (not owned).
        udev_device* input =
            udev_device_get_parent_with_subsystem_devtype(node.get(), "input", nullptr);
        const char* name = input ? udev_device_get_sysattr_value(input, "name") : nullptr;
        if (name == nullptr) continue;
        PointerMouse mouse{ValidUtf8(name), HexAttribute(input, "id/vendor"),
                           HexAttribute(input, "id/product")};
        if (std::find(mice.begin(), mice.end(), mouse) == mice.end()) {
            mice.push_back(std::move(mouse));
        }
    }
    return mice;
}

}  // namespace x5k

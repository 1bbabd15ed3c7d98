#include "umockdev/MouseTestbed.h"

#include <linux/hidraw.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <glib/gstdio.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <span>

#include "device/UsbDriver.h"
#include "device/emulator/ReportDescriptors.h"

namespace x5k::test {
namespace {

constexpr const char* kGenerationKey = "x5k-generation";
constexpr int kHidrawMajor = 243;

std::string Hex4(uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value);
    return text;
}

std::string HidName(uint16_t vendorId, uint16_t productId, int sequence) {
    char text[32];
    std::snprintf(text, sizeof text, "0003:%04X:%04X.%04X", vendorId, productId, sequence);
    return text;
}

std::string HidIdProperty(uint16_t vendorId, uint16_t productId) {
    char text[32];
    std::snprintf(text, sizeof text, "0003:0000%04X:0000%04X", vendorId, productId);
    return text;
}

// umockdev_testbed_add_devicev takes NULL-terminated name/value arrays.
class Pairs {
public:
    Pairs(std::initializer_list<std::pair<std::string, std::string>> pairs) {
        for (const auto& [name, value] : pairs) {
            text_.push_back(name);
            text_.push_back(value);
        }
        for (std::string& item : text_) pointers_.push_back(item.data());
        pointers_.push_back(nullptr);
    }
    gchar** get() { return pointers_.data(); }

private:
    std::vector<std::string> text_;
    std::vector<gchar*> pointers_;
};

std::string Added(gchar* syspath) {
    std::string path = syspath ? syspath : "";
    g_free(syspath);
    return path;
}

}  // namespace

MouseTestbed::MouseTestbed()
    : testbed_(umockdev_testbed_new()),
      handler_(umockdev_ioctl_base_new()),
      firmware_(VendorFeatureItem{}.reportId, VendorFeatureItem{}.reportCount,
                EmulatedMouseSetup{}.versionReply) {
    g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(&MouseTestbed::onIoctl), this);
    g_signal_connect(handler_, "handle-write", G_CALLBACK(&MouseTestbed::onWrite), this);
    g_signal_connect(handler_, "client-connected", G_CALLBACK(&MouseTestbed::onConnected), this);
    Pairs attributes{{"idVendor", "1d6b"},
                     {"idProduct", "0002"},
                     {"bcdDevice", "0601"},
                     {"busnum", "1"},
                     {"devnum", "1"}};
    Pairs properties{{"DEVTYPE", "usb_device"}, {"PRODUCT", "1d6b/2/601"}, {"TYPE", "9/0/1"}};
    rootHub_ = Added(umockdev_testbed_add_devicev(testbed_, "usb", "pci0000:00/0000:00:14.0/usb1",
                                                  nullptr, attributes.get(), properties.get()));
}

MouseTestbed::~MouseTestbed() {
    {
        // A write still held must not leave its caller blocked.
        std::lock_guard lock(mutex_);
        for (HeldWrite& held : heldWrites_) {
            umockdev_ioctl_client_complete(held.client, -1, EIO);
            g_object_unref(held.client);
        }
        heldWrites_.clear();
    }
    g_object_unref(testbed_);
    g_object_unref(handler_);
}

std::vector<std::string> MouseTestbed::addUsbDevice(const std::string& name, uint16_t vendorId,
                                                    uint16_t productId,
                                                    const std::vector<Interface>& interfaces) {
    std::vector<std::string> added;
    {
        Pairs attributes{{"idVendor", Hex4(vendorId)},
                         {"idProduct", Hex4(productId)},
                         {"bcdDevice", "0100"},
                         {"busnum", "1"},
                         {"devnum", "5"}};
        char product[32];
        std::snprintf(product, sizeof product, "%x/%x/100", vendorId, productId);
        Pairs properties{{"DEVTYPE", "usb_device"}, {"PRODUCT", product}, {"TYPE", "0/0/0"}};
        added.push_back(Added(umockdev_testbed_add_devicev(
            testbed_, "usb", name.c_str(), rootHub_.c_str(), attributes.get(), properties.get())));
    }
    for (const Interface& interface : interfaces) {
        char number[8];
        std::snprintf(number, sizeof number, "%02x", interface.number);
        const std::string interfaceName = name + ":1." + std::to_string(interface.number);
        const bool hid = !interface.hidName.empty();
        Pairs attributes{{"bInterfaceNumber", number}, {"bInterfaceClass", hid ? "03" : "ff"}};
        Pairs properties{{"DEVTYPE", "usb_interface"}, {"INTERFACE", hid ? "3/0/0" : "255/0/0"}};
        const std::string interfacePath = Added(umockdev_testbed_add_devicev(
            testbed_, "usb", interfaceName.c_str(), added.front().c_str(), attributes.get(),
            properties.get()));
        added.push_back(interfacePath);
        if (!hid) continue;

        Pairs noAttributes{};
        Pairs hidProperties{{"HID_ID", HidIdProperty(vendorId, productId)},
                            {"HID_PHYS", interfaceName}};
        const std::string hidPath = Added(umockdev_testbed_add_devicev(
            testbed_, "hid", interface.hidName.c_str(), interfacePath.c_str(), noAttributes.get(),
            hidProperties.get()));
        std::vector<uint8_t> descriptor = interface.descriptor;
        umockdev_testbed_set_attribute_binary(testbed_, hidPath.c_str(), "report_descriptor",
                                              descriptor.data(),
                                              static_cast<gint>(descriptor.size()));
        added.push_back(hidPath);

        const std::string minor = interface.node.substr(std::strlen("hidraw"));
        const std::string devnode = "/dev/" + interface.node;
        Pairs rawAttributes{{"dev", std::to_string(kHidrawMajor) + ":" + minor}};
        Pairs rawProperties{
            {"DEVNAME", devnode}, {"MAJOR", std::to_string(kHidrawMajor)}, {"MINOR", minor}};
        const std::string rawPath = Added(umockdev_testbed_add_devicev(
            testbed_, "hidraw", ("hidraw/" + interface.node).c_str(), hidPath.c_str(),
            rawAttributes.get(), rawProperties.get()));
        added.push_back(rawPath);

        // umockdev makes no node for a device added this way; an empty file serves, since
        // the ioctl handler answers everything done to it.
        gchar* root = umockdev_testbed_get_root_dir(testbed_);
        gchar* file = g_build_filename(root, "dev", interface.node.c_str(), nullptr);
        g_free(root);
        gchar* folder = g_path_get_dirname(file);
        g_mkdir_with_parents(folder, 0755);
        g_file_set_contents(file, "", 0, nullptr);
        g_free(folder);
        g_free(file);
        umockdev_testbed_attach_ioctl(testbed_, devnode.c_str(), handler_, nullptr);

        std::lock_guard lock(mutex_);
        Node* node = findNode(devnode);
        if (!node) {
            nodes_.push_back({});
            node = &nodes_.back();
        }
        node->devnode = devnode;
        node->syspath = rawPath;
        node->vendorId = vendorId;
        node->productId = productId;
        node->descriptor = interface.descriptor;
        node->vendor = interface.vendor;
        node->present = true;
    }
    return added;
}

void MouseTestbed::removeDevices(const std::vector<std::string>& added) {
    const std::vector<std::string> childrenFirst(added.rbegin(), added.rend());
    for (const std::string& syspath : childrenFirst) {
        umockdev_testbed_uevent(testbed_, syspath.c_str(), "remove");
    }
    {
        std::lock_guard lock(mutex_);
        ++generation_;
        for (Node& node : nodes_) {
            if (!node.present ||
                std::find(added.begin(), added.end(), node.syspath) == added.end()) {
                continue;
            }
            node.present = false;
            umockdev_testbed_detach_ioctl(testbed_, node.devnode.c_str(), nullptr);
            gchar* root = umockdev_testbed_get_root_dir(testbed_);
            gchar* file = g_build_filename(root, node.devnode.c_str(), nullptr);
            g_unlink(file);
            g_free(file);
            g_free(root);
        }
    }
    // One at a time: umockdev takes away the links of the device it removes, not those of
    // its children, which would stand in the way of a device added later by that name.
    for (const std::string& syspath : childrenFirst) {
        umockdev_testbed_remove_device(testbed_, syspath.c_str());
    }
}

void MouseTestbed::plugMouse() {
    if (!mouseDevices_.empty()) return;
    const VendorFeatureItem vendor{};
    mouseDevices_ = addUsbDevice("1-2", kMouseVendorId, kMouseProductId,
                                 {{0, HidName(kMouseVendorId, kMouseProductId, 1), "hidraw1",
                                   PointerInterfaceDescriptor(), false},
                                  {1, HidName(kMouseVendorId, kMouseProductId, 2), "hidraw2",
                                   KeyboardInterfaceDescriptor(), false},
                                  {2, HidName(kMouseVendorId, kMouseProductId, 3), "hidraw3",
                                   VendorInterfaceDescriptor(vendor), true}});
    mouseUsb_ = mouseDevices_.front();
}

void MouseTestbed::unplugMouse() {
    removeDevices(mouseDevices_);
    mouseDevices_.clear();
    std::lock_guard lock(mutex_);
    firmware_.powerCycle();
}

void MouseTestbed::plugOtherKeyboard() {
    addUsbDevice("1-1", kOtherVendorId, kOtherProductId,
                 {{0, HidName(kOtherVendorId, kOtherProductId, 4), "hidraw0",
                   KeyboardInterfaceDescriptor(), false}});
}

void MouseTestbed::plugFirmwareLoader() {
    if (!loaderDevices_.empty()) return;
    loaderDevices_ = addUsbDevice("1-2", 0x04D9, 0x8022, {{0, "", "", {}, false}});
}

void MouseTestbed::unplugFirmwareLoader() {
    removeDevices(loaderDevices_);
    loaderDevices_.clear();
}

MouseTestbed::Node* MouseTestbed::findNode(const std::string& devnode) {
    const auto it = std::find_if(nodes_.begin(), nodes_.end(),
                                 [&](const Node& node) { return node.devnode == devnode; });
    return it == nodes_.end() ? nullptr : &*it;
}

void MouseTestbed::setDescriptorUnreadable(const std::string& devnode) {
    std::lock_guard lock(mutex_);
    if (Node* node = findNode(devnode)) node->descriptorReadable = false;
}

void MouseTestbed::setRawInfoReadable(const std::string& devnode, bool readable) {
    std::lock_guard lock(mutex_);
    if (Node* node = findNode(devnode)) node->rawInfoReadable = readable;
}

void MouseTestbed::setWriteMode(WriteMode mode) {
    std::lock_guard lock(mutex_);
    writeMode_ = mode;
}

bool MouseTestbed::waitForHeldWrites(size_t count) {
    std::unique_lock lock(mutex_);
    return held_.wait_for(lock, std::chrono::seconds(5),
                          [&] { return heldWrites_.size() >= count; });
}

void MouseTestbed::releaseHeldWrites() {
    std::lock_guard lock(mutex_);
    for (HeldWrite& held : heldWrites_) {
        const bool accepted = firmware_.output(held.bytes);
        record(ReportKind::Output, held.bytes.data(), held.bytes.size(), accepted);
        umockdev_ioctl_client_complete(held.client,
                                       accepted ? static_cast<glong>(held.bytes.size()) : -1,
                                       accepted ? 0 : EPIPE);
        g_object_unref(held.client);
    }
    heldWrites_.clear();
}

MouseState MouseTestbed::state() const {
    std::lock_guard lock(mutex_);
    return firmware_.state();
}

void MouseTestbed::setState(MouseState state) {
    std::lock_guard lock(mutex_);
    firmware_.setState(std::move(state));
}

std::vector<LoggedReport> MouseTestbed::reports() const {
    std::lock_guard lock(mutex_);
    return log_;
}

void MouseTestbed::clearReports() {
    std::lock_guard lock(mutex_);
    log_.clear();
}

size_t MouseTestbed::writesSeen() const {
    std::lock_guard lock(mutex_);
    return writesSeen_;
}

void MouseTestbed::record(ReportKind kind, const uint8_t* bytes, size_t length, bool accepted) {
    log_.push_back({kind, {bytes, bytes + length}, 0, accepted});
}

void MouseTestbed::onConnected(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
    auto* testbed = static_cast<MouseTestbed*>(self);
    std::lock_guard lock(testbed->mutex_);
    g_object_set_data(G_OBJECT(client), kGenerationKey,
                      reinterpret_cast<gpointer>(static_cast<uintptr_t>(testbed->generation_)));
}

gboolean MouseTestbed::onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
    return static_cast<MouseTestbed*>(self)->handleIoctl(client);
}

gboolean MouseTestbed::onWrite(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
    return static_cast<MouseTestbed*>(self)->handleWrite(client);
}

const MouseTestbed::Node* MouseTestbed::liveNode(UMockdevIoctlClient* client) {
    const Node* node = findNode(umockdev_ioctl_client_get_devnode(client));
    const auto generation =
        reinterpret_cast<uintptr_t>(g_object_get_data(G_OBJECT(client), kGenerationKey));
    if (!node || !node->present || generation != generation_) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return nullptr;
    }
    return node;
}

gboolean MouseTestbed::handleIoctl(UMockdevIoctlClient* client) {
    std::lock_guard lock(mutex_);
    const Node* node = liveNode(client);
    if (!node) return TRUE;
    const gulong request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* argument = umockdev_ioctl_client_get_arg(client);
    // Resolves the caller's buffer of `size` bytes; the changes go back on completion.
    const auto buffer = [&](size_t size) -> std::span<uint8_t> {
        UMockdevIoctlData* data = umockdev_ioctl_data_resolve(argument, 0, size, nullptr);
        if (!data) return {};
        std::span<uint8_t> bytes(data->data, static_cast<size_t>(data->data_len));
        g_object_unref(data);  // the argument keeps its own reference
        return bytes;
    };

    long result = -1;
    int error = 0;
    const unsigned size = _IOC_SIZE(request);
    if (request == HIDIOCGRAWINFO && node->rawInfoReadable) {
        const auto bytes = buffer(sizeof(hidraw_devinfo));
        hidraw_devinfo info{};
        info.bustype = BUS_USB;
        info.vendor = static_cast<int16_t>(node->vendorId);
        info.product = static_cast<int16_t>(node->productId);
        std::memcpy(bytes.data(), &info, sizeof info);
        result = 0;
    } else if (request == HIDIOCGRDESCSIZE && node->descriptorReadable) {
        const auto bytes = buffer(sizeof(int));
        const int length = static_cast<int>(node->descriptor.size());
        std::memcpy(bytes.data(), &length, sizeof length);
        result = 0;
    } else if (request == HIDIOCGRDESC && node->descriptorReadable) {
        const auto bytes = buffer(sizeof(hidraw_report_descriptor));
        uint32_t wanted = 0;
        std::memcpy(&wanted, bytes.data(), sizeof wanted);
        const size_t length = std::min<size_t>(wanted, node->descriptor.size());
        std::copy_n(node->descriptor.begin(), length,
                    bytes.begin() + offsetof(hidraw_report_descriptor, value));
        result = 0;
    } else if (request == HIDIOCSFEATURE(size)) {
        const auto bytes = buffer(size);
        const bool accepted = node->vendor && firmware_.setFeature(bytes);
        if (node->vendor) record(ReportKind::FeatureSet, bytes.data(), bytes.size(), accepted);
        result = accepted ? static_cast<long>(size) : -1;
        error = accepted ? 0 : EPIPE;
    } else if (request == HIDIOCGFEATURE(size)) {
        const auto bytes = buffer(size);
        const bool accepted = node->vendor && firmware_.getFeature(bytes);
        if (node->vendor) record(ReportKind::FeatureGet, bytes.data(), bytes.size(), accepted);
        result = accepted ? static_cast<long>(size) : -1;
        error = accepted ? 0 : EPIPE;
    } else {
        error = request == HIDIOCGRAWINFO || request == HIDIOCGRDESCSIZE || request == HIDIOCGRDESC
                    ? EIO
                    : ENOTTY;
    }
    umockdev_ioctl_client_complete(client, result, error);
    return TRUE;
}

gboolean MouseTestbed::handleWrite(UMockdevIoctlClient* client) {
    std::lock_guard lock(mutex_);
    const Node* node = liveNode(client);
    if (!node) return TRUE;
    UMockdevIoctlData* argument = umockdev_ioctl_client_get_arg(client);
    const std::span<const uint8_t> bytes(argument->data, static_cast<size_t>(argument->data_len));
    if (!node->vendor) {
        // The other interfaces take (and ignore) what is written to them.
        umockdev_ioctl_client_complete(client, static_cast<glong>(bytes.size()), 0);
        return TRUE;
    }
    ++writesSeen_;
    switch (writeMode_) {
        case WriteMode::Take: {
            const bool accepted = firmware_.output(bytes);
            record(ReportKind::Output, bytes.data(), bytes.size(), accepted);
            umockdev_ioctl_client_complete(client, accepted ? static_cast<glong>(bytes.size()) : -1,
                                           accepted ? 0 : EPIPE);
            break;
        }
        case WriteMode::Refuse:
            umockdev_ioctl_client_complete(client, -1, EIO);
            break;
        case WriteMode::Hold:
            heldWrites_.push_back({static_cast<UMockdevIoctlClient*>(g_object_ref(client)),
                                   {bytes.begin(), bytes.end()}});
            held_.notify_all();
            break;
    }
    return TRUE;
}

}  // namespace x5k::test

#include "EvdevTestbed.h"

#include <fcntl.h>
#include <linux/uinput.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <bitset>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <thread>

namespace x5k::test {

struct EvdevTestbed::Node {
    EvdevNodeSpec description;
    std::string devnode;
    std::string syspath;
    int writeFd = -1;
    UMockdevIoctlBase* handler = nullptr;
    std::mutex* mutex = nullptr;  // the testbed's
    bool grabbed = false;
    int grabs = 0;
    int ungrabs = 0;
    clockid_t clock = CLOCK_REALTIME;
    std::bitset<KEY_CNT> keys;  // held down by the events written
    std::vector<input_event> atGrab;
    std::vector<input_event> atUngrab;
};

struct EvdevTestbed::Uinput {
    UMockdevIoctlBase* handler = nullptr;
    std::mutex* mutex = nullptr;
    int created = 0;
    int destroyed = 0;
    std::string name;
    std::vector<input_event> written;
};

namespace {

void SetBit(guint8* bits, size_t size, unsigned bit) {
    if (bit / 8 < size) bits[bit / 8] |= static_cast<guint8>(1u << (bit % 8));
}

std::string Hex4(uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value);
    return text;
}

// Hands the buffer the client passed to the handler, zeroed, or nothing when it cannot
// be reached.
UMockdevIoctlData* Buffer(UMockdevIoctlClient* client, size_t size) {
    GError* error = nullptr;
    UMockdevIoctlData* data =
        umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, size, &error);
    g_clear_error(&error);
    if (data) std::memset(data->data, 0, size);
    return data;
}

// Completes the ioctl after filling its buffer with `bytes` (zeros when there are
// none) and returning `result`.
gboolean Answer(UMockdevIoctlClient* client, size_t size, const void* bytes, size_t length,
                long result) {
    UMockdevIoctlData* data = Buffer(client, size);
    if (!data) {
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return TRUE;
    }
    if (length > 0) std::memcpy(data->data, bytes, std::min(size, length));
    umockdev_ioctl_client_complete(client, result, 0);
    g_object_unref(data);
    return TRUE;
}

// The int the client's ioctl argument points to.
std::optional<int> ReadInt(UMockdevIoctlClient* client) {
    GError* error = nullptr;
    UMockdevIoctlData* data =
        umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, sizeof(int), &error);
    g_clear_error(&error);
    if (!data) return std::nullopt;
    int value;
    std::memcpy(&value, data->data, sizeof value);
    g_object_unref(data);
    return value;
}

int64_t Micros(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return int64_t{now.tv_sec} * 1'000'000 + now.tv_nsec / 1000;
}

gboolean Fail(UMockdevIoctlClient* client, int error) {
    umockdev_ioctl_client_complete(client, -1, error);
    return TRUE;
}

gboolean Succeed(UMockdevIoctlClient* client) {
    umockdev_ioctl_client_complete(client, 0, 0);
    return TRUE;
}

void AddRange(std::set<std::pair<uint16_t, uint16_t>>& codes, uint16_t type, unsigned first,
              unsigned last) {
    for (unsigned code = first; code <= last; ++code) {
        codes.insert({type, static_cast<uint16_t>(code)});
    }
}

}  // namespace

input_event Event(uint16_t type, uint16_t code, int32_t value) {
    input_event e{};
    e.type = type;
    e.code = code;
    e.value = value;
    return e;
}

std::vector<input_event> StampedAt(std::vector<input_event> events, int64_t micros) {
    for (input_event& e : events) {
        e.input_event_sec = static_cast<decltype(e.input_event_sec)>(micros / 1'000'000);
        e.input_event_usec = static_cast<decltype(e.input_event_usec)>(micros % 1'000'000);
    }
    return events;
}

bool WaitFor(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

EvdevNodeSpec KeyboardSpec(std::string sysname) {
    EvdevNodeSpec description;
    description.sysname = std::move(sysname);
    description.name = "Fake USB Keyboard";
    description.vendor = 0x046D;
    description.product = 0xC31C;
    description.properties = {{"ID_INPUT", "1"}, {"ID_INPUT_KEY", "1"}, {"ID_INPUT_KEYBOARD", "1"}};
    description.codes = {{EV_SYN, SYN_REPORT}, {EV_MSC, MSC_SCAN},  {EV_REP, REP_DELAY},
                         {EV_LED, LED_NUML},   {EV_LED, LED_CAPSL}, {EV_LED, LED_SCROLLL}};
    AddRange(description.codes, EV_KEY, KEY_ESC, KEY_MICMUTE);
    description.numLock = true;
    return description;
}

EvdevNodeSpec MouseSpec(std::string sysname) {
    EvdevNodeSpec description;
    description.sysname = std::move(sysname);
    description.name = "X5K Gaming Mouse";
    description.vendor = 0x7A1D;
    description.product = 0x5217;
    description.properties = {{"ID_INPUT", "1"}, {"ID_INPUT_MOUSE", "1"}};
    description.codes = {{EV_SYN, SYN_REPORT},
                         {EV_MSC, MSC_SCAN},
                         {EV_REL, REL_X},
                         {EV_REL, REL_Y},
                         {EV_REL, REL_WHEEL},
                         {EV_REL, REL_HWHEEL},
                         {EV_REL, REL_WHEEL_HI_RES},
                         {EV_REL, REL_HWHEEL_HI_RES}};
    AddRange(description.codes, EV_KEY, BTN_LEFT, BTN_TASK);
    return description;
}

EvdevTestbed::EvdevTestbed() {
    testbed_ = umockdev_testbed_new();
    gchar* root = umockdev_testbed_get_root_dir(testbed_);
    root_ = root;
    g_free(root);
    g_mkdir_with_parents((root_ + "/dev/input").c_str(), 0755);
}

EvdevTestbed::~EvdevTestbed() {
    for (const auto& node : nodes_) {
        if (node->writeFd >= 0) close(node->writeFd);
        g_object_unref(node->handler);
    }
    if (uinput_) g_object_unref(uinput_->handler);
    g_object_unref(testbed_);
}

std::string EvdevTestbed::addNode(const EvdevNodeSpec& description) {
    std::string parent;
    if (description.usbParent) {
        const std::string name = "usb" + std::to_string(nextUsb_++);
        const std::string vendor = Hex4(description.vendor);
        const std::string product = Hex4(description.product);
        gchar* usb = umockdev_testbed_add_device(
            testbed_, "usb", name.c_str(), nullptr, "idVendor", vendor.c_str(), "idProduct",
            product.c_str(), "bcdDevice", "0100", nullptr, "DEVTYPE", "usb_device", nullptr);
        parent = usb;
        g_free(usb);
    }
    return add(parent, description, false);
}

std::string EvdevTestbed::addVirtualNode(const std::string& inputName,
                                         const EvdevNodeSpec& description) {
    // Built from the top, as uinput's devices hang below /sys/devices/virtual/input.
    const std::string name = "virtual/input/" + inputName;
    gchar* input = umockdev_testbed_add_device(testbed_, "input", name.c_str(), nullptr, "name",
                                               description.name.c_str(), nullptr, nullptr);
    const std::string inputPath = input;
    g_free(input);
    return add(inputPath, description, true);
}

std::string EvdevTestbed::add(const std::string& parentSyspath, const EvdevNodeSpec& description,
                              bool parentIsInputDevice) {
    // The node hangs below its input device, which is made below the parent (or at the
    // top) unless the parent is that input device.
    std::string inputPath;
    if (parentIsInputDevice) {
        inputPath = parentSyspath;
    } else {
        const std::string inputName = "input" + description.sysname.substr(5);
        gchar* input =
            umockdev_testbed_add_device(testbed_, "input", inputName.c_str(),
                                        parentSyspath.empty() ? nullptr : parentSyspath.c_str(),
                                        "name", description.name.c_str(), nullptr, nullptr);
        inputPath = input;
        g_free(input);
    }

    auto node = std::make_unique<Node>();
    node->description = description;
    node->devnode = "/dev/input/" + description.sysname;
    node->mutex = &mutex_;
    const std::string dev = "13:" + std::to_string(nextMinor_++);
    std::vector<const gchar*> attributes = {"dev", dev.c_str(), nullptr};
    std::vector<const gchar*> properties = {"DEVNAME", node->devnode.c_str()};
    for (const auto& [key, value] : description.properties) {
        properties.push_back(key.c_str());
        properties.push_back(value.c_str());
    }
    properties.push_back(nullptr);
    gchar* syspath = umockdev_testbed_add_devicev(
        testbed_, "input", description.sysname.c_str(), inputPath.c_str(),
        const_cast<gchar**>(attributes.data()), const_cast<gchar**>(properties.data()));
    node->syspath = syspath;
    g_free(syspath);

    const std::string fifo = root_ + node->devnode;
    if (mkfifo(fifo.c_str(), 0600) != 0) std::abort();
    node->writeFd = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    node->handler = umockdev_ioctl_base_new();
    g_signal_connect(node->handler, "handle-ioctl", G_CALLBACK(OnEvdevIoctl), node.get());
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed_, node->devnode.c_str(), node->handler, &error)) {
        std::fprintf(stderr, "attach_ioctl: %s\n", error ? error->message : "?");
        std::abort();
    }
    const std::string devnode = node->devnode;
    std::lock_guard lock(mutex_);
    nodes_.push_back(std::move(node));
    return devnode;
}

void EvdevTestbed::announce(const std::string& devnode, const char* action) {
    const Node* node = find(devnode);
    if (node) umockdev_testbed_uevent(testbed_, node->syspath.c_str(), action);
}

EvdevTestbed::Node* EvdevTestbed::find(const std::string& devnode) const {
    std::lock_guard lock(mutex_);
    for (const auto& node : nodes_) {
        if (node->devnode == devnode) return node.get();
    }
    return nullptr;
}

void EvdevTestbed::feed(const std::string& devnode, const std::vector<input_event>& events) {
    Node* node = find(devnode);
    if (!node) std::abort();
    writeEvents(*node, events);
}

void EvdevTestbed::writeEvents(Node& node, std::vector<input_event> events) {
    if (events.empty()) return;
    {
        std::lock_guard lock(*node.mutex);
        const int64_t now = Micros(node.clock);
        for (input_event& e : events) {
            if (e.input_event_sec == 0 && e.input_event_usec == 0) e = StampedAt({e}, now)[0];
            if (e.type == EV_KEY && e.code < KEY_CNT) node.keys.set(e.code, e.value != 0);
        }
    }
    const ssize_t size = static_cast<ssize_t>(events.size() * sizeof(input_event));
    if (::write(node.writeFd, events.data(), static_cast<size_t>(size)) != size) std::abort();
}

void EvdevTestbed::feedAtGrab(const std::string& devnode, std::vector<input_event> events) {
    Node* node = find(devnode);
    if (!node) std::abort();
    std::lock_guard lock(mutex_);
    node->atGrab = std::move(events);
}

void EvdevTestbed::feedAtUngrab(const std::string& devnode, std::vector<input_event> events) {
    Node* node = find(devnode);
    if (!node) std::abort();
    std::lock_guard lock(mutex_);
    node->atUngrab = std::move(events);
}

std::string EvdevTestbed::file(const std::string& devnode) const {
    return root_ + devnode;
}

int64_t EvdevTestbed::now(const std::string& devnode) const {
    const Node* node = find(devnode);
    if (!node) std::abort();
    std::lock_guard lock(mutex_);
    return Micros(node->clock);
}

int EvdevTestbed::grabs(const std::string& devnode) const {
    const Node* node = find(devnode);
    std::lock_guard lock(mutex_);
    return node ? node->grabs : 0;
}
int EvdevTestbed::ungrabs(const std::string& devnode) const {
    const Node* node = find(devnode);
    std::lock_guard lock(mutex_);
    return node ? node->ungrabs : 0;
}
bool EvdevTestbed::grabbed(const std::string& devnode) const {
    const Node* node = find(devnode);
    std::lock_guard lock(mutex_);
    return node && node->grabbed;
}

gboolean EvdevTestbed::OnEvdevIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client,
                                    gpointer data) {
    Node& node = *static_cast<Node*>(data);
    const gulong request = umockdev_ioctl_client_get_request(client);
    if (_IOC_TYPE(request) != 'E') return Fail(client, ENOTTY);
    const unsigned nr = _IOC_NR(request);
    const size_t size = _IOC_SIZE(request);
    const bool reading = (_IOC_DIR(request) & _IOC_READ) != 0;
    const EvdevNodeSpec& description = node.description;

    if (nr == 0x01) {  // EVIOCGVERSION
        const int version = EV_VERSION;
        return Answer(client, size, &version, sizeof version, 0);
    }
    if (nr == 0x02) {  // EVIOCGID
        const input_id id{BUS_USB, description.vendor, description.product, 0x0111};
        return Answer(client, size, &id, sizeof id, 0);
    }
    if (nr == 0x03) {  // EVIOCGREP / EVIOCSREP
        if (!reading) return Succeed(client);
        const unsigned rep[2] = {250, 33};
        return Answer(client, size, rep, sizeof rep, 0);
    }
    if (nr == 0x06) {  // EVIOCGNAME
        return Answer(client, size, description.name.c_str(), description.name.size() + 1,
                      static_cast<long>(std::min(size, description.name.size() + 1)));
    }
    if (nr == 0x07 || nr == 0x08) return Fail(client, ENOENT);  // EVIOCGPHYS, EVIOCGUNIQ
    if (nr == 0x09 || nr == 0x1a || nr == 0x1b) {
        // Properties, sound and switch state: none set.
        return Answer(client, size, nullptr, 0, static_cast<long>(size));
    }
    if (nr == 0x18) {  // EVIOCGKEY
        std::vector<guint8> bits(size);
        {
            std::lock_guard lock(*node.mutex);
            for (size_t code = 0; code < node.keys.size(); ++code) {
                if (node.keys.test(code)) {
                    SetBit(bits.data(), bits.size(), static_cast<unsigned>(code));
                }
            }
        }
        return Answer(client, size, bits.data(), bits.size(), static_cast<long>(size));
    }
    if (nr == 0x19) {  // EVIOCGLED
        std::vector<guint8> bits(size);
        if (description.numLock) SetBit(bits.data(), bits.size(), LED_NUML);
        return Answer(client, size, bits.data(), bits.size(), static_cast<long>(size));
    }
    if (nr >= 0x20 && nr < 0x40) {  // EVIOCGBIT
        const unsigned type = nr - 0x20;
        std::vector<guint8> bits(size);
        for (const auto& [t, code] : description.codes) {
            if (type == 0) {
                SetBit(bits.data(), bits.size(), t);
            } else if (t == type) {
                SetBit(bits.data(), bits.size(), code);
            }
        }
        return Answer(client, size, bits.data(), bits.size(), static_cast<long>(size));
    }
    if (nr >= 0x40 && nr < 0x80) {  // EVIOCGABS
        return Answer(client, size, nullptr, 0, 0);
    }
    if (nr == 0x84) {  // EVIOCGEFFECTS
        const int effects = 0;
        return Answer(client, size, &effects, sizeof effects, 0);
    }
    if (nr == 0x90) {  // EVIOCGRAB: the argument is the value itself
        const gulong grab = *reinterpret_cast<gulong*>(umockdev_ioctl_client_get_arg(client)->data);
        std::vector<input_event> arriving;
        {
            std::lock_guard lock(*node.mutex);
            if ((grab != 0) == node.grabbed) return Fail(client, grab ? EBUSY : EINVAL);
            node.grabbed = grab != 0;
            ++(grab ? node.grabs : node.ungrabs);
            arriving.swap(grab ? node.atGrab : node.atUngrab);
        }
        writeEvents(node, std::move(arriving));
        return Succeed(client);
    }
    if (nr == 0xa0) {  // EVIOCSCLOCKID
        const std::optional<int> clock = ReadInt(client);
        if (!clock) return Fail(client, EFAULT);
        if (description.refusesClockChange) return Fail(client, EINVAL);
        if (*clock != CLOCK_REALTIME && *clock != CLOCK_MONOTONIC && *clock != CLOCK_BOOTTIME) {
            return Fail(client, EINVAL);
        }
        std::lock_guard lock(*node.mutex);
        node.clock = *clock;
        return Succeed(client);
    }
    if (nr == 0x91) return Succeed(client);  // EVIOCREVOKE
    return Fail(client, EINVAL);
}

void EvdevTestbed::addUinput() {
    uinput_ = std::make_unique<Uinput>();
    uinput_->mutex = &mutex_;
    const std::string path = root_ + "/dev/uinput";
    if (mkfifo(path.c_str(), 0600) != 0) std::abort();
    uinput_->handler = umockdev_ioctl_base_new();
    g_signal_connect(uinput_->handler, "handle-ioctl", G_CALLBACK(OnUinputIoctl), uinput_.get());
    g_signal_connect(uinput_->handler, "handle-write", G_CALLBACK(OnUinputWrite), uinput_.get());
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed_, "/dev/uinput", uinput_->handler, &error)) {
        std::abort();
    }
}

gboolean EvdevTestbed::OnUinputIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client,
                                     gpointer data) {
    Uinput& uinput = *static_cast<Uinput*>(data);
    const gulong request = umockdev_ioctl_client_get_request(client);
    if (_IOC_TYPE(request) != UINPUT_IOCTL_BASE) return Fail(client, ENOTTY);
    const size_t size = _IOC_SIZE(request);
    switch (_IOC_NR(request)) {
        case 45: {  // UI_GET_VERSION
            const unsigned version = 5;
            return Answer(client, size, &version, sizeof version, 0);
        }
        case 44:  // UI_GET_SYSNAME
            return Answer(client, size, kUinputSysname, std::strlen(kUinputSysname) + 1, 0);
        case 3: {  // UI_DEV_SETUP
            GError* error = nullptr;
            UMockdevIoctlData* setup = umockdev_ioctl_data_resolve(
                umockdev_ioctl_client_get_arg(client), 0, sizeof(uinput_setup), &error);
            g_clear_error(&error);
            if (!setup) return Fail(client, EFAULT);
            std::lock_guard lock(*uinput.mutex);
            uinput.name = reinterpret_cast<const uinput_setup*>(setup->data)->name;
            g_object_unref(setup);
            return Succeed(client);
        }
        case 1: {  // UI_DEV_CREATE
            std::lock_guard lock(*uinput.mutex);
            ++uinput.created;
            return Succeed(client);
        }
        case 2: {  // UI_DEV_DESTROY
            std::lock_guard lock(*uinput.mutex);
            ++uinput.destroyed;
            return Succeed(client);
        }
        default:  // the capability bits and the rest
            return Succeed(client);
    }
}

gboolean EvdevTestbed::OnUinputWrite(UMockdevIoctlBase*, UMockdevIoctlClient* client,
                                     gpointer data) {
    Uinput& uinput = *static_cast<Uinput*>(data);
    UMockdevIoctlData* buffer = umockdev_ioctl_client_get_arg(client);
    const size_t length = static_cast<size_t>(buffer->data_len);
    {
        std::lock_guard lock(*uinput.mutex);
        for (size_t offset = 0; offset + sizeof(input_event) <= length;
             offset += sizeof(input_event)) {
            input_event event;
            std::memcpy(&event, buffer->data + offset, sizeof event);
            uinput.written.push_back(event);
        }
    }
    umockdev_ioctl_client_complete(client, static_cast<long>(length), 0);
    return TRUE;
}

int EvdevTestbed::uinputCreated() const {
    std::lock_guard lock(mutex_);
    return uinput_ ? uinput_->created : 0;
}
int EvdevTestbed::uinputDestroyed() const {
    std::lock_guard lock(mutex_);
    return uinput_ ? uinput_->destroyed : 0;
}
std::string EvdevTestbed::uinputName() const {
    std::lock_guard lock(mutex_);
    return uinput_ ? uinput_->name : std::string();
}
std::vector<input_event> EvdevTestbed::uinputWritten() const {
    std::lock_guard lock(mutex_);
    return uinput_ ? uinput_->written : std::vector<input_event>();
}

}  // namespace x5k::test

#include "platform/linux/HidrawBackend.h"
#include "platform/linux/UdevScan.h"

#include <fcntl.h>
#include <libudev.h>
#include <linux/hidraw.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace x5k {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

std::string_view Trimmed(std::string_view text) {
    const auto space = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!text.empty() && space(text.front())) text.remove_prefix(1);
    while (!text.empty() && space(text.back())) text.remove_suffix(1);
    return text;
}

// A hex number of 1..maxDigits digits and nothing else (surrounding white space aside).
std::optional<uint32_t> ParseHex(std::string_view text, size_t maxDigits) {
    text = Trimmed(text);
    if (text.empty() || text.size() > maxDigits) return std::nullopt;
    uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::string_view Text(const char* text) {
    return text ? std::string_view(text) : std::string_view();
}

std::string ErrorText(int error) {
    return std::generic_category().message(error);
}

int RetryOnInterrupt(const auto& call) {
    int result;
    do {
        result = call();
    } while (result < 0 && errno == EINTR);
    return result;
}

// Closes a descriptor when it goes out of scope.
class OwnedFd {
public:
    explicit OwnedFd(int fd) : fd_(fd) {}
    ~OwnedFd() {
        if (fd_ >= 0) ::close(fd_);
    }
    OwnedFd(const OwnedFd&) = delete;
    OwnedFd& operator=(const OwnedFd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// What the node itself answers: HIDIOCGRAWINFO and the report descriptor.
struct NodeFacts {
    std::optional<hidraw_devinfo> info;
    std::optional<std::vector<uint8_t>> descriptor;
    std::string openError;
};

NodeFacts QueryNode(const std::string& node) {
    NodeFacts facts;
    // Read-only and non-blocking: the node is only asked, never written to.
    const OwnedFd fd(::open(node.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        facts.openError = ErrorText(errno);
        return facts;
    }
    hidraw_devinfo info{};
    if (RetryOnInterrupt([&] { return ::ioctl(fd.get(), HIDIOCGRAWINFO, &info); }) == 0) {
        facts.info = info;
    }
    int size = 0;
    if (RetryOnInterrupt([&] { return ::ioctl(fd.get(), HIDIOCGRDESCSIZE, &size); }) != 0 ||
        size <= 0 || size > HID_MAX_DESCRIPTOR_SIZE) {
        return facts;
    }
    auto descriptor = std::make_unique<hidraw_report_descriptor>();
    descriptor->size = static_cast<uint32_t>(size);
    if (RetryOnInterrupt([&] { return ::ioctl(fd.get(), HIDIOCGRDESC, descriptor.get()); }) == 0) {
        facts.descriptor.emplace(descriptor->value, descriptor->value + size);
    }
    return facts;
}

// One output report handed to the writer thread, and how its write() ended.
struct Transfer {
    explicit Transfer(std::span<const uint8_t> report) : bytes(report.begin(), report.end()) {}
    std::vector<uint8_t> bytes;
    bool done = false;
    ssize_t written = 0;
    int error = 0;  // errno of a failed write()
};

// An opened node, shared by its handle and, for a handle that writes, its writer
// thread; whichever lets go last closes the node.
class Channel : public std::enable_shared_from_this<Channel> {
public:
    Channel(int fd, milliseconds promptWrite) : fd_(fd), promptWrite_(promptWrite) {}
    ~Channel() { ::close(fd_); }
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    int fd() const { return fd_; }

    // Started when the node is opened for writing, so that no write pays for it.
    bool startWriter() {
        std::lock_guard lock(mutex_);
        try {
            std::thread(&Channel::runWriter, shared_from_this()).detach();
        } catch (const std::system_error&) {
            return false;
        }
        writerStarted_ = true;
        return true;
    }

    OutputWriteResult write(std::span<const uint8_t> report, milliseconds wait) {
        const auto transfer = std::make_shared<Transfer>(report);
        const auto started = steady_clock::now();
        std::unique_lock lock(mutex_);
        // A node opened for reading only takes no output report, as the system refuses
        // a write on it.
        if (!writerStarted_) return OutputWriteResult::failed(SysResult::failure(EBADF, "write"));
        queue_.push_back(transfer);
        work_.notify_one();
        const auto done = [&] { return transfer->done; };
        const bool prompt =
            finished_.wait_until(lock, started + std::min(promptWrite_, wait), done);
        if (!prompt && !finished_.wait_until(lock, started + wait, done)) {
            // Still in the kernel: it counts as sent, and the writer thread finishes it.
            return {OutputWrite::TimedOut, {}};
        }
        // A write that fails late fails as one refused at once does.
        if (transfer->written < 0) {
            return OutputWriteResult::failed(SysResult::failure(transfer->error, "write"));
        }
        if (transfer->written != static_cast<ssize_t>(transfer->bytes.size())) {
            return OutputWriteResult::failed(SysResult::failure(EIO, "write (short)"));
        }
        return {prompt ? OutputWrite::Completed : OutputWrite::PendingThenDone, {}};
    }

    // The handle is gone: reports not yet started are dropped, a write in progress is
    // left to finish, and the writer thread ends.
    void release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        queue_.clear();
        work_.notify_one();
    }

private:
    static void runWriter(std::shared_ptr<Channel> self) { self->writeQueued(); }

    void writeQueued() {
        std::unique_lock lock(mutex_);
        for (;;) {
            work_.wait(lock, [&] { return released_ || !queue_.empty(); });
            if (released_) return;
            const std::shared_ptr<Transfer> transfer = queue_.front();
            queue_.pop_front();
            lock.unlock();
            ssize_t written;
            do {
                written = ::write(fd_, transfer->bytes.data(), transfer->bytes.size());
            } while (written < 0 && errno == EINTR);
            const int error = errno;
            lock.lock();
            transfer->written = written;
            transfer->error = written < 0 ? error : 0;
            transfer->done = true;
            finished_.notify_all();
        }
    }

    const int fd_;
    const milliseconds promptWrite_;
    std::mutex mutex_;
    std::condition_variable work_;      // the writer thread waits here for reports
    std::condition_variable finished_;  // the caller waits here for its report
    std::deque<std::shared_ptr<Transfer>> queue_;
    bool writerStarted_ = false;
    bool released_ = false;
};

class HidrawHandle final : public HidHandle {
public:
    explicit HidrawHandle(std::shared_ptr<Channel> channel) : channel_(std::move(channel)) {}
    ~HidrawHandle() override { channel_->release(); }
    HidrawHandle(const HidrawHandle&) = delete;
    HidrawHandle& operator=(const HidrawHandle&) = delete;

    SysResult setFeature(std::span<const uint8_t> report) override {
        constexpr std::string_view kOperation = "ioctl (HIDIOCSFEATURE)";
        if (report.empty() || report.size() > kMaxHidrawReport) {
            return SysResult::failure(EMSGSIZE, kOperation);
        }
        // The ioctl takes a writable buffer.
        std::vector<uint8_t> buffer(report.begin(), report.end());
        const int sent = RetryOnInterrupt(
            [&] { return ::ioctl(channel_->fd(), HIDIOCSFEATURE(buffer.size()), buffer.data()); });
        if (sent < 0) return SysResult::failure(errno, kOperation);
        // The device took fewer bytes than the report holds: it did not take the command.
        if (static_cast<size_t>(sent) != report.size()) {
            return SysResult::failure(EIO, "ioctl (HIDIOCSFEATURE) short transfer");
        }
        return SysResult::success();
    }

    SysResult getFeature(std::span<uint8_t> report) override {
        constexpr std::string_view kOperation = "ioctl (HIDIOCGFEATURE)";
        if (report.empty() || report.size() > kMaxHidrawReport) {
            return SysResult::failure(EMSGSIZE, kOperation);
        }
        const int read = RetryOnInterrupt(
            [&] { return ::ioctl(channel_->fd(), HIDIOCGFEATURE(report.size()), report.data()); });
        if (read < 0) return SysResult::failure(errno, kOperation);
        if (static_cast<size_t>(read) != report.size()) {
            return SysResult::failure(EIO, "ioctl (HIDIOCGFEATURE) short answer");
        }
        return SysResult::success();
    }

    OutputWriteResult writeOutput(std::span<const uint8_t> report, milliseconds wait) override {
        if (report.empty() || report.size() > kMaxHidrawReport) {
            return OutputWriteResult::failed(SysResult::failure(EMSGSIZE, "write"));
        }
        return channel_->write(report, wait);
    }

private:
    std::shared_ptr<Channel> channel_;
};

}  // namespace

std::optional<std::string> UsbHardwareId(std::string_view idVendor, std::string_view idProduct,
                                         std::string_view bcdDevice) {
    const auto vendor = ParseHex(idVendor, 4);
    const auto product = ParseHex(idProduct, 4);
    const auto revision = ParseHex(bcdDevice, 4);
    if (!vendor || !product || !revision) return std::nullopt;
    char text[32];
    std::snprintf(text, sizeof text, "USB\\VID_%04X&PID_%04X&REV_%04X", *vendor, *product,
                  *revision);
    return text;
}

std::optional<HidId> ParseHidId(std::string_view text) {
    text = Trimmed(text);
    const size_t first = text.find(':');
    const size_t second = first == std::string_view::npos ? first : text.find(':', first + 1);
    if (second == std::string_view::npos) return std::nullopt;
    const auto bus = ParseHex(text.substr(0, first), 4);
    const auto vendor = ParseHex(text.substr(first + 1, second - first - 1), 8);
    const auto product = ParseHex(text.substr(second + 1), 8);
    if (!bus || !vendor || !product || *vendor > 0xFFFF || *product > 0xFFFF) return std::nullopt;
    return HidId{*bus, static_cast<uint16_t>(*vendor), static_cast<uint16_t>(*product)};
}

std::string HidBusName(uint32_t bus) {
    struct Row {
        uint32_t bus;
        const char* name;
    };
    static constexpr Row kBuses[] = {
        {BUS_PCI, "pci"},         {BUS_USB, "usb"}, {BUS_BLUETOOTH, "bluetooth"},
        {BUS_VIRTUAL, "virtual"}, {BUS_I2C, "i2c"}, {BUS_HOST, "host"},
        {BUS_SPI, "spi"}};
    for (const Row& row : kBuses) {
        if (row.bus == bus) return row.name;
    }
    char text[16];
    std::snprintf(text, sizeof text, "bus 0x%02X", bus);
    return text;
}

std::vector<uint8_t> SysfsReportDescriptor(udev_device* hidraw) {
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr);
    if (!hid) return {};
    const std::string path = std::string(Text(udev_device_get_syspath(hid))) + "/report_descriptor";
    const OwnedFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return {};
    std::vector<uint8_t> bytes(HID_MAX_DESCRIPTOR_SIZE + 1);
    size_t length = 0;
    while (length < bytes.size()) {
        const ssize_t n = ::read(fd.get(), bytes.data() + length, bytes.size() - length);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return {};
        if (n == 0) break;
        length += static_cast<size_t>(n);
    }
    // A descriptor longer than the kernel allows is not one the kernel wrote.
    if (length > HID_MAX_DESCRIPTOR_SIZE) return {};
    bytes.resize(length);
    return bytes;
}

HidrawInterface DescribeHidraw(udev_device* hidraw, bool queryNode) {
    HidrawInterface out;
    out.info.path = std::string(Text(udev_device_get_devnode(hidraw)));
    out.syspath = std::string(Text(udev_device_get_syspath(hidraw)));

    // The identity as udev sees it: the USB device's attributes, else the HID device's
    // HID_ID (a node on Bluetooth or I2C has no USB parent).
    if (udev_device* usb =
            udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_device")) {
        const auto vendor = ParseHex(Text(udev_device_get_sysattr_value(usb, "idVendor")), 4);
        const auto product = ParseHex(Text(udev_device_get_sysattr_value(usb, "idProduct")), 4);
        if (vendor && product) {
            out.info.vendorId = static_cast<uint16_t>(*vendor);
            out.info.productId = static_cast<uint16_t>(*product);
        }
        out.usbSyspath = std::string(Text(udev_device_get_syspath(usb)));
        out.bus = BUS_USB;
    }
    if (udev_device* interface =
            udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_interface")) {
        if (const auto number =
                ParseHex(Text(udev_device_get_sysattr_value(interface, "bInterfaceNumber")), 2)) {
            out.interfaceNumber = static_cast<int>(*number);
        }
    }
    if (out.usbSyspath.empty()) {
        if (udev_device* hid =
                udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr)) {
            if (const auto id = ParseHidId(Text(udev_device_get_property_value(hid, "HID_ID")))) {
                out.bus = id->bus;
                out.info.vendorId = id->vendorId;
                out.info.productId = id->productId;
            }
        }
    }
    if (!queryNode || out.info.path.empty()) return out;

    // What the node answers itself is preferred to what udev recorded.
    NodeFacts facts = QueryNode(out.info.path);
    out.openError = std::move(facts.openError);
    if (facts.info) {
        out.identityFromNode = true;
        out.bus = facts.info->bustype;
        out.info.vendorId = static_cast<uint16_t>(facts.info->vendor);
        out.info.productId = static_cast<uint16_t>(facts.info->product);
    }
    if (facts.descriptor) {
        out.descriptorRead = true;
        out.info.reportDescriptor = std::move(*facts.descriptor);
    }
    return out;
}

std::vector<HidrawInterface> ListHidrawInterfaces() {
    std::vector<HidrawInterface> list;
    const UdevPtr context(udev_new());
    ForEachUdevDevice(context.get(), "hidraw", [&](udev_device* device) {
        if (udev_device_get_devnode(device)) list.push_back(DescribeHidraw(device, true));
    });
    return list;
}

std::vector<HidInterfaceInfo> HidrawBackend::enumerateInterfaces() {
    std::vector<HidInterfaceInfo> interfaces;
    for (HidrawInterface& node : ListHidrawInterfaces()) {
        interfaces.push_back(std::move(node.info));
    }
    return interfaces;
}

HidrawBackend::HidrawBackend(milliseconds promptWrite) : promptWrite_(promptWrite) {}

std::unique_ptr<HidHandle> HidrawBackend::open(const std::string& path, HidAccess access,
                                               SysResult& cause) {
    const int flags = (access == HidAccess::Read ? O_RDONLY : O_RDWR) | O_CLOEXEC;
    const int fd = RetryOnInterrupt([&] { return ::open(path.c_str(), flags); });
    if (fd < 0) {
        cause = SysResult::failure(errno,
                                   access == HidAccess::Read ? "open (read)" : "open (read-write)");
        return nullptr;
    }
    auto channel = std::make_shared<Channel>(fd, promptWrite_);
    if (access == HidAccess::Write && !channel->startWriter()) {
        cause = SysResult::failure(EAGAIN, "start the writer thread");
        return nullptr;
    }
    cause = SysResult::success();
    return std::make_unique<HidrawHandle>(std::move(channel));
}

std::vector<std::string> HidrawBackend::usbHardwareIds() {
    std::vector<std::string> ids;
    const UdevPtr context(udev_new());
    ForEachUdevDevice(context.get(), "usb", [&](udev_device* device) {
        // The interfaces of a device are in the same subsystem; only devices have IDs.
        if (Text(udev_device_get_devtype(device)) != "usb_device") return;
        if (auto id = UsbHardwareId(Text(udev_device_get_sysattr_value(device, "idVendor")),
                                    Text(udev_device_get_sysattr_value(device, "idProduct")),
                                    Text(udev_device_get_sysattr_value(device, "bcdDevice")))) {
            ids.push_back(std::move(*id));
        }
    });
    return ids;
}

}  // namespace x5k

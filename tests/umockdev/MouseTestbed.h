#pragma once
// The X5K as the Linux kernel shows it, in a umockdev testbed: its USB device, its three
// USB interfaces with their HID devices and hidraw nodes (pointer, keyboard, vendor),
// each node answering the hidraw ioctls with its identity and report descriptor. The
// vendor node hands feature reports and output-report writes to a MouseFirmware, the
// same firmware the emulated mouse runs, so what reaches it can be compared report for
// report. Around it: the USB root hub, optionally an unrelated keyboard of another
// vendor, and the mouse's firmware loader (a USB device without HID interfaces).
//
// umockdev answers ioctls and writes on a thread of its own; every access to the
// firmware and the node table is serialised on one lock here.

#include <umockdev.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "device/emulator/EmulatedMouse.h"
#include "device/emulator/MouseFirmware.h"

namespace x5k::test {

inline constexpr const char* kOtherNode = "/dev/hidraw0";
inline constexpr const char* kPointerNode = "/dev/hidraw1";
inline constexpr const char* kKeyboardNode = "/dev/hidraw2";
inline constexpr const char* kVendorNode = "/dev/hidraw3";
inline constexpr uint16_t kOtherVendorId = 0x046D;
inline constexpr uint16_t kOtherProductId = 0xC31C;

// How the vendor node's output-report writes end.
enum class WriteMode {
    Take,    // the firmware gets the report at once; a report it refuses fails the write
    Refuse,  // the write fails at once (EIO); the firmware never sees the report
    Hold,    // the write blocks until releaseHeldWrites()
};

class MouseTestbed {
public:
    // A testbed with the USB root hub only.
    MouseTestbed();
    ~MouseTestbed();
    MouseTestbed(const MouseTestbed&) = delete;
    MouseTestbed& operator=(const MouseTestbed&) = delete;

    // Adding a device sends its "add" uevent at once (umockdev does), parents first;
    // removing one sends the "remove" uevents children first, as the kernel does.
    void plugMouse();
    void unplugMouse();
    void plugOtherKeyboard();
    // The mouse waiting for a firmware image: 04d9:8022 rev 0100 on the mouse's port.
    void plugFirmwareLoader();
    void unplugFirmwareLoader();

    // The node answers HIDIOCGRDESCSIZE and HIDIOCGRDESC with EIO.
    void setDescriptorUnreadable(const std::string& node);
    // What HIDIOCGRAWINFO answers for the node; false: EIO (udev's attributes remain).
    void setRawInfoReadable(const std::string& node, bool readable);

    void setWriteMode(WriteMode mode);
    // Waits (at most five seconds) until `count` writes are held; false if they are not.
    bool waitForHeldWrites(size_t count);
    // Hands the held writes to the firmware and lets them return.
    void releaseHeldWrites();

    MouseState state() const;
    void setState(MouseState state);
    // Every report the vendor node handed the firmware, as the emulated mouse logs them
    // (without ticks).
    std::vector<LoggedReport> reports() const;
    void clearReports();
    // Output-report writes that reached the vendor node, held or not.
    size_t writesSeen() const;

    std::string mouseSyspath() const { return mouseUsb_; }

private:
    struct Node {
        std::string devnode;  // "/dev/hidrawN"
        std::string syspath;
        uint16_t vendorId = 0;
        uint16_t productId = 0;
        std::vector<uint8_t> descriptor;
        bool vendor = false;  // served by the firmware
        bool descriptorReadable = true;
        bool rawInfoReadable = true;
        bool present = false;
    };
    struct HeldWrite {
        UMockdevIoctlClient* client;
        std::vector<uint8_t> bytes;
    };
    struct Interface {
        int number;
        std::string hidName;
        std::string node;  // "hidrawN"
        std::vector<uint8_t> descriptor;
        bool vendor;
    };

    // Adds a USB device with HID interfaces; returns the syspaths added, parents first.
    std::vector<std::string> addUsbDevice(const std::string& name, uint16_t vendorId,
                                          uint16_t productId,
                                          const std::vector<Interface>& interfaces);
    void removeDevices(const std::vector<std::string>& added);
    Node* findNode(const std::string& devnode);
    // The node a client's call is for, when it is present and the client opened it since
    // it last came; otherwise the call is completed with ENODEV and nothing returned.
    const Node* liveNode(UMockdevIoctlClient* client);

    static gboolean onIoctl(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, gpointer self);
    static gboolean onWrite(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, gpointer self);
    static void onConnected(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, gpointer self);
    gboolean handleIoctl(UMockdevIoctlClient* client);
    gboolean handleWrite(UMockdevIoctlClient* client);
    // Logs a report the firmware was handed.
    void record(ReportKind kind, const uint8_t* bytes, size_t length, bool accepted);

    UMockdevTestbed* testbed_;
    UMockdevIoctlBase* handler_;
    std::string rootHub_;
    std::string mouseUsb_;
    std::vector<std::string> mouseDevices_;
    std::vector<std::string> loaderDevices_;

    mutable std::mutex mutex_;
    std::condition_variable held_;  // a write was held
    MouseFirmware firmware_;
    std::vector<Node> nodes_;
    // Raised at each unplug: a descriptor opened before it stays dead, as on the kernel.
    uint64_t generation_ = 1;
    WriteMode writeMode_ = WriteMode::Take;
    std::vector<HeldWrite> heldWrites_;
    std::vector<LoggedReport> log_;
    size_t writesSeen_ = 0;
};

}  // namespace x5k::test

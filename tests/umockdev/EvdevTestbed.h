#pragma once
// A umockdev testbed with input event nodes and a /dev/uinput, for the input watch.
//
// An event node is a named pipe in the testbed's /dev, so the program under test polls
// and reads it as it would a real node while the test writes input_event records into
// it; the evdev ioctls (capabilities, name, ids, key and light state, grabs, the clock
// events are stamped with) are answered from the node's description and the events
// written. /dev/uinput answers the uinput ioctls and keeps what is created, destroyed
// and written. umockdev calls the ioctl handlers on its own thread, so every record
// here is guarded. (umockdev does not tell when a file is closed: a test that needs to
// know looks at the process's open files.)

#include <linux/input.h>
#include <umockdev.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace x5k::test {

struct EvdevNodeSpec {
    std::string sysname;  // "event3"; the node is /dev/input/<sysname>
    std::string name;     // the device name the kernel reports
    uint16_t vendor = 0;
    uint16_t product = 0;
    // The USB device the node belongs to; none for a device on another bus.
    bool usbParent = true;
    std::vector<std::pair<std::string, std::string>> properties;  // udev properties
    std::set<std::pair<uint16_t, uint16_t>> codes;                // (type, code)
    bool numLock = false;
    // The node refuses another clock, and its events keep the realtime clock's stamps.
    bool refusesClockChange = false;
};

// A keyboard and the mouse's pointer node, as udev and the kernel describe them.
EvdevNodeSpec KeyboardSpec(std::string sysname);
EvdevNodeSpec MouseSpec(std::string sysname);

// Waits for the input thread, looking every millisecond; false after five seconds.
bool WaitFor(const std::function<bool()>& condition);

class EvdevTestbed {
public:
    EvdevTestbed();
    ~EvdevTestbed();
    EvdevTestbed(const EvdevTestbed&) = delete;
    EvdevTestbed& operator=(const EvdevTestbed&) = delete;

    // Adds the node (with its input device and, if asked, its USB device) and returns
    // the node's device path (/dev/input/...).
    std::string addNode(const EvdevNodeSpec& description);
    // Adds a node below /sys/devices/virtual/input/<inputName>, as uinput makes them.
    std::string addVirtualNode(const std::string& inputName, const EvdevNodeSpec& description);
    // Sends the uevent udev would send for the node.
    void announce(const std::string& devnode, const char* action);

    // Writes the events into the node. Those without a time stamp get the time now on
    // the node's clock, as the kernel stamps them; the keys they leave down are what the
    // node's key state reports.
    void feed(const std::string& devnode, const std::vector<input_event>& events);
    // Events that come while the node is being grabbed, or released: fed once, when the
    // next grab (or release) is made and before the program learns it is done.
    void feedAtGrab(const std::string& devnode, std::vector<input_event> events);
    void feedAtUngrab(const std::string& devnode, std::vector<input_event> events);
    // Where the file of a node (or of /dev/uinput) really is: what a process that has
    // it open shows in /proc/<pid>/fd.
    std::string file(const std::string& devnode) const;
    // The time now on the clock the node stamps its events with, in microseconds.
    int64_t now(const std::string& devnode) const;
    // How often the node was grabbed and released (by the ioctl), and whether it is
    // grabbed now.
    int grabs(const std::string& devnode) const;
    int ungrabs(const std::string& devnode) const;
    bool grabbed(const std::string& devnode) const;

    // Makes /dev/uinput exist.
    void addUinput();
    int uinputCreated() const;
    int uinputDestroyed() const;
    std::string uinputName() const;
    std::vector<input_event> uinputWritten() const;

    // The sysname a uinput device made here gets.
    static constexpr const char* kUinputSysname = "input99";

private:
    struct Node;
    struct Uinput;
    std::string add(const std::string& parentSyspath, const EvdevNodeSpec& description,
                    bool parentIsInputDevice);
    Node* find(const std::string& devnode) const;
    static void writeEvents(Node& node, std::vector<input_event> events);
    static gboolean OnEvdevIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer node);
    static gboolean OnUinputIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer);
    static gboolean OnUinputWrite(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer);

    UMockdevTestbed* testbed_ = nullptr;
    std::string root_;
    int nextMinor_ = 64;
    int nextUsb_ = 1;
    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<Node>> nodes_;
    std::unique_ptr<Uinput> uinput_;
};

// Builders for the records a test feeds.
input_event Event(uint16_t type, uint16_t code, int32_t value);
inline input_event Syn() {
    return Event(EV_SYN, SYN_REPORT, 0);
}
// The events with this time stamp, in microseconds.
std::vector<input_event> StampedAt(std::vector<input_event> events, int64_t micros);

}  // namespace x5k::test

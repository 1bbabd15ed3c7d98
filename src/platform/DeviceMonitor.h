#pragma once
// Arrival and removal of the mouse while the program runs. The device link rediscovers
// the mouse at every arrival and closes its connection at every removal, so each plug-in
// is reported once, when the mouse can be opened, and each unplugging once, however many
// interfaces the mouse has.
//
// The device name holds "VID_xxxx&PID_xxxx" of the mouse, as a Windows device path does,
// so the device link's identity check reads the same names on every platform.

#include <string>
#include <utility>
#include <vector>

#include "platform/HidBackend.h"

namespace x5k {

class DeviceMonitor {
public:
    virtual ~DeviceMonitor() = default;

    // Starts listening, then notes the devices already present, so that their removal is
    // reported too and nothing that happens in between is missed. False when the system
    // gives no notifications; the program then learns of no arrival or removal. Called
    // once.
    virtual bool start() = 0;

    // The descriptor for the event loop to watch for readability; -1 before start() or
    // when it failed.
    virtual int fd() const = 0;

    // Every change pending, in order, without blocking.
    virtual std::vector<std::pair<DeviceChange, std::string>> readChanges() = 0;
};

}  // namespace x5k

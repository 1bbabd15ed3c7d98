#pragma once
// A main window for the device link that writes down what it was asked to do.

#include <string>
#include <vector>

#include "device/DeviceLink.h"

namespace x5k::test {

class RecordingLinkObserver final : public DeviceLinkObserver {
public:
    void refreshPagesFromProfile() override { events.push_back("refresh"); }
    void setFirmwareVersionText(const std::string& text) override {
        events.push_back("version " + text);
    }
    void startWorkers() override { events.push_back("workers"); }
    void releaseApplyButton() override { events.push_back("release apply"); }
    bool installHooks() override {
        events.push_back("hooks on");
        return true;
    }
    void removeHooks() override { events.push_back("hooks off"); }
    std::vector<std::string> events;
};

}  // namespace x5k::test

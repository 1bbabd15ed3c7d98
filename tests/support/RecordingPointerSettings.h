#pragma once
// Keeps every pointer setting asked for; never touches the real desktop.

#include <string>
#include <vector>

#include "platform/PointerSettings.h"

namespace x5k::test {

class RecordingPointerSettings final : public PointerSettings {
public:
    bool setAcceleration(bool on) override {
        calls.push_back(std::string("acceleration ") + (on ? "on" : "off"));
        return answer;
    }
    bool setSpeed(int speed) override {
        calls.push_back("speed " + std::to_string(speed));
        return answer;
    }
    bool setWheelScrollLines(int lines) override {
        calls.push_back("scroll lines " + std::to_string(lines));
        return answer;
    }
    std::vector<std::string> notApplied() const override { return problems; }

    std::vector<std::string> calls;
    bool answer = true;
    // What notApplied() reports, as a test sets it.
    std::vector<std::string> problems;
};

}  // namespace x5k::test

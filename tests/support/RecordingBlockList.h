#pragma once
// A mouse block list that keeps the codes an apply leaves blocked.

#include <cstdint>
#include <set>

#include "device/ApplyWorker.h"

namespace x5k::test {

class RecordingBlockList final : public MouseBlockList {
public:
    void BlockMouseCode(uint32_t code, bool remove) override {
        if (remove) {
            codes.erase(code);
        } else {
            codes.insert(code);
        }
    }
    std::set<uint32_t> codes;
};

}  // namespace x5k::test

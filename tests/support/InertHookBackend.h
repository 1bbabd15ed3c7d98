#pragma once
// A hook backend that installs at once and delivers nothing: the test calls the input
// hooks' callbacks itself.

#include "platform/HookBackend.h"

namespace x5k::test {

class InertHookBackend final : public HookBackend {
public:
    bool installKeyboardHook() override { return true; }
    bool installMouseHook() override { return true; }
    void removeKeyboardHook() override {}
    void removeMouseHook() override {}
};

}  // namespace x5k::test

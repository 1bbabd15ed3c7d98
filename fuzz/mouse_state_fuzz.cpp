// libFuzzer target for the emulated mouse's state file: any text must parse to a state
// or to nothing, and a parsed state must come back unchanged from its written form and
// from the emulated mouse that takes it.
#include <string_view>

#include "device/emulator/EmulatedMouse.h"
#include "device/emulator/MouseStateFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace x5k;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<MouseState> state = ParseMouseState(text);
    if (!state) return 0;
    if (ParseMouseState(FormatMouseState(*state)) != state) __builtin_trap();
    EmulatedMouse mouse;
    mouse.setState(*state);
    if (mouse.state() != *state) __builtin_trap();
    return 0;
}

// libFuzzer target for the KDE settings editor: any kcminputrc or kdeglobals text must
// take the pointer and wheel keys, keep the edit when it is made again (a second edit of
// the result changes nothing: the values written are the ones KDE will read back), and
// refuse the same keys both times.
#include <string_view>

#include "platform/linux/KdePointerSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace x5k;
    static const std::vector<KConfigEntry> kEntries = {
        {{"Mouse"}, "XLbInptPointerAcceleration", "0.250"},
        {{"Mouse"}, "XLbInptAccelProfileFlat", "false"},
        {{"Libinput", "1133", "49291", "G502 HERO Gaming Mouse"}, "PointerAcceleration", "-0.556"},
        {{"Libinput", "1133", "49291", "G502 HERO Gaming Mouse"}, "PointerAccelerationProfile", "2"},
        {{"Libinput", "7247", "2", "X5K [wired]\\mouse"}, "PointerAcceleration", "1.000"},
        {{"Libinput", "7247", "2", "$i"}, "PointerAcceleration", "0.000"},
        {{"KDE"}, "WheelScrollLines", "3"},
    };
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const KConfigEdit first = EditKConfig(text, kEntries);
    const KConfigEdit again = EditKConfig(first.text, kEntries);
    if (again.text != first.text || again.locked != first.locked) __builtin_trap();
    return 0;
}

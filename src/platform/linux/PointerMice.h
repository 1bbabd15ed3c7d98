#pragma once
// The mice connected now, named as the input stack names them.

#include <string>
#include <vector>

namespace x5k {

// A mouse's kernel name and USB (or Bluetooth) identifiers, the same three values libinput
// reports and KWin files the device's settings under.
struct PointerMouse {
    std::string name;
    unsigned vendor = 0;
    unsigned product = 0;
    bool operator==(const PointerMouse&) const = default;
};

// The udev input devices marked as mice (ID_INPUT_MOUSE), without touchpads and pointing
// sticks, which desktops configure apart from mice; each name/vendor/product once. Names
// that are not valid UTF-8 have the bad bytes replaced by U+FFFD, as KDE does when it
// reads them. Empty when udev is not available.
std::vector<PointerMouse> ConnectedMice();

}  // namespace x5k

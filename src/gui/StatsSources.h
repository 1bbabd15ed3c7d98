#pragma once
// Where the statistics page's counts and pointer samples come from on this desktop, and
// what the page tells the user once about what it cannot see.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/StatsInput.h"

namespace x5k::gui {

enum class ClickSource {
    InputWatch,  // the input hooks read the pointing devices themselves
    Display,     // the X server's raw button events
    OwnWindows,  // only what the program's own windows receive
};

struct StatsSources {
    ClickSource clicks = ClickSource::OwnWindows;
    // The pointer position is asked of the display server; otherwise the distance stays.
    bool cursorFromDisplay = false;
    bool operator==(const StatsSources&) const = default;
};

// The display's source is asked for clicks only where the input watch reads no pointer.
bool DisplayCountsClicks(bool watchReadsPointer);
// `displayStarted`: the display's own source runs (with clicks when DisplayCountsClicks).
StatsSources ChooseStatsSources(bool watchReadsPointer, bool displayStarted);

// What the statistics page says once in the main window's hint line, short enough for
// its two lines: that it counts only the program's own windows (and how to count
// everything: the "input" group), or that the distance stays still without a pointer
// position. Nothing when everything is counted. The input watch's full text on the access
// it lacks is told at start-up.
std::optional<std::string> StatsLimitNotice(const StatsSources& sources, bool chinese);

// Wheel steps of the program's own windows: angle deltas in eighths of a degree, 120 a
// step; finer wheels add up to whole steps. Gives the step codes of one wheel event.
class WheelSteps {
public:
    std::vector<uint32_t> add(int angleDelta);

private:
    int rest_ = 0;
};

}  // namespace x5k::gui

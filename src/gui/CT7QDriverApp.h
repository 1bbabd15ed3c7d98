#pragma once
// The process: one instance per user (a second start hands over to the running one and
// ends), the folders, the first interface language, the main window with everything it
// works with, and the order in which it all ends.

namespace x5k::gui {

class CT7QDriverApp {
public:
    // Runs the program; returns the process's exit code.
    int Run(int argc, char** argv);
};

}  // namespace x5k::gui

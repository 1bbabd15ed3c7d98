#pragma once
// The desktop's "open" on Linux: programs are started directly, everything else is
// handed to the desktop's opener (xdg-open).

#include <string>

#include "platform/Shell.h"

namespace x5k {

class LinuxShell final : public Shell {
public:
    // `launcher` is the program that opens documents, folders and URLs with their
    // default handler; it is looked up in PATH when it holds no slash.
    explicit LinuxShell(std::string launcher = "xdg-open");

    void open(std::string_view target) override;
    bool start(const std::string& program, const std::vector<std::string>& arguments) override;

private:
    std::string launcher_;
};

}  // namespace x5k

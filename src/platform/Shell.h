#pragma once
// Opening files, folders and programs with the desktop, and playing sounds.

#include <string>
#include <string_view>
#include <vector>

namespace x5k {

class Shell {
public:
    virtual ~Shell() = default;
    // The desktop's "open" of `target`: a program is started, a document or folder is
    // opened with its default handler. As with the system's own open verb, one pair
    // of double quotes around the whole target only delimits it. Failures are not
    // reported to the user.
    virtual void open(std::string_view target) = 0;
    // Starts a program with arguments, without a shell; false when it could not start.
    virtual bool start(const std::string& program, const std::vector<std::string>& arguments) = 0;
};

class Sound {
public:
    virtual ~Sound() = default;
    // Starts playing a sound file and returns at once; failures are not reported.
    virtual void playFileAsync(std::string_view path) = 0;
};

}  // namespace x5k

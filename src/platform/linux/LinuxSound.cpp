#include "platform/linux/LinuxSound.h"

#include <canberra.h>

#include <string>

namespace x5k {

LinuxSound::~LinuxSound() {
    if (context_) ca_context_destroy(context_);
}

void LinuxSound::playFileAsync(std::string_view path) {
    if (path.empty()) return;
    const std::string file(path);
    std::lock_guard lock(mutex_);
    if (!context_) {
        if (ca_context_create(&context_) != CA_SUCCESS) {
            context_ = nullptr;
            return;  // Tried again at the next sound: the sound server may come up later.
        }
        ca_context_change_props(context_, CA_PROP_APPLICATION_NAME, "X5K",
                                static_cast<const char*>(nullptr));
    }
    // The sound server reads the file on its own; playing returns once it has started.
    // Failures (no server, unreadable file) are not reported, as for any host action.
    ca_context_play(context_, 0, CA_PROP_MEDIA_FILENAME, file.c_str(),
                    static_cast<const char*>(nullptr));
}

}  // namespace x5k

#include "platform/linux/SessionBus.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace x5k {

bool SessionBusKnown(const char* address, const char* runtimeDir) {
    if (address != nullptr && *address != '\0') return true;
    if (runtimeDir == nullptr || *runtimeDir == '\0') return false;
    std::error_code error;
    return std::filesystem::is_socket(std::filesystem::path(runtimeDir) / "bus", error);
}

bool KeepSessionBusFromStarting() {
    if (SessionBusKnown(std::getenv(kSessionBusVariable), std::getenv("XDG_RUNTIME_DIR"))) {
        return false;
    }
    return ::setenv(kSessionBusVariable, kNoSessionBus, 1) == 0;
}

std::vector<char*> ChildEnvironment(char* const* environment) {
    const std::string ours = std::string(kSessionBusVariable) + "=" + kNoSessionBus;
    std::vector<char*> kept;
    for (char* const* entry = environment; entry && *entry; ++entry) {
        if (std::string_view(*entry) != ours) kept.push_back(*entry);
    }
    kept.push_back(nullptr);
    return kept;
}

}  // namespace x5k

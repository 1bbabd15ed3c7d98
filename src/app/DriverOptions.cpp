#include "app/DriverOptions.h"

#include <string_view>

namespace x5k {

DriverOptions ParseDriverOptions(std::span<char* const> arguments) {
    constexpr std::string_view kEmulated = "--emulated-mouse";
    DriverOptions options;
    for (const char* raw : arguments) {
        const std::string_view argument = raw;
        if (argument == kEmulated) {
            options.emulated = true;
        } else if (argument.starts_with(kEmulated) && argument.size() > kEmulated.size() + 1 &&
                   argument[kEmulated.size()] == '=') {
            options.emulated = true;
            options.state = std::filesystem::path(argument.substr(kEmulated.size() + 1));
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (options.error.empty()) {
            options.error = std::string(argument);
        }
    }
    return options;
}

}  // namespace x5k

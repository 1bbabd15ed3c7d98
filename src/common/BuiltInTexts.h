#pragma once
// Built-in message texts shared by several readers, kept exactly as users know them.

#include <string_view>

namespace x5k {

// A file or its folder does not exist; "%s" is the file's path.
inline constexpr std::string_view kOpenFailedMessage =
    "Failed to open file, check whether there is a %s path?";
// A profile file without the profile magic; "%s" is the file's path.
inline constexpr std::string_view kInvalidProfileMessage = "%s is an invaild Profile!";

}  // namespace x5k

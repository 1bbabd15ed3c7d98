#pragma once
// The outcome of one call into the system: success, or the errno it failed with and what
// was attempted. The user is shown the program's own text for a failure; this is what
// the diagnostic log adds to it, so a report can tell denied access from a stalled
// transfer or a mouse that went away.

#include <string>
#include <string_view>
#include <system_error>

namespace x5k {

struct [[nodiscard]] SysResult {
    int code = 0;                  // the errno of the failure; 0 on success
    std::string_view operation{};  // what was attempted, a literal: "ioctl (HIDIOCSFEATURE)"

    static SysResult success() { return {}; }
    static SysResult failure(int code, std::string_view operation) { return {code, operation}; }

    bool ok() const { return code == 0; }
    explicit operator bool() const { return ok(); }

    // "ioctl (HIDIOCSFEATURE): Broken pipe", or "ok".
    std::string describe() const {
        if (ok()) return "ok";
        std::string text(operation.empty() ? std::string_view("call") : operation);
        return text + ": " + std::generic_category().message(code);
    }

    bool operator==(const SysResult&) const = default;
};

}  // namespace x5k

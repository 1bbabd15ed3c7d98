#include "common/TextFormat.h"

namespace x5k {

std::string FormatText(std::string_view pattern, std::initializer_list<FormatArg> args) {
    std::string out;
    out.reserve(pattern.size() + 64);
    auto next = args.begin();
    for (size_t i = 0; i < pattern.size(); ++i) {
        const bool placeholder = pattern[i] == '%' && i + 1 < pattern.size() &&
                                 (pattern[i + 1] == 's' || pattern[i + 1] == 'd');
        if (!placeholder || next == args.end()) {
            out += pattern[i];
            continue;
        }
        if (const auto* text = std::get_if<std::string_view>(&*next)) {
            out += *text;
        } else {
            out += std::to_string(std::get<int64_t>(*next));
        }
        ++next;
        ++i;
    }
    return out;
}

}  // namespace x5k

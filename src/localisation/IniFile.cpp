#include "localisation/IniFile.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace x5k {
namespace {

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

int ParseValue(std::string_view value) {
    bool negative = false;
    if (!value.empty() && (value.front() == '-' || value.front() == '+')) {
        negative = value.front() == '-';
        value.remove_prefix(1);
    }
    long long number = 0;
    for (const char c : value) {
        if (c < '0' || c > '9') break;
        number = std::min<long long>(number * 10 + (c - '0'), INT_MAX);
    }
    return negative ? 0 : static_cast<int>(number);
}

}  // namespace

int ReadIniInt(std::string_view text, std::string_view section, std::string_view key,
               int fallback) {
    bool inSection = false;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        if (line.front() == '[') {
            const size_t close = line.find(']');
            inSection = close != std::string_view::npos &&
                        SameName(Trim(line.substr(1, close - 1)), section);
            continue;
        }
        const size_t equals = line.find('=');
        if (inSection && equals != std::string_view::npos &&
            SameName(Trim(line.substr(0, equals)), key)) {
            return ParseValue(Trim(line.substr(equals + 1)));
        }
    }
    return fallback;
}

}  // namespace x5k

#include "device/emulator/MouseStateFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <functional>
#include <iterator>
#include <memory>
#include <set>
#include <span>
#include <system_error>
#include <vector>

namespace x5k {
namespace {

constexpr std::string_view kFormatKey = "format";
constexpr std::string_view kFormatValue = "x5k-emulated-mouse 1";
// A complete file is about 9 KiB; anything far larger is not one of ours.
constexpr std::uintmax_t kMaxFileSize = 64 * 1024;
constexpr char kHexDigits[] = "0123456789ABCDEF";

std::string ToHex(std::span<const uint8_t> bytes) {
    std::string text;
    text.reserve(2 * bytes.size());
    for (uint8_t byte : bytes) {
        text += kHexDigits[byte >> 4];
        text += kHexDigits[byte & 0x0F];
    }
    return text;
}

std::optional<uint32_t> ParseNumber(std::string_view text, int base, uint32_t maximum) {
    uint32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || error != std::errc() || stop != end || value > maximum) {
        return std::nullopt;
    }
    return value;
}

// Fills `bytes` from exactly 2 * bytes.size() hex digits.
bool FromHex(std::string_view text, std::span<uint8_t> bytes) {
    if (text.size() != 2 * bytes.size()) return false;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = ParseNumber(text.substr(2 * i, 2), 16, 0xFF);
        if (!byte) return false;
        bytes[i] = static_cast<uint8_t>(*byte);
    }
    return true;
}

std::string_view Trim(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r";
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// One line of the file: how to write its value from a state and read it back into one.
struct Field {
    std::string key;
    std::function<std::string(MouseState&)> format;
    std::function<bool(std::string_view, MouseState&)> parse;
};

Field ByteField(std::string key, uint8_t MouseState::*member) {
    return {std::move(key), [member](MouseState& s) { return std::to_string(s.*member); },
            [member](std::string_view text, MouseState& s) {
                const auto value = ParseNumber(text, 10, 0xFF);
                if (value) s.*member = static_cast<uint8_t>(*value);
                return value.has_value();
            }};
}

Field BytesField(std::string key, std::function<std::span<uint8_t>(MouseState&)> bytes) {
    return {std::move(key), [bytes](MouseState& s) { return ToHex(bytes(s)); },
            [bytes](std::string_view text, MouseState& s) { return FromHex(text, bytes(s)); }};
}

const std::vector<Field>& Fields() {
    static const std::vector<Field> fields = [] {
        std::vector<Field> list = {
            ByteField("report_rate", &MouseState::reportRate),
            {"lighting", [](MouseState& s) { return std::string(s.lightingOn ? "on" : "off"); },
             [](std::string_view text, MouseState& s) {
                 s.lightingOn = text == "on";
                 return text == "on" || text == "off";
             }},
            ByteField("resolution_level", &MouseState::resolutionLevel),
            {"colour",
             [](MouseState& s) {
                 std::string text(8, '0');
                 for (size_t i = 0; i < 8; ++i) text[7 - i] = kHexDigits[(s.colour >> 4 * i) & 0xF];
                 return text;
             },
             [](std::string_view text, MouseState& s) {
                 const auto value = ParseNumber(text, 16, 0xFFFFFFFF);
                 if (value) s.colour = *value;
                 return text.size() == 8 && value.has_value();
             }},
            BytesField("effect", [](MouseState& s) { return std::span<uint8_t>(s.effect); }),
            BytesField("resolution_table",
                       [](MouseState& s) { return std::span<uint8_t>(s.resolutionTable); }),
            BytesField("button_matrix",
                       [](MouseState& s) { return std::span<uint8_t>(s.buttonMatrix); }),
        };
        for (size_t slot = 0; slot < MouseState::kMacroSlots; ++slot) {
            list.push_back(BytesField("macro_" + std::to_string(slot), [slot](MouseState& s) {
                return std::span<uint8_t>(s.macros[slot]);
            }));
        }
        return list;
    }();
    return fields;
}

}  // namespace

std::string FormatMouseState(const MouseState& state) {
    MouseState copy = state;
    std::string text = "# What the X5K emulated mouse holds.\n";
    text.append(kFormatKey).append(" = ").append(kFormatValue).append("\n");
    for (const Field& field : Fields()) text += field.key + " = " + field.format(copy) + "\n";
    return text;
}

std::optional<MouseState> ParseMouseState(std::string_view text) {
    MouseState state;
    std::set<std::string, std::less<>> seen;
    bool formatSeen = false;
    while (!text.empty()) {
        const size_t lineEnd = text.find('\n');
        const std::string_view line = Trim(text.substr(0, lineEnd));
        text = lineEnd == std::string_view::npos ? std::string_view() : text.substr(lineEnd + 1);
        if (line.empty() || line.front() == '#') continue;

        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) return std::nullopt;
        const std::string_view key = Trim(line.substr(0, equals));
        const std::string_view value = Trim(line.substr(equals + 1));
        if (key == kFormatKey) {
            if (formatSeen || value != kFormatValue) return std::nullopt;
            formatSeen = true;
            continue;
        }
        const auto& fields = Fields();
        const auto field = std::ranges::find(fields, key, &Field::key);
        if (field == fields.end() || !seen.emplace(key).second || !field->parse(value, state)) {
            return std::nullopt;
        }
    }
    if (!formatSeen || seen.size() != Fields().size()) return std::nullopt;
    return state;
}

bool SaveMouseState(const MouseState& state, const std::filesystem::path& path, FileSystem& files) {
    const std::string text = FormatMouseState(state);
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    return files.replace(path, std::span<const uint8_t>(bytes, text.size())).ok();
}

std::optional<MouseState> LoadMouseState(const std::filesystem::path& path) {
    return ReadStatePath(path).state;
}

std::string StatePathRead::refusal() const {
    switch (kind) {
        case StatePathKind::Missing:
        case StatePathKind::State:
            return {};
        case StatePathKind::NotAState:
            return "is not a state file of the emulated mouse; it is left as it is";
        case StatePathKind::NotAFile:
            return "is not a regular file; the emulated mouse keeps its state in a file";
        case StatePathKind::Unreadable:
            return "cannot be read: " + error.message();
    }
    return {};
}

StatePathRead ReadStatePath(const std::filesystem::path& path) {
    StatePathRead read;
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found) return read;
    const auto refuse = [&read](StatePathKind kind, std::error_code cause = {}) {
        read.kind = kind;
        read.error = cause;
        return read;
    };
    if (error) return refuse(StatePathKind::Unreadable, error);
    if (!std::filesystem::is_regular_file(status)) return refuse(StatePathKind::NotAFile);
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) return refuse(StatePathKind::Unreadable, error);
    if (size > kMaxFileSize) return refuse(StatePathKind::NotAState);

    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file) return refuse(StatePathKind::Unreadable, {errno, std::generic_category()});
    // One byte more than the limit tells a file that grew since it was measured.
    std::string text(static_cast<size_t>(kMaxFileSize) + 1, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), file.get()));
    if (std::ferror(file.get())) {
        return refuse(StatePathKind::Unreadable, std::make_error_code(std::errc::io_error));
    }
    if (text.size() > kMaxFileSize) return refuse(StatePathKind::NotAState);
    read.state = ParseMouseState(text);
    read.kind = read.state ? StatePathKind::State : StatePathKind::NotAState;
    return read;
}

}  // namespace x5k

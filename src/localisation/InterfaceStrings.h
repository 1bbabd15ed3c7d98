#pragma once
// The 109 interface strings: captions, tooltips, hints and file messages, filled from
// the chosen language file and replaced as a whole at every language load.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace x5k {

class InterfaceStrings {
public:
    static constexpr size_t kCount = 109;
    static const std::array<std::string_view, kCount> kKeys;

    static std::optional<size_t> indexOf(std::string_view key);

    // The text of `key`; empty for a key that was not loaded or is not one of the 109.
    const std::string& get(std::string_view key) const;
    // False (and nothing stored) for a key that is not one of the 109.
    bool set(std::string_view key, std::string text);
    void clear() { texts_ = {}; }

private:
    std::array<std::string, kCount> texts_;
};

}  // namespace x5k

#pragma once
// The characters of the user's keyboard layout, from an xkbcommon keymap.

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/KeyboardLayout.h"

struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace x5k {

// The rules, model, layout, variant and options names that select an XKB keymap. An
// empty name takes xkbcommon's built-in default (evdev rules, pc105, us).
struct KeyboardNames {
    std::string rules;
    std::string model;
    std::string layout;
    std::string variant;
    std::string options;
    bool operator==(const KeyboardNames&) const = default;
};

// Looks up one environment variable; nothing when it is unset.
using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;

// The keyboard the system is set up with: the XKB_DEFAULT_* variables when any of them
// is set (the same variables xkbcommon itself honours), else the XKB* settings of
// `defaultsFile` (Debian's /etc/default/keyboard) when it exists, else all empty.
KeyboardNames DefaultKeyboardNames(const EnvironmentLookup& environment,
                                   const std::filesystem::path& defaultsFile);

// DefaultKeyboardNames over this process's environment and /etc/default/keyboard.
KeyboardNames SystemKeyboardNames();

class XkbKeyboardLayout final : public KeyboardLayout {
public:
    // The system's default keyboard (SystemKeyboardNames).
    XkbKeyboardLayout();
    // A keymap from these names only; the environment is not consulted.
    explicit XkbKeyboardLayout(const KeyboardNames& names);
    ~XkbKeyboardLayout() override;
    XkbKeyboardLayout(const XkbKeyboardLayout&) = delete;
    XkbKeyboardLayout& operator=(const XkbKeyboardLayout&) = delete;

    // False when no keymap could be compiled (unknown names, no XKB data installed);
    // the layout then types no characters.
    bool isLoaded() const { return state_ != nullptr; }

    std::optional<char32_t> characterOf(uint32_t virtualKey) const override;

private:
    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    xkb_state* state_ = nullptr;
    // xkbcommon states are not safe to read from two threads at once.
    mutable std::mutex mutex_;
};

// The system's keyboard (SystemKeyboardNames), its keymap compiled when a key is first
// named rather than while the program starts.
class SystemKeyboardLayout final : public KeyboardLayout {
public:
    std::optional<char32_t> characterOf(uint32_t virtualKey) const override;

private:
    mutable std::once_flag made_;
    mutable std::unique_ptr<XkbKeyboardLayout> layout_;
};

}  // namespace x5k

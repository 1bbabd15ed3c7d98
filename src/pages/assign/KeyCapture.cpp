#include "pages/assign/KeyCapture.h"

#include <algorithm>
#include <limits>

#include "functions/Assignment.h"
#include "functions/KeyNames.h"

namespace x5k::assign {
namespace {

struct ModifierKey {
    uint32_t virtualKey;
    Modifier modifier;
};

// The side-free codes and both sides' keys; the Windows key has no side-free code.
constexpr std::array<ModifierKey, 11> kModifierKeys = {{
    {0x10, Modifier::Shift},
    {0xA0, Modifier::Shift},
    {0xA1, Modifier::Shift},
    {0x11, Modifier::Ctrl},
    {0xA2, Modifier::Ctrl},
    {0xA3, Modifier::Ctrl},
    {0x12, Modifier::Alt},
    {0xA4, Modifier::Alt},
    {0xA5, Modifier::Alt},
    {0x5B, Modifier::Windows},
    {0x5C, Modifier::Windows},
}};

// A key press carries at most the extended-key bit (0x01), the injected bit (0x10) and
// the Alt-held bit (0x20), never two of the upper ones together; a release carries
// bit 7.
constexpr std::array<uint32_t, 6> kPressFlags = {0, 1, 16, 17, 32, 33};

}  // namespace

std::optional<Modifier> ModifierOfVirtualKey(uint32_t virtualKey) {
    const auto it =
        std::find_if(kModifierKeys.begin(), kModifierKeys.end(),
                     [virtualKey](const ModifierKey& k) { return k.virtualKey == virtualKey; });
    if (it == kModifierKeys.end()) return std::nullopt;
    return it->modifier;
}

bool IsPressFlags(uint32_t flags) {
    return std::find(kPressFlags.begin(), kPressFlags.end(), flags) != kPressFlags.end();
}

void KeyPageModel::clickToggle(Modifier modifier) {
    toggles_[index(modifier)] = !toggles_[index(modifier)];
}

KeyEffect KeyPageModel::OnHookInput(uint32_t virtualKey, uint32_t flags) {
    if (const auto modifier = ModifierOfVirtualKey(virtualKey)) {
        if (!IsPressFlags(flags)) return KeyEffect::Ignored;
        clickToggle(*modifier);
        return KeyEffect::ToggleFlipped;
    }
    // A key value holds the key in one byte; a wider code cannot be stored and is not
    // one the hooks report.
    if (virtualKey == 0 || virtualKey > 0xFF) return KeyEffect::Ignored;
    capturedKey_ = virtualKey;
    return KeyEffect::KeyCaptured;
}

KeyEffect KeyPageModel::onWindowKey(const KeyEventTranslator& translator, uint32_t nativeScanCode,
                                    int32_t value, bool numLock) {
    const auto key = TranslateWindowKey(translator, nativeScanCode, value, numLock);
    if (!key) return KeyEffect::Ignored;
    return OnHookInput(key->virtualKey, key->flags);
}

std::optional<std::string> KeyPageModel::keyName(const KeyboardLayout& layout) const {
    if (capturedKey_ == 0) return std::nullopt;
    return VirtualKeyName(capturedKey_, layout);
}

SubPageChoice KeyPageModel::KeyPageResult() const {
    SubPageChoice choice;
    choice.kind = kKindKey;
    choice.code = static_cast<int32_t>(
        ComposeKeyValue(capturedKey_, toggle(Modifier::Ctrl), toggle(Modifier::Alt),
                        toggle(Modifier::Shift), toggle(Modifier::Windows)));
    return choice;
}

}  // namespace x5k::assign

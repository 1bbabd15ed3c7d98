#pragma once
// Storing the function chosen in the assignment pop-up into a button record of the
// working profile, with the rules every assignment obeys, and carrying out the
// computer-side action bound to a button.

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "profiles/ProfileImage.h"
#include "platform/KeyboardLayout.h"
#include "platform/Shell.h"
#include "platform/UserMessages.h"

namespace x5k {

// Kinds of pop-up result: which sub-page produced it.
inline constexpr int kKindCatalogue = 0;  // the basic list or the pop-up's default button
inline constexpr int kKindKey = 5;
inline constexpr int kKindMacro = 6;
inline constexpr int kKindHostAction = 19;
inline constexpr int kKindDisabled = 121;

// Host actions, one per row of the advanced page. The kind is what the profile keeps.
inline constexpr int kHostActionRows = 4;  // 0 sound, 1 program, 2 file, 3 folder
inline constexpr int32_t kHostSound = 0xC0;
inline constexpr int32_t kHostProgram = 0xD0;
inline constexpr int32_t kHostFile = 0xE0;
inline constexpr int32_t kHostFolder = 0xF0;

constexpr int32_t HostActionKindOfRow(int row) {
    return kHostSound + 0x10 * row;
}

// The code the advanced page's radio of `row` carries for `button`; the profile stores
// it beside the kind but nothing reads it back.
constexpr int32_t HostActionCode(int row, int button) {
    return ((HostActionKindOfRow(row) + button) << 16) | 0x0006;
}

// What the assignment pop-up hands back when it ends with OK.
struct [[nodiscard]] AssignmentResult {
    int button = 0;    // 0..6
    int32_t code = 0;  // catalogue code, key value, macro identifier or host-action code
    int kind = kKindCatalogue;
    int row = 0;       // host actions only: 0..3
    std::string path;  // host actions only
    bool operator==(const AssignmentResult&) const = default;
};

enum class AssignOutcome {
    Stored,
    RefusedLeftClick,         // no other button would keep Click
    RefusedSniper,            // sniper on a wheel step
    RefusedHostActionOnLeft,  // the left button cannot carry a host action
    RefusedPathTooLong,       // the host-action path does not fit its field
    Invalid,                  // a result the pop-up never produces; nothing is shown
};

// The name of the first macro record, in file order, with this identifier; empty when
// there is none.
using MacroNameLookup = std::function<std::string(int32_t macroId)>;

// Stores `result` into its button's record and the working macro identifiers, or shows
// why it is refused and changes nothing. `chinese` picks the built-in language of the
// refusal texts and of catalogue names.
AssignOutcome AssignFunction(ProfileImage& image,
                             std::array<int32_t, kButtonCount>& workingMacroIds,
                             const AssignmentResult& result, bool chinese, UserMessages& messages,
                             const KeyboardLayout& layout, const MacroNameLookup& macroName);

// True when the button's function code differs from its default.
bool IsModified(const ProfileImage& image, int button);

// Rewrites the button's display name into the current built-in language when it is the
// name of one of the seven default functions in the other language. Returns true when
// the name was rewritten.
bool TranslateDefaultName(ProfileImage& image, int button, bool chinese);

// Carries out the host action bound to `button` after the hooks swallowed a press of
// it. Does nothing unless the button holds a host action at this moment, and never for
// the left button.
void RunHostAction(const ProfileImage& image, int button, Shell& shell, Sound& sound);

}  // namespace x5k

#include "functions/Assignment.h"

#include <string_view>

#include "common/Utf.h"
#include "device/Protocol.h"
#include "functions/FunctionCatalogue.h"
#include "functions/KeyNames.h"

namespace x5k {
namespace {

struct BuiltInText {
    std::string_view english;
    std::string_view chinese;
    std::string_view in(bool isChinese) const { return isChinese ? chinese : english; }
};

constexpr BuiltInText kLeftClickRequired = {
    "At least one button must be configured as 'Left click'!", "请保留至少一个键为\"单击\"功能!"};
constexpr BuiltInText kNoSniperHere = {"This key can not use the sniper function!",
                                       "此按键不可使用狙击功能!"};
// The hooks' block list is system-wide: blocking the left button would swallow every
// left click of every mouse, while the main window carries out nothing for it.
constexpr BuiltInText kNoHostActionOnLeft = {"The left button can not carry out a computer action!",
                                             "左键不可使用电脑操作功能!"};
// A cut path would name another file than the one chosen, so it is never stored.
constexpr BuiltInText kPathTooLong = {"The path is too long: at most 259 characters can be stored!",
                                      "路径过长,最多只能保存 259 个字符!"};

constexpr int kLeftButton = 0;

bool ValidButton(int button) {
    return button >= 0 && button < kButtonCount;
}

// Results the pop-up never produces: refusing them keeps a profile from holding a
// function that has no meaning on the mouse (an unknown kind, a code outside the
// catalogue, the empty key value, or a host action without a target).
bool IsWellFormed(const AssignmentResult& r) {
    if (!ValidButton(r.button)) return false;
    switch (r.kind) {
        case kKindCatalogue:
            return FindCatalogueEntry(r.code) != nullptr;
        case kKindDisabled:
            return true;
        case kKindKey:
        case kKindMacro:
            return r.code != 0;
        case kKindHostAction:
            return r.row >= 0 && r.row < kHostActionRows && !r.path.empty();
        default:
            return false;
    }
}

bool SomeOtherButtonHoldsClick(const ProfileImage& image, int button) {
    for (int b = 0; b < kButtonCount; ++b) {
        if (b != button && image.get(profile::FunctionCode(b)) == kFunctionClick) return true;
    }
    return false;
}

AssignOutcome Refuse(AssignOutcome outcome, const BuiltInText& text, bool chinese,
                     UserMessages& messages) {
    messages.showInfoDialog(text.in(chinese), BoxButtons::Ok);
    return outcome;
}

}  // namespace

AssignOutcome AssignFunction(ProfileImage& image,
                             std::array<int32_t, kButtonCount>& workingMacroIds,
                             const AssignmentResult& result, bool chinese, UserMessages& messages,
                             const KeyboardLayout& layout, const MacroNameLookup& macroName) {
    using namespace profile;
    if (!IsWellFormed(result)) return AssignOutcome::Invalid;
    const int b = result.button;
    const bool isClick = result.kind == kKindCatalogue && result.code == kFunctionClick;
    if (!isClick && !SomeOtherButtonHoldsClick(image, b)) {
        return Refuse(AssignOutcome::RefusedLeftClick, kLeftClickRequired, chinese, messages);
    }
    // The sniper acts while its button is held, and a wheel step cannot be held.
    const bool isWheel = matrix::IsWheelSlot(kMatrixSlotOfButton[static_cast<size_t>(b)]);
    if (result.kind == kKindCatalogue && result.code == kFunctionSniper && isWheel) {
        return Refuse(AssignOutcome::RefusedSniper, kNoSniperHere, chinese, messages);
    }
    if (result.kind == kKindHostAction) {
        if (b == kLeftButton) {
            return Refuse(AssignOutcome::RefusedHostActionOnLeft, kNoHostActionOnLeft, chinese,
                          messages);
        }
        if (Utf8ToUtf16(result.path).size() >= kPathUnits) {
            return Refuse(AssignOutcome::RefusedPathTooLong, kPathTooLong, chinese, messages);
        }
    }

    workingMacroIds[static_cast<size_t>(b)] = 0;
    image.set(FunctionCode(b), result.kind);
    std::string name;
    switch (result.kind) {
        case kKindKey:
            image.set(KeyValue(b), result.code);
            name = KeyComboName(static_cast<uint32_t>(result.code), layout);
            break;
        case kKindMacro:
            image.set(MacroId(b), result.code);
            workingMacroIds[static_cast<size_t>(b)] = result.code;
            if (macroName) name = macroName(result.code);
            break;
        case kKindHostAction:
            image.set(HostActionCode(b), result.code);
            image.setText(HostActionPath(b), result.path);
            image.set(HostActionKind(b), HostActionKindOfRow(result.row));
            name = result.path;
            break;
        case kKindDisabled:
            name = FunctionName(kFunctionDisabled, chinese);
            break;
        case kKindCatalogue:
            image.set(FunctionCode(b), result.code);
            name = FunctionName(result.code, chinese);
            break;
    }
    // The field keeps 259 characters; a longer macro or key name is cut, which only
    // shortens what the page shows.
    image.setText(DisplayName(b), name);
    return AssignOutcome::Stored;
}

bool IsModified(const ProfileImage& image, int button) {
    return image.get(profile::FunctionCode(button)) != ButtonPositionOf(button).defaultCode;
}

bool TranslateDefaultName(ProfileImage& image, int button, bool chinese) {
    const TextField field = profile::DisplayName(button);
    const std::string stored = image.text(field);
    // The names that follow the interface language are those of the seven defaults.
    for (int32_t code : kDefaultFunctionCodes) {
        const CatalogueEntry* entry = FindCatalogueEntry(code);
        const std::string_view otherLanguage = chinese ? entry->english : entry->chinese;
        if (stored == otherLanguage) {
            image.setText(field, chinese ? entry->chinese : entry->english);
            return true;
        }
    }
    return false;
}

void RunHostAction(const ProfileImage& image, int button, Shell& shell, Sound& sound) {
    using namespace profile;
    if (!ValidButton(button) || button == kLeftButton) return;
    if (image.get(FunctionCode(button)) != kFunctionHostAction) return;
    const std::string path = image.text(HostActionPath(button));
    if (path.empty()) return;
    switch (image.get(HostActionKind(button))) {
        case kHostSound:
            sound.playFileAsync(path);
            break;
        case kHostProgram:
            // A program path is handed over as it is: the shell treats the whole text as
            // the program, spaces included.
            shell.open(path);
            break;
        case kHostFile:
        case kHostFolder:
            shell.open(path.find(' ') == std::string::npos ? path : '"' + path + '"');
            break;
        default:
            break;
    }
}

}  // namespace x5k

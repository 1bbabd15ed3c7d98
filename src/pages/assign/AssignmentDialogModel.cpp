#include "pages/assign/AssignmentDialogModel.h"

#include <utility>

#include "functions/FunctionCatalogue.h"

namespace x5k::assign {
namespace {
constexpr int32_t kDisabledCode = 7;
}  // namespace

std::vector<std::string> MacroPageModel::gameRows(bool chinese) {
    std::vector<std::string> rows;
    rows.reserve(kGameRowCount);
    for (int row = 0; row < kGameRowCount; ++row) rows.emplace_back(GameRowText(row, chinese));
    return rows;
}

bool MacroPageModel::onGameSelected(int row, const MacroTable& table) {
    if (row == gameRow_) return false;
    gameRow_ = row;
    // A row outside the list names no group, so its macro list is empty.
    macros_ =
        row >= 0 && row < kGameRowCount ? table.listGroup(row + 1) : std::vector<MacroListRow>{};
    selectedMacro_ = -1;
    return true;
}

void MacroPageModel::selectMacro(int row) {
    selectedMacro_ = row >= 0 && static_cast<size_t>(row) < macros_.size() ? row : -1;
}

SubPageChoice MacroPageModel::MacroPageResult() const {
    SubPageChoice choice;
    if (selectedMacro_ < 0) return choice;
    choice.code = macros_[static_cast<size_t>(selectedMacro_)].id;
    choice.kind = kKindMacro;
    return choice;
}

void BasicPageModel::selectRow(int row) {
    selectedRow_ = BasicRowCode(row) != 0 ? row : -1;
}

SubPageChoice BasicPageModel::BasicPageResult() const {
    SubPageChoice choice;
    choice.code = BasicRowCode(selectedRow_);
    choice.kind = kKindCatalogue;
    return choice;
}

void AdvancedPageModel::clickRadio(int row) {
    if (!validRow(row)) return;
    radios_ = {};
    radios_[static_cast<size_t>(row)] = true;
}

bool AdvancedPageModel::radio(int row) const {
    return validRow(row) && radios_[static_cast<size_t>(row)];
}

std::optional<PathRequest> AdvancedPageModel::browse(int row, const DialogFolders& folders) {
    if (!validRow(row)) return std::nullopt;
    clickRadio(row);
    return PathRequestOfRow(row, folders);
}

void AdvancedPageModel::pathChosen(int row, std::string path) {
    setPath(row, std::move(path));
}

void AdvancedPageModel::setPath(int row, std::string path) {
    if (validRow(row)) paths_[static_cast<size_t>(row)] = std::move(path);
}

const std::string& AdvancedPageModel::path(int row) const {
    static const std::string kNone;
    return validRow(row) ? paths_[static_cast<size_t>(row)] : kNone;
}

SubPageChoice AdvancedPageModel::AdvancedPageResult() const {
    SubPageChoice choice;
    for (int row = 0; row < kAdvancedRowCount; ++row) {
        const auto r = static_cast<size_t>(row);
        if (!radios_[r] || paths_[r].empty()) continue;
        choice.code = radioCode(row);
        choice.kind = kKindHostAction;
        choice.row = row;
        choice.path = paths_[r];
        break;
    }
    return choice;
}

KeyForwarding ForwardingThrough(InputHooks& hooks, Window keyPage) {
    return [&hooks, keyPage](bool on) {
        if (on) {
            hooks.SetTarget(keyPage);
            hooks.SetForwarding(true, false);
        } else {
            // With both switches off the hooks go back to their home window.
            hooks.SetForwarding(false, false);
        }
    };
}

AssignmentDialogModel::AssignmentDialogModel(int button, std::string currentName,
                                             KeyForwarding forwarding)
    : button_(button),
      currentName_(std::move(currentName)),
      forward_(std::move(forwarding)),
      advancedPage_(button) {
    ShowSubPage(kKeyPage);
}

void AssignmentDialogModel::setForwarding(bool on) {
    forwarding_ = on;
    if (forward_) forward_(on);
}

void AssignmentDialogModel::ShowSubPage(int n) {
    if (disabled_) {
        shownPage_ = 0;
        return;
    }
    if (n < kKeyPage || n > kAdvancedPage) return;
    shownPage_ = n;
    setForwarding(n == kKeyPage);
}

void AssignmentDialogModel::clickDisable() {
    disabled_ = !disabled_;
    ShowSubPage(kKeyPage);
}

DialogOutcome AssignmentDialogModel::end(std::optional<SubPageChoice> choice) {
    setForwarding(false);
    if (!choice || choice->code == 0) {
        endedWithOk_ = false;
        return std::nullopt;
    }
    endedWithOk_ = true;
    AssignmentResult result;
    result.button = button_;
    result.code = choice->code;
    result.kind = choice->kind;
    result.row = choice->row;
    result.path = std::move(choice->path);
    return result;
}

DialogOutcome AssignmentDialogModel::clickClose() {
    return end(std::nullopt);
}

DialogOutcome AssignmentDialogModel::clickDefault() {
    SubPageChoice choice;
    if (button_ >= 0 && button_ < kButtonCount) choice.code = ButtonPositionOf(button_).defaultCode;
    choice.kind = kKindCatalogue;
    return end(choice);
}

DialogOutcome AssignmentDialogModel::clickOk() {
    if (disabled_) {
        SubPageChoice choice;
        // Only the kind says "disabled"; the code just has to be non-zero to end with OK.
        choice.code = kDisabledCode;
        choice.kind = kKindDisabled;
        return end(choice);
    }
    switch (shownPage_) {
        case kKeyPage:
            return end(keyPage_.KeyPageResult());
        case kMacroPage:
            return end(macroPage_.MacroPageResult());
        case kBasicPage:
            return end(basicPage_.BasicPageResult());
        case kAdvancedPage:
            return end(advancedPage_.AdvancedPageResult());
        default:
            return end(std::nullopt);
    }
}

}  // namespace x5k::assign

#include "gui/MainWindowRules.h"

#include "functions/Assignment.h"
#include "localisation/Languages.h"

namespace x5k::mainwindow {

PageSelection SelectPage(int n) {
    PageSelection selection;
    if (n < 1 || n > kPageCount) return selection;
    const size_t index = static_cast<size_t>(n - 1);
    selection.valid = true;
    selection.shown[index] = true;
    selection.left.fill(true);
    selection.left[index] = false;
    selection.profileButtonsEnabled = kPages[index].profilesAndApply;
    selection.refresh = kPages[index].refreshOnSelect;
    return selection;
}

std::vector<int> HoverHints(layout::Point point) {
    // Every mouse move over the window asks, so the boxes are looked up once.
    static const std::array<layout::Rect, kRegionButtonCount> kGrownBoxes = [] {
        std::array<layout::Rect, kRegionButtonCount> boxes{};
        const layout::PageLayout* main = layout::findPage("main");
        for (size_t i = 0; i < kRegionButtons.size(); ++i) {
            const layout::Rect& box = layout::findControl(*main, kRegionButtons[i])->rect;
            boxes[i] = {box.left - 1, box.top - 1, box.right + 1, box.bottom + 1};
        }
        return boxes;
    }();
    std::vector<int> hints;
    for (size_t i = 0; i < kGrownBoxes.size(); ++i) {
        if (kGrownBoxes[i].contains(point)) hints.push_back(static_cast<int>(i) + 1);
    }
    return hints;
}

std::string HintText(int number, const InterfaceStrings& strings, const ProfileImage& profile,
                     bool chinese) {
    const Hint hint = HintOf(number);
    switch (hint.kind) {
        case Hint::Kind::Empty:
            return {};
        case Hint::Kind::String:
            return strings.get(hint.key);
        case Hint::Kind::ButtonName: {
            ProfileImage copy = profile;
            TranslateDefaultName(copy, hint.button, chinese);
            return copy.text(profile::DisplayName(hint.button));
        }
    }
    return {};
}

std::optional<int> ButtonOfHookCode(uint32_t code) {
    struct Row {
        uint32_t code;
        int button;
    };
    static constexpr Row kRows[] = {
        {0x207, 1}, {0x204, 2}, {0x2020B, 3}, {0x1020B, 4}, {0x20A01, 5}, {0x20A00, 6},
    };
    for (const Row& row : kRows) {
        if (row.code == code) return row.button;
    }
    return std::nullopt;
}

TrayEvent TrayEventOf(intptr_t lParam) {
    if (lParam == kDoubleClick) return TrayEvent::Show;
    if (lParam == kRightButtonUp) return TrayEvent::Menu;
    return TrayEvent::Ignore;
}

std::string_view windowButtonName(WindowButton button, bool chinese) {
    struct Names {
        std::string_view english;
        std::string_view chinese;
    };
    static constexpr std::array<Names, 3> kNames = {{
        {"Minimise", "最小化"},
        {"Hide", "隐藏"},
        {"Language", "语言"},
    }};
    const Names& names = kNames[static_cast<size_t>(button)];
    return chinese ? names.chinese : names.english;
}

std::string_view flagName(int indicatorBitmap) {
    for (const LanguageRow& row : Languages()) {
        if (row.indicatorBitmap == indicatorBitmap) return row.label;
    }
    return {};
}

bool IsStartableProgram(const std::filesystem::path& program) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(program, error);
    using std::filesystem::perms;
    const perms anyExecute = perms::owner_exec | perms::group_exec | perms::others_exec;
    return !error && std::filesystem::is_regular_file(status) &&
           (status.permissions() & anyExecute) != perms::none;
}

}  // namespace x5k::mainwindow

#pragma once
// The macro manager page: the macros of the 21 groups, their events, and recording.
// What a click, a list selection, a key or a pad does is macropage::MacroPageModel's rule
// (MacroPageModel.h); the window draws the model's view and passes everything on to it.
//
// Keys reach the page by two paths that end in the same handler: the input hooks post
// every key the desktop sees while the page is their target, and where they cannot read
// the keyboard the page takes the keys its own window receives while it has the focus,
// converted to the hooks' form. The three pads work through the page's own mouse events.

#include <QImage>
#include <QTimer>

#include <array>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pages/PageWindow.h"
#include "pages/macros/MacroPageModel.h"
#include "platform/KeyboardLayout.h"

class QLineEdit;
class QKeyEvent;

namespace x5k::ui {
class CGDIBitmapBtn;
class CListBoxEx;
}  // namespace x5k::ui

namespace x5k::pages {

// What the page works on, owned by the main window.
struct MacroServices {
    // The macro table, the hooks and the rest the page's rules work on.
    macropage::PageContext rules;
    // The program's own key events in the hooks' form; without it only the hooks give keys.
    const KeyEventTranslator* keyEvents = nullptr;
    // Whether the hooks read every keyboard right now; asked at each key.
    std::function<bool()> hooksReadKeyboard;
    // The interface's built-in language now (captions, the new macro's name, messages).
    std::function<bool()> chineseInterface;
};

class CDlgMacro : public PageWindow {
    Q_OBJECT

public:
    // The page's buttons, for tests and the snapshots.
    enum class Button {
        Group,
        NewMacro,
        DeleteMacro,
        Insert,
        DeleteEvent,
        Modify,
        Record,
        NoDelays,
        ClickPad,
        MiddlePad,
        MenuPad,
        KeySelector,
        KeyOk,
        DelaySelector,
        DelayOk,
    };
    static constexpr int kButtonCount = static_cast<int>(Button::DelayOk) + 1;

    // Shown in the hint line the first time keys come from the window alone.
    static constexpr std::string_view kFocusOnlyEnglish =
        "Only keys typed into this window are recorded: the keyboards cannot be read.";
    static constexpr std::string_view kFocusOnlyChinese =
        "键盘无法读取：只录制在本窗口中输入的按键。";

    explicit CDlgMacro(const PageContext& context);
    ~CDlgMacro() override;

    // The macro table and the rest, given once the main window has them. The page's rules
    // work from then on; its controls are made when it is first shown.
    void connectServices(const MacroServices& services);

    // Lists the macros of a group (1..21) and shows the selected one.
    void ShowGroup(int group);
    int shownGroup() const;
    // Closes the group menu if it is open.
    void closeGroupMenu();
    bool isRecording() const;
    // Starts or ends a recording, as the record button does.
    void ToggleRecording();
    // Brings the loop count into its range (before an apply reads the macro table).
    void normaliseLoopCounts();

    // Leaving the page closes the group menu and ends a recording.
    void leavePage() override;
    void commitEdits(const ProfileImage&) override { normaliseLoopCounts(); }
    void applyTooltips() override;
    int hintAt(QPoint point) const override;

    // What tests, benchmarks and the snapshots look at.
    bool built() const { return built_; }
    bool picturesRead() const;
    const macropage::MacroPageModel* model() const { return model_.get(); }
    ui::CGDIBitmapBtn* button(Button which) const;
    ui::CListBoxEx* macroList() const { return macroList_; }
    ui::CListBoxEx* eventList() const { return eventList_; }
    QLineEdit* loopEdit() const { return loopEdit_; }
    QLineEdit* keyField() const { return keyField_; }
    QLineEdit* delayField() const { return delayField_; }
    QTimer& loopTimer() { return loopTimer_; }
    // Whether the focus-only notice was given.
    bool focusNoticeGiven() const { return focusNoticeGiven_; }

signals:
    // A note for the main window's hint line.
    void notice(const QString& text);

protected:
    std::span<const MessageEntry> messageTable() const override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Pieces of the pictures, cut on the worker: per control its normal, hover and
    // pressed looks (the normal one empty where the page's background gives it).
    using Looks = std::array<QImage, 3>;
    using PagePieces = std::map<std::string, Looks, std::less<>>;

    intptr_t onListSelection(uintptr_t wParam, intptr_t lParam);
    intptr_t onListEdited(uintptr_t wParam, intptr_t lParam);
    intptr_t onHookInput(uintptr_t wParam, intptr_t lParam);
    intptr_t onPadPress(uintptr_t wParam, intptr_t lParam);
    intptr_t onGroupChosen(uintptr_t wParam, intptr_t lParam);

    void build(PagePieces pieces);
    void makeButton(Button which, const char* name, const PagePieces& pieces);
    QLineEdit* makeField(const char* name);
    void connectButtons();
    // Shows the model's view in the controls, touching only what changed.
    void showView();
    void showMacroRows(const macropage::ViewState& view);
    void showEventRows(const macropage::ViewState& view);
    void showEditing(const macropage::ViewState& view);
    void takeFocus();
    void openGroupMenu();
    void onLoopEdited(const QString& text);
    void onLoopTimer();
    // A key of the page's own window: true when it went to recording or key capture.
    bool windowKey(const QKeyEvent& event);
    bool takesWindowKeys() const;
    void tellFocusOnly();
    bool chineseInterface() const;

    std::future<PagePieces> pieces_;
    std::optional<MacroServices> services_;
    std::unique_ptr<macropage::MacroPageModel> model_;
    bool built_ = false;

    std::array<ui::CGDIBitmapBtn*, kButtonCount> buttons_{};
    ui::CListBoxEx* macroList_ = nullptr;
    ui::CListBoxEx* eventList_ = nullptr;
    QLineEdit* loopEdit_ = nullptr;
    QLineEdit* keyField_ = nullptr;
    QLineEdit* delayField_ = nullptr;
    QTimer loopTimer_;

    // What the controls show now, so a refresh redraws only what changed.
    std::optional<macropage::ViewState> shown_;
    bool focusNoticeGiven_ = false;
};

}  // namespace x5k::pages

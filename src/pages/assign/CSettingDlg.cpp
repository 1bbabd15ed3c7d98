#include "pages/assign/CSettingDlg.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>

#include <array>
#include <utility>

#include "pages/assign/CSetting_AdvanceDlg.h"
#include "pages/assign/CSetting_BaseDlg.h"
#include "pages/assign/CSetting_MacroDlg.h"
#include "pages/assign/CSetting_SingleComboDlg.h"
#include "pages/assign/CSubPage.h"
#include "ui/Accessibility.h"
#include "ui/CGDIBitmapBtn.h"
#include "ui/Skin.h"
#include "ui/WindowKeys.h"

namespace x5k::pages {
namespace {

using assign::kSubPageCount;

// The close button shows no text; screen readers know it by the interface string that
// names closing a window, or by a built-in text where a language file lacks it.
QString CloseName(const InterfaceStrings& strings, bool chinese) {
    const std::string& text = strings.get("str_close");
    if (!text.empty()) return ui::fromUtf8(text);
    return chinese ? QStringLiteral("关闭") : QStringLiteral("Close");
}

}  // namespace

class CSettingDlg::Impl {
public:
    Impl(CSettingDlg& window, int button, std::string currentName,
         const AssignmentServices& services)
        : window_(window),
          services_(services),
          popup_(*layout::findPage(assign::kPopupLayout)),
          model_(button, std::move(currentName),
                 services.hooks ? assign::ForwardingThrough(*services.hooks)
                                : assign::KeyForwarding{}) {}

    void build();
    void showModel();
    QWidget* subPage(int n, bool make);
    bool keyEvent(QKeyEvent& event);
    void finish(assign::DialogOutcome outcome);
    QString text(std::string_view key) const { return ui::fromUtf8(services_.strings.get(key)); }
    QRect rectOf(std::string_view control) const {
        return ControlRect(popup_, control, services_.chinese);
    }

    CSettingDlg& window_;
    AssignmentServices services_;
    const layout::PageLayout& popup_;
    assign::AssignmentDialogModel model_;
    PageSkins skins_;

    ui::CGDIBitmapBtn* close_ = nullptr;
    std::array<ui::CGDIBitmapBtn*, kSubPageCount> tabs_{};
    ui::CGDIBitmapBtn* disable_ = nullptr;
    ui::CGDIBitmapBtn* default_ = nullptr;
    ui::CGDIBitmapBtn* ok_ = nullptr;

    CSetting_SingleComboDlg* keyPage_ = nullptr;
    CSetting_MacroDlg* macroPage_ = nullptr;
    CSetting_BaseDlg* basicPage_ = nullptr;
    CSetting_AdvanceDlg* advancedPage_ = nullptr;

    bool ended_ = false;
    assign::DialogOutcome outcome_;
    QEventLoop* loop_ = nullptr;
};

void CSettingDlg::Impl::build() {
    skins_ = PageSkins::load(popup_);
    window_.setBackground(skins_.normal);

    // The captions and tooltips of the pop-up's controls come from one table.
    const auto caption = [this](ui::CGDIBitmapBtn* button, std::string_view control) {
        for (const assign::CaptionText& entry : assign::CaptionTexts()) {
            if (entry.page != assign::kPopupLayout || entry.control != control) continue;
            const QString words = text(entry.key);
            if (entry.caption) button->SetCaption(words);
            if (entry.tooltip) button->SetTooltip(words, true);
        }
    };
    const QColor normal = ColourOf(assign::kTabTextColours[0]);
    const QColor pressed = ColourOf(assign::kTabTextColours[1]);
    const QColor hover = ColourOf(assign::kTabTextColours[2]);

    close_ = skins_.button(&window_, rectOf("close"));
    close_->setAccessibleName(CloseName(services_.strings, services_.chinese));
    connect(close_, &QAbstractButton::clicked, &window_, [this] { finish(model_.clickClose()); });

    for (int n = 1; n <= kSubPageCount; ++n) {
        const std::string name = "tab" + std::to_string(n);
        ui::CGDIBitmapBtn* tab = skins_.button(&window_, rectOf(name));
        tab->SetCheckMode(true, false);
        tab->SetCaptionColours(normal, hover, pressed);
        caption(tab, name);
        ui::setAccessibleRole(tab, QAccessible::PageTab);
        connect(tab, &QAbstractButton::clicked, &window_, [this, n] {
            model_.clickTab(n);
            showModel();
        });
        tabs_[static_cast<size_t>(n - 1)] = tab;
    }

    disable_ = skins_.button(&window_, rectOf("disable"));
    disable_->SetCheckMode(true, true);
    caption(disable_, "disable");
    connect(disable_, &QAbstractButton::clicked, &window_, [this] {
        model_.clickDisable();
        showModel();
    });

    default_ = skins_.button(&window_, rectOf("default"));
    default_->SetCaptionColours(normal, hover, pressed);
    caption(default_, "default");
    connect(default_, &QAbstractButton::clicked, &window_,
            [this] { finish(model_.clickDefault()); });

    ok_ = skins_.button(&window_, rectOf("ok"));
    ok_->SetCaptionColours(normal, hover, pressed);
    caption(ok_, "ok");
    connect(ok_, &QAbstractButton::clicked, &window_, [this] { finish(model_.clickOk()); });

    showModel();
}

QWidget* CSettingDlg::Impl::subPage(int n, bool make) {
    // With the disable box on no sub-page shows (n is 0).
    if (n < 1 || n > kSubPageCount) return nullptr;
    const bool chinese = services_.chinese;
    const QString tabName = text(assign::CaptionTexts()[static_cast<size_t>(n - 1)].key);
    QWidget* page = nullptr;
    switch (n) {
        case assign::kKeyPage:
            if (keyPage_ == nullptr && make) {
                // The hooks' key messages reach the page only where the hooks read the
                // keyboard; otherwise the pop-up's own keys do.
                keyPage_ = new CSetting_SingleComboDlg(
                    &window_, chinese, model_.keyPage(), services_.keyboard,
                    services_.hooksReadKeyboard ? services_.poster : nullptr);
            }
            page = keyPage_;
            break;
        case assign::kMacroPage:
            if (macroPage_ == nullptr && make) {
                macroPage_ = new CSetting_MacroDlg(&window_, chinese, model_.macroPage(),
                                                   services_.macros, tabName);
            }
            page = macroPage_;
            break;
        case assign::kBasicPage:
            if (basicPage_ == nullptr && make) {
                basicPage_ = new CSetting_BaseDlg(&window_, chinese, model_.basicPage(),
                                                  services_.strings, tabName);
            }
            page = basicPage_;
            break;
        case assign::kAdvancedPage:
            if (advancedPage_ == nullptr && make) {
                advancedPage_ = new CSetting_AdvanceDlg(&window_, chinese, model_.advancedPage(),
                                                        services_.strings, services_.folders);
            }
            page = advancedPage_;
            break;
        default:
            return nullptr;
    }
    if (page != nullptr && page->accessibleName().isEmpty()) {
        page->move(rectOf("subpage").topLeft());
        page->setAccessibleName(tabName);
        ui::setAccessibleRole(page, QAccessible::Pane);
    }
    return page;
}

void CSettingDlg::Impl::showModel() {
    const int shown = model_.shownSubPage();
    for (int n = 1; n <= kSubPageCount; ++n) {
        tabs_[static_cast<size_t>(n - 1)]->SetChecked(model_.selectedTab() == n);
    }
    disable_->SetChecked(model_.disabled());
    // The page going out of sight first, so the key page withdraws before another shows.
    for (int n = 1; n <= kSubPageCount; ++n) {
        if (n == shown) continue;
        if (QWidget* page = subPage(n, false)) page->hide();
    }
    if (QWidget* page = subPage(shown, true)) page->show();
    // The key page takes the keys the pop-up receives.
    if (shown == assign::kKeyPage) window_.setFocus(Qt::OtherFocusReason);
}

bool CSettingDlg::Impl::keyEvent(QKeyEvent& event) {
    if (ended_ || model_.shownSubPage() != assign::kKeyPage || keyPage_ == nullptr) return false;
    // Where the hooks read the keyboard they report this key too: it counts once.
    if (services_.hooksReadKeyboard || services_.keyEvents == nullptr) return true;
    if (const auto key = ui::HookKeyOfWindowKey(event, *services_.keyEvents)) {
        keyPage_->keyEffect(model_.keyPage().OnHookInput(key->virtualKey, key->flags));
    }
    return true;
}

void CSettingDlg::Impl::finish(assign::DialogOutcome outcome) {
    ended_ = true;
    outcome_ = std::move(outcome);
    window_.hide();
    if (loop_ != nullptr) loop_->quit();
}

CSettingDlg::CSettingDlg(QWidget* parent, int button, std::string currentName,
                         const AssignmentServices& services)
    : MessageWindow(parent),
      impl_(std::make_unique<Impl>(*this, button, std::move(currentName), services)) {
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setWindowModality(Qt::ApplicationModal);
    setFocusPolicy(Qt::ClickFocus);
    setFixedSize(impl_->popup_.width, impl_->popup_.height);
    const QString title = impl_->text("str_panel");
    setWindowTitle(title);
    setAccessibleName(title);
    ui::setAccessibleRole(this, QAccessible::Dialog);
    impl_->build();
}

CSettingDlg::~CSettingDlg() {
    // A pop-up torn down without a way out (its owner went first) still gives the
    // keyboard back.
    if (impl_->model_.forwarding()) impl_->model_.clickClose();
    if (impl_->loop_ != nullptr) impl_->loop_->quit();
}

assign::DialogOutcome CSettingDlg::run() {
    if (impl_->ended_) return impl_->outcome_;
    const QRect around = parentWidget() != nullptr ? parentWidget()->window()->frameGeometry()
                         : screen() != nullptr     ? screen()->availableGeometry()
                                                   : QRect();
    if (around.isValid()) move(around.center() - rect().center());
    show();
    raise();
    activateWindow();
    if (impl_->model_.shownSubPage() == assign::kKeyPage) setFocus(Qt::ActiveWindowFocusReason);

    QPointer<CSettingDlg> alive(this);
    QEventLoop loop;
    impl_->loop_ = &loop;
    loop.exec(QEventLoop::DialogExec);
    if (alive.isNull()) return std::nullopt;
    impl_->loop_ = nullptr;
    return impl_->outcome_;
}

assign::AssignmentDialogModel& CSettingDlg::model() {
    return impl_->model_;
}

ui::CGDIBitmapBtn* CSettingDlg::closeButton() const {
    return impl_->close_;
}

ui::CGDIBitmapBtn* CSettingDlg::tab(int n) const {
    if (n < 1 || n > kSubPageCount) return nullptr;
    return impl_->tabs_[static_cast<size_t>(n - 1)];
}

ui::CGDIBitmapBtn* CSettingDlg::disableBox() const {
    return impl_->disable_;
}

ui::CGDIBitmapBtn* CSettingDlg::defaultButton() const {
    return impl_->default_;
}

ui::CGDIBitmapBtn* CSettingDlg::okButton() const {
    return impl_->ok_;
}

CSetting_SingleComboDlg* CSettingDlg::keyPage() {
    impl_->subPage(assign::kKeyPage, true);
    return impl_->keyPage_;
}

CSetting_MacroDlg* CSettingDlg::macroPage() {
    impl_->subPage(assign::kMacroPage, true);
    return impl_->macroPage_;
}

CSetting_BaseDlg* CSettingDlg::basicPage() {
    impl_->subPage(assign::kBasicPage, true);
    return impl_->basicPage_;
}

CSetting_AdvanceDlg* CSettingDlg::advancedPage() {
    impl_->subPage(assign::kAdvancedPage, true);
    return impl_->advancedPage_;
}

bool CSettingDlg::ended() const {
    return impl_->ended_;
}

const assign::DialogOutcome& CSettingDlg::outcome() const {
    return impl_->outcome_;
}

bool CSettingDlg::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::ShortcutOverride:
            // On the key page every key is a key to capture, never a shortcut.
            if (!impl_->ended_ && impl_->model_.shownSubPage() == assign::kKeyPage) {
                event->accept();
                return true;
            }
            break;
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            // Before the window's own handling, which would take Tab for focus changes
            // and swallow Enter, Escape and Space.
            if (impl_->keyEvent(*static_cast<QKeyEvent*>(event))) {
                event->accept();
                return true;
            }
            break;
        default:
            break;
    }
    return MessageWindow::event(event);
}

void CSettingDlg::paintEvent(QPaintEvent* event) {
    MessageWindow::paintEvent(event);
    QPainter painter(this);
    const QString current = ui::fromUtf8(impl_->model_.currentName());
    for (const assign::PaintedText& text : assign::PaintedTexts()) {
        if (text.page != assign::kPopupLayout) continue;
        QString words = impl_->text(text.key);
        if (text.followedByCurrentName) words += current;
        DrawPaintedText(painter, impl_->rectOf(text.control), words, text.align, text.colour);
    }
}

void CSettingDlg::closeEvent(QCloseEvent* event) {
    // Closed by the desktop (the window manager's close): as the close button.
    if (!impl_->ended_) impl_->finish(impl_->model_.clickClose());
    event->accept();
}

}  // namespace x5k::pages

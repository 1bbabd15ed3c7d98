#include "ui/Accessibility.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPointer>
#include <QRegion>
#include <QVariant>
#include <QWidget>

#include <vector>

#include "ui/CColorBtn.h"
#include "ui/CGDIBitmapBtn.h"
#include "ui/CIrrButton.h"
#include "ui/CMenuEx.h"
#include "ui/CPngHProgressBar.h"
#include "ui/CPngHSliderBar.h"
#include "ui/CSkinScrollBar.h"
#include "ui/HoverButton.h"
#include "ui/MenuExComponent.h"

namespace x5k::ui {
namespace {

// The dynamic property that carries a role given by the control's user.
constexpr char kRoleProperty[] = "x5kAccessibleRole";

QAccessible::Role givenRole(const QObject* object, QAccessible::Role fallback) {
    const QVariant role = object->property(kRoleProperty);
    return role.isValid() ? static_cast<QAccessible::Role>(role.toInt()) : fallback;
}

// A point the control answers to: its centre, or for a shaped control the centre of the
// largest piece of its shape, which a slanted tab's centre may miss.
QPoint insidePoint(const QWidget* widget) {
    const QRegion shape = widget->mask();
    if (shape.isEmpty()) return widget->rect().center();
    QRect largest;
    for (const QRect& piece : shape) {
        if (piece.width() * piece.height() > largest.width() * largest.height()) largest = piece;
    }
    return largest.center();
}

// What a click of the left button at the point does, through the control's own mouse
// handling: a picture button toggles before its click, reports its press to the macro
// page and sends its command exactly as under the pointer.
void clickAt(QWidget* widget, QPoint local) {
    const QPointer<QWidget> alive(widget);
    const QPointF at(local);
    const QPointF global(widget->mapToGlobal(local));
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    if (!alive) return;
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
    if (!alive) return;
    // The pointer was never there: the hover look the release leaves behind ends again.
    if (!widget->rect().contains(widget->mapFromGlobal(QCursor::pos()))) {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(widget, &leave);
    }
}

// The name of a kit control: one given explicitly, else its caption, else its tooltip.
QString nameOf(const QWidget* widget) {
    if (!widget->accessibleName().isEmpty()) return widget->accessibleName();
    if (const auto* button = qobject_cast<const CGDIBitmapBtn*>(widget)) {
        if (!button->Caption().isEmpty()) return button->Caption();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        if (!button->text().isEmpty()) return button->text();
    }
    if (const auto* button = qobject_cast<const HoverButton*>(widget)) {
        if (!button->TooltipText().isEmpty()) return button->TooltipText();
    }
    if (!widget->toolTip().isEmpty()) return widget->toolTip();
    // A swatch without a tooltip is known by its colour.
    if (const auto* swatch = qobject_cast<const CColorBtn*>(widget)) {
        return CColorBtn::fromColorref(swatch->Colour()).name();
    }
    return {};
}

QString tooltipOf(const QWidget* widget) {
    if (const auto* button = qobject_cast<const HoverButton*>(widget)) {
        if (!button->TooltipText().isEmpty()) return button->TooltipText();
    }
    return widget->toolTip();
}

// Shared by every interface here: the name above, the tooltip as description when it says
// more than the name. Other texts are the widget's usual ones.
QString kitText(const QWidget* widget, QAccessible::Text t, const QString& usual) {
    switch (t) {
        case QAccessible::Name:
            return nameOf(widget);
        case QAccessible::Description: {
            if (!widget->accessibleDescription().isEmpty()) return widget->accessibleDescription();
            const QString tooltip = tooltipOf(widget);
            return tooltip == nameOf(widget) ? QString() : tooltip;
        }
        default:
            return usual;
    }
}

// The picture buttons, the region buttons and the colour swatches.
class AccessibleButton : public QAccessibleWidget {
public:
    explicit AccessibleButton(QWidget* button) : QAccessibleWidget(button) {}

    QString text(QAccessible::Text t) const override {
        return kitText(widget(), t, QAccessibleWidget::text(t));
    }

    QAccessible::Role role() const override {
        QAccessible::Role kind = QAccessible::PushButton;
        if (const auto* button = qobject_cast<const CGDIBitmapBtn*>(widget())) {
            // A button that flips itself on a press is a check box; one whose checked state
            // the page sets (one of a group) is a radio button.
            if (button->checkMode()) {
                kind = button->togglesOnClick() ? QAccessible::CheckBox : QAccessible::RadioButton;
            }
        } else if (const auto* region = qobject_cast<const CIrrButton*>(widget())) {
            if (region->checkMode()) kind = QAccessible::RadioButton;
        }
        return givenRole(widget(), kind);
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        bool checked = false;
        bool hovering = false;
        if (const auto* button = qobject_cast<const CGDIBitmapBtn*>(widget())) {
            checked = button->IsChecked();
            hovering = button->IsHovering();
        } else if (const auto* region = qobject_cast<const CIrrButton*>(widget())) {
            checked = region->IsChecked();
            hovering = region->IsHovering();
        } else if (const auto* swatch = qobject_cast<const CColorBtn*>(widget())) {
            hovering = swatch->IsHovering();
            state.selectable = true;
            state.selected = swatch->IsSelected();
        }
        const QAccessible::Role kind = role();
        if (kind == QAccessible::CheckBox || kind == QAccessible::RadioButton ||
            kind == QAccessible::PageTab) {
            state.checkable = true;
            state.checked = checked;
        }
        if (kind == QAccessible::PageTab) {
            state.selectable = true;
            state.selected = checked;
        }
        if (const auto* button = qobject_cast<const QAbstractButton*>(widget())) {
            state.pressed = button->isDown();
        }
        state.hotTracked = hovering;
        return state;
    }

    // A control out of sight or disabled offers nothing, as the pointer cannot use it.
    QStringList actionNames() const override {
        if (!widget()->isEnabled() || !widget()->isVisible()) return {};
        return {role() == QAccessible::CheckBox ? toggleAction() : pressAction()};
    }

    void doAction(const QString& name) override {
        if (!actionNames().contains(name)) return;
        clickAt(widget(), insidePoint(widget()));
    }

    QStringList keyBindingsForAction(const QString&) const override { return {}; }
};

// The slider and the scroll bar (values the user sets) and the progress bar (a value
// shown).
class AccessibleValue : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    AccessibleValue(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) {
            return static_cast<QAccessibleValueInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return QString::number(currentValue().toInt());
        return kitText(widget(), t, QAccessibleWidget::text(t));
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = qobject_cast<const CPngHProgressBar*>(widget()) != nullptr;
        return state;
    }

    // The thumb and the arrows are parts of the control, not controls of their own.
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QVariant currentValue() const override { return range().value; }
    QVariant maximumValue() const override { return range().maximum; }
    QVariant minimumValue() const override { return range().minimum; }
    QVariant minimumStepSize() const override { return 1; }

    void setCurrentValue(const QVariant& value) override {
        if (!widget()->isEnabled()) return;
        if (auto* slider = qobject_cast<CPngHSliderBar*>(widget())) {
            slider->setPosFromUser(value.toInt());
        } else if (auto* bar = qobject_cast<CSkinScrollBar*>(widget())) {
            bar->scrollToFromUser(value.toInt());
        }
    }

private:
    struct Range {
        int value, minimum, maximum;
    };
    Range range() const {
        if (const auto* slider = qobject_cast<const CPngHSliderBar*>(widget())) {
            return {slider->GetPos(), slider->minimum(), slider->maximum()};
        }
        if (const auto* bar = qobject_cast<const CSkinScrollBar*>(widget())) {
            const controls::ScrollInfo info = bar->GetScrollInfo();
            return {info.pos, info.min, info.maxPosition()};
        }
        const auto* progress = qobject_cast<const CPngHProgressBar*>(widget());
        return {progress->GetPos(), progress->minimum(), progress->maximum()};
    }
};

// What the two custom pop-up menus have in common for their entries.
class MenuEntries {
public:
    virtual ~MenuEntries() = default;
    virtual int count() const = 0;
    virtual QString text(int index) const = 0;
    virtual bool separator(int index) const = 0;
    virtual bool submenu(int index) const = 0;
    virtual QRect rect(int index) const = 0;
    virtual int highlighted() const = 0;
};

class PopupEntries : public MenuEntries {
public:
    explicit PopupEntries(CMenuEx* menu) : menu_(menu) {}
    int count() const override { return static_cast<int>(menu_->entries().size()); }
    QString text(int i) const override { return entry(i).text; }
    bool separator(int i) const override { return entry(i).separator; }
    bool submenu(int) const override { return false; }
    QRect rect(int i) const override { return entry(i).rect; }
    int highlighted() const override { return menu_->highlighted(); }

private:
    const MenuEntry& entry(int i) const { return menu_->entries()[static_cast<size_t>(i)]; }
    CMenuEx* menu_;
};

class GroupMenuEntries : public MenuEntries {
public:
    explicit GroupMenuEntries(MenuExWindow* menu) : menu_(menu) {}
    int count() const override { return static_cast<int>(menu_->entries().size()); }
    QString text(int i) const override { return entry(i).text; }
    bool separator(int) const override { return false; }
    bool submenu(int i) const override { return entry(i).hasSubmenu; }
    QRect rect(int i) const override { return menu_->entryRect(i); }
    int highlighted() const override { return menu_->highlighted(); }

private:
    const MenuExWindow::Entry& entry(int i) const {
        return menu_->entries()[static_cast<size_t>(i)];
    }
    MenuExWindow* menu_;
};

class AccessibleMenu;

// One entry of a custom pop-up: a menu item (or separator) whose action chooses it.
class AccessibleMenuItem : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    AccessibleMenuItem(QWidget* menu, const MenuEntries& entries, int index)
        : menu_(menu), entries_(entries), index_(index) {}

    bool isValid() const override { return menu_ && index_ < entries_.count(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return menu_ ? menu_->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return menu_ ? QAccessible::queryAccessibleInterface(menu_) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name && isValid() ? entries_.text(index_) : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid()) return {};
        const QRect local = entries_.rect(index_);
        return QRect(menu_->mapToGlobal(local.topLeft()), local.size());
    }
    QAccessible::Role role() const override {
        return isValid() && entries_.separator(index_) ? QAccessible::Separator
                                                       : QAccessible::MenuItem;
    }
    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        state.invisible = !menu_->isVisible();
        if (entries_.separator(index_)) return state;
        state.selectable = true;
        state.focusable = true;
        const bool lit = entries_.highlighted() == index_;
        state.selected = lit;
        state.focused = lit;
        state.hotTracked = lit;
        state.hasPopup = entries_.submenu(index_);
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }
    QStringList actionNames() const override {
        if (!isValid() || entries_.separator(index_)) return {};
        return {pressAction()};
    }
    void doAction(const QString& name) override {
        if (!actionNames().contains(name)) return;
        clickAt(menu_, entries_.rect(index_).center());
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    int index() const { return index_; }

private:
    QPointer<QWidget> menu_;
    const MenuEntries& entries_;
    int index_;
};

// A custom pop-up: a menu whose entries are its children. The entries' interfaces are
// made on first use and kept, so a tool sees the same item each time it asks.
class AccessibleMenu : public QAccessibleWidget {
public:
    AccessibleMenu(QWidget* menu, std::unique_ptr<MenuEntries> entries)
        : QAccessibleWidget(menu, QAccessible::PopupMenu), entries_(std::move(entries)) {}
    ~AccessibleMenu() override { forgetItems(); }

    QString text(QAccessible::Text t) const override {
        return kitText(widget(), t, QAccessibleWidget::text(t));
    }
    int childCount() const override { return entries_->count(); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= entries_->count()) return nullptr;
        // Entries are added before the pop-up opens; a changed list starts afresh.
        if (items_.size() != static_cast<size_t>(entries_->count())) {
            const_cast<AccessibleMenu*>(this)->forgetItems();
            for (int i = 0; i < entries_->count(); ++i) {
                items_.push_back(QAccessible::registerAccessibleInterface(
                    new AccessibleMenuItem(widget(), *entries_, i)));
            }
        }
        return QAccessible::accessibleInterface(items_[static_cast<size_t>(index)]);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (size_t i = 0; i < items_.size(); ++i) {
            if (QAccessible::accessibleInterface(items_[i]) == child) return static_cast<int>(i);
        }
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint at = widget()->mapFromGlobal(QPoint(x, y));
        for (int i = 0; i < entries_->count(); ++i) {
            if (entries_->rect(i).contains(at)) return child(i);
        }
        return nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        const int lit = entries_->highlighted();
        return lit >= 0 ? child(lit) : nullptr;
    }

private:
    void forgetItems() {
        for (QAccessible::Id id : items_) QAccessible::deleteAccessibleInterface(id);
        items_.clear();
    }

    std::unique_ptr<MenuEntries> entries_;
    mutable std::vector<QAccessible::Id> items_;
};

// A widget outside the kit with a role given by its user, such as a page.
class AccessibleWithRole : public QAccessibleWidget {
public:
    explicit AccessibleWithRole(QWidget* widget) : QAccessibleWidget(widget) {}
    QString text(QAccessible::Text t) const override {
        return kitText(widget(), t, QAccessibleWidget::text(t));
    }
    QAccessible::Role role() const override { return givenRole(widget(), QAccessible::Client); }
};

QAccessibleInterface* kitInterface(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget == nullptr) return nullptr;
    if (qobject_cast<CGDIBitmapBtn*>(widget) || qobject_cast<CIrrButton*>(widget) ||
        qobject_cast<CColorBtn*>(widget)) {
        return new AccessibleButton(widget);
    }
    if (qobject_cast<CPngHSliderBar*>(widget))
        return new AccessibleValue(widget, QAccessible::Slider);
    if (qobject_cast<CPngHProgressBar*>(widget)) {
        return new AccessibleValue(widget, QAccessible::ProgressBar);
    }
    if (qobject_cast<CSkinScrollBar*>(widget)) {
        return new AccessibleValue(widget, QAccessible::ScrollBar);
    }
    if (auto* menu = qobject_cast<CMenuEx*>(widget)) {
        return new AccessibleMenu(widget, std::make_unique<PopupEntries>(menu));
    }
    if (auto* menu = qobject_cast<MenuExWindow*>(widget)) {
        return new AccessibleMenu(widget, std::make_unique<GroupMenuEntries>(menu));
    }
    if (widget->property(kRoleProperty).isValid()) return new AccessibleWithRole(widget);
    return nullptr;
}

// Keeps a widget's accessible name equal to its tooltip until someone names it otherwise.
class TooltipName : public QObject {
public:
    explicit TooltipName(QObject* parent) : QObject(parent) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ToolTipChange) {
            auto* widget = static_cast<QWidget*>(watched);
            if (widget->accessibleName().isEmpty() || widget->accessibleName() == mirrored_) {
                mirrored_ = widget->toolTip();
                widget->setAccessibleName(mirrored_);
            }
        }
        return false;
    }

private:
    QString mirrored_;
};

}  // namespace

void installAccessibility() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    QAccessible::installFactory(kitInterface);
}

void setAccessibleRole(QWidget* widget, QAccessible::Role role) {
    widget->setProperty(kRoleProperty, static_cast<int>(role));
}

void nameFromTooltip(QWidget* widget) {
    widget->installEventFilter(new TooltipName(widget));
}

void tellCheckedChanged(QObject* control) {
    QAccessible::State changed;
    changed.checked = true;
    changed.selected = true;
    QAccessibleStateChangeEvent event(control, changed);
    QAccessible::updateAccessibility(&event);
}

void tellNameChanged(QObject* control) {
    QAccessibleEvent event(control, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

void tellValueChanged(QObject* control, int value) {
    QAccessibleValueChangeEvent event(control, value);
    QAccessible::updateAccessibility(&event);
}

}  // namespace x5k::ui

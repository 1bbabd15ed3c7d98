#include "ui/HoverButton.h"

#include <QMouseEvent>
#include <QPointer>
#include <QToolTip>

#include "ui/Accessibility.h"
#include "ui/ButtonSupport.h"

namespace x5k::ui {

HoverButton::HoverButton(QWidget* parent, const QRect& rect) : QAbstractButton(parent) {
    setGeometry(rect);
    // The pages are driven by the mouse only: a button never takes the keyboard focus, so
    // Space or Enter never click one behind the user's back.
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    setVisible(true);
}

void HoverButton::SetTooltip(const QString& text, bool active) {
    const bool renamed = tooltipText_ != text;
    tooltipText_ = text;
    if (renamed) tellNameChanged(this);
    tooltipActive_ = active;
    if (!active && QToolTip::isVisible()) QToolTip::hideText();
}

bool HoverButton::event(QEvent* event) {
    if (buttons::handleTooltip(this, event, tooltipText_, tooltipActive_)) return true;
    // The window this button sits on stopped being the active one: the pointer is now
    // another window's, and the hover look must not stay behind.
    if (event->type() == QEvent::WindowDeactivate) endHover();
    return QAbstractButton::event(event);
}

void HoverButton::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double-click has already arrived as a press; handling the
    // double-click as one more would toggle twice and report two presses for one release.
    event->accept();
}

void HoverButton::mouseReleaseEvent(QMouseEvent* event) {
    // Whoever handles the click may close the window and destroy this button with it.
    const QPointer<HoverButton> alive(this);
    QAbstractButton::mouseReleaseEvent(event);
    if (!alive) return;
    // The press may have ended over another window; the hover look follows the pointer.
    followPointer(event);
}

void HoverButton::mouseMoveEvent(QMouseEvent* event) {
    followPointer(event);
    QAbstractButton::mouseMoveEvent(event);
    // The window this button sits on hears of the move through its own control hook; it
    // must not take it for a move over its background as well.
    event->accept();
}

void HoverButton::leaveEvent(QEvent* event) {
    endHover();
    QAbstractButton::leaveEvent(event);
}

void HoverButton::hideEvent(QHideEvent* event) {
    endHover();
    QAbstractButton::hideEvent(event);
}

void HoverButton::changeEvent(QEvent* event) {
    // A button being disabled loses the pointer grab: the hover look must not stay behind.
    if (event->type() == QEvent::EnabledChange && !isEnabled()) endHover();
    QAbstractButton::changeEvent(event);
}

void HoverButton::endHover() {
    if (hover_.ended()) update();
}

void HoverButton::followPointer(const QMouseEvent* event) {
    if (hover_.moved(buttons::leftButtonHeld(event), rect().contains(event->position().toPoint()),
                     buttons::programWindowActive())) {
        update();
    }
}

}  // namespace x5k::ui

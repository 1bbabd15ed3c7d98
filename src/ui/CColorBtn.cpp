#include "ui/CColorBtn.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include "ui/ButtonSupport.h"

namespace x5k::ui {

CColorBtn::CColorBtn(QWidget* parent, const QRect& rect) : QAbstractButton(parent) {
    setGeometry(rect);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    setVisible(true);
}

QColor CColorBtn::fromColorref(uint32_t colorref) {
    return QColor(static_cast<int>(colorref & 0xFF), static_cast<int>((colorref >> 8) & 0xFF),
                  static_cast<int>((colorref >> 16) & 0xFF));
}

void CColorBtn::SetColour(uint32_t colorref) {
    colour_ = colorref;
    update();
}

void CColorBtn::SetSelected(bool selected) {
    if (selected_ == selected) return;
    selected_ = selected;
    update();
}

void CColorBtn::SetBorder(bool border) {
    if (border_ == border) return;
    border_ = border;
    update();
}

void CColorBtn::SetTooltip(const QString& text, bool active) {
    tooltipText_ = text;
    tooltipActive_ = active;
    if (!active && QToolTip::isVisible()) QToolTip::hideText();
}

void CColorBtn::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), fromColorref(colour_));
    const auto frame = controls::swatchFrame(selected_, isDown(), hover_.hovering(), border_);
    if (!frame) return;
    const QColor frameColour = QColor::fromRgba(*frame);
    const QRect r = rect();
    // Four one-pixel strips rather than an outlined rectangle, so no pen geometry or
    // antialiasing can move the frame off the outermost pixels.
    painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), frameColour);
    painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), frameColour);
    painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), frameColour);
    painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), frameColour);
}

bool CColorBtn::event(QEvent* event) {
    if (buttons::handleTooltip(this, event, tooltipText_, tooltipActive_)) return true;
    // The window this button sits on stopped being the active one: the pointer is now
    // another window's, and the hover look must not stay behind.
    if (event->type() == QEvent::WindowDeactivate) endHover();
    return QAbstractButton::event(event);
}

void CColorBtn::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double-click has already arrived as a press.
    event->accept();
}

void CColorBtn::mouseReleaseEvent(QMouseEvent* event) {
    // Whoever handles the click may destroy this swatch.
    const QPointer<CColorBtn> alive(this);
    QAbstractButton::mouseReleaseEvent(event);
    if (!alive) return;
    if (hover_.moved(buttons::leftButtonHeld(event), rect().contains(event->position().toPoint()),
                     buttons::programWindowActive())) {
        update();
    }
}

void CColorBtn::mouseMoveEvent(QMouseEvent* event) {
    if (hover_.moved(buttons::leftButtonHeld(event), rect().contains(event->position().toPoint()),
                     buttons::programWindowActive())) {
        update();
    }
    QAbstractButton::mouseMoveEvent(event);
    // The page hears of the move through its own control hook (with the position in its
    // own coordinates); it must not take it for a move over its background as well.
    event->accept();
}

void CColorBtn::leaveEvent(QEvent* event) {
    endHover();
    QAbstractButton::leaveEvent(event);
}

void CColorBtn::hideEvent(QHideEvent* event) {
    endHover();
    QAbstractButton::hideEvent(event);
}

void CColorBtn::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled()) endHover();
    QAbstractButton::changeEvent(event);
}

void CColorBtn::endHover() {
    if (hover_.ended()) update();
}

}  // namespace x5k::ui

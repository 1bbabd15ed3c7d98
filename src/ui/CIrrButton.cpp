#include "ui/CIrrButton.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include "platform/WindowMessages.h"
#include "ui/Accessibility.h"
#include "ui/ButtonSupport.h"
#include "ui/Skin.h"

namespace x5k::ui {

namespace {

constexpr int kCaptionPixelHeight = 14;
constexpr int kCaptionWeight = 300;

}  // namespace

CIrrButton::CIrrButton(QWidget* parent, const QString& caption, const QPolygon& outline)
    : QAbstractButton(parent) {
    // A polygon region leaves out its right and bottom edges, so its bounding box has the
    // exclusive right and bottom of the layout tables.
    const QRegion region(outline);
    box_ = region.boundingRect();
    shape_ = region.translated(-box_.topLeft());
    setText(caption);
    setGeometry(box_);
    setMask(shape_);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    setVisible(true);
}

void CIrrButton::SetImages(int normalId, int pressedId, int hoverId, int disabledId) {
    SetImages(loadResource(normalId), loadResource(pressedId), loadResource(hoverId),
              loadResource(disabledId));
}

void CIrrButton::SetImages(const QPixmap& normal, const QPixmap& pressed, const QPixmap& hover,
                           const QPixmap& disabled) {
    pieces_ = false;
    pictures_.normal = normal;
    pictures_.pressed = pressed;
    pictures_.hover = hover;
    pictures_.disabled = disabled;
    update();
}

bool CIrrButton::event(QEvent* event) {
    // Another window taking over (a modal dialog opened by this very press, for one)
    // sends no leave; the hover look ends with the window's activation, as the picture
    // buttons' does, and the next move over the button brings it back.
    if (event->type() == QEvent::WindowDeactivate) setHovering(false);
    return QAbstractButton::event(event);
}

void CIrrButton::SetImagePieces(const QPixmap& normal, const QPixmap& pressed, const QPixmap& hover,
                                const QPixmap& disabled) {
    SetImages(normal, pressed, hover, disabled);
    pieces_ = true;
}

void CIrrButton::SetHoverImage(const QPixmap& hover) {
    pictures_.hover = hover;
    if (hovering_) update();
}

void CIrrButton::SetCheckMode(bool on) {
    checkMode_ = on;
    update();
}

void CIrrButton::SetChecked(bool checked) {
    const bool changed = checked_ != checked;
    checked_ = checked;
    hovering_ = false;
    update();
    if (changed) tellCheckedChanged(this);
}

bool CIrrButton::HitTest(const QPoint& parentPoint) const {
    return box_.contains(parentPoint) && shape_.contains(parentPoint - box_.topLeft());
}

QPoint CIrrButton::CaptionOrigin() const {
    // The anchor is the centre of the bounding box, reckoned with the box's own edges as
    // the layout tables give them and then taken into the button's coordinates.
    const int anchorX = (box_.left() + box_.left() + box_.width()) / 2 - box_.left();
    const int anchorY = (box_.top() + box_.top() + box_.height()) / 2 - box_.top();
    const QFontMetrics metrics(dialogFont(kCaptionPixelHeight, kCaptionWeight));
    const auto origin =
        controls::shapedCaptionOrigin(anchorX, anchorY, metrics.horizontalAdvance(text()));
    return {origin.x, origin.y};
}

void CIrrButton::paintEvent(QPaintEvent*) {
    const controls::ButtonLook look = controls::shapedButtonLook({.checkMode = checkMode_,
                                                                  .checked = checked_,
                                                                  .pushed = isDown(),
                                                                  .hovering = hovering_,
                                                                  .enabled = isEnabled()});
    const QPixmap& picture = pictures_.of(look.picture);
    // A disabled region button keeps the normal caption colour.
    const QColor colour = colours_.of(look.caption, colours_.normal);

    QPainter painter(this);
    painter.setClipRegion(shape_);
    if (!picture.isNull()) {
        painter.drawPixmap(QPoint(0, 0), picture,
                           pieces_ ? QRect(QPoint(0, 0), box_.size()) : box_);
    }
    if (text().isEmpty()) return;
    painter.setFont(dialogFont(kCaptionPixelHeight, kCaptionWeight));
    painter.setPen(colour);
    // The origin is the caption's top-left corner, so the text sits below and right of it.
    const QPoint origin = CaptionOrigin();
    painter.drawText(QRect(origin, QSize(width() * 2, kCaptionPixelHeight * 2)),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text());
}

bool CIrrButton::hitButton(const QPoint& pos) const {
    return shape_.contains(pos);
}

void CIrrButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && hitButton(event->position().toPoint())) {
        // The command goes out at once: a release elsewhere does not take it back.
        buttons::postToParent(this, msg::kCommand, 0, reinterpret_cast<intptr_t>(this));
        // Whoever handles the command may destroy this button.
        const QPointer<CIrrButton> alive(this);
        emit commandPressed();
        if (!alive) return;
    }
    QAbstractButton::mousePressEvent(event);
}

void CIrrButton::mouseReleaseEvent(QMouseEvent* event) {
    const QPointer<CIrrButton> alive(this);
    QAbstractButton::mouseReleaseEvent(event);
    if (!alive) return;
    followPointer(event->position().toPoint());
}

void CIrrButton::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double-click has already arrived as a press and sent its
    // command; one command per press.
    event->accept();
}

void CIrrButton::mouseMoveEvent(QMouseEvent* event) {
    followPointer(event->position().toPoint());
    QAbstractButton::mouseMoveEvent(event);
    event->accept();
}

void CIrrButton::leaveEvent(QEvent* event) {
    setHovering(false);
    QAbstractButton::leaveEvent(event);
}

void CIrrButton::hideEvent(QHideEvent* event) {
    setHovering(false);
    QAbstractButton::hideEvent(event);
}

void CIrrButton::followPointer(const QPoint& pos) {
    setHovering(hitButton(pos));
}

void CIrrButton::setHovering(bool hovering) {
    if (hovering_ == hovering) return;
    hovering_ = hovering;
    // Repainted at once rather than at the next idle moment, so the look keeps up with a
    // fast pointer.
    repaint();
}

}  // namespace x5k::ui

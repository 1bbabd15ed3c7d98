#include "ui/CGDIBitmapBtn.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include "platform/WindowMessages.h"
#include "ui/Accessibility.h"
#include "ui/ButtonSupport.h"
#include "ui/Skin.h"

namespace x5k::ui {

namespace {

// The caption leaves room for the picture's own edge decoration: 8 pixels on the left,
// 5 on the right.
constexpr int kCaptionInsetLeft = 8;
constexpr int kCaptionInsetRight = 5;
constexpr int kCaptionPixelHeight = 14;
constexpr int kCaptionWeight = 300;

}  // namespace

CGDIBitmapBtn::CGDIBitmapBtn(QWidget* parent, const QRect& rect) : HoverButton(parent, rect) {}

void CGDIBitmapBtn::SetImages(const QRect& rect, const QPixmap& normal, const QPixmap& hover,
                              const QPixmap& pressed, const QPixmap& disabled) {
    const auto cut = [&rect](QPixmap& target, const QPixmap& source) {
        if (!source.isNull()) target = piece(source, rect);
    };
    cut(pictures_.normal, normal);
    cut(pictures_.hover, hover);
    cut(pictures_.pressed, pressed);
    cut(pictures_.disabled, disabled);
    update();
}

void CGDIBitmapBtn::ReplaceImages(const QPixmap& normal, const QPixmap& hover,
                                  const QPixmap& pressed, const QPixmap& disabled) {
    pictures_.normal = normal;
    pictures_.hover = hover;
    pictures_.pressed = pressed;
    pictures_.disabled = disabled;
    update();
}

void CGDIBitmapBtn::SetCheckMode(bool checkMode, bool toggleOnClick) {
    checkMode_ = checkMode;
    toggleOnClick_ = toggleOnClick;
    update();
}

void CGDIBitmapBtn::SetChecked(bool checked) {
    if (checked_ == checked) return;
    checked_ = checked;
    update();
    tellCheckedChanged(this);
}

void CGDIBitmapBtn::SetCaption(const QString& caption) {
    const bool renamed = caption_ != caption;
    caption_ = caption;
    update();
    if (renamed) tellNameChanged(this);
}

void CGDIBitmapBtn::SetCaptionColours(const QColor& normal, const QColor& hover,
                                      const QColor& pressed) {
    colours_.normal = normal;
    colours_.hover = hover;
    colours_.pressed = pressed;
    update();
}

void CGDIBitmapBtn::SetPressNotify(bool on) {
    pressNotify_ = on;
}

controls::ButtonLook CGDIBitmapBtn::look() const {
    return controls::pictureButtonLook({.checkMode = checkMode_,
                                        .checked = checked_,
                                        .pushed = isDown(),
                                        .hovering = IsHovering(),
                                        .enabled = isEnabled()});
}

void CGDIBitmapBtn::paintEvent(QPaintEvent*) {
    const controls::ButtonLook current = look();
    const QPixmap& picture = pictures_.of(current.picture);
    const QColor colour = colours_.of(current.caption, disabledCaptionColour());

    QPainter painter(this);
    if (!picture.isNull()) painter.drawPixmap(QPoint(0, 0), picture);
    if (caption_.isEmpty()) return;
    painter.setFont(dialogFont(kCaptionPixelHeight, kCaptionWeight));
    painter.setPen(colour);
    const QRect area = rect().adjusted(kCaptionInsetLeft, 0, -kCaptionInsetRight, 0);
    const QString shown = painter.fontMetrics().elidedText(caption_, Qt::ElideRight, area.width(),
                                                           Qt::TextSingleLine);
    painter.drawText(area, Qt::AlignCenter | Qt::TextSingleLine, shown);
}

void CGDIBitmapBtn::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        // A click on a window in the background brings that window forward first.
        if (!window()->isActiveWindow()) window()->activateWindow();
        if (toggleOnClick_) {
            // Flipped on the press, so whoever handles the click already reads the new state.
            checked_ = !checked_;
            update();
            tellCheckedChanged(this);
        }
        if (pressNotify_) postPressReport(msg::kLeftButtonDown);
    }
    HoverButton::mousePressEvent(event);
}

void CGDIBitmapBtn::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && pressNotify_) postPressReport(msg::kLeftButtonUp);
    HoverButton::mouseReleaseEvent(event);
}

void CGDIBitmapBtn::postPressReport(uint32_t wParam) {
    buttons::postToParent(this, msg::kButtonPress, wParam, reinterpret_cast<intptr_t>(this));
}

}  // namespace x5k::ui
